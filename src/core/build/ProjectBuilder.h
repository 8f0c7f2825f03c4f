#pragma once

// The build: the engine folder layout under the project folder, the patched
// engine configuration and scenario/first.ks with every scene.

class CScenewrightDoc;
class CSwObj;
class CTextOutput;

// Returns false when the build failed; the document's build status says why.
bool BuildProject(CScenewrightDoc& doc);

// One scene, then its child scenes in order.
bool BuildSceneSubtree(CTextOutput* file, CSwObj* scene, CScenewrightDoc& doc);
