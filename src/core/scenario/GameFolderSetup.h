#pragma once

// A game folder the engine can start: its configuration and system scripts,
// taken from the engine's template when the author's folder lacks them.

#include <string>
#include <string_view>

class CBuildContext;

// The engine configuration of the game folder `root`: system/config.tjs,
// or the same name in another letter case as a template copied by hand
// spells it; "" when there is none.
std::string FindEngineConfig(std::string_view root);

// A Config.~new left in the game folder's system folder (any letter case),
// which makes the engine start its configuration updater; "" when none.
std::string FindPendingConfigMerge(std::string_view root);

// Our own configuration for the KAG3 system scripts, as CP932 bytes.
std::string_view ExampleEngineConfig();

// Gives the game folder `root` what it lacks of the engine template
// `templateFolder` (a folder holding system/ and startup.tjs, or a system
// folder itself): every file of its system folder, its startup.tjs, and
// its configuration as system/config.tjs (a Config.~new, which the engine
// would merge at start-up, takes the place of Config.tjs). Without a
// template only our own configuration is written. Nothing present is
// overwritten, in any letter case. Every file is logged; false with an
// error line when the folder is still without a configuration.
bool SetUpGameFolder(CBuildContext& doc, std::string_view root, std::string_view templateFolder);
