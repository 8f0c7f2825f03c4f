#pragma once

// File system access. Paths are CP932 texts as the program holds them; they
// are turned into the system's UTF-8 file names here and nowhere else.

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sw::files {

// The UTF-8 file name for a CP932 path; false when the path is not valid CP932.
bool ToNativePath(std::string_view path, std::string& native);
// The CP932 path for a UTF-8 file name; false when it has no CP932 form.
bool FromNativePath(std::string_view native, std::string& path);

bool FileExists(std::string_view path);
bool DirectoryExists(std::string_view path);
// Nanoseconds since the epoch; false when the file cannot be examined.
bool ModificationTime(std::string_view path, std::int64_t& nanoseconds);
// The size of a regular file.
bool FileSize(std::string_view path, std::uint64_t& bytes);
std::string CurrentDirectory();

// Why a file was not read.
enum class ReadProblem { None, Missing, NotRegular, TooLarge, Failed };

// Limits for what we read whole: texts an author edits (configurations,
// settings, scenario texts, tables) and project files.
constexpr std::uint64_t kTextFileLimit = std::uint64_t{64} << 20;
constexpr std::uint64_t kProjectFileLimit = std::uint64_t{1} << 30;

// Reads a regular file of at most `limit` bytes. A pipe, device or folder is
// never read (it could hang the program or never end), nor is a larger file.
bool ReadWholeFile(std::string_view path, std::string& contents,
                   std::uint64_t limit = kProjectFileLimit, ReadProblem* problem = nullptr);
// The author's message for a file ReadWholeFile did not read.
std::string ReadProblemMessage(ReadProblem problem, std::string_view path, std::uint64_t limit);

// Writes `data` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a failure never leaves a half-written file
// in place of the old one. A symbolic link at `path` is followed: an
// author's project saved through a link stays a link.
bool WriteFileAtomically(std::string_view path, std::string_view data);
// WriteFileAtomically of `pieces` written one after another.
bool WritePiecesAtomically(std::string_view path, std::span<const std::string_view> pieces);
// The same without the flush to disk, for outputs that are written again.
// A link at `path` is replaced by the file, never followed.
bool WriteFileReplacing(std::string_view path, std::string_view data);

// Removes the temporaries ".NAME.tmpXXXXXX" that an atomic write of `path`
// left behind when it was killed, once they are older than a minute.
void RemoveStaleTemporaries(std::string_view path);

// Outputs below a root folder (a game folder): each file is written as a new
// temporary beside its target (created exclusively, never through a link)
// and renamed over the target, so that a link in the target's place is
// replaced rather than followed and a failure leaves the previous file. A
// folder on the way that is a link leading out of the root is refused;
// `refused` then names it.
class CFileBelowRoot {
public:
    CFileBelowRoot() = default;
    ~CFileBelowRoot();
    CFileBelowRoot(const CFileBelowRoot&) = delete;
    CFileBelowRoot& operator=(const CFileBelowRoot&) = delete;

    bool Open(std::string_view root, std::string_view relative, std::string* refused = nullptr);
    bool Write(std::string_view data);
    // Puts the file in place; false (and the target untouched) when any
    // write failed. `flush` makes it durable before the rename.
    bool Commit(bool flush);
    // Drops the temporary; the target stays as it was.
    void Discard();
    // Access and modification time of the file being written.
    bool SetTimes(const struct timespec (&times)[2]);

private:
    int m_folder = -1;
    int m_fd = -1;
    bool m_failed = false;
    std::string m_name, m_temporary;
};

bool WriteBelowRoot(std::string_view root, std::string_view relative, std::string_view data,
                    bool flush, std::string* refused = nullptr);
// Copies `source` (anywhere) to `relative` below `root`, giving the copy the
// source's modification time as CopyReplacing does.
bool CopyBelowRoot(std::string_view source, std::string_view root, std::string_view relative,
                   std::string* refused = nullptr);
// Renames `from` over `to`, both below `root` (a link at `to` is replaced).
bool RenameBelowRoot(std::string_view root, std::string_view from, std::string_view to,
                     std::string* refused = nullptr);
// True when `path` is a symbolic link (to anything, or dangling).
bool IsLink(std::string_view path);

bool CreateDirectory(std::string_view path);
// The folder and every missing folder above it.
bool CreateDirectories(std::string_view path);
bool RemoveFile(std::string_view path);
bool MoveReplacing(std::string_view from, std::string_view to);
// Copies through a temporary file, as WriteFileReplacing writes, and gives
// the copy the source's modification time.
bool CopyReplacing(std::string_view from, std::string_view to);
// True when `copy` has the size and modification time of `source` and the
// same first and last block: a copy that CopyReplacing made and nothing has
// changed since.
bool IsUnchangedCopy(std::string_view source, std::string_view copy);
// True when both paths name one existing file, however they are spelt.
bool IsSameFile(std::string_view a, std::string_view b);

// Files (not folders) in `folder` whose names match the wildcard `pattern`
// (`*` and `?`), sorted by name.
std::vector<std::string> FindFiles(std::string_view folder, std::string_view pattern);

// Test hook: the next atomic writes fail once this many bytes have been
// written in total; a negative value switches the fault off.
void InjectWriteFailureAfter(std::int64_t bytes);

} // namespace sw::files
