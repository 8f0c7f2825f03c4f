#include "document/Release.h"

#include "document/EngineLaunch.h"
#include "document/ProjectBuild.h"
#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/TextOutput.h"
#include "scenario/ProjectBuilder.h"
#include "scenario/Xp3Archive.h"

#include <algorithm>
#include <dirent.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <time.h>

namespace {

// Formats that are compressed already: zlib would only cost time.
const char* const kStoredExtensions[] = {".png", ".jpg",  ".jpeg", ".ogg", ".opus",
                                         ".mp3", ".webp", ".avi",  ".mpg", ".mpeg",
                                         ".mp4", ".m4a",  ".wmv",  ".zip", ".gz"};

struct LeftOutExtension {
    const char* extension;
    const char* reason;
};
const LeftOutExtension kLeftOutExtensions[] = {
    {".swo", "プロジェクトファイル"}, {".swrecovery", "復旧用のコピー"}, {".xp3", "アーカイブ"},
    {".exe", "実行ファイル"},         {".bat", "バッチファイル"},        {".log", "ログ"},
    {".bak", "バックアップ"},
};

bool IsOneOf(std::string_view lower, std::initializer_list<const char*> names) {
    return std::any_of(names.begin(), names.end(), [&](const char* name) { return lower == name; });
}

// '/' is never the trail byte of a CP932 character, so the path splits
// byte by byte.
std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t slash; (slash = path.find('/', start)) != std::string_view::npos;
         start = slash + 1)
        parts.push_back(path.substr(start, slash - start));
    parts.push_back(path.substr(start));
    return parts;
}

std::string Grouped(std::uint64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

double Seconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const FileIdentity& other) const {
        return device != other.device ? device < other.device : inode < other.inode;
    }
};

bool IdentityOf(std::string_view path, FileIdentity& identity) {
    std::string native;
    struct stat info;
    if (path.empty() || !sw::files::ToNativePath(path, native) ||
        ::stat(native.c_str(), &info) != 0)
        return false;
    identity = {info.st_dev, info.st_ino};
    return true;
}

struct GameFile {
    std::string relative; // CP932, '/' between folders
    std::string path;
    std::uint64_t size = 0;
    ReleaseRule rule;
};

class CReleaser {
public:
    explicit CReleaser(ReleaseJob& job) : m_job(job) {}

    bool Run() {
        if (!CheckFolders() || !FindEngine() || !Walk())
            return false;
        const std::string partial = sw::paths::Join(m_job.outFolder, ".data.xp3.partial");
        const std::string archive = sw::paths::Join(m_job.outFolder, kReleaseArchiveName);
        sw::xp3::PackResult packed;
        if (!Pack(partial, packed) || !Verify(partial, packed)) {
            sw::files::RemoveFile(partial);
            return false;
        }
        if (!sw::files::MoveReplacing(partial, archive)) {
            sw::files::RemoveFile(partial);
            return Error(sw::Format("%s に書き込めません。", archive.c_str()));
        }
        if (!CopyPlugins() || !CopyEngine())
            return false;
        Summary(packed);
        return true;
    }

private:
    void Post(SwLog kind, std::string text) { m_job.lines.emplace_back(kind, std::move(text)); }
    bool Error(std::string text) {
        Post(SwLog::Error, std::move(text));
        return false;
    }

    bool CheckFolders() {
        const std::string& game = m_job.gameFolder;
        if (game.empty())
            return Error("プロジェクトルートが設定されていません。");
        if (!sw::files::DirectoryExists(game))
            return Error(sw::Format("ゲームフォルダ %s がありません。", game.c_str()));
        if (m_job.outFolder.empty())
            return Error("リリース先のフォルダが指定されていません。");
        if (!sw::files::CreateDirectories(m_job.outFolder) ||
            !sw::files::DirectoryExists(m_job.outFolder))
            return Error(sw::Format("リリース先 %s を作れません。", m_job.outFolder.c_str()));
        if (sw::files::IsSameFile(m_job.outFolder, game))
            return Error(sw::Format("リリース先 %s はゲームフォルダそのものです。"
                                    "別のフォルダを指定して下さい。",
                                    m_job.outFolder.c_str()));
        // Folders below the game folder that the walk must not take in.
        FileIdentity identity;
        if (IdentityOf(m_job.outFolder, identity))
            m_skipped[identity] = "リリース先";
        if (IdentityOf(m_job.backupFolder, identity))
            m_skipped[identity] = "バックアップ";
        return true;
    }

    bool FindEngine() {
        if (m_job.engine.empty())
            return true;
        m_engine = FindEngineExecutable(m_job.engine);
        if (m_engine.empty())
            return Error(
                sw::Format("吉里吉里の実行ファイルが %s に見つかりません。", m_job.engine.c_str()));
        return true;
    }

    void LeaveOut(const std::string& relative, const char* reason) {
        Post(SwLog::Plain, sw::Format("%s は入れません（%s）。", relative.c_str(), reason));
    }

    static bool SortedNames(const std::string& native, std::vector<std::string>& names) {
        names.clear();
        DIR* dir = ::opendir(native.c_str());
        if (dir == nullptr)
            return false;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        ::closedir(dir);
        std::sort(names.begin(), names.end());
        return true;
    }

    // A file name for the log, whether or not it has a CP932 form.
    static std::string LogName(const std::string& nativeName) {
        std::string name;
        if (sw::files::FromNativePath(nativeName, name))
            return name;
        std::u16string wide;
        sw::xp3::Utf8ToUtf16(nativeName, wide);
        return sw::xp3::DisplayName(wide);
    }

    // Names each file of a folder left out by rule; links are not followed.
    void LeaveOutFolder(const std::string& native, const std::string& prefix, const char* reason) {
        std::vector<std::string> names;
        if (!SortedNames(native, names) || names.empty())
            LeaveOut(prefix, reason);
        for (const std::string& name : names) {
            struct stat info;
            const std::string child = native + "/" + name;
            if (::lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
                LeaveOutFolder(child, prefix + LogName(name) + "/", reason);
            else
                LeaveOut(prefix + LogName(name), reason);
        }
    }

    // Every file of the game folder, by name within each folder; symbolic
    // links are followed, each folder once.
    bool Walk() {
        std::string native;
        if (!sw::files::ToNativePath(m_job.gameFolder, native))
            return Error(sw::Format("ゲームフォルダ %s を読めません。", m_job.gameFolder.c_str()));
        if (!WalkFolder(native, m_job.gameFolder, ""))
            return false;
        std::uint64_t total = 0;
        for (const GameFile& file : m_files)
            total += file.rule.place == ReleaseRule::Archive ? file.size : 0;
        m_job.bytesTotal = total;
        const bool hasStartup =
            std::any_of(m_files.begin(), m_files.end(), [](const GameFile& file) {
                return sw::cp932::EqualsIgnoreAsciiCase(file.relative, "startup.tjs");
            });
        if (!hasStartup)
            Post(SwLog::Warning,
                 sw::Format("%s に startup.tjs がありません。吉里吉里はこのアーカイブから"
                            "ゲームを始められません。",
                            m_job.gameFolder.c_str()));
        return true;
    }

    bool WalkFolder(const std::string& native, const std::string& path, const std::string& prefix) {
        struct stat folderInfo;
        if (::stat(native.c_str(), &folderInfo) != 0 ||
            !m_visited.insert({folderInfo.st_dev, folderInfo.st_ino}).second)
            return true;
        std::vector<std::string> names;
        if (!SortedNames(native, names))
            return Error(sw::Format("フォルダ %s を読めません。", path.c_str()));
        for (const std::string& nativeName : names) {
            const std::string childNative = native + "/" + nativeName;
            std::string name;
            if (!sw::files::FromNativePath(nativeName, name)) {
                Post(SwLog::Warning,
                     sw::Format("%s%s は名前を Shift_JIS で表せないので入れません。",
                                prefix.c_str(), LogName(nativeName).c_str()));
                continue;
            }
            const std::string relative = prefix + name;
            if (sw::cp932::Find(name, "\\") != std::string::npos) {
                Post(SwLog::Warning,
                     sw::Format("%s は名前に「\\」を含むので入れません（吉里吉里はフォルダの"
                                "区切りと読みます）。",
                                relative.c_str()));
                continue;
            }
            struct stat info;
            if (::stat(childNative.c_str(), &info) != 0) {
                Post(SwLog::Warning, sw::Format("%s を読めないので入れません。", relative.c_str()));
                continue;
            }
            if (S_ISDIR(info.st_mode)) {
                const auto skipped = m_skipped.find({info.st_dev, info.st_ino});
                if (skipped != m_skipped.end()) {
                    LeaveOut(relative + "/", skipped->second);
                    continue;
                }
                // A folder's rule is that of the files it holds.
                const ReleaseRule rule = ReleaseRuleFor(relative + "/-");
                if (rule.place == ReleaseRule::LeftOut) {
                    LeaveOutFolder(childNative, relative + "/", rule.reason);
                    continue;
                }
                if (!WalkFolder(childNative, sw::paths::Join(path, name), relative + "/"))
                    return false;
                continue;
            }
            if (!S_ISREG(info.st_mode)) {
                Post(SwLog::Warning,
                     sw::Format("%s は通常のファイルではないので入れません。", relative.c_str()));
                continue;
            }
            GameFile file{relative, sw::paths::Join(path, name),
                          static_cast<std::uint64_t>(info.st_size), ReleaseRuleFor(relative)};
            if (file.rule.place == ReleaseRule::LeftOut)
                LeaveOut(relative, file.rule.reason);
            else
                m_files.push_back(std::move(file));
        }
        return true;
    }

    bool Pack(const std::string& partial, sw::xp3::PackResult& packed) {
        std::vector<sw::xp3::PackInput> inputs;
        for (const GameFile& file : m_files) {
            if (file.rule.place == ReleaseRule::Archive)
                inputs.push_back({file.relative, file.path, file.rule.compress});
        }
        std::atomic<std::uint64_t>& read = m_job.bytesRead;
        if (!sw::xp3::WriteArchive(partial, std::move(inputs), packed,
                                   [&read](std::uint64_t bytes) { read = bytes; }))
            return Error(packed.message);
        for (const sw::xp3::PackedFile& file : packed.files) {
            if (file.sameAs >= 0)
                Post(SwLog::Ok,
                     sw::Format("%s を格納（%s と同じ内容なので共有）。", file.name.c_str(),
                                packed.files[file.sameAs].name.c_str()));
            else if (file.compressed)
                Post(SwLog::Ok,
                     sw::Format("%s を圧縮して格納（%s → %s バイト）。", file.name.c_str(),
                                Grouped(file.size).c_str(), Grouped(file.storedSize).c_str()));
            else
                Post(SwLog::Ok, sw::Format("%s を格納（%s バイト）。", file.name.c_str(),
                                           Grouped(file.size).c_str()));
        }
        return true;
    }

    bool Verify(const std::string& partial, const sw::xp3::PackResult& packed) {
        std::vector<std::string> faults;
        if (sw::xp3::VerifyArchive(partial, packed, faults)) {
            Post(SwLog::Ok, sw::Format("data.xp3 を読み直し、%zu ファイルの大きさと Adler-32 が元と"
                                       "一致することを確かめました。",
                                       packed.files.size()));
            return true;
        }
        for (std::string& fault : faults)
            Error(std::move(fault));
        return false;
    }

    bool CopyTo(const std::string& source, const std::string& target, const char* what) {
        if (sw::files::IsSameFile(source, target))
            return true;
        sw::files::CreateDirectories(sw::paths::FolderOf(target));
        std::string nativeSource, nativeTarget;
        struct stat info;
        // The copy keeps the source's permissions: an engine must stay
        // executable.
        const bool copied = sw::files::CopyReplacing(source, target) &&
                            sw::files::ToNativePath(source, nativeSource) &&
                            sw::files::ToNativePath(target, nativeTarget) &&
                            ::stat(nativeSource.c_str(), &info) == 0 &&
                            ::chmod(nativeTarget.c_str(), info.st_mode & 07777) == 0;
        if (!copied)
            return Error(sw::Format("%s のコピーに失敗。", source.c_str()));
        Post(SwLog::Ok, sw::Format("%s %s を %s にコピー。", what, source.c_str(), target.c_str()));
        return true;
    }

    bool CopyPlugins() {
        for (const GameFile& file : m_files) {
            if (file.rule.place == ReleaseRule::BesideEngine &&
                !CopyTo(file.path, sw::paths::Join(m_job.outFolder, file.relative), "プラグイン"))
                return false;
        }
        return true;
    }

    bool CopyEngine() {
        if (m_engine.empty())
            return true;
        if (!CopyTo(m_engine, sw::paths::Join(m_job.outFolder, sw::paths::FileNameOf(m_engine)),
                    "吉里吉里"))
            return false;
        if (sw::process::KindOfExecutable(m_engine) != sw::process::ExecutableKind::Windows)
            return true;
        // The Windows engine loads its plugins from beside itself.
        const std::string folder = sw::paths::FolderOf(m_engine);
        for (const std::string& name : sw::files::FindFiles(folder, "*")) {
            const std::string extension = sw::cp932::ToLowerAscii(sw::paths::ExtensionOf(name));
            if ((extension == ".dll" || extension == ".tpi") &&
                !CopyTo(sw::paths::Join(folder, name), sw::paths::Join(m_job.outFolder, name),
                        "吉里吉里のプラグイン"))
                return false;
        }
        return true;
    }

    void Summary(const sw::xp3::PackResult& packed) {
        const double seconds = Seconds() - m_start;
        std::uint64_t before = 0;
        int shared = 0;
        for (const sw::xp3::PackedFile& file : packed.files) {
            before += file.size;
            shared += file.sameAs >= 0 ? 1 : 0;
        }
        Post(SwLog::Ok,
             sw::Format("リリース: %zu ファイル（同じ内容の共有 %d）、%s バイト → %s %s バイト、"
                        "%.2f 秒。",
                        packed.files.size(), shared, Grouped(before).c_str(),
                        sw::paths::Join(m_job.outFolder, kReleaseArchiveName).c_str(),
                        Grouped(packed.archiveSize).c_str(), seconds));
    }

    ReleaseJob& m_job;
    const double m_start = Seconds();
    std::string m_engine;
    std::map<FileIdentity, const char*> m_skipped;
    std::set<FileIdentity> m_visited;
    std::vector<GameFile> m_files;
};

} // namespace

ReleaseRule ReleaseRuleFor(std::string_view relativePath) {
    const std::vector<std::string_view> parts = Components(relativePath);
    ReleaseRule rule;
    rule.place = ReleaseRule::LeftOut;
    for (std::string_view part : parts) {
        if (part.starts_with('.')) {
            rule.reason = "隠しファイル";
            return rule;
        }
    }
    if (parts.size() > 1 && sw::cp932::EqualsIgnoreAsciiCase(parts.front(), "backup")) {
        rule.reason = "バックアップ";
        return rule;
    }
    const std::string name = sw::cp932::ToLowerAscii(parts.back());
    if (name == "config.tmp") {
        rule.reason = "設定の一時ファイル";
        return rule;
    }
    if (name == "config.~new") {
        rule.reason = "吉里吉里が起動時に設定を引き継ぐファイル";
        return rule;
    }
    const std::string extension = sw::paths::ExtensionOf(name);
    for (const LeftOutExtension& leftOut : kLeftOutExtensions) {
        if (extension == leftOut.extension) {
            rule.reason = leftOut.reason;
            return rule;
        }
    }
    if (IsOneOf(extension, {".dll", ".tpi"})) {
        rule.place = ReleaseRule::BesideEngine;
        return rule;
    }
    rule.place = ReleaseRule::Archive;
    rule.compress = std::none_of(std::begin(kStoredExtensions), std::end(kStoredExtensions),
                                 [&](const char* stored) { return extension == stored; });
    return rule;
}

void ReleaseJob::Run() {
    lines.clear();
    lines.emplace_back(SwLog::Plain, "-----リリース開始-----");
    released = CReleaser(*this).Run();
    lines.emplace_back(SwLog::Plain, "-----リリース終了-----");
}

std::shared_ptr<ReleaseJob> PrepareRelease(CScenewrightDoc& doc, std::string_view outFolder,
                                           std::string_view engine) {
    auto job = std::make_shared<ReleaseJob>();
    job->gameFolder = doc.GetProjectRoot();
    job->outFolder = outFolder;
    job->engine = engine.empty() ? doc.GetEnginePath() : std::string(engine);
    if (!doc.GetPathName().empty())
        job->backupFolder = CScenewrightDoc::BackupFolderOf(doc.GetPathName());
    return job;
}

bool FinishRelease(CScenewrightDoc& doc, const ReleaseJob& job) {
    for (const auto& [kind, text] : job.lines)
        doc.PostLogLine(kind, text);
    return job.released;
}

int ReleaseProject(CScenewrightDoc& doc, std::string_view outFolder, std::string_view engine,
                   IBuildProgress* progress) {
    const bool built = BuildProject(doc, progress);
    const int status = doc.GetBuildStatus();
    if (!built || status != SwBuildStatus::Built)
        return status == SwBuildStatus::Built ? 1 : status;
    const std::shared_ptr<ReleaseJob> job = PrepareRelease(doc, outFolder, engine);
    job->Run();
    return FinishRelease(doc, *job) ? 0 : 1;
}
