#include "document/KagImport.h"
#include "document/ProjectBuild.h"
#include "document/ProjectCheck.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwCommand.h"
#include "model/cells/SwPluginCommands.h"
#include "platform/Cp932.h"
#include "platform/KagTokenizer.h"
#include "scenario/ProjectBuilder.h"
#include "support/KagRoundTrip.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

const std::string kGame = SW_TEST_DATA_DIR "/kag/game";
const std::string kBroken = SW_TEST_DATA_DIR "/kag/broken";

std::string U8(const char8_t* text) {
    std::string cp932;
    sw::cp932::FromUtf8(reinterpret_cast<const char*>(text), cp932);
    return cp932;
}

struct Imported {
    CScenewrightDoc doc;
    KagImportReport report;
    std::string message;
    bool ok = false;
    explicit Imported(const std::string& folder, const std::string& first = {}) {
        KagImportOptions options;
        options.gameFolder = folder;
        options.firstFile = first;
        ok = ImportKagGame(doc, options, report, message);
    }
    int CellsOfType(std::int32_t type) const {
        int count = 0;
        for (const auto& scene : doc.GetScenes())
            count +=
                static_cast<int>(std::count_if(scene->cells.begin(), scene->cells.end(),
                                               [&](auto& cell) { return cell->type == type; }));
        return count;
    }
};

// Builds the project into a fresh game folder and returns its first.ks.
std::string BuildFirstKs(CScenewrightDoc& doc, const TempFolder& temp) {
    temp.Write("game/system/config.tjs",
               ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs"));
    doc.GetSettings().root = temp.File("game");
    EXPECT_TRUE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::Built);
    return ReadFileOrEmpty(temp.File("game/scenario/first.ks"));
}

std::string Joined(const std::vector<std::string>& tokens) {
    std::string joined;
    for (const std::string& token : tokens)
        joined += token + "\n";
    return joined;
}

} // namespace

TEST(KagTokenizer, TrailBytesNeverEndATextOrTag) {
    // ー ends in '[' and ソ in '\\': neither opens a tag nor escapes.
    std::vector<sw::kag::LineItem> items;
    std::string error;
    ASSERT_TRUE(
        sw::kag::SplitLine(U8(u8"ーソ[[注][r][font face=\"ー]\" size=`\"2]"), items, error));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].text, U8(u8"ーソ[注]"));
    EXPECT_EQ(items[1].tag.name, "r");
    EXPECT_EQ(items[2].tag.Find("face")->value, U8(u8"ー]"));
    EXPECT_EQ(items[2].tag.Find("size")->value, "\"2");

    for (const char* bad : {"text[r", "[font face=\"x]", "[ ]", "[font size=]"})
        EXPECT_FALSE(sw::kag::SplitLine(bad, items, error)) << bad;

    std::string name, headline;
    bool bar = false;
    sw::kag::SplitLabel(U8(u8"\t*ソ|見出し|二"), name, headline, bar);
    EXPECT_EQ(name, U8(u8"ソ"));
    EXPECT_EQ(headline, U8(u8"見出し|二"));
    EXPECT_TRUE(bar);
    EXPECT_TRUE(sw::kag::IsScriptStart("\t[iscript]"));
    EXPECT_FALSE(sw::kag::IsScriptEnd("[endscript] "));
}

TEST(KagImport, BuildingTheImportGivesTheGameBackTagForTag) {
    Imported game(kGame);
    ASSERT_TRUE(game.ok) << game.message;
    ASSERT_EQ(game.report.files.size(), 5u);
    EXPECT_EQ(game.report.files[0], "scenario/first.ks");
    // Found only through [call storage=macro.ks], in another folder.
    EXPECT_EQ(game.report.files.back(), "others/macro.ks");
    EXPECT_EQ(game.report.renamedLabels.size(), 1u);
    EXPECT_EQ(game.report.labelRenames[1].at("start"), "start_chapter1");

    TempFolder temp;
    const std::string built = BuildFirstKs(game.doc, temp);
    ASSERT_FALSE(built.empty());
    const std::vector<std::string> expected = ExpectedTokens(kGame, game.report);
    const std::vector<std::string> got = BuiltTokens(built, game.doc);
    EXPECT_EQ(Joined(got), Joined(expected));
    EXPECT_GT(expected.size(), 60u);

    // The parts that typed cells carry, and the files they name.
    EXPECT_EQ(game.CellsOfType(SwType::Macro), 2);
    EXPECT_EQ(game.CellsOfType(SwType::Script), 1);
    EXPECT_EQ(game.CellsOfType(SwType::Label), 7);
    EXPECT_EQ(game.CellsOfType(SwType::ImageLoad), 1);
    EXPECT_EQ(game.CellsOfType(SwType::Quake), 1);
    EXPECT_EQ(game.CellsOfType(SwType::BgmStop), 1);
    EXPECT_EQ(game.CellsOfType(SwType::Transition), 1);
    EXPECT_EQ(game.CellsOfType(SwType::Layer), 1);
    EXPECT_EQ(game.doc.GetSettings().backcg.size(), 1u);
    EXPECT_EQ(game.doc.GetSettings().bgm.size(), 1u);
    EXPECT_EQ(game.doc.GetSettings().se.size(), 1u);
    EXPECT_TRUE(game.report.unresolvedMedia.empty());
    // A character CP932 lacks: shown through [emb] in text, '?' in a tag.
    EXPECT_NE(built.find("[emb exp=\"'\\xD83D\\xDE00'\"]"), std::string::npos);
    EXPECT_TRUE(game.report.problems.empty());
    ASSERT_EQ(game.report.replacedCharacters.size(), 1u);
    EXPECT_NE(game.report.replacedCharacters[0].find("scenario/utf8.ks 3"), std::string::npos);
}

TEST(KagImport, ResaveOfAnImportIsByteStable) {
    Imported game(kGame);
    ASSERT_TRUE(game.ok);
    TempFolder temp;
    const std::string first = temp.File("a.swo"), second = temp.File("b.swo");
    ASSERT_TRUE(game.doc.WriteProjectFile(first.c_str()));
    CScenewrightDoc reread;
    ASSERT_TRUE(reread.ReadProjectFile(first.c_str()));
    ASSERT_TRUE(reread.WriteProjectFile(second.c_str()));
    EXPECT_EQ(ReadFileOrEmpty(first), ReadFileOrEmpty(second));
    EXPECT_EQ(reread.GetSceneCount(), game.doc.GetSceneCount());
}

TEST(KagImport, BadFilesAreNamedWithTheirLineAndTheRestComesIn) {
    Imported game(kBroken);
    ASSERT_TRUE(game.ok) << game.message;
    const std::string problems = Joined(game.report.problems);
    for (const char* expected :
         {"scenario/first.ks 3行目: [jump] の storage=nothere.ks が見つかりません。",
          "scenario/first.ks 4行目: タグの [ が閉じていません。",
          "scenario/bytes.ks 2行目: 読めない文字を ? に置き換えました。",
          "scenario/script.ks 2行目: [iscript] が [endscript] で閉じていません。"})
        EXPECT_NE(problems.find(expected), std::string::npos) << expected;
    EXPECT_EQ(game.doc.GetSceneCount(), 3);
    // The unclosed script is kept whole and closed by its cell.
    EXPECT_EQ(game.CellsOfType(SwType::Script), 1);
    TempFolder temp;
    const std::string built = BuildFirstKs(game.doc, temp);
    EXPECT_NE(built.find(U8(u8"正しい行。[p]")), std::string::npos);
    EXPECT_NE(built.find("[jump storage=nothere.ks]"), std::string::npos);
}

TEST(KagImport, OnlyTagsATypedCellWritesBackBecomeTypedCells) {
    TempFolder temp;
    temp.Write("g/scenario/start.ks",
               "[backlay]\r\n[backlay layer=all]\r\n[eval exp=\"a=1\"]\r\n"
               "[eval exp=\"a=1\" cond=\"b\"]\r\n[stopse]\r\n[stopse buf=2]\r\n"
               "[fadeoutbgm time=010]\r\n@clearvar\r\n[eval exp=&x]\r\n"
               "[layopt layer=0 visible=true page=fore]\r\n"
               "[layopt layer=message0 visible=true page=fore]\r\n"
               "[trans layer=base children=true time=500 method=crossfade][wt]\r\n"
               "[trans layer=0 time=300 method=crossfade]\r\n\t[wt]\r\n"
               "[trans layer=base time=500 method=crossfade]\r\n[wt]\r\n");
    Imported none(temp.File("g"));
    EXPECT_FALSE(none.ok);
    EXPECT_NE(none.message.find("first.ks"), std::string::npos);

    Imported game(temp.File("g"), "start");
    ASSERT_TRUE(game.ok) << game.message;
    ASSERT_EQ(game.doc.GetSceneCount(), 1);
    std::vector<std::int32_t> types;
    for (const auto& cell : game.doc.GetSceneAt(0)->cells)
        types.push_back(cell->type);
    // A base transition written without children= is not what the cell writes.
    EXPECT_EQ(types, (std::vector<std::int32_t>{SwType::BackLay, SwType::Tag, SwType::Eval,
                                                SwType::Tag, SwType::Tag, SwType::SeStop,
                                                SwType::Tag, SwType::Tag, SwType::Tag,
                                                SwType::Layer, SwType::Tag, SwType::Transition,
                                                SwType::Transition, SwType::Tag, SwType::Tag}));
    const auto& kept = static_cast<const CSwCommand&>(*game.doc.GetSceneAt(0)->cells[7]);
    EXPECT_EQ(kept.Text(CSwTag::kTag), "@clearvar");
}

TEST(KagImport, TheCheckReadsKeptLinesAsScenarioText) {
    TempFolder temp;
    temp.Write("g/scenario/first.ks", "*a\r\n[jump target=*b]\r\n@jump target=*a\r\n*b\r\n"
                                      "[link target=*nowhere]x[endlink]\r\n; [comment\r\n"
                                      "text [font size=2\r\n");
    Imported game(temp.File("g"));
    ASSERT_TRUE(game.ok) << game.message;
    std::vector<std::string> errors;
    for (const CheckFinding& finding : CheckProject(game.doc)) {
        if (finding.kind == CheckKind::Error)
            errors.push_back(FindingLine(finding));
    }
    ASSERT_EQ(errors.size(), 2u) << Joined(errors);
    EXPECT_NE(errors[0].find("*nowhere"), std::string::npos);
    EXPECT_NE(errors[1].find(U8(u8"閉じていません")), std::string::npos);
}

// The project gets a game folder of its own holding what the game needs
// besides the scenario, and builds there; the original is never written.
TEST(KagImport, TheGameFolderOfTheProjectHoldsTheGameAndBuilds) {
    TempFolder temp;
    std::filesystem::copy(kGame, temp.File("original"), std::filesystem::copy_options::recursive);
    // The engine's own configuration, as a real game has it.
    std::filesystem::remove(temp.File("original/system/Config.tjs"));
    temp.Write("original/system/Config.tjs",
               ReadFileOrEmpty(SW_EXAMPLES_DIR "/engine/system/config.tjs"));
    temp.Write("original/savedata/data0.ksd", "a player's save");
    temp.Write("original/data.xp3", "XP3");
    std::filesystem::create_symlink("/etc/hostname", temp.File("original/bgimage/away.png"));
    const std::string firstKs = ReadFileOrEmpty(temp.File("original/scenario/first.ks"));

    CScenewrightDoc doc;
    KagImportOptions options;
    options.gameFolder = temp.File("original");
    options.buildFolder = temp.File("project/game");
    KagImportReport report;
    std::string message;
    ASSERT_TRUE(ImportKagGame(doc, options, report, message)) << message;
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(doc.GetSettings().root, temp.File("project/game"));
    for (const char* copied : {"bgimage/bg01.png", "others/macro.ks", "system/Config.tjs"})
        EXPECT_EQ(ReadFileOrEmpty(temp.File(std::string("project/game/") + copied)),
                  ReadFileOrEmpty(temp.File(std::string("original/") + copied)))
            << copied;
    for (const char* left : {"savedata", "data.xp3", "bgimage/away.png"})
        EXPECT_FALSE(std::filesystem::exists(
            std::filesystem::symlink_status(temp.File(std::string("project/game/") + left))))
            << left;

    EXPECT_TRUE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::Built);
    EXPECT_NE(ReadFileOrEmpty(temp.File("project/game/scenario/first.ks")), firstKs);
    EXPECT_EQ(ReadFileOrEmpty(temp.File("original/scenario/first.ks")), firstKs);

    // A folder inside the original is refused, and nothing is copied.
    CScenewrightDoc again;
    options.buildFolder = temp.File("original/build");
    KagImportReport refused;
    ASSERT_TRUE(ImportKagGame(again, options, refused, message));
    EXPECT_EQ(refused.problems.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(temp.File("original/build")));
    EXPECT_TRUE(again.GetSettings().root.empty());
}

// Characters that CP932 only has look-alikes of (£ as ￡, — as ―, ‾ as ~)
// are kept as the engine's escapes, not turned into the look-alike.
TEST(KagImport, LookAlikesOfCharactersCp932LacksAreNotTakenForThem) {
    TempFolder temp;
    temp.Write("game/scenario/first.ks",
               "\xEF\xBB\xBF*start\r\n" +
                   std::string(reinterpret_cast<const char*>(u8"値段は£3—高い‾と[r]\r\n[s]\r\n")));
    Imported imported(temp.File("game"));
    ASSERT_TRUE(imported.ok) << imported.message;
    const std::string built = BuildFirstKs(imported.doc, temp);
    EXPECT_NE(built.find(U8(u8"値段は[emb exp=\"'\\x00A3'\"]3[emb exp=\"'\\x2014'\"]高い"
                            u8"[emb exp=\"'\\x203E'\"]と[r]")),
              std::string::npos)
        << built;
}
