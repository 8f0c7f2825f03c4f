#pragma once

// Copies media into a sub-folder of the built project folder.

#include <string>
#include <string_view>
#include <vector>

class CScenewrightDoc;

// The copied file's name (no folder), or "" on failure. An empty `subFolder`
// puts the file directly into the project folder.
std::string CopyAsset(CScenewrightDoc* doc, std::string_view subFolder, std::string_view source);

// Copies every file matching the wildcard `pattern` (a path whose file name
// holds `*` or `?`); false when nothing matches or a copy fails. The name of
// every file handled is appended to `names`.
bool CopyAssetsMatching(CScenewrightDoc* doc, std::string_view subFolder, std::string_view pattern,
                        std::vector<std::string>& names);
