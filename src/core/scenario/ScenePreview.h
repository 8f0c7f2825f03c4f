#pragma once

// The KAG text one scene would add to the scenario, made without touching
// the project folder or the build state.

#include <string>
#include <vector>

class CBuildContext;
class CSwScene;

struct ScenePreview {
    std::string text;                  // CP932, "\n" line ends
    bool complete = false;             // false: a cell could not be built, the text stops before it
    std::vector<std::string> problems; // the build's error and warning messages, CP932
};

ScenePreview PreviewSceneScript(CBuildContext& doc, CSwScene& scene);
