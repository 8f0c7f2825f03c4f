// What keeps an author's work when the editor dies or a save goes wrong:
// the recovery copy of unsaved changes and the backups of saved versions.

#include "document/DocumentUpdate.h"
#include "document/EngineLaunch.h"
#include "document/ProjectEdit.h"
#include "document/ScenewrightDoc.h"
#include "format/XmlDocument.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

#include <algorithm>
#include <charconv>
#include <ctime>
#include <string>

namespace {

constexpr char kBackupSection[] = "Scenewright";
constexpr char kBackupKey[] = "BackupCount";
constexpr char kBackupFolderName[] = "backup";

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return stamp;
}

// "<stem>-<date>-<time><ext>", with "_2", "_3"... for saves within one
// second; names sort oldest first.
std::string FreeBackupPath(const std::string& folder, const std::string& stem,
                           const std::string& extension) {
    const std::string base = sw::paths::Join(folder, stem + "-" + LocalTimeStamp());
    std::string candidate = base + extension;
    for (int n = 2; sw::files::FileExists(candidate); ++n)
        candidate = base + "_" + std::to_string(n) + extension;
    return candidate;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The backups of the project `stem` + `extension`, oldest first: exactly
// "<stem>-YYYYMMDD-HHMMSS<ext>" or "..._N<ext>", compared as names, never
// as a pattern (a project's name may hold wildcard characters). Only
// regular files count; a link is never taken for a backup.
std::vector<std::string> BackupsOf(const std::string& folder, const std::string& stem,
                                   const std::string& extension) {
    struct Backup {
        std::string stamp;
        long long number;
        std::string name;
    };
    std::vector<Backup> found;
    const std::string prefix = stem + "-";
    for (const std::string& name : sw::files::FindFiles(folder, "*")) {
        if (!name.starts_with(prefix) || !name.ends_with(extension) ||
            name.size() < prefix.size() + 15 + extension.size() ||
            sw::files::IsLink(sw::paths::Join(folder, name)))
            continue;
        const std::string_view rest = std::string_view(name).substr(
            prefix.size(), name.size() - prefix.size() - extension.size());
        const std::string_view stamp = rest.substr(0, 15);
        const std::string_view suffix = rest.substr(15);
        if (!AllDigits(stamp.substr(0, 8)) || stamp[8] != '-' || !AllDigits(stamp.substr(9)) ||
            (!suffix.empty() &&
             (suffix[0] != '_' || !AllDigits(suffix.substr(1)) || suffix.size() > 10)))
            continue;
        found.push_back({std::string(stamp),
                         suffix.empty() ? 1 : std::stoll(std::string(suffix.substr(1))), name});
    }
    // "_10" is newer than "_2" within the same second.
    std::sort(found.begin(), found.end(), [](const Backup& a, const Backup& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.number < b.number;
    });
    std::vector<std::string> names;
    for (Backup& backup : found)
        names.push_back(std::move(backup.name));
    return names;
}

} // namespace

std::string CScenewrightDoc::RecoveryFilePath(std::string_view projectPath) {
    return sw::paths::Join(sw::paths::FolderOf(projectPath),
                           "." + sw::paths::FileNameOf(projectPath) + ".swrecovery");
}

std::string CScenewrightDoc::BackupFolderOf(std::string_view projectPath) {
    return sw::paths::Join(sw::paths::FolderOf(projectPath), kBackupFolderName);
}

std::string CScenewrightDoc::UntitledRecoveryFilePath() {
    const std::string settings = GetSettingsFilePath();
    return settings.empty() ? std::string()
                            : sw::paths::Join(sw::paths::FolderOf(settings), "untitled.swrecovery");
}

std::string CScenewrightDoc::CurrentRecoveryFilePath() {
    return m_pathName.empty() ? UntitledRecoveryFilePath() : RecoveryFilePath(m_pathName);
}

std::optional<CScenewrightDoc::RecoveryJob> CScenewrightDoc::PrepareRecoveryCopy() {
    if (!m_modified)
        return std::nullopt;
    RecoveryJob job;
    job.path = CurrentRecoveryFilePath();
    // Only a copy this document wrote is one it may remove later.
    if (!job.path.empty())
        m_ownsRecoveryCopy = true;
    job.text = TakeProjectPieces();
    return job;
}

void CScenewrightDoc::RecoveryJob::Run() {
    const std::vector<std::string_view> pieces = text.Views();
    written = !path.empty() && sw::files::CreateDirectories(sw::paths::FolderOf(path)) &&
              sw::files::WritePiecesAtomically(path, pieces);
}

bool CScenewrightDoc::WriteRecoveryCopy() {
    std::optional<RecoveryJob> job = PrepareRecoveryCopy();
    if (!job)
        return true;
    job->Run();
    return job->written;
}

void CScenewrightDoc::DiscardRecoveryCopy() {
    if (!m_ownsRecoveryCopy)
        return;
    const std::string recovery = CurrentRecoveryFilePath();
    if (!recovery.empty() && sw::files::FileExists(recovery))
        sw::files::RemoveFile(recovery);
    m_ownsRecoveryCopy = false;
}

bool CScenewrightDoc::HasNewerRecoveryCopy(std::string_view projectPath) {
    std::int64_t projectTime = 0, recoveryTime = 0;
    return sw::files::ModificationTime(projectPath, projectTime) &&
           sw::files::ModificationTime(RecoveryFilePath(projectPath), recoveryTime) &&
           recoveryTime > projectTime;
}

bool CScenewrightDoc::OfferRecovery() {
    if (m_pathName.empty() || !HasNewerRecoveryCopy(m_pathName))
        return false;
    return AskAndReadRecoveryCopy(
        RecoveryFilePath(m_pathName),
        sw::Format("%s には、保存されずに残った変更の自動保存があります。復元しますか？",
                   m_pathName.c_str()));
}

bool CScenewrightDoc::OfferUntitledRecovery() {
    const std::string recovery = UntitledRecoveryFilePath();
    if (!m_pathName.empty() || !m_scenes.empty() || recovery.empty() ||
        !sw::files::FileExists(recovery))
        return false;
    return AskAndReadRecoveryCopy(
        recovery, "保存されていない新しいプロジェクトの自動保存があります。復元しますか？");
}

bool CScenewrightDoc::AskAndReadRecoveryCopy(const std::string& recovery,
                                             const std::string& question) {
    if (!m_host)
        return false;
    // Asked once: from here on, this document's close or save ends the copy.
    m_ownsRecoveryCopy = true;
    if (m_host->AskYesNo(question, "確認") != IDocumentHost::Answer::Yes)
        return false;
    std::string bytes;
    CXmlDocument::Error error;
    // Checked whole before the open project is given up for it.
    if (!sw::files::ReadWholeFile(recovery, bytes, sw::files::kProjectFileLimit) ||
        !CXmlDocument::Parse(bytes, error)) {
        m_host->ShowError(sw::Format("復元用のファイル %s を読み込めません。", recovery.c_str()));
        return false;
    }
    CProjectEdit edit(*this, SwEdit::Recovery);
    edit.TouchProject();
    ReplaceProjectWith(bytes);
    RepairLinksOfReadScenes();
    edit.Commit();
    // Restored text that matches the file is still worth a save question.
    m_modified = true;
    PostLogLine(SwLog::Plain, "自動保存から復元しました。");
    return true;
}

int CScenewrightDoc::GetBackupCount() {
    const std::string text = sw::ini::ReadString(GetSettingsFilePath(), kBackupSection, kBackupKey);
    int count = kDefaultBackupCount;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || count < 0)
        return kDefaultBackupCount;
    return count;
}

bool CScenewrightDoc::SetBackupCount(int count) {
    const std::string path = GetSettingsFilePath();
    if (path.empty() || count < 0)
        return false;
    sw::files::CreateDirectories(sw::paths::FolderOf(path));
    return sw::ini::WriteString(path, kBackupSection, kBackupKey, std::to_string(count));
}

std::string CScenewrightDoc::KeepBackupOf(const std::string& path, const ProjectPieces& replacement,
                                          int keep) {
    std::string previous;
    if (keep <= 0 || !sw::files::FileExists(path) ||
        !sw::files::ReadWholeFile(path, previous, sw::files::kProjectFileLimit) ||
        replacement.SameAs(previous))
        return {};
    const std::string folder = BackupFolderOf(path);
    // A backup folder that is a link could lead anywhere; pruning there
    // would delete files that are not ours.
    if (sw::files::IsLink(folder))
        return sw::Format(
            "バックアップフォルダ %s がリンクのため、バックアップを作りませんでした。",
            folder.c_str());
    const std::string stem = sw::paths::StemOf(path);
    const std::string extension = sw::paths::ExtensionOf(path);
    const std::string backup = FreeBackupPath(folder, stem, extension);
    if (!sw::files::CreateDirectories(folder) ||
        !sw::files::WriteBelowRoot(folder, sw::paths::FileNameOf(backup), previous, true))
        return sw::Format("バックアップ %s を作れませんでした。", backup.c_str());
    std::vector<std::string> backups = BackupsOf(folder, stem, extension);
    for (std::size_t i = 0; i + static_cast<std::size_t>(keep) < backups.size(); ++i)
        sw::files::RemoveFile(sw::paths::Join(folder, backups[i]));
    return {};
}
