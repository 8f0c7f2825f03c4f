#pragma once

// What a build writes into the game folder: the engine folder layout, the
// patched engine configuration and scenario/first.ks with every scene.

#include <string>

class CBuildContext;
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

// The sub-folders, the configuration and first.ks below `root`; false when
// the build failed, with the context's build status saying why. With
// `scenario` given, the text of first.ks goes there instead of the file.
bool WriteGameFolder(CBuildContext& build, const std::string& root, IBuildProgress* progress,
                     CTextOutput* scenario);

// Patches root's config.tjs into config.tmp and swaps the files; false with
// the patcher's message posted when the configuration could not be patched.
bool UpdateEngineConfig(CBuildContext& doc, const std::string& root);

// The block that declares the characters' names for the game's scripts.
void WriteCharacterBlock(CTextOutput& file, const CSwSettings& settings);

// One scene, then its child scenes in order.
bool BuildSceneSubtree(CTextOutput* file, CSwObj* scene, CBuildContext& doc);
