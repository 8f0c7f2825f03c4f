#include "scenario/ScenePreview.h"

#include "model/BuildContext.h"
#include "model/SwScene.h"
#include "platform/TextOutput.h"

ScenePreview PreviewSceneScript(CBuildContext& doc, CSwScene& scene) {
    // Cells report failures through the build status and read the scene
    // being built: both are the last real build's, and stay so.
    const std::int32_t status = doc.GetBuildStatus();
    CSwScene* building = doc.GetBuildingScene();
    const bool wasPreviewing = doc.IsPreviewing();
    doc.SetPreviewing(true);
    doc.SetBuildingScene(&scene);
    CStringOutput out(false);
    ScenePreview preview;
    preview.complete = scene.Build(&out, &doc);
    preview.text = out.Text();
    preview.problems = doc.GetPreviewProblems();
    doc.SetBuildingScene(building);
    doc.SetBuildStatus(status);
    doc.SetPreviewing(wasPreviewing);
    return preview;
}
