#pragma once

// File system access. Paths are CP932 texts as the program holds them; they
// are turned into the system's UTF-8 file names here and nowhere else.

#include <cstdint>
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

bool ReadWholeFile(std::string_view path, std::string& contents);

// Writes `data` to a temporary file beside `path`, flushes it to disk and
// renames it over `path`, so that a failure never leaves a half-written file
// in place of the old one. A symbolic link at `path` is followed.
bool WriteFileAtomically(std::string_view path, std::string_view data);
// WriteFileAtomically of `pieces` written one after another.
bool WritePiecesAtomically(std::string_view path, std::span<const std::string_view> pieces);
// The same without the flush to disk, for build outputs that the next build
// writes again.
bool WriteFileReplacing(std::string_view path, std::string_view data);
bool WritePiecesReplacing(std::string_view path, std::span<const std::string_view> pieces);

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
