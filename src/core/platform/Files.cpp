#include "platform/Files.h"

#include "platform/Cp932.h"
#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>

namespace sw::files {
namespace {

std::int64_t g_failAfterBytes = -1;

bool Native(std::string_view path, std::string& native) {
    return !path.empty() && ToNativePath(path, native);
}

bool WriteAll(int fd, std::string_view data) {
    std::size_t done = 0;
    while (done < data.size()) {
        std::size_t chunk = data.size() - done;
        if (g_failAfterBytes >= 0) {
            if (g_failAfterBytes == 0) {
                errno = EIO;
                return false;
            }
            chunk = std::min<std::size_t>(chunk, static_cast<std::size_t>(g_failAfterBytes));
        }
        ssize_t written = ::write(fd, data.data() + done, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (g_failAfterBytes >= 0)
            g_failAfterBytes -= written;
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// The file a symbolic link finally names, so that saving through a link
// replaces the linked file and keeps the link.
std::string ResolveLinks(const std::string& native) {
    char resolved[PATH_MAX];
    struct stat info;
    if (::lstat(native.c_str(), &info) == 0 && S_ISLNK(info.st_mode) &&
        ::realpath(native.c_str(), resolved) != nullptr)
        return resolved;
    return native;
}

mode_t CurrentUmask() {
    mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

} // namespace

bool ToNativePath(std::string_view path, std::string& native) {
    return cp932::ToUtf8(path, native);
}

bool FromNativePath(std::string_view native, std::string& path) {
    return cp932::FromUtf8(native, path);
}

bool FileExists(std::string_view path) {
    std::string native;
    struct stat info;
    return Native(path, native) && ::stat(native.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool DirectoryExists(std::string_view path) {
    std::string native;
    struct stat info;
    return Native(path, native) && ::stat(native.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool ModificationTime(std::string_view path, std::int64_t& nanoseconds) {
    std::string native;
    struct stat info;
    if (!Native(path, native) || ::stat(native.c_str(), &info) != 0)
        return false;
    nanoseconds =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return true;
}

bool FileSize(std::string_view path, std::uint64_t& bytes) {
    std::string native;
    struct stat info;
    if (!Native(path, native) || ::stat(native.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    bytes = static_cast<std::uint64_t>(info.st_size);
    return true;
}

std::string CurrentDirectory() {
    char buffer[PATH_MAX];
    std::string path;
    if (::getcwd(buffer, sizeof buffer) == nullptr || !FromNativePath(buffer, path))
        return std::string();
    return path;
}

bool ReadWholeFile(std::string_view path, std::string& contents, std::uint64_t limit,
                   ReadProblem* problem) {
    contents.clear();
    ReadProblem ignored;
    ReadProblem& why = problem ? *problem : ignored;
    why = ReadProblem::Missing;
    std::string native;
    if (!Native(path, native))
        return false;
    // Non-blocking: opening a pipe for reading would wait for a writer.
    const int fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        why = errno == ENOENT || errno == ENOTDIR ? ReadProblem::Missing : ReadProblem::Failed;
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        why = ReadProblem::NotRegular;
        return false;
    }
    if (static_cast<std::uint64_t>(info.st_size) > limit) {
        ::close(fd);
        why = ReadProblem::TooLarge;
        return false;
    }
    // Sized from the start: a project file runs to tens of megabytes.
    contents.reserve(static_cast<std::size_t>(info.st_size));
    why = ReadProblem::None;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            why = ReadProblem::Failed;
            break;
        }
        if (got == 0)
            break;
        // A file that grows while it is read is held to the same limit.
        if (contents.size() + static_cast<std::size_t>(got) > limit) {
            why = ReadProblem::TooLarge;
            break;
        }
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    if (why != ReadProblem::None)
        contents.clear();
    return why == ReadProblem::None;
}

std::string ReadProblemMessage(ReadProblem problem, std::string_view path, std::uint64_t limit) {
    const std::string name(path);
    switch (problem) {
    case ReadProblem::None:
        return {};
    case ReadProblem::Missing:
        return " " + name + " が存在しません。";
    case ReadProblem::NotRegular:
        return name +
               " は通常のファイルではない（フォルダ、パイプ、デバイスなど）ため読み込みません。";
    case ReadProblem::TooLarge:
        return name + " は大きすぎるため読み込みません（上限 " + std::to_string(limit >> 20) +
               " MB）。";
    case ReadProblem::Failed:
        break;
    }
    return " " + name + " を読み込めません。";
}

namespace {

// Writes a temporary file beside `path` through `fill` and renames it over
// `path`, so that a failure never leaves a half-written file in its place.
// `followLink`: a link at `path` names the file to replace; otherwise the
// link itself is replaced.
template <typename Fill>
bool ReplaceThroughTemporary(std::string_view path, bool flush, bool followLink, Fill fill) {
    std::string native;
    if (!Native(path, native))
        return false;
    if (followLink)
        native = ResolveLinks(native);
    std::string nativeFolder = native.substr(0, native.find_last_of('/') + 1);
    std::string nativeName = native.substr(nativeFolder.size());
    if (nativeName.empty())
        return false;
    // A folder, device or pipe in the way is never replaced by a file.
    struct stat old;
    const bool exists =
        (followLink ? ::stat(native.c_str(), &old) : ::lstat(native.c_str(), &old)) == 0;
    if (exists && !S_ISREG(old.st_mode) && !(!followLink && S_ISLNK(old.st_mode)))
        return false;
    // mkstemp creates exclusively, so a link planted under the name fails it.
    std::string temp = nativeFolder + "." + nativeName + ".tmpXXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    if (exists && S_ISREG(old.st_mode))
        ::fchmod(fd, old.st_mode & 07777);
    else
        ::fchmod(fd, 0666 & ~CurrentUmask());
    bool ok = fill(fd) && (!flush || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (ok)
        ok = ::rename(temp.c_str(), native.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

bool OpenForReading(std::string_view path, int& fd, struct stat& info) {
    std::string native;
    if (!Native(path, native))
        return false;
    // Non-blocking: opening a pipe for reading would wait for a writer.
    fd = ::open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return false;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        return true;
    ::close(fd);
    return false;
}

bool ReadAt(int fd, char* buffer, std::size_t size, off_t offset) {
    while (size > 0) {
        ssize_t got = ::pread(fd, buffer, size, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        buffer += got;
        size -= static_cast<std::size_t>(got);
        offset += got;
    }
    return true;
}

} // namespace

bool WriteFileAtomically(std::string_view path, std::string_view data) {
    return ReplaceThroughTemporary(path, true, true, [&](int fd) { return WriteAll(fd, data); });
}

bool WritePiecesAtomically(std::string_view path, std::span<const std::string_view> pieces) {
    return ReplaceThroughTemporary(path, true, true, [&](int fd) {
        for (const std::string_view piece : pieces) {
            if (!WriteAll(fd, piece))
                return false;
        }
        return true;
    });
}

bool WriteFileReplacing(std::string_view path, std::string_view data) {
    return ReplaceThroughTemporary(path, false, false, [&](int fd) { return WriteAll(fd, data); });
}

bool CreateDirectory(std::string_view path) {
    std::string native;
    return Native(path, native) && (::mkdir(native.c_str(), 0777) == 0 || errno == EEXIST);
}

bool CreateDirectories(std::string_view path) {
    std::string native;
    if (!Native(path, native))
        return false;
    for (std::size_t slash = native.find('/', 1); slash != std::string::npos;
         slash = native.find('/', slash + 1))
        ::mkdir(native.substr(0, slash).c_str(), 0777);
    return ::mkdir(native.c_str(), 0777) == 0 || errno == EEXIST;
}

bool RemoveFile(std::string_view path) {
    std::string native;
    return Native(path, native) && ::unlink(native.c_str()) == 0;
}

bool MoveReplacing(std::string_view from, std::string_view to) {
    std::string nativeFrom, nativeTo;
    return Native(from, nativeFrom) && Native(to, nativeTo) &&
           ::rename(nativeFrom.c_str(), nativeTo.c_str()) == 0;
}

bool CopyReplacing(std::string_view from, std::string_view to) {
    int source = -1;
    struct stat info;
    if (!OpenForReading(from, source, info))
        return false;
    const bool ok = ReplaceThroughTemporary(to, false, false, [&](int fd) {
        std::string buffer(1 << 20, '\0');
        for (;;) {
            ssize_t got = ::read(source, buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            if (!WriteAll(fd, std::string_view(buffer.data(), static_cast<std::size_t>(got))))
                return false;
        }
        // The source's time on the copy lets the next build see it unchanged.
        const timespec times[2] = {info.st_atim, info.st_mtim};
        return ::futimens(fd, times) == 0;
    });
    ::close(source);
    return ok;
}

bool IsUnchangedCopy(std::string_view source, std::string_view copy) {
    int a = -1, b = -1;
    struct stat infoA, infoB;
    if (!OpenForReading(source, a, infoA))
        return false;
    bool same = false;
    if (OpenForReading(copy, b, infoB)) {
        same = infoA.st_size == infoB.st_size && infoA.st_mtim.tv_sec == infoB.st_mtim.tv_sec &&
               infoA.st_mtim.tv_nsec == infoB.st_mtim.tv_nsec;
        // The first and the last block must match as well.
        constexpr off_t kBlock = 4096;
        const off_t size = infoA.st_size;
        for (off_t offset : {off_t{0}, std::max<off_t>(0, size - kBlock)}) {
            if (!same)
                break;
            const auto length = static_cast<std::size_t>(std::min(kBlock, size));
            std::string blockA(length, '\0'), blockB(length, '\0');
            same = ReadAt(a, blockA.data(), length, offset) &&
                   ReadAt(b, blockB.data(), length, offset) && blockA == blockB;
        }
        ::close(b);
    }
    ::close(a);
    return same;
}

bool IsSameFile(std::string_view a, std::string_view b) {
    std::string nativeA, nativeB;
    struct stat infoA, infoB;
    return Native(a, nativeA) && Native(b, nativeB) && ::stat(nativeA.c_str(), &infoA) == 0 &&
           ::stat(nativeB.c_str(), &infoB) == 0 && infoA.st_dev == infoB.st_dev &&
           infoA.st_ino == infoB.st_ino;
}

std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern) {
    std::vector<std::string> names;
    std::string nativeFolder, nativePattern;
    if (!Native(folder, nativeFolder) || !Native(pattern, nativePattern))
        return names;
    DIR* dir = ::opendir(nativeFolder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = ::readdir(dir)) {
        std::string nativeName = entry->d_name;
        std::string name;
        if (::fnmatch(nativePattern.c_str(), nativeName.c_str(), FNM_PERIOD) != 0 ||
            !FromNativePath(nativeName, name))
            continue;
        if (FileExists(paths::Join(folder, name)))
            names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

bool IsTemporarySuffix(std::string_view suffix) {
    return suffix.size() == 6 && std::all_of(suffix.begin(), suffix.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
           });
}

std::string RandomSuffix() {
    static const char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 random(std::random_device{}());
    std::string suffix(6, 'X');
    for (char& c : suffix)
        c = kChars[random() % (sizeof kChars - 1)];
    return suffix;
}

std::string ShownPath(const std::string& native) {
    std::string path;
    return FromNativePath(native, path) ? path : native;
}

// A descriptor of the folder `relative` (native, '/'-separated) below the
// root folder `root`. Each step refuses to pass through
// a link that leads out of the root; -1 on failure, with `refused` set when
// that was the reason.
int OpenFolderBelow(const std::string& root, std::string_view relative, std::string* refused) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::string walked = root;
    std::string realRoot;
    while (fd >= 0 && !relative.empty()) {
        const std::size_t slash = relative.find('/');
        const std::string part(relative.substr(0, slash));
        relative.remove_prefix(slash == std::string_view::npos ? relative.size() : slash + 1);
        if (part.empty() || part == ".")
            continue;
        walked += "/" + part;
        int next = -1;
        if (part != "..") {
            next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        }
        struct stat info;
        if (next < 0 && part != ".." &&
            (::fstatat(fd, part.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0 ||
             !S_ISLNK(info.st_mode))) {
            ::close(fd);
            return -1;
        }
        if (next < 0) {
            // A link (or ".."): passed only where it stays inside the root.
            char resolved[PATH_MAX];
            if (realRoot.empty() && ::realpath(root.c_str(), resolved) != nullptr)
                realRoot = resolved;
            const bool inside =
                !realRoot.empty() && ::realpath(walked.c_str(), resolved) &&
                (realRoot == resolved || std::string_view(resolved).starts_with(realRoot + "/"));
            if (inside)
                next = ::open(resolved, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            else if (refused)
                *refused = ShownPath(walked);
        }
        ::close(fd);
        fd = next;
    }
    return fd;
}

} // namespace

void RemoveStaleTemporaries(std::string_view path) {
    std::string native;
    if (!Native(path, native))
        return;
    const std::size_t slash = native.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    const std::string prefix =
        "." + native.substr(slash == std::string::npos ? 0 : slash + 1) + ".tmp";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::time_t cutoff = std::time(nullptr) - 60;
    while (dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (!name.starts_with(prefix) || !IsTemporarySuffix(name.substr(prefix.size())))
            continue;
        // Only a file a write of ours left and nobody writes any more.
        struct stat info;
        if (::fstatat(::dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(info.st_mode) && info.st_mtim.tv_sec < cutoff)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

CFileBelowRoot::~CFileBelowRoot() {
    Discard();
}

bool CFileBelowRoot::Open(std::string_view root, std::string_view relative, std::string* refused) {
    Discard();
    m_failed = false;
    std::string nativeRoot, native;
    if (!Native(root, nativeRoot) || !Native(relative, native))
        return false;
    const std::size_t slash = native.find_last_of('/');
    m_name = native.substr(slash == std::string::npos ? 0 : slash + 1);
    if (m_name.empty() || m_name == "." || m_name == "..")
        return false;
    m_folder = OpenFolderBelow(
        nativeRoot,
        slash == std::string::npos ? std::string_view() : std::string_view(native).substr(0, slash),
        refused);
    if (m_folder < 0)
        return false;
    // A folder, device or pipe in the way is never replaced by a file; a
    // link is replaced by the file, never written through.
    struct stat old;
    const bool exists = ::fstatat(m_folder, m_name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
        Discard();
        return false;
    }
    for (int attempt = 0; attempt < 100 && m_fd < 0; ++attempt) {
        m_temporary = "." + m_name + ".tmp" + RandomSuffix();
        m_fd = ::openat(m_folder, m_temporary.c_str(),
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (m_fd < 0 && errno != EEXIST)
            break;
    }
    if (m_fd < 0) {
        Discard();
        return false;
    }
    ::fchmod(m_fd, exists && S_ISREG(old.st_mode) ? old.st_mode & 07777 : 0666 & ~CurrentUmask());
    return true;
}

bool CFileBelowRoot::Write(std::string_view data) {
    if (m_fd < 0)
        return false;
    if (!m_failed && !WriteAll(m_fd, data))
        m_failed = true;
    return !m_failed;
}

bool CFileBelowRoot::SetTimes(const struct timespec (&times)[2]) {
    return m_fd >= 0 && ::futimens(m_fd, times) == 0;
}

bool CFileBelowRoot::Commit(bool flush) {
    if (m_fd < 0)
        return false;
    bool ok = !m_failed && (!flush || ::fsync(m_fd) == 0);
    ok = ::close(m_fd) == 0 && ok;
    m_fd = -1;
    ok = ok && ::renameat(m_folder, m_temporary.c_str(), m_folder, m_name.c_str()) == 0;
    if (ok)
        m_temporary.clear();
    Discard();
    return ok;
}

void CFileBelowRoot::Discard() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (m_folder >= 0) {
        if (!m_temporary.empty())
            ::unlinkat(m_folder, m_temporary.c_str(), 0);
        ::close(m_folder);
    }
    m_folder = -1;
    m_temporary.clear();
}

bool WriteBelowRoot(std::string_view root, std::string_view relative, std::string_view data,
                    bool flush, std::string* refused) {
    CFileBelowRoot file;
    return file.Open(root, relative, refused) && file.Write(data) && file.Commit(flush);
}

bool CopyBelowRoot(std::string_view source, std::string_view root, std::string_view relative,
                   std::string* refused) {
    int from = -1;
    struct stat info;
    if (!OpenForReading(source, from, info))
        return false;
    CFileBelowRoot file;
    bool ok = file.Open(root, relative, refused);
    std::string buffer(ok ? std::size_t{1} << 20 : 0, '\0');
    while (ok) {
        const ssize_t got = ::read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = file.Write(std::string_view(buffer.data(), static_cast<std::size_t>(got)));
    }
    ::close(from);
    // The source's time on the copy lets the next build see it unchanged.
    const struct timespec times[2] = {info.st_atim, info.st_mtim};
    return ok && file.SetTimes(times) && file.Commit(false);
}

bool RenameBelowRoot(std::string_view root, std::string_view from, std::string_view to,
                     std::string* refused) {
    std::string nativeRoot, nativeFrom, nativeTo;
    if (!Native(root, nativeRoot) || !Native(from, nativeFrom) || !Native(to, nativeTo))
        return false;
    auto split = [](const std::string& path) {
        const std::size_t slash = path.find_last_of('/');
        return slash == std::string::npos ? std::pair<std::string, std::string>{std::string(), path}
                                          : std::pair<std::string, std::string>{
                                                path.substr(0, slash), path.substr(slash + 1)};
    };
    const auto [fromFolder, fromName] = split(nativeFrom);
    const auto [toFolder, toName] = split(nativeTo);
    const int a = OpenFolderBelow(nativeRoot, fromFolder, refused);
    const int b = a < 0 ? -1 : OpenFolderBelow(nativeRoot, toFolder, refused);
    const bool ok = b >= 0 && !fromName.empty() && !toName.empty() &&
                    ::renameat(a, fromName.c_str(), b, toName.c_str()) == 0;
    if (a >= 0)
        ::close(a);
    if (b >= 0)
        ::close(b);
    return ok;
}

bool IsLink(std::string_view path) {
    std::string native;
    struct stat info;
    return Native(path, native) && ::lstat(native.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void InjectWriteFailureAfter(std::int64_t bytes) {
    g_failAfterBytes = bytes;
}

} // namespace sw::files
