#include "document/TextSearch.h"
#include "document/ScenewrightDoc.h"
#include "support/SceneCells.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "scene cell field offset" of each match, one a line.
std::string Summary(const std::vector<TextMatch>& matches) {
    std::string out;
    for (const TextMatch& m : matches)
        out += std::to_string(m.sceneId) + " " + std::to_string(m.cell) + " " + m.field + " " +
               std::to_string(m.offset) + "\n";
    return out;
}

struct Project {
    CScenewrightDoc doc;
    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    Project() { doc.SetModifiedFlag(false); }
};

} // namespace

TEST(TextSearch, FindsInEveryTextButNeverInPathsOrHalfCharacters) {
    Project p;
    p.scene->title = "Key の部屋";
    p.scene->expcond = "f.key == 1";
    AddTextCell(*p.scene, SwType::Message, "message", "一行目\nkeyを拾った。ア");
    AddTextCell(*p.scene, SwType::Eval, "formula", "f.keys = f.key").comment = "KEY";
    AddTextCell(*p.scene, SwType::ImageLoad, "image", "/art/key.png");
    EXPECT_EQ(Summary(FindText(p.doc, "key", {})),
              "1 -1 title 0\n1 -1 expcond 2\n"
              "1 0 message 7\n"
              "1 1 comment 0\n1 1 formula 2\n1 1 formula 11\n");
    EXPECT_EQ(FindText(p.doc, "key", {})[2].line, "keyを拾った。ア");
    EXPECT_EQ(Summary(FindText(p.doc, "key", {true, true})),
              "1 -1 expcond 2\n1 0 message 7\n1 1 formula 11\n");

    // The trail bytes of ソ (0x83 0x5C) and ア (0x83 0x41) are no '\' and no 'A'.
    p.scene->title = "ソアaア";
    p.scene->expcond.clear();
    p.scene->cells.clear();
    EXPECT_EQ(Summary(FindText(p.doc, "\\", {})), "");
    EXPECT_EQ(Summary(FindText(p.doc, "A", {})), "1 -1 title 4\n");
    EXPECT_EQ(Summary(FindText(p.doc, "アa", {})), "1 -1 title 2\n");
    EXPECT_EQ(Summary(FindText(p.doc, "a", {false, true})), "1 -1 title 4\n");
    EXPECT_EQ(Summary(FindText(p.doc, "", {})), "");
    EXPECT_FALSE(p.doc.IsModified());
}

TEST(TextSearch, ReplacesOneOrAllAsOneEdit) {
    Project p;
    CSwCommand& message = AddTextCell(*p.scene, SwType::Message, "message", "猫と猫cat");
    p.scene->comment = "CAT";
    const std::vector<TextMatch> matches = FindText(p.doc, "猫", {});
    ASSERT_EQ(matches.size(), 2u);
    EXPECT_TRUE(ReplaceMatch(p.doc, matches[1], "猫", "犬", {}));
    EXPECT_EQ(message.Text(message.SlotOf("message")), "猫と犬cat");
    EXPECT_TRUE(p.doc.IsModified());

    // A match the text no longer holds is left alone.
    p.doc.SetModifiedFlag(false);
    EXPECT_FALSE(ReplaceMatch(p.doc, matches[1], "猫", "犬", {}));
    EXPECT_FALSE(p.doc.IsModified());

    EXPECT_EQ(ReplaceAll(p.doc, "cat", "dog", {}), 2);
    EXPECT_EQ(message.Text(message.SlotOf("message")), "猫と犬dog");
    EXPECT_EQ(p.scene->comment, "dog");
    EXPECT_TRUE(p.doc.IsModified());
    p.doc.SetModifiedFlag(false);
    EXPECT_EQ(ReplaceAll(p.doc, "cat", "dog", {}), 0);
    EXPECT_FALSE(p.doc.IsModified());

    // Replacing all is one step of the history: one undo brings every text back.
    p.doc.EnableUndo(true);
    EXPECT_EQ(ReplaceAll(p.doc, "dog", "cat", {}), 2);
    EXPECT_EQ(ReplaceAll(p.doc, "犬", "猫", {}), 1);
    ASSERT_TRUE(p.doc.Undo());
    EXPECT_EQ(FindText(p.doc, "cat", {}).size(), 2u);
    EXPECT_EQ(FindText(p.doc, "犬", {}).size(), 1u);
}
