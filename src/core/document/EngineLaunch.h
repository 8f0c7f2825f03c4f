#pragma once

// Where the engine-folder setting lives, and how the engine is started.

#include <string>
#include <string_view>
#include <vector>

// The settings file name, and its section and key for the engine folder.
inline constexpr const char kSettingsFileName[] = "Scenewright.ini";
inline constexpr const char kEngineSection[] = "KiriKiri";
inline constexpr const char kEngineKey[] = "ExePath";
inline constexpr const char kEngineExecutable[] = "KrKr.eXe";

// A settings file beside the executable wins when one is there (a portable
// install); otherwise it lives in the user's configuration folder, since the
// executable's folder is seldom writable on Linux.
std::string LocateSettingsFile(std::string_view executableFolder, std::string_view configHome,
                               std::string_view home);
std::string DefaultSettingsFilePath();

struct EngineCommand {
    std::string program;
    std::vector<std::string> arguments;
};

// The program and arguments that start the engine in `engineFolder` on
// `projectFolder`: the engine itself, or wine with it when it is a Windows
// program. False with a message for the author when it cannot be started.
bool MakeEngineCommand(std::string_view engineFolder, std::string_view projectFolder,
                       EngineCommand& command, std::string& message);
