#include "build/AssetCopy.h"

#include "document/ScenewrightDoc.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace {

std::string DestinationOf(const CScenewrightDoc* doc, std::string_view subFolder,
                          std::string_view fileName) {
    std::string folder = doc->GetProjectRoot();
    if (!subFolder.empty())
        folder = sw::paths::Join(folder, subFolder);
    return sw::paths::Join(folder, fileName);
}

// A file already in place is not copied onto itself: copying over the same
// file, however its path is spelt, would truncate it.
bool PlaceFile(const std::string& source, const std::string& destination) {
    if (source == destination || sw::files::IsSameFile(source, destination))
        return true;
    return sw::files::CopyReplacing(source, destination);
}

} // namespace

std::string CopyAsset(CScenewrightDoc* doc, std::string_view subFolder, std::string_view sourcePath) {
    const std::string source = sw::paths::Normalize(sw::paths::ToForwardSlashes(sourcePath));
    if (source.empty() || !sw::files::FileExists(source))
        return std::string();
    std::string name = sw::paths::FileNameOf(source);
    if (!PlaceFile(source, DestinationOf(doc, subFolder, name)))
        return std::string();
    return name;
}

bool CopyAssetsMatching(CScenewrightDoc* doc, std::string_view subFolder, std::string_view pattern,
                        std::vector<std::string>& names) {
    const std::string wildcard = sw::paths::ToForwardSlashes(pattern);
    const std::string folder = sw::paths::FolderOf(wildcard);
    const std::vector<std::string> matches =
        sw::files::FindFiles(folder.empty() ? "." : folder, sw::paths::FileNameOf(wildcard));
    if (matches.empty())
        return false;
    for (const std::string& name : matches) {
        const std::string source = sw::paths::Normalize(folder + name);
        if (!PlaceFile(source, DestinationOf(doc, subFolder, name)))
            return false;
        names.push_back(name);
    }
    return true;
}
