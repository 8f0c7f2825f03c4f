#pragma once

#include "document/ScenewrightDoc.h"
#include "support/CollectingView.h"
#include "support/TempFolder.h"

#include <string>

// A document that builds into the folder "game" of a fresh temporary folder,
// collecting its log, with scene 7 as the scene being built.
struct BuildingDoc {
    TempFolder temp;
    CScenewrightDoc doc;
    CollectingLog log;
    CSwScene scene;
    BuildingDoc() {
        doc.AddLogSink(&log);
        doc.GetSettings().root = temp.File("game");
        for (const char* folder : {"bgimage", "fgimage", "image", "others", "bgm", "sound", "rule"})
            temp.Write(std::string("game/") + folder + "/.keep", "");
        scene.id = 7;
        doc.SetBuildingScene(&scene);
    }
    std::string Game(const char* relative) const {
        return ReadFileOrEmpty(temp.File(std::string("game/") + relative));
    }
};
