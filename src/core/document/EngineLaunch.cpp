#include "document/EngineLaunch.h"

#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "scenario/GameFolderSetup.h"

namespace {

std::string WithSlash(std::string_view folder) {
    std::string text = sw::paths::ToForwardSlashes(folder);
    if (!text.empty() && text.back() != '/')
        text += '/';
    return text;
}

using sw::process::ExecutableKind;

bool NamedLikeTheEngine(const std::string& name) {
    const std::string lower = sw::cp932::ToLowerAscii(name);
    return lower.find("krkr") != std::string::npos || lower.find("kirikiri") != std::string::npos;
}

// The engine in `folder` (with a trailing '/'), "" when there is none.
// Archives made on Windows often spell its file "krkr.eXe" or "KRKR.EXE".
std::string FindEngineIn(const std::string& folder) {
    std::string windows;
    std::vector<std::string> native;
    for (const std::string& name : sw::files::FindFiles(folder, "*")) {
        const ExecutableKind kind = sw::process::KindOfExecutable(folder + name);
        if (kind == ExecutableKind::Native && NamedLikeTheEngine(name))
            return folder + name;
        if (kind == ExecutableKind::Native)
            native.push_back(name);
        if (windows.empty() && sw::cp932::EqualsIgnoreAsciiCase(name, kEngineExecutable))
            windows = folder + name;
    }
    if (!windows.empty())
        return windows;
    return native.size() == 1 ? folder + native.front() : std::string();
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

std::string FindEngineExecutable(std::string_view engine) {
    if (engine.empty())
        return {};
    if (sw::files::FileExists(engine))
        return sw::paths::ToForwardSlashes(engine);
    return FindEngineIn(WithSlash(engine));
}

bool MakeEngineCommand(std::string_view engine, std::string_view projectFolder,
                       EngineCommand& command, std::string& message) {
    const std::string executable = FindEngineExecutable(engine);
    if (executable.empty()) {
        message = "吉里吉里の実行ファイル " + WithSlash(engine) + kEngineExecutable +
                  " が見つかりません。";
        return false;
    }
    const std::string folder = sw::paths::FolderOf(executable);
    switch (sw::process::KindOfExecutable(executable)) {
    case ExecutableKind::Native:
        command = {executable, {kNativeEngineEncoding, std::string(projectFolder)}, folder};
        return true;
    case ExecutableKind::Windows:
        break;
    case ExecutableKind::None:
        message = executable + " は実行できるプログラムではありません。";
        return false;
    }
    const std::string wine = sw::process::FindOnPath("wine");
    if (wine.empty()) {
        message = executable +
                  " は Windows のプログラムです。起動するには wine をインストールして下さい。";
        return false;
    }
    command = {wine, {executable, WindowsFormOf(projectFolder)}, folder};
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

std::string CScenewrightDoc::GetEngineTemplatePath() {
    return sw::ini::ReadString(GetSettingsFilePath(), kEngineSection, kEngineTemplateKey);
}

bool CScenewrightDoc::SetEngineTemplatePath(std::string_view folder) {
    const std::string path = GetSettingsFilePath();
    if (path.empty())
        return false;
    sw::files::CreateDirectories(sw::paths::FolderOf(path));
    return sw::ini::WriteString(path, kEngineSection, kEngineTemplateKey,
                                "\"" + std::string(folder) + "\"");
}

bool CScenewrightDoc::OfferGameFolderSetup() {
    const std::string root = GetProjectRoot();
    if (root.empty() || !FindEngineConfig(root).empty())
        return true;
    const std::string from = GetEngineTemplatePath();
    const std::string question =
        sw::paths::Join(root, "system") + " に吉里吉里の設定ファイル config.tjs がありません。\n" +
        (from.empty()
             ? std::string("付属の設定ファイルを置いてゲームフォルダを用意しますか？\n"
                           "（KAG3 のシステムスクリプトは含まれません。オプション → 設定 で"
                           "吉里吉里のテンプレートフォルダを指定すると、そこから用意します。）")
             : "吉里吉里のテンプレート " + from +
                   " からゲームフォルダを用意しますか？\n（今あるファイルは上書きしません。）");
    if (!m_host || m_host->AskYesNo(question, "確認") != IDocumentHost::Answer::Yes)
        return false;
    SetUpGameFolder(*this, root, from);
    return true;
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
    return RunEngineOn(GetProjectRoot());
}

int CScenewrightDoc::RunEngineOn(std::string_view gameFolder) {
    EngineCommand command;
    std::string message;
    bool started = MakeEngineCommand(GetEnginePath(), gameFolder, command, message);
    if (started) {
        std::string reason;
        started = sw::process::StartDetached(command.program, command.arguments,
                                             command.workingFolder, &reason);
        if (!started)
            message = "吉里吉里を起動できません。" + reason;
    }
    if (started)
        return kEngineStarted;
    if (m_host)
        m_host->ShowError(message);
    return kEngineNotStarted;
}
