#pragma once

// The build: the engine folder layout under the project folder, the patched
// engine configuration and scenario/first.ks with every scene.

#include <string>

class CScenewrightDoc;
class CSwObj;
class CSwSettings;
class CTextOutput;

// Told before each scene is written, so that a window can show how far a
// long build has come; `total` is the number of scenes of the project.
class IBuildProgress {
public:
    virtual ~IBuildProgress() = default;
    virtual void OnSceneStarting(int done, int total) = 0;
};

// Returns false when the build failed; the document's build status says why.
// `checkFirst` logs the findings of the project check before the build
// starts; they do not stop it.
// With `scenario` given, the text of first.ks goes there instead of the file.
bool BuildProject(CScenewrightDoc& doc, IBuildProgress* progress = nullptr, bool checkFirst = false,
                  CTextOutput* scenario = nullptr);

// Patches root's config.tjs into config.tmp and swaps the files; false with
// the patcher's message posted when the configuration could not be patched.
bool UpdateEngineConfig(CScenewrightDoc& doc, const std::string& root);

// The block that declares the characters' names for the game's scripts.
void WriteCharacterBlock(CTextOutput& file, const CSwSettings& settings);

// One scene, then its child scenes in order.
bool BuildSceneSubtree(CTextOutput* file, CSwObj* scene, CScenewrightDoc& doc);
