#include "platform/Files.h"

#include "platform/Cp932.h"
#include "platform/Paths.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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

bool ReadWholeFile(std::string_view path, std::string& contents) {
    contents.clear();
    std::string native;
    if (!Native(path, native))
        return false;
    std::FILE* file = std::fopen(native.c_str(), "rb");
    if (!file)
        return false;
    // Sized from the start: a project file runs to tens of megabytes.
    struct stat info;
    if (::fstat(::fileno(file), &info) == 0 && S_ISREG(info.st_mode))
        contents.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        contents.append(buffer, got);
    bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

namespace {

// Writes a temporary file beside `path` through `fill` and renames it over
// `path`, so that a failure never leaves a half-written file in its place.
template <typename Fill>
bool ReplaceThroughTemporary(std::string_view path, bool flush, Fill fill) {
    std::string native;
    if (!Native(path, native))
        return false;
    native = ResolveLinks(native);
    std::string nativeFolder = native.substr(0, native.find_last_of('/') + 1);
    std::string nativeName = native.substr(nativeFolder.size());
    if (nativeName.empty())
        return false;
    // A folder, device or pipe in the way is never replaced by a file.
    struct stat old;
    const bool exists = ::stat(native.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return false;
    std::string temp = nativeFolder + "." + nativeName + ".tmpXXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    if (exists)
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
    fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
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
    return ReplaceThroughTemporary(path, true, [&](int fd) { return WriteAll(fd, data); });
}

namespace {

bool ReplacePieces(std::string_view path, bool flush, std::span<const std::string_view> pieces) {
    return ReplaceThroughTemporary(path, flush, [&](int fd) {
        for (const std::string_view piece : pieces) {
            if (!WriteAll(fd, piece))
                return false;
        }
        return true;
    });
}

} // namespace

bool WritePiecesAtomically(std::string_view path, std::span<const std::string_view> pieces) {
    return ReplacePieces(path, true, pieces);
}

bool WriteFileReplacing(std::string_view path, std::string_view data) {
    return ReplaceThroughTemporary(path, false, [&](int fd) { return WriteAll(fd, data); });
}

bool WritePiecesReplacing(std::string_view path, std::span<const std::string_view> pieces) {
    return ReplacePieces(path, false, pieces);
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
    const bool ok = ReplaceThroughTemporary(to, false, [&](int fd) {
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

void InjectWriteFailureAfter(std::int64_t bytes) {
    g_failAfterBytes = bytes;
}

} // namespace sw::files
