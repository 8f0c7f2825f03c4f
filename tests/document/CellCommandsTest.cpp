#include "document/CellCommands.h"
#include "document/DocumentUpdate.h"
#include "model/cells/SwMessage.h"
#include "support/CollectingView.h"

#include <gtest/gtest.h>

using namespace sw::cells;

namespace {

// A scene with one message cell per letter of `texts`.
CSwScene& SceneOf(CScenewrightDoc& doc, std::string_view texts) {
    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    for (char c : texts) {
        auto cell = std::make_unique<CSwMessage>();
        cell->SetMessage(std::string(1, c));
        scene->AddCell(std::move(cell));
    }
    doc.SetModifiedFlag(false);
    return *scene;
}

std::string Texts(const CSwScene& scene) {
    std::string texts;
    for (const auto& cell : scene.cells)
        texts += cell->type == SwType::Message ? static_cast<CSwMessage&>(*cell).message() : "?";
    return texts;
}

} // namespace

TEST(CellCommands, CopyAndPasteKeepBufferOrder) {
    CScenewrightDoc doc;
    CSwScene& scene = SceneOf(doc, "abcd");
    UpdateRecorder log;
    doc.AddView(&log);
    scene.GetCellAt(2)->comment = "note";
    EXPECT_TRUE(CopyCells(doc, scene, {2, 0, 2, 9, -1}));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(log.updates.empty());
    EXPECT_EQ(PasteCells(doc, scene, -1), 4);
    EXPECT_EQ(Texts(scene), "abcdac");
    EXPECT_EQ(scene.GetCellAt(5)->comment, "note");
    EXPECT_EQ(PasteCells(doc, scene, 1), 1);
    EXPECT_EQ(PasteCells(doc, scene, 1), 1);
    EXPECT_EQ(Texts(scene), "aacacbcdac");
    EXPECT_TRUE(doc.IsModified());
    // Each paste tells which cells of which scene changed, and that the
    // history has a new step.
    EXPECT_EQ(log.Changes(),
              (std::vector<SwChange>{SwChange::Cells, SwChange::History, SwChange::Cells,
                                     SwChange::History, SwChange::Cells, SwChange::History}));
    EXPECT_EQ(log.updates[0].scene, &scene);
    EXPECT_EQ(log.updates[0].firstCell, 4);
    EXPECT_EQ(log.updates[2].firstCell, 1);
    // Pasted cells are copies, never the buffer's own.
    EXPECT_NE(scene.GetCellAt(1), doc.GetCopyBuffer()[0].get());
    EXPECT_FALSE(CopyCells(doc, scene, {42}));
    EXPECT_EQ(doc.GetCopyBuffer().size(), 2u);
    doc.RemoveView(&log);
}

TEST(CellCommands, CutAndDeleteChooseTheNextSelection) {
    CScenewrightDoc doc;
    CSwScene& scene = SceneOf(doc, "abcde");
    doc.SetCurrentCell(scene.GetCellAt(4));
    EXPECT_EQ(CutCells(doc, scene, {4, 3}), 2);
    EXPECT_EQ(Texts(scene), "abc");
    EXPECT_EQ(doc.GetCurrentCell(), nullptr);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(DeleteCells(doc, scene, {0}), 0);
    EXPECT_EQ(Texts(scene), "bc");
    // Delete keeps the buffer.
    ASSERT_EQ(doc.GetCopyBuffer().size(), 2u);
    EXPECT_EQ(PasteCells(doc, scene, 0), 0);
    EXPECT_EQ(Texts(scene), "debc");
    EXPECT_EQ(DeleteCells(doc, scene, {0, 1, 2, 3}), -1);
    doc.SetModifiedFlag(false);
    EXPECT_EQ(DeleteCells(doc, scene, {0}), -1);
    EXPECT_FALSE(doc.IsModified());
}

TEST(CellCommands, MovesKeepTheMovedOrder) {
    CScenewrightDoc doc;
    CSwScene& scene = SceneOf(doc, "abcde");
    EXPECT_EQ(MoveCells(doc, scene, {0, 2}, -1), 3);
    EXPECT_EQ(Texts(scene), "bdeac");
    EXPECT_EQ(MoveCells(doc, scene, {4}, 0), 0);
    EXPECT_EQ(Texts(scene), "cbdea");
    EXPECT_EQ(MoveCells(doc, scene, {1, 3}, 3), 2);
    EXPECT_EQ(Texts(scene), "cdbea");
    doc.SetModifiedFlag(false);
    // Dropping a block onto itself changes nothing.
    EXPECT_EQ(MoveCells(doc, scene, {1, 2}, 2), 1);
    EXPECT_EQ(Texts(scene), "cdbea");
    EXPECT_FALSE(doc.IsModified());
}

TEST(CellCommands, ClipboardTextRoundTrip) {
    CScenewrightDoc doc;
    CSwScene& scene = SceneOf(doc, "x");
    scene.GetCellAt(0)->comment = "メモ";
    const std::string text = CellsToText(scene.cells);
    EXPECT_EQ(text, R"(<?xml version="1.0" encoding="Shift_JIS" ?>
<SwCells>
<clct>
  <id>0</id>
  <type>102</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>"メモ"</comment>
  <message>"x"</message>
  <clean>1</clean>
  <logmsg>1</logmsg>
</clct>
</SwCells>
)");
    CScenewrightDoc other;
    auto cells = CellsFromText(text, &other);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(static_cast<CSwMessage&>(*cells[0]).message(), "x");
    EXPECT_EQ(cells[0]->comment, "メモ");

    EXPECT_TRUE(CellsFromText("hello <clct>", &other).empty());
    EXPECT_TRUE(CellsFromText("<SwCells><clct><type>102", &other).empty());
    EXPECT_TRUE(CellsFromText("<SwCells><clct><type>113</type></clct>"
                              "<clct><type>7</type></clct></SwCells>",
                              &other)
                    .empty());
}
