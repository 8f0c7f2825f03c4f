#pragma once

// Copies media into a sub-folder of the built project folder.

#include <string>
#include <string_view>
#include <vector>

class CBuildContext;

// The copied file's name (no folder), or "" on failure. An empty `subFolder`
// puts the file directly into the project folder.
std::string CopyAsset(CBuildContext* doc, std::string_view subFolder, std::string_view source);

// The error text for an output refused because `path`, a folder or file in
// the game folder, is a link that leads out of it.
std::string LinkOutOfRootMessage(std::string_view path);

// Copies every file matching the wildcard `pattern` (a path whose file name
// holds `*` or `?`); false when nothing matches or a copy fails. The name of
// every file handled is appended to `names`.
// Warns when `output` (a path below the project folder) was already written
// from another source during this build: the later file replaces the first.
void ClaimAssetName(CBuildContext* doc, std::string_view output, std::string_view source);

// The media copy step of cells and scenes that bring a file into the built
// project, with its log lines and status 5 on failure. An empty path is only
// a warning: the build goes on with nothing to write.
struct MediaCopy {
    bool proceed = false;   // false: the build step fails
    std::string copiedName; // empty when nothing is to be written
};
// The error line of a file that could not be copied, and status 5.
void ReportFailedCopy(CBuildContext* doc, std::string_view source);

// `emptyIsFailure`: cells whose output needs the file (a transition's rule
// image) treat an empty path as a failed copy instead.
MediaCopy CopyMedia(CBuildContext* doc, std::string_view path, std::string_view mediaWord,
                    std::string_view subFolder, bool emptyIsFailure = false);

bool CopyAssetsMatching(CBuildContext* doc, std::string_view subFolder, std::string_view pattern,
                        std::vector<std::string>& names);
