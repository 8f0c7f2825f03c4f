#pragma once

// Shared by the user-interface tests: scene trees made through the
// document's own commands and CP932 from the tests' UTF-8 literals.

#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"

#include <string>
#include <vector>

// The tests' narrow literals are UTF-8 (see tests/ui/CMakeLists.txt).
inline std::string Cp932(const char* utf8) {
    std::string out;
    sw::cp932::FromUtf8(utf8, out);
    return out;
}

// Adds a scene of `mode` under (or above) `current`, null for a new root.
inline CSwScene* Add(CScenewrightDoc& doc, CSwScene* current,
                     int mode = CScenewrightDoc::kChoiceAsChild) {
    doc.SetCurrentSceneQuietly(current);
    return doc.AddScene(current ? mode : CScenewrightDoc::kNewTopLevel);
}
