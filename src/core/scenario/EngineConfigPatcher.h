#pragma once

// Rewrites the engine's system/config.tjs with the project settings. Only the
// setting statements the project controls change; every other byte, line
// ends included, is copied as it was. The file is read as TJS (comments,
// strings, functions and their braces) to know in which function a line
// stands.

#include <optional>
#include <string>
#include <string_view>

class CBuildContext;

// The name of a function header's rest ("KAGWindow_config()" gives
// "KAGWindow_config"); nullopt for an empty text or one that starts with "(".
std::optional<std::string> ExtractFunctionName(std::string_view text);

// Reads `source` (a regular file of at most sw::files::kTextFileLimit bytes)
// into `original` and patches it into `patched`; false with the document's
// build status and pending message set as PatchEngineConfig sets them.
bool PatchEngineConfigText(CBuildContext* doc, std::string_view source, std::string& original,
                           std::string& patched);

// Reads `source` and writes the patched copy to `target`. On failure sets the
// document's build status and pending message, posts nothing and leaves
// `target` as it was.
bool PatchEngineConfig(CBuildContext* doc, std::string_view source, std::string_view target);
