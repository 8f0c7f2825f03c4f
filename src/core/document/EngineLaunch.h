#pragma once

// Where the engine-folder setting lives, and how the engine is started.

#include <string>
#include <string_view>
#include <vector>

// The settings file name, and its section and key for the engine folder.
inline constexpr const char kSettingsFileName[] = "Scenewright.ini";
inline constexpr const char kEngineSection[] = "KiriKiri";
inline constexpr const char kEngineKey[] = "ExePath";
inline constexpr const char kEngineTemplateKey[] = "TemplatePath";
inline constexpr const char kEngineExecutable[] = "KrKr.eXe";

// A settings file beside the executable wins when one is there (a portable
// install); otherwise it lives in the user's configuration folder, since the
// executable's folder is seldom writable on Linux.
std::string LocateSettingsFile(std::string_view executableFolder, std::string_view configHome,
                               std::string_view home);
std::string DefaultSettingsFilePath();

// The native engine reads scripts without a byte-order mark as UTF-8
// unless told they are CP932.
inline constexpr const char kNativeEngineEncoding[] = "-readencoding=Shift_JIS";

struct EngineCommand {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingFolder; // the engine's own folder
};

// The engine's executable: `engine` itself when it names a file, otherwise
// the one MakeEngineCommand starts from that folder; "" when there is none.
std::string FindEngineExecutable(std::string_view engine);

// The program and arguments that start the engine on `projectFolder`.
// `engine` is the engine's folder or its executable. In a folder, a native
// engine (an ELF program or script named like krkr or kirikiri) wins over
// `KrKr.eXe` in any letter case, which wine runs; a folder holding just one
// other native program uses that. False with a message for the author when
// nothing there can be started.
bool MakeEngineCommand(std::string_view engine, std::string_view projectFolder,
                       EngineCommand& command, std::string& message);
