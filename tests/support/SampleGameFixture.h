#pragma once

// The sample project with a game folder holding the engine's start-up files
// and our configuration, its log collected.

#include "document/ScenewrightDoc.h"
#include "scenario/GameFolderSetup.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <string>

class SampleGameFixture : public ::testing::Test {
protected:
    void SetUp() override {
        doc.AddLogSink(&log);
        ASSERT_TRUE(doc.ReadProjectFile(SW_EXAMPLES_DIR "/sample/sample.swo"));
        doc.SetSettingsFilePath(temp.File("Scenewright.ini"));
        doc.GetSettings().root = game;
        temp.Write("game/startup.tjs", "Scripts.execStorage(\"system/Initialize.tjs\");\r\n");
        temp.Write("game/system/Initialize.tjs", "// KAG3\r\n");
        ASSERT_TRUE(SetUpGameFolder(doc, game, ""));
    }

    TempFolder temp;
    const std::string game = temp.File("game");
    CScenewrightDoc doc;
    CollectingLog log;
};
