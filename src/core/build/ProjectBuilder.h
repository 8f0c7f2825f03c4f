#pragma once

// The build: the engine folder layout under the project folder, the patched
// engine configuration and scenario/first.ks with every scene.

class CScenewrightDoc;
class CSwObj;
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
bool BuildProject(CScenewrightDoc& doc, IBuildProgress* progress = nullptr,
                  bool checkFirst = false);

// One scene, then its child scenes in order.
bool BuildSceneSubtree(CTextOutput* file, CSwObj* scene, CScenewrightDoc& doc);
