#include "document/PlayFromHere.h"

#include "document/ProjectBuild.h"
#include "document/SceneEdits.h"
#include "document/ScenewrightDoc.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"
#include "scenario/GameFolderSetup.h"
#include "scenario/ProjectBuilder.h"
#include "support/CollectingView.h"
#include "support/SampleGameFixture.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

std::string Lf(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    }
    return out;
}

// Every file below `folder` with its bytes and modification time.
std::map<std::string, std::pair<std::string, std::int64_t>> Snapshot(const std::string& folder) {
    std::map<std::string, std::pair<std::string, std::int64_t>> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        std::int64_t time = 0;
        sw::files::ModificationTime(entry.path().string(), time);
        files[entry.path().string()] = {entry.is_regular_file() ? ReadFileOrEmpty(entry.path())
                                                                : std::string("<folder>"),
                                        time};
    }
    return files;
}

bool Logged(const CollectingLog& log, std::string_view text) {
    for (const std::string& line : log.lines) {
        if (line.find(text) != std::string::npos)
            return true;
    }
    return false;
}

// What every start section of the sample opens with: its title and the
// characters' names.
const char kOpening[] = ";---------------------------------------\n"
                        "; Scenewright: ここから実行するための準備\n"
                        ";---------------------------------------\n"
                        "[iscript]\n"
                        "  sf.charcount = 2;\n"
                        "  sf.name = [] if (sf.name === void);\n"
                        "  sf.fname = [] if (sf.fname === void);\n"
                        "  sf.mname = [] if (sf.mname === void);\n"
                        "  sf.lname = [] if (sf.lname === void);\n"
                        "  sf.name[0] = \"山田一郎\";\n"
                        "  sf.fname[0] = \"一郎\";\n"
                        "  sf.mname[0] = \"\";\n"
                        "  sf.lname[0] = \"山田\";\n"
                        "  sf.name[1] = \"髙橋花子\";\n"
                        "  sf.fname[1] = \"花子\";\n"
                        "  sf.mname[1] = \"\";\n"
                        "  sf.lname[1] = \"髙橋\";\n"
                        "[endscript]\n";

// The state the first scene leaves: its macro, variables, the sky faded in
// at once, the message layer, the right-click handler and the snow. Its
// music is played at the end of the section, its sound, dialogue, waiting
// tag and messages are left out.
const char kAfterScene1[] =
    "[macro name=\"clickwait\"]\n"
    "[l][r]\n"
    "[endmacro]\n"
    "[clearvar]\n"
    "[eval exp=\"f.courage = 0\"]\n"
    "[backlay]\n"
    "[image layer=base storage=\"sky.png\" page=back]\n"
    "[trans layer=base children=true time=0 method=\"universal\" rule=\"wipe.png\" vague=64 ]\n"
    "[wt]\n"
    "[current layer=message0 withback=false page=fore]\n"
    "[layopt layer=message0 left=20 top=320 opacity=160 visible=true page=fore]\n"
    "[position layer=message0 left=20 top=320 width=600 height=140 opacity=160 color=0x203040 "
    "vertical=false page=fore]\n"
    "[rclick call=true enabled=true target=\"*__LABEL_10__\"]\n"
    "[call storage=\"pplg_snow.ks\"]\n"
    "[eval exp=\"snow_object.init(%[])\"]\n";

class PlayFixture : public SampleGameFixture {
protected:
    std::string StartSection(const PreviewPoint& point) {
        CStringOutput out(false);
        std::string refusal;
        EXPECT_TRUE(WriteStartSection(doc, point, out, refusal)) << refusal;
        return out.Text();
    }

    std::string FirstKs(const std::string& folder) {
        return Lf(ReadFileOrEmpty(folder + "/scenario/first.ks"));
    }

    const std::string preview = temp.File("preview");
};

} // namespace

// Scene 5 lies five deep: the start, the choice, the forest, the fork, the
// brave way. Every scene on the way is replayed whole, then the way's own
// expression; the music still playing comes last.
TEST_F(PlayFixture, DeepSceneStartsWithTheStateOfTheWayThere) {
    const std::string expected =
        std::string(kOpening) + kAfterScene1 +
        // The forest: the fairy crossfades in at once; the quake, sound and
        // messages are left out; the fairy scrolls away at once; the snow
        // stops and the fireflies start.
        "[backlay layer=0]\n"
        "[image layer=0 storage=\"fairy.png\" page=back]\n"
        "[trans layer=0 time=0 method=\"crossfade\" ]\n"
        "[wt]\n"
        "[iscript]\n"
        "f.metFairy = true;\n"
        "f.fairyVisits = +f.fairyVisits + 1;\n"
        "[endscript]\n"
        "[eval exp=\"f.courage = f.courage + 1\"]\n"
        "[backlay layer=0]\n"
        "[layopt layer=0    visible=false page=back]\n"
        "[trans layer=0 time=0 method=\"scroll\" from=\"right\" stay=\"stayfore\" ]\n"
        "[wt]\n"
        "[eval exp=\"snow_object.uninit()\"]\n"
        "[call storage=\"pplg_firefly.ks\"]\n"
        "[eval exp=\"firefly_object.init(%[ count : 12 ])\"]\n"
        // The fork's branch into the brave way runs its expression.
        "[eval exp=\"f.visited = 1\"]\n"
        "[fadeinbgm storage=\"theme.wav\" loop=true time=1500]\n"
        "[jump target=\"*__LABEL_5__\"]\n";
    EXPECT_EQ(StartSection({5, -1}), expected);
}

// From the middle of the forest scene: its cells before the chosen one
// count, the first.ks of the preview is the build's with one label more,
// and the project's own game folder is left exactly as it was.
TEST_F(PlayFixture, CellInTheMiddleGetsOneLabelAndTheGameFolderIsUntouched) {
    ASSERT_TRUE(BuildProject(doc));
    const std::string built = FirstKs(game);
    const auto before = Snapshot(game);
    const std::int32_t statusBefore = doc.GetBuildStatus();

    std::string refusal;
    ASSERT_EQ(BuildPreview(doc, {2, 8}, preview, refusal), SwBuildStatus::Built) << refusal;
    const std::string start = std::string(kOpening) + kAfterScene1 +
                              "[backlay layer=0]\n"
                              "[image layer=0 storage=\"fairy.png\" page=back]\n"
                              "[trans layer=0 time=0 method=\"crossfade\" ]\n"
                              "[wt]\n"
                              "[fadeinbgm storage=\"theme.wav\" loop=true time=1500]\n"
                              "[jump target=\"*__PREVIEW_START__\"]\n";
    const std::string played = FirstKs(preview);
    ASSERT_EQ(played.substr(0, start.size()), start);
    // Cell 8 of the forest is its script: our label goes just before it.
    const std::string cellText = "[iscript]\nf.metFairy = true;";
    const std::size_t at = built.find(cellText);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(played.substr(start.size()),
              built.substr(0, at) + ";\n*__PREVIEW_START__\n;\n" + built.substr(at));

    EXPECT_EQ(Snapshot(game), before);
    EXPECT_EQ(doc.GetBuildStatus(), statusBefore);
    // The preview is a game of its own: engine files, media and the
    // generated plugin and area files.
    for (const char* file :
         {"startup.tjs", "system/Initialize.tjs", "system/config.tjs", "bgimage/sky.png",
          "fgimage/fairy.png", "scenario/pplg_snow.ks", "others/town.ma", "image/town_p.png"})
        EXPECT_TRUE(sw::files::FileExists(preview + "/" + file)) << file;
    EXPECT_EQ(ReadFileOrEmpty(preview + "/system/config.tjs"),
              ReadFileOrEmpty(game + "/system/config.tjs"));
    EXPECT_FALSE(sw::files::FileExists(preview + "/system/Config.~new"));
    EXPECT_TRUE(Logged(log, "シーン番号2 のセル 8 から始まるゲームを"));
    EXPECT_TRUE(
        Logged(log, "シーン番号1 から 11 個、シーン番号11 から 0 個、シーン番号2 から 3 個"));
}

// What a scene writes before its cells is replayed for a cell of it (the
// map picture of an image map); a map passed through stays on screen unless
// the way taken frees it.
TEST_F(PlayFixture, ImageMapsOnTheWayKeepOrFreeTheirPicture) {
    const std::string map = "[image  layer=\"0\" visible=true storage=\"town.png\" page=fore]\n";
    const std::string town = StartSection({3, 0});
    EXPECT_NE(town.find(map + "[fadeinbgm"), std::string::npos) << town;
    const std::string market = StartSection({9, -1}); // keeps the map
    EXPECT_NE(market.find(map + "[fadeinbgm"), std::string::npos) << market;
    const std::string inn = StartSection({8, -1}); // frees it on the way
    EXPECT_NE(inn.find(map + "[freeimage  layer=\"0\" page=fore]\n[fadeinbgm"), std::string::npos)
        << inn;
    // A stop after the music leaves none playing: the way home stops it.
    const std::string home = StartSection({6, 2});
    EXPECT_EQ(home.find("bgm"), std::string::npos) << home;
}

TEST_F(PlayFixture, PointsTheGameNeverReachesAreRefusedBeforeAnythingIsWritten) {
    const struct {
        PreviewPoint point;
        const char* reason;
    } refused[] = {
        {{10, -1}, "シーン番号10 は手続き（Procedure）の木にあり"},
        {{100, 0}, "シーン番号100 は手続き（Procedure）の木にあり"},
        {{99, -1}, "シーン番号99 のシーンはありません。"},
        {{5, 2}, "シーン番号5 にセル 2 はありません（セルは 2 個です）。"},
    };
    for (const auto& [point, reason] : refused) {
        std::string refusal;
        EXPECT_EQ(BuildPreview(doc, point, preview, refusal), SwBuildStatus::NotBuilt);
        EXPECT_NE(refusal.find(reason), std::string::npos) << refusal;
        EXPECT_TRUE(Logged(log, reason)) << reason;
    }
    EXPECT_FALSE(fs::exists(preview));
    // Never into the game folder, nor below it: a release would pack it.
    for (const std::string& folder : {game, game + "/", game + "/preview"}) {
        std::string refusal;
        EXPECT_EQ(BuildPreview(doc, {5, -1}, folder, refusal), SwBuildStatus::NotBuilt) << folder;
        EXPECT_NE(refusal.find("プロジェクトのゲームフォルダの中です"), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(game + "/scenario"));

    PreviewPoint point;
    EXPECT_TRUE(ParsePreviewPoint("12:3", point));
    EXPECT_EQ(point.sceneId, 12);
    EXPECT_EQ(point.cell, 3);
    for (const char* bad : {"", ":", "0", "-1", "5:", "5:-1", "5:x", "x", "5:1:2", "99999999999"})
        EXPECT_FALSE(ParsePreviewPoint(bad, point)) << bad;
}

// A second preview of the unchanged project reuses the scenario and checks
// the placed files; an edit, or a changed media file, is not missed.
TEST_F(PlayFixture, SecondPreviewReusesTheScenarioUntilTheProjectChanges) {
    PreviewCache cache;
    std::string refusal;
    ASSERT_EQ(BuildPreview(doc, {5, -1}, preview, refusal, &cache), SwBuildStatus::Built);
    ASSERT_EQ(BuildPreview(doc, {2, 8}, preview, refusal, &cache), SwBuildStatus::Built);
    EXPECT_TRUE(Logged(log, "シナリオを使い回しました"));
    const std::string reused = FirstKs(preview);
    ASSERT_EQ(BuildPreview(doc, {2, 8}, temp.File("fresh"), refusal), SwBuildStatus::Built);
    EXPECT_EQ(reused, FirstKs(temp.File("fresh")));

    // A copy spoilt since is made again; a generated file gone means a
    // whole build.
    temp.Write("preview/bgimage/sky.png", "spoilt");
    ASSERT_EQ(BuildPreview(doc, {2, 8}, preview, refusal, &cache), SwBuildStatus::Built);
    EXPECT_EQ(ReadFileOrEmpty(preview + "/bgimage/sky.png"),
              ReadFileOrEmpty(SW_EXAMPLES_DIR "/sample/media/sky.png"));
    log.lines.clear();
    fs::remove(preview + "/others/town.ma");
    ASSERT_EQ(BuildPreview(doc, {2, 8}, preview, refusal, &cache), SwBuildStatus::Built);
    EXPECT_FALSE(Logged(log, "シナリオを使い回しました"));
    EXPECT_TRUE(sw::files::FileExists(preview + "/others/town.ma"));

    // An edit is seen at once.
    log.lines.clear();
    ASSERT_TRUE(sw::scenes::SetText(doc, *doc.FindScene(5), sw::scenes::Text::Exp, "f.brave = 1"));
    ASSERT_EQ(BuildPreview(doc, {5, -1}, preview, refusal, &cache), SwBuildStatus::Built);
    EXPECT_FALSE(Logged(log, "シナリオを使い回しました"));
    EXPECT_NE(FirstKs(preview).find("[eval exp=\"f.brave = 1\"]\n[fadeinbgm"), std::string::npos);
}
