#include "document/ProjectBuild.h"

#include "document/DocumentUpdate.h"
#include "document/ProjectCheck.h"
#include "document/ScenewrightDoc.h"
#include "platform/TextOutput.h"
#include "scenario/GameFolderSetup.h"
#include "scenario/ProjectBuilder.h"

bool BuildProject(CScenewrightDoc& doc, IBuildProgress* progress, bool checkFirst,
                  CTextOutput* scenario) {
    doc.SetBuildingScene(nullptr);
    doc.SetBuildStatus(SwBuildStatus::Built);
    doc.ForgetBuildOutputs();
    doc.Notify({SwChange::BuildStarted});
    bool result = false;
    const std::string root = doc.GetProjectRoot();
    if (root.empty()) {
        doc.SetBuildStatus(SwBuildStatus::NoProjectFolder);
        doc.PostLogLine(SwLog::Error, "プロジェクトルートが設定されていません。");
    } else {
        doc.PostLogLine(SwLog::Plain, "-----ビルド開始-----");
        if (checkFirst)
            PostFindings(doc, CheckProject(doc));
        result = WriteGameFolder(doc, root, progress, scenario);
        const std::string merge = FindPendingConfigMerge(root);
        if (!merge.empty())
            doc.PostLogLine(SwLog::Warning,
                            sw::Format("%s があるため、吉里吉里は起動時に設定の引き継ぎを始めます。"
                                       "ゲームに要らなければ削除して下さい。",
                                       merge.c_str()));
    }
    doc.PostLogLine(SwLog::Plain, "-----ビルド終了-----");
    doc.Notify({SwChange::BuildFinished});
    return result;
}
