#include "document/ScenarioImport.h"
#include "model/SwSettings.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwMessage.h"
#include "support/CollectingView.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

std::string Parsed(CSwSettings& settings, std::string_view line) {
    DialogueLine dialogue;
    if (!ParseDialogueLine(settings, line, dialogue))
        return "narration";
    return std::to_string(dialogue.speaker) + "|" + dialogue.bracket + "|" + dialogue.spoken + "|" +
           dialogue.note;
}

std::string FirstName(const CSwSettings& settings, int index) {
    const CSwCharacter* character = settings.GetCharacterAt(index);
    return character ? character->firstname() : "(none)";
}

} // namespace

TEST(ScenarioImport, SoundEffectCues) {
    std::string cue;
    EXPECT_TRUE(IsSoundEffectLine(" \tＳＥ／  ドア\n", cue));
    EXPECT_EQ(cue, "ドア");
    EXPECT_TRUE(IsSoundEffectLine("SE/bang", cue));
    EXPECT_EQ(cue, "bang");
    EXPECT_TRUE(IsSoundEffectLine("○ＳＥ爆発", cue));
    EXPECT_EQ(cue, "爆発");
    EXPECT_FALSE(IsSoundEffectLine("se/ドア", cue));
}

TEST(ScenarioImport, DialogueShapesAndNewSpeakers) {
    CSwSettings settings;
    EXPECT_EQ(Parsed(settings, "太郎「おはよう」\n"), "0|「|おはよう|");
    EXPECT_EQ(Parsed(settings, "太郎（ＮＡ）「…」"), "0|「|…|ＮＡ");
    EXPECT_EQ(Parsed(settings, "花子（そうかな）"), "1|（|そうかな|");
    EXPECT_EQ(Parsed(settings, "花子\t（小声）「うん」"), "1|「|うん|小声");
    EXPECT_EQ(Parsed(settings, "太郎(NA) 昔々"), "0||昔々|");
    EXPECT_EQ(settings.GetCharacterCount(), 2);
    EXPECT_EQ(Parsed(settings, "Hello world"), "2||world|"); // a blank makes a speaker
    EXPECT_EQ(Parsed(settings, "次郎(NA) 昔々"), "3||昔々|");
    EXPECT_EQ(FirstName(settings, 3), "次郎(NA)");

    for (const char* narration : {"＃太郎「こんにちは」", "●Ｓ「x」", "名前「閉じない", "「だれ」",
                                  "", "\n", "ただの地の文"})
        EXPECT_EQ(Parsed(settings, narration), "narration") << narration;
    EXPECT_EQ(settings.GetCharacterCount(), 4);
}

TEST(ScenarioImport, MarkersAreMatchedOnWholeCharacters) {
    CSwSettings settings;
    // "メu" holds the bytes of 「 across two characters, "メv" those of 」.
    EXPECT_EQ(Parsed(settings, "アメuです」"), "narration");
    EXPECT_EQ(Parsed(settings, "太郎「メv"), "narration");
    EXPECT_EQ(settings.GetCharacterCount(), 0);

    auto character = std::make_unique<CSwCharacter>();
    character->SetText(CSwCharacter::kLastName, "山田");
    character->SetText(CSwCharacter::kFirstName, "一郎");
    settings.AddCharacter(std::move(character));
    EXPECT_EQ(FindCharacterIndex(settings, "山田一郎＜Ｍ＞"), 0);
    EXPECT_EQ(FindCharacterIndex(settings, "一郎<M>(NA)"), 0);
    EXPECT_EQ(FindCharacterIndex(settings, "一郎(NA)<M>"), -1); // each mark once, in order
    EXPECT_EQ(FindCharacterIndex(settings, "山田"), 0);
    EXPECT_EQ(FindCharacterIndex(settings, "<M>"), -1);
    EXPECT_EQ(FindCharacterIndex(settings, ""), -1);
}

TEST(ScenarioImport, LinesAreReadWholeInEitherEncoding) {
    std::vector<std::string> lines;
    std::string message;
    ASSERT_TRUE(ReadScenarioLines("a.txt", "一\r\n二\r三\n\n四", lines, message));
    EXPECT_EQ(lines, (std::vector<std::string>{"一\n", "二\n", "三\n", "\n", "四"}));

    const std::string longLine(20000, 'x');
    ASSERT_TRUE(ReadScenarioLines("a.txt", longLine + "\n", lines, message));
    EXPECT_EQ(lines, std::vector<std::string>{longLine + "\n"});
    ASSERT_TRUE(ReadScenarioLines("a.txt", "", lines, message));
    EXPECT_TRUE(lines.empty());

    // u8 literals stay UTF-8 whatever the execution character set.
    const std::string utf8(reinterpret_cast<const char*>(u8"太郎「やあ」\n地の文"));
    ASSERT_TRUE(ReadScenarioLines("u.txt", utf8, lines, message));
    EXPECT_EQ(lines, (std::vector<std::string>{"太郎「やあ」\n", "地の文"}));
    ASSERT_TRUE(ReadScenarioLines("u.txt",
                                  "\xEF\xBB\xBF"
                                  "abc",
                                  lines, message));
    EXPECT_EQ(lines, std::vector<std::string>{"abc"});

    const std::string emoji(reinterpret_cast<const char*>(u8"一行目\n二行目\n三行目😀\n"));
    EXPECT_FALSE(ReadScenarioLines("u.txt", emoji, lines, message));
    EXPECT_EQ(message,
              "u.txt の 3 行目に Shift_JIS で表せない文字があります。インポートを中止しました。");
    EXPECT_TRUE(lines.empty());
    EXPECT_FALSE(ReadScenarioLines("s.txt", "一\n\x81\x7F\n", lines, message));
    EXPECT_EQ(message,
              "s.txt の 2 行目は Shift_JIS の文字として読めません。インポートを中止しました。");
}

namespace {

// Each cell as "type:text|charinf|brackettype|comment" (text fields only
// where the type has them).
std::vector<std::string> CellsOf(const CSwScene& scene) {
    std::vector<std::string> cells;
    for (int i = 0; i < scene.GetCellCount(); ++i) {
        const auto* cell = static_cast<const CSwCommand*>(scene.GetCellAt(i));
        std::string text = std::to_string(cell->type) + ":";
        if (cell->type == SwType::Message)
            text += cell->Text(CSwMessage::kMessage);
        if (cell->type == SwType::Dialogue)
            text += cell->Text(CSwDialogue::kMessage) + "|" +
                    std::to_string(cell->Integer(CSwDialogue::kCharInf)) + "|" +
                    std::to_string(cell->Integer(CSwDialogue::kBracketType));
        cells.push_back(text + "|" + cell->comment);
    }
    return cells;
}

} // namespace

TEST(ScenarioImport, FileBecomesCellsOfTheCurrentScene) {
    TempFolder temp;
    CScenewrightDoc doc;
    ScriptedHost host;
    CollectingLog log;
    doc.SetHost(&host);
    doc.AddLogSink(&log);
    const std::string text =
        temp.Write("s.txt", "太郎「おはよう」\r\n一行目\r\n二行目\r\nＳＥ／ドア\r\n"
                            "花子（ひとりごと）\r\n太郎 またね\r\n");
    EXPECT_FALSE(doc.ImportScenarioText(text.c_str()));
    EXPECT_EQ(host.errors, std::vector<std::string>{"インポート先のセルを選択して下さい。"});
    EXPECT_EQ(log.lines.back(), "error: インポート先のセルを選択して下さい。");

    CSwScene* scene = doc.AddScene(CScenewrightDoc::kNewTopLevel);
    doc.SelectScene(scene);
    doc.SetModifiedFlag(false);
    ASSERT_TRUE(doc.ImportScenarioText(text.c_str()));
    EXPECT_EQ(CellsOf(*scene), (std::vector<std::string>{
                                   "112:おはよう|0|0|",
                                   "102:一行目\n[l][r]二行目\n|",
                                   "110:|ドア",
                                   "111:|",
                                   "112:ひとりごと|1|1|",
                                   "112:またね|0|-1|",
                               }));
    EXPECT_EQ(doc.GetSettings().GetCharacterCount(), 2);
    EXPECT_TRUE(doc.IsModified());
    // The new cells and the new speakers are one step of the history.
    doc.EnableUndo(true);
    ASSERT_TRUE(doc.ImportScenarioText(text.c_str()));
    EXPECT_EQ(scene->GetCellCount(), 12);
    ASSERT_TRUE(doc.Undo());
    EXPECT_EQ(scene->GetCellCount(), 6);
    EXPECT_EQ(doc.GetSettings().GetCharacterCount(), 2);
    EXPECT_FALSE(doc.CanUndo());

    // A refused file changes nothing.
    const std::string bad = temp.Write("bad.txt", "太郎「やあ」\n\x81\x7F\n");
    doc.SetModifiedFlag(false);
    EXPECT_FALSE(doc.ImportScenarioText(bad.c_str()));
    EXPECT_EQ(scene->GetCellCount(), 6);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(host.errors.back(),
              bad + " の 2 行目は Shift_JIS の文字として読めません。インポートを中止しました。");
    EXPECT_FALSE(doc.ImportScenarioText(temp.File("none.txt").c_str()));
    EXPECT_EQ(log.lines.back(), "error:  " + temp.File("none.txt") + " が存在しません。");
}
