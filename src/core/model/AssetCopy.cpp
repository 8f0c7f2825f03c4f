#include "model/AssetCopy.h"

#include "model/BuildContext.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

namespace {

std::string DestinationOf(const CBuildContext* doc, std::string_view subFolder,
                          std::string_view fileName) {
    std::string folder = doc->GetProjectRoot();
    if (!subFolder.empty())
        folder = sw::paths::Join(folder, subFolder);
    return sw::paths::Join(folder, fileName);
}

std::string OutputName(std::string_view subFolder, const std::string& name) {
    return subFolder.empty() ? name : sw::paths::Join(subFolder, name);
}

// A file already in place is not copied onto itself: copying over the same
// file, however its path is spelt, would truncate it. A file that this build
// placed already, or that an earlier build copied and nothing has changed
// since, is not copied again. A link in the destination's place is replaced
// by a copy, never taken for one. A preview only names the file it would
// place.
bool PlaceFile(CBuildContext* doc, const std::string& source, std::string_view subFolder,
               const std::string& name) {
    if (doc->IsPreviewing())
        return true;
    const std::string destination = DestinationOf(doc, subFolder, name);
    const auto* placed = doc->FindBuildOutput(OutputName(subFolder, name));
    if (source == destination || (placed && placed->source == source))
        return true;
    if (!sw::files::IsLink(destination) && (sw::files::IsSameFile(source, destination) ||
                                            sw::files::IsUnchangedCopy(source, destination)))
        return true;
    std::string refused;
    if (sw::files::CopyBelowRoot(source, doc->GetProjectRoot(), OutputName(subFolder, name),
                                 &refused))
        return true;
    if (!refused.empty()) {
        doc->SetBuildStatus(SwBuildStatus::OutputUnwritable);
        doc->PostLogLine(SwLog::Error, sw::Format("シーン番号%d: ", doc->GetBuildingSceneId()) +
                                           LinkOutOfRootMessage(refused));
    }
    return false;
}

} // namespace

std::string LinkOutOfRootMessage(std::string_view path) {
    return sw::Format("%s はプロジェクトフォルダの外を指すリンクのため、書き込みません。",
                      std::string(path).c_str());
}

void ClaimAssetName(CBuildContext* doc, std::string_view output, std::string_view source) {
    const auto earlier = doc->ClaimBuildOutput(output, source);
    if (!earlier)
        return;
    doc->PostLogLine(
        SwLog::Warning,
        sw::Format("シーン番号%d: %s は、シーン番号%d の %s と同じ名前 %s でコピーされるため、"
                   "先のファイルを上書きします。",
                   doc->GetBuildingSceneId(), std::string(source).c_str(), earlier->sceneId,
                   earlier->source.c_str(), std::string(output).c_str()));
}

std::string CopyAsset(CBuildContext* doc, std::string_view subFolder, std::string_view sourcePath) {
    const std::string source = sw::paths::Normalize(sw::paths::ToForwardSlashes(sourcePath));
    if (source.empty() || !sw::files::FileExists(source))
        return std::string();
    std::string name = sw::paths::FileNameOf(source);
    if (!PlaceFile(doc, source, subFolder, name))
        return std::string();
    ClaimAssetName(doc, OutputName(subFolder, name), source);
    return name;
}

void ReportFailedCopy(CBuildContext* doc, std::string_view source) {
    doc->PostLogLine(SwLog::Error,
                     sw::Format("シーン番号%d: %s のコピーに失敗。", doc->GetBuildingSceneId(),
                                std::string(source).c_str()));
    // A link refused on the way has given its own status.
    if (doc->GetBuildStatus() != SwBuildStatus::OutputUnwritable)
        doc->SetBuildStatus(SwBuildStatus::MediaCopyFailed);
}

MediaCopy CopyMedia(CBuildContext* doc, std::string_view path, std::string_view mediaWord,
                    std::string_view subFolder, bool emptyIsFailure) {
    const int sceneId = doc->GetBuildingSceneId();
    const std::string pathText(path);
    if (path.empty() && !emptyIsFailure) {
        doc->PostLogLine(
            SwLog::Warning,
            sw::Format("シーン番号%d: %s ファイルが指定されていません。処理をスキップします。",
                       sceneId, std::string(mediaWord).c_str()));
        return MediaCopy{true, std::string()};
    }
    std::string copied = CopyAsset(doc, subFolder, path);
    if (copied.empty()) {
        ReportFailedCopy(doc, path);
        return MediaCopy{false, std::string()};
    }
    doc->PostLogLine(SwLog::Ok, sw::Format("シーン番号%d: %s を %s にコピー。", sceneId,
                                           pathText.c_str(), std::string(subFolder).c_str()));
    return MediaCopy{true, std::move(copied)};
}

bool CopyAssetsMatching(CBuildContext* doc, std::string_view subFolder, std::string_view pattern,
                        std::vector<std::string>& names) {
    const std::string wildcard = sw::paths::ToForwardSlashes(pattern);
    const std::string folder = sw::paths::FolderOf(wildcard);
    const std::vector<std::string> matches =
        sw::files::FindFiles(folder.empty() ? "." : folder, sw::paths::FileNameOf(wildcard));
    if (matches.empty())
        return false;
    for (const std::string& name : matches) {
        const std::string source = sw::paths::Normalize(folder + name);
        if (!PlaceFile(doc, source, subFolder, name))
            return false;
        ClaimAssetName(doc, OutputName(subFolder, name), source);
        names.push_back(name);
    }
    return true;
}
