#include "document/EngineLaunch.h"

#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Process.h"

namespace {

std::string WithSlash(std::string_view folder) {
    std::string text = sw::paths::ToForwardSlashes(folder);
    if (!text.empty() && text.back() != '/')
        text += '/';
    return text;
}

// The engine's file as it is spelt in the folder: archives made on Windows
// often hold it as "krkr.eXe" or "KRKR.EXE".
std::string FindEngineExecutable(const std::string& folder) {
    const std::string exact = folder + kEngineExecutable;
    if (sw::files::FileExists(exact))
        return exact;
    for (const std::string& name : sw::files::FindFiles(folder, "*"))
        if (sw::cp932::EqualsIgnoreAsciiCase(name, kEngineExecutable))
            return folder + name;
    return {};
}

// Wine hands arguments to the program untranslated, so the project folder
// goes in the form the Windows program understands: drive Z: is the root.
std::string WindowsFormOf(std::string_view path) {
    return "Z:" + sw::cp932::ReplaceChar(path, '/', '\\');
}

} // namespace

std::string LocateSettingsFile(std::string_view executableFolder, std::string_view configHome,
                               std::string_view home) {
    if (!executableFolder.empty()) {
        const std::string beside = WithSlash(executableFolder) + kSettingsFileName;
        if (sw::files::FileExists(beside))
            return beside;
    }
    std::string base;
    if (sw::paths::IsAbsolute(configHome))
        base = WithSlash(configHome);
    else if (!home.empty())
        base = WithSlash(home) + ".config/";
    else
        return {};
    return base + "Scenewright/" + kSettingsFileName;
}

std::string DefaultSettingsFilePath() {
    return LocateSettingsFile(sw::process::ExecutableFolder(),
                              sw::process::Environment("XDG_CONFIG_HOME"),
                              sw::process::Environment("HOME"));
}

bool MakeEngineCommand(std::string_view engineFolder, std::string_view projectFolder,
                       EngineCommand& command, std::string& message) {
    const std::string folder = WithSlash(engineFolder);
    const std::string executable = FindEngineExecutable(folder);
    if (executable.empty()) {
        message = "吉里吉里の実行ファイル " + folder + kEngineExecutable + " が見つかりません。";
        return false;
    }
    if (!sw::process::IsWindowsExecutable(executable)) {
        command = {executable, {std::string(projectFolder)}};
        return true;
    }
    const std::string wine = sw::process::FindOnPath("wine");
    if (wine.empty()) {
        message = executable + " は Windows のプログラムです。起動するには wine をインストールして下さい。";
        return false;
    }
    command = {wine, {executable, WindowsFormOf(projectFolder)}};
    return true;
}

std::string CScenewrightDoc::GetSettingsFilePath() {
    if (m_settingsFilePath.empty())
        m_settingsFilePath = DefaultSettingsFilePath();
    return m_settingsFilePath;
}

std::string CScenewrightDoc::GetEnginePath() {
    m_engineFolder = sw::ini::ReadString(GetSettingsFilePath(), kEngineSection, kEngineKey);
    return m_engineFolder;
}

bool CScenewrightDoc::SetEnginePath(std::string_view folder) {
    m_engineFolder = folder;
    const std::string path = GetSettingsFilePath();
    if (path.empty())
        return false;
    sw::files::CreateDirectories(sw::paths::FolderOf(path));
    return sw::ini::WriteString(path, kEngineSection, kEngineKey,
                                "\"" + std::string(folder) + "\"");
}

bool CScenewrightDoc::CanRunEngine() {
    return m_buildStatus != SwBuildStatus::NotBuilt && !GetEnginePath().empty();
}

int CScenewrightDoc::RunEngine() {
    if (m_host) {
        const char* question = nullptr;
        if (m_buildStatus == SwBuildStatus::NotBuilt)
            question = "まだビルドされていません。構わず起動しますか？";
        else if (m_buildStatus != SwBuildStatus::Built)
            question = "前回ビルドでエラーが出ています。構わず起動しますか？";
        if (question && m_host->AskYesNo(question, "確認") != IDocumentHost::Answer::Yes)
            return kRunDeclined;
    }
    const std::string engineFolder = GetEnginePath();
    EngineCommand command;
    std::string message;
    bool started = MakeEngineCommand(engineFolder, GetProjectRoot(), command, message);
    if (started) {
        std::string reason;
        started = sw::process::StartDetached(command.program, command.arguments, engineFolder,
                                             &reason);
        if (!started)
            message = "吉里吉里を起動できません。" + reason;
    }
    if (started)
        return kEngineStarted;
    if (m_host)
        m_host->ShowError(message);
    return kEngineNotStarted;
}
