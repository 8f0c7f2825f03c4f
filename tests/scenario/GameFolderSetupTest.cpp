#include "scenario/GameFolderSetup.h"
#include "document/ProjectBuild.h"
#include "document/ScenewrightDoc.h"
#include "platform/Files.h"
#include "scenario/ProjectBuilder.h"
#include "support/CollectingView.h"
#include "support/ScriptedHost.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

namespace {

// A template shaped like the engine's KAG3 one: startup.tjs, the system
// scripts, and a configuration waiting to be merged beside the old one.
void WriteTemplate(const TempFolder& temp) {
    temp.Write("template/startup.tjs", "Scripts.execStorage(\"system/Initialize.tjs\");\r\n");
    temp.Write("template/system/Initialize.tjs", "// template init\r\n");
    temp.Write("template/system/MainWindow.tjs", "// main window\r\n");
    temp.Write("template/system/Config.tjs", "// old\r\n");
    temp.Write(
        "template/system/Config.~new",
        ";System.title = \"x\";\r\nfunction KAGWindow_config()\r\n{\r\n;scWidth = 640;\r\n}\r\n");
}

} // namespace

TEST(GameFolderSetup, CopiesWhatTheFolderLacksAndNeverOverwrites) {
    TempFolder temp;
    WriteTemplate(temp);
    temp.Write("game/system/Initialize.tjs", "// the author's own\r\n");
    CScenewrightDoc doc;
    CollectingLog log;
    doc.AddLogSink(&log);
    doc.GetSettings().root = temp.File("game");
    EXPECT_EQ(FindEngineConfig(temp.File("game")), "");

    ASSERT_TRUE(SetUpGameFolder(doc, temp.File("game"), temp.File("template")));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/config.tjs")),
              ReadFileOrEmpty(temp.File("template/system/Config.~new")));
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/Initialize.tjs")), "// the author's own\r\n");
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/MainWindow.tjs")), "// main window\r\n");
    EXPECT_NE(ReadFileOrEmpty(temp.File("game/startup.tjs")), "");
    // Neither the merge file nor a second spelling of the configuration.
    EXPECT_FALSE(sw::files::FileExists(temp.File("game/system/Config.~new")));
    EXPECT_FALSE(sw::files::FileExists(temp.File("game/system/Config.tjs")));
    EXPECT_EQ(log.CountOf("ok: "), 3) << log.lines.size(); // config, MainWindow, startup
    EXPECT_TRUE(BuildProject(doc));
    EXPECT_EQ(doc.GetBuildStatus(), SwBuildStatus::Built);
    EXPECT_EQ(log.CountOf("warning: "), 0);
    // One copied by hand would start the engine's configuration updater.
    temp.Write("game/system/config.~NEW", "");
    EXPECT_TRUE(BuildProject(doc));
    EXPECT_EQ(log.CountOf("warning: "), 1);
}

TEST(GameFolderSetup, HandCopiedConfigInOtherCaseIsTheOneBuilt) {
    TempFolder temp;
    temp.Write("game/system/Config.tjs",
               "function KAGWindow_config()\r\n{\r\n;scWidth = 640;\r\n}\r\n");
    CScenewrightDoc doc;
    doc.GetSettings().root = temp.File("game");
    doc.GetSettings().width = 800;
    EXPECT_EQ(FindEngineConfig(temp.File("game")), temp.File("game/system/Config.tjs"));
    // A setup adds no second configuration beside it.
    ASSERT_TRUE(SetUpGameFolder(doc, temp.File("game"), ""));
    EXPECT_FALSE(sw::files::FileExists(temp.File("game/system/config.tjs")));
    ASSERT_TRUE(BuildProject(doc));
    EXPECT_NE(ReadFileOrEmpty(temp.File("game/system/Config.tjs")).find(";scWidth = 800;"),
              std::string::npos);
}

TEST(GameFolderSetup, WithoutATemplateOurConfigurationIsWrittenAndTheEditorAsksFirst) {
    TempFolder temp;
    CScenewrightDoc doc;
    CollectingLog log;
    ScriptedHost host;
    doc.AddLogSink(&log);
    doc.SetHost(&host);
    doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
    doc.GetSettings().root = temp.File("game");

    EXPECT_FALSE(doc.OfferGameFolderSetup());
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_NE(host.asked[0].find("付属の設定ファイル"), std::string::npos);
    EXPECT_EQ(FindEngineConfig(temp.File("game")), "");

    host.yesNoAnswer = IDocumentHost::Answer::Yes;
    EXPECT_TRUE(doc.OfferGameFolderSetup());
    EXPECT_EQ(ReadFileOrEmpty(temp.File("game/system/config.tjs")), ExampleEngineConfig());
    EXPECT_EQ(log.CountOf("warning: "), 1);  // no startup.tjs without the engine's template
    EXPECT_TRUE(doc.OfferGameFolderSetup()); // set up now: nothing to ask
    EXPECT_EQ(host.asked.size(), 2u);

    WriteTemplate(temp);
    ASSERT_TRUE(doc.SetEngineTemplatePath(temp.File("template")));
    EXPECT_EQ(doc.GetEngineTemplatePath(), temp.File("template"));
    doc.GetSettings().root = temp.File("second");
    EXPECT_TRUE(doc.OfferGameFolderSetup());
    EXPECT_NE(host.asked.back().find(temp.File("template")), std::string::npos);
    EXPECT_TRUE(sw::files::FileExists(temp.File("second/system/MainWindow.tjs")));
}
