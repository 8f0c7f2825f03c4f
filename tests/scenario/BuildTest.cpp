#include "document/ProjectBuild.h"
#include "document/ScenewrightDoc.h"
#include "model/AssetCopy.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwLayerCommands.h"
#include "model/cells/SwMessage.h"
#include "model/cells/SwParticle.h"
#include "model/cells/SwScriptCommands.h"
#include "platform/Files.h"
#include "scenario/ProjectBuilder.h"
#include "scenario/ScenePreview.h"
#include "support/BuildingDoc.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

TEST(ProjectBuild, WritesScenesInPreOrderAndSwapsTheConfiguration) {
    TempFolder temp;
    temp.Write("game/system/config.tjs", "first\r\n");
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    doc.GetSettings().root = temp.File("game");
    auto add = [&](std::int32_t id, CSwScene* parent) {
        auto scene = std::make_unique<CSwScene>();
        scene->id = id;
        scene->recordablelabel = 0;
        CSwScene* s = doc.AdoptScene(std::move(scene));
        if (parent && parent->child)
            parent->child->AppendSibling(s);
        else if (parent)
            parent->child = s, s->parent = parent;
        return s;
    };
    CSwScene* a = add(1, nullptr);
    CSwScene* a1 = add(3, a);
    add(4, a);
    CSwScene* b = add(2, nullptr);
    a->AppendSibling(b);
    a1->AppendSibling(nullptr);
    struct : IBuildProgress {
        void OnSceneStarting(int done, int total) override {
            told += std::to_string(done) + "/" + std::to_string(total) + " ";
        }
        std::string told;
    } progress;
    ASSERT_TRUE(BuildProject(doc, &progress));
    EXPECT_EQ(progress.told, "0/4 1/4 2/4 3/4 ");
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::Built);
    const std::string ks = ReadFileOrEmpty(temp.File("game/scenario/first.ks"));
    const auto at = [&](const char* label) { return ks.find(label); };
    EXPECT_LT(at("*__LABEL_1__\r\n"), at("*__LABEL_3__\r\n"));
    EXPECT_LT(at("*__LABEL_3__\r\n"), at("*__LABEL_4__\r\n"));
    EXPECT_LT(at("*__LABEL_4__\r\n"), at("*__LABEL_2__\r\n"));
    EXPECT_TRUE(ks.ends_with(
        ";\r\n*__LABEL_END__|ラベルEND\r\n;\r\nここは、シナリオの終端です。[s]\r\n;\r\n"));
    EXPECT_NE(ks.find("  sf.charcount = 0;\r\n  sf.name = [] if (sf.name === void);\r\n"),
              std::string::npos);
    EXPECT_TRUE(sw::files::DirectoryExists(temp.File("game/video")));
    EXPECT_EQ(log.lines.front(), "-----ビルド開始-----");
    EXPECT_EQ(log.lines.back(), "-----ビルド終了-----");

    temp.Write("game/system/config.tjs", "second\r\n");
    ASSERT_TRUE(BuildProject(doc));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/config.bak")), "second\r\n");
    EXPECT_FALSE(sw::files::FileExists(temp.File("game/system/config.tmp")));
}

TEST(ProjectBuild, FailuresSetTheirStatus) {
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    EXPECT_FALSE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::NoProjectFolder);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"error: プロジェクトルートが設定されていません。",
                                        "-----ビルド終了-----"}));
    TempFolder temp;
    doc.GetSettings().root = temp.Path();
    EXPECT_FALSE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::ConfigUnreadable);
    EXPECT_FALSE(sw::files::FileExists(temp.File("scenario/first.ks")));

    // A scene that fails without a code of its own still fails the build.
    temp.Write("system/config.tjs", "");
    struct FailingCell : CSwMessage {
        bool Build(CTextOutput*, CBuildContext*) override { return false; }
    };
    auto scene = std::make_unique<CSwScene>();
    scene->id = 4;
    scene->AddCell(std::make_unique<FailingCell>());
    doc.AdoptScene(std::move(scene));
    log.lines.clear();
    EXPECT_FALSE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::CellFailed);
    EXPECT_EQ(log.lines.at(1), "error: シーン番号4: ビルドに失敗しました。");
}

TEST(AssetCopy, CopiesIntoSubFoldersAndNeverOntoItself) {
    TempFolder temp;
    CScenewrightDoc doc;
    doc.GetSettings().root = temp.File("game");
    temp.Write("game/bgm/.keep", "");
    const std::string source = temp.Write("media/曲.ogg", "music");
    EXPECT_EQ(CopyAsset(&doc, "bgm", source), "曲.ogg");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/bgm/曲.ogg")), "music");
    // Already in place, spelt differently: reported as copied, left intact.
    EXPECT_EQ(CopyAsset(&doc, "bgm", temp.Path() + "/game/./bgm/../bgm/曲.ogg"), "曲.ogg");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/bgm/曲.ogg")), "music");
    EXPECT_EQ(CopyAsset(&doc, "bgm", temp.File("media/missing.ogg")), "");
    EXPECT_EQ(CopyAsset(&doc, "bgm", ""), "");

    temp.Write("media/p_0.png", "a");
    temp.Write("media/p_0.bmp", "b");
    temp.Write("game/image/.keep", "");
    std::vector<std::string> names;
    EXPECT_TRUE(CopyAssetsMatching(&doc, "image", temp.File("media/p_0.*"), names));
    EXPECT_EQ(names, (std::vector<std::string>{"p_0.bmp", "p_0.png"}));
    EXPECT_FALSE(CopyAssetsMatching(&doc, "image", temp.File("media/q_*.png"), names));
}

TEST(AssetCopy, TwoSourcesUnderOneNameAreReported) {
    BuildingDoc b;
    CSwScene second;
    second.id = 5;
    const std::string a = b.temp.Write("a/bg.png", "a");
    const std::string other = b.temp.Write("b/BG.png", "b");
    CopyAsset(&b.doc, "image", a);
    CopyAsset(&b.doc, "image", b.temp.Path() + "/a/../a/bg.png"); // the same file again
    EXPECT_TRUE(b.log.lines.empty());
    b.doc.SetBuildingScene(&second);
    CopyAsset(&b.doc, "image", other);
    ASSERT_EQ(b.log.lines.size(), 1u);
    EXPECT_EQ(b.log.lines[0],
              "warning: シーン番号5: " + other + " は、シーン番号7 の " + a +
                  " と同じ名前 image/BG.png でコピーされるため、先のファイルを上書きします。");
    // A new build starts with no claims.
    b.doc.ForgetBuildOutputs();
    CopyAsset(&b.doc, "image", a);
    EXPECT_EQ(b.log.lines.size(), 1u);
}

TEST(ProjectBuild, FailureRowsLeaveWhatTheyDescribe) {
    TempFolder temp;
    const std::string root = temp.File("game");
    const std::string config = "function KAGWindow_config()\r\n{\r\n;scWidth = 1;\r\n}\r\n";
    temp.Write("game/system/config.tjs", config);
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    doc.GetSettings().root = root;
    auto scene = std::make_unique<CSwScene>();
    scene->id = 3;
    auto message = std::make_unique<CSwMessage>();
    message->SetMessage("before");
    scene->AddCell(std::move(message));
    CSwScene* map = doc.AdoptScene(std::move(scene));

    // The temporary configuration cannot be written: config.tjs stays.
    sw::files::CreateDirectory(temp.File("game/system/config.tmp"));
    EXPECT_FALSE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_EQ(log.lines.at(1),
              "error: 書き込みモードで " + root + "/system/config.tmp を開くことが出来ません。");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/config.tjs")), config);
    EXPECT_FALSE(sw::files::FileExists(temp.File("game/scenario/first.ks")));
    ASSERT_TRUE(std::filesystem::remove(temp.File("game/system/config.tmp")));

    // first.ks cannot be written: the configuration is already replaced.
    sw::files::CreateDirectory(temp.File("game/scenario/first.ks"));
    log.lines.clear();
    EXPECT_FALSE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_EQ(log.lines,
              (std::vector<std::string>{"-----ビルド開始-----",
                                        "error: 書き込みモードで出力先 " + root +
                                            "/scenario/first.ks を開くことが出来ません。",
                                        "-----ビルド終了-----"}));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/config.bak")), config);
    ASSERT_TRUE(std::filesystem::remove(temp.File("game/scenario/first.ks")));

    // A media copy that fails stops first.ks after the last text written.
    map->type = SwType::SceneImageMap;
    map->mapimage = temp.File("missing.png");
    for (std::int32_t id : {4, 5}) {
        auto child = std::make_unique<CSwScene>();
        child->id = id;
        CSwScene* added = doc.AdoptScene(std::move(child));
        if (map->child)
            map->child->AppendSibling(added);
        else
            map->child = added, added->parent = map;
    }
    log.lines.clear();
    EXPECT_FALSE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);
    EXPECT_EQ(log.lines.at(1),
              "error: シーン番号3: " + temp.File("missing.png") + " のコピーに失敗。");
    EXPECT_TRUE(
        ReadFileOrEmpty(temp.File("game/scenario/first.ks")).ends_with("*__LABEL_3__|\r\n;\r\n"));
}

TEST(ProjectBuild, CheckFirstLogsTheFindingsInsideTheBuild) {
    BuildingDoc b;
    b.temp.Write("game/system/config.tjs", "");
    b.doc.SetBuildingScene(nullptr);
    CSwScene* first = b.doc.AddScene(CScenewrightDoc::kNewTopLevel);
    first->procedure = 1;
    first->expmycond = "f.a == (1";
    ASSERT_TRUE(BuildProject(b.doc, nullptr, true));
    ASSERT_GE(b.log.lines.size(), 3u);
    EXPECT_EQ(b.log.lines[1],
              "error: シーン番号1: 実行条件の式の最後: 「(」を閉じる「)」がありません。"
              "「)」を書いてください。");
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::Built);
    b.log.lines.clear();
    ASSERT_TRUE(BuildProject(b.doc));
    EXPECT_EQ(b.log.lines[1].find("error: "), std::string::npos);
}

TEST(ScenePreview, WritesTheSceneTextAndNoFile) {
    BuildingDoc b;
    b.temp.Write("game/scenario/.keep", "");
    b.temp.Write("art/sky.png", "s");
    b.temp.Write("art/snow_0.png", "p");
    b.temp.Write("art/town.png", "t");
    CSwScene& scene = b.scene;
    scene.type = SwType::SceneImageMap;
    scene.mapimage = b.temp.File("art/town.png");
    scene.layer = "0";
    CSwScene left, right;
    left.id = 8;
    right.id = 9;
    scene.child = &left;
    left.parent = right.parent = &scene;
    left.AppendSibling(&right);
    left.clickfreemapimage = 0; // right goes by its via label
    auto image = std::make_unique<CSwImageLoad>();
    image->SetText(CSwImageLoad::kLayer, "base");
    image->SetText(CSwImageLoad::kImage, b.temp.File("art/sky.png"));
    image->SetInteger(CSwImageLoad::kSurface, 0);
    scene.AddCell(std::move(image));
    auto snow = std::make_unique<CSwParticle>();
    ASSERT_TRUE(snow->ApplyPreset(0));
    snow->SetText(CSwParticle::kClassName, "snow");
    snow->SetText(CSwParticle::kImage, b.temp.File("art/snow"));
    snow->SetInteger(CSwParticle::kCount, 1);
    scene.AddCell(std::move(snow));
    CSwScene other;
    b.doc.SetBuildingScene(&other);
    b.doc.SetBuildStatus(SwBuildStatus::OutputUnwritable);

    const ScenePreview preview = PreviewSceneScript(b.doc, scene);
    EXPECT_TRUE(preview.complete);
    EXPECT_EQ(preview.text, R"(;
*__LABEL_7__|
;
[image  layer="0" visible=true storage="town.png" page=fore]
[image layer=base storage="sky.png" page=fore]
[call storage="pplg_snow.ks"]
[s]
;
*__LABEL_via_9__
;
[freeimage  layer="0" page=fore]
[jump target="*__LABEL_9__"]
)");
    EXPECT_TRUE(b.log.lines.empty());
    EXPECT_EQ(b.Game("bgimage/sky.png") + b.Game("image/town.png") + b.Game("image/snow_0.png") +
                  b.Game("scenario/pplg_snow.ks") + b.Game("others/town.ma"),
              "");
    EXPECT_EQ(b.doc.GetBuildingScene(), &other);
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_FALSE(b.doc.IsPreviewing());

    // A missing file ends the text where the build would stop.
    static_cast<CSwImageLoad&>(*scene.cells.front())
        .SetText(CSwImageLoad::kImage, b.temp.File("art/none.png"));
    const ScenePreview stopped = PreviewSceneScript(b.doc, scene);
    EXPECT_FALSE(stopped.complete);
    EXPECT_EQ(stopped.problems,
              std::vector<std::string>{"シーン番号7: " + b.temp.File("art/none.png") +
                                       " のコピーに失敗。"});
    EXPECT_EQ(stopped.text, R"(;
*__LABEL_7__|
;
[image  layer="0" visible=true storage="town.png" page=fore]
)");
    EXPECT_TRUE(b.log.lines.empty());
    left.parent = right.parent = nullptr;
    scene.child = nullptr;
}

TEST(AssetCopy, UnchangedMediaIsNotCopiedAgainButAChangedSourceIs) {
    namespace fs = std::filesystem;
    BuildingDoc b;
    const std::string source = b.temp.Write("media/bg.png", "picture one");
    const std::string copy = b.temp.File("game/bgimage/bg.png");
    auto inode = [](const std::string& path) {
        struct stat info {};
        ::stat(path.c_str(), &info);
        return info.st_ino;
    };
    auto copyAgain = [&] {
        b.doc.ForgetBuildOutputs(); // as a new build starts
        b.log.lines.clear();
        EXPECT_TRUE(CopyMedia(&b.doc, source, "画像", "bgimage").proceed);
        EXPECT_EQ(b.log.lines, std::vector<std::string>{"ok: シーン番号7: " + source +
                                                        " を bgimage にコピー。"});
    };
    copyAgain();
    EXPECT_EQ(fs::last_write_time(copy), fs::last_write_time(source));
    const auto first = inode(copy);
    copyAgain();
    EXPECT_EQ(inode(copy), first);

    // The same size, a new time.
    b.temp.Write("media/bg.png", "picture two");
    fs::last_write_time(source, fs::last_write_time(copy) + std::chrono::seconds(5));
    copyAgain();
    EXPECT_EQ(ReadFileOrEmpty(copy), "picture two");
    EXPECT_NE(inode(copy), first);

    // Size and time alike, the contents not.
    b.temp.Write("game/bgimage/bg.png", "picture six");
    fs::last_write_time(copy, fs::last_write_time(source));
    copyAgain();
    EXPECT_EQ(ReadFileOrEmpty(copy), "picture two");
}
