#pragma once

// The engine's XP3 archive (data.xp3): a packer that streams files into one
// and a reader that lists, checks and extracts them. Both keep memory
// bounded: file data moves in chunks, only the index is held whole.
//
// What we write: the 11-byte magic and the index offset (the plain header,
// which every version of the engine reads), then each file's data in the
// order of the index, then one zlib-compressed index. Entries are sorted by
// their UTF-16 names, code unit by code unit; there are no time stamps, so
// the same files give the same bytes. Files with the same bytes share one
// data block. Each file is one segment: zlib when the file asks for it and
// zlib makes it smaller, stored as is otherwise.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sw::xp3 {

// The zlib level of every compressed segment and of the index.
inline constexpr int kZlibLevel = 6;

// Flag bit of an entry the engine refuses to extract.
inline constexpr std::uint32_t kProtectedFlag = 0x80000000u;

struct PackInput {
    // The name in the archive: CP932, relative, '/' between folders.
    std::string name;
    // The file on disk (CP932 path).
    std::string path;
    // zlib when it makes the file smaller; stored as is otherwise.
    bool compress = false;
};

struct PackedFile {
    std::string name;
    std::uint64_t size = 0;
    std::uint64_t storedSize = 0;
    std::uint32_t adler = 1; // of the file's bytes as read
    bool compressed = false;
    // The earlier file (in archive order) whose data this one shares, or -1.
    int sameAs = -1;
};

struct PackResult {
    std::vector<PackedFile> files; // in archive order
    std::uint64_t archiveSize = 0;
    std::string message; // CP932, why the archive could not be written
};

// Told the bytes of the inputs read so far; called on the packing thread.
using PackProgress = std::function<void(std::uint64_t bytesRead)>;

// Writes `inputs` into a new archive at `archive` (replacing a file there,
// never writing through a symbolic link). False with `result.message` when a
// name cannot go into an archive, two inputs have one name, an input cannot
// be read or the archive cannot be written; the partial file then stays for
// the caller to remove.
bool WriteArchive(std::string_view archive, std::vector<PackInput> inputs, PackResult& result,
                  const PackProgress& progress = {});

// Reads `archive` back with CArchiveReader: every packed file must be
// there with its source's size and Adler-32, and its data must give exactly
// those. False with a message per fault.
bool VerifyArchive(std::string_view archive, const PackResult& packed,
                   std::vector<std::string>& faults);

struct Segment {
    bool compressed = false;
    std::uint64_t offset = 0; // from the start of the archive
    std::uint64_t size = 0;
    std::uint64_t storedSize = 0;
};

struct Entry {
    std::u16string name;
    std::uint32_t flags = 0;
    std::uint64_t size = 0;
    std::uint64_t storedSize = 0;
    std::optional<std::uint32_t> adler;
    std::vector<Segment> segments;
    bool IsProtected() const { return (flags & kProtectedFlag) != 0; }
};

// An entry's name for terminals (UTF-8) and for the log (CP932); characters
// either cannot show become '?'.
std::string Utf8Name(std::u16string_view name);
std::string DisplayName(std::u16string_view name);
bool Utf8ToUtf16(std::string_view utf8, std::u16string& out);
// The archive name of a CP932 name; false when it is not valid CP932.
bool ArchiveName(std::string_view cp932, std::u16string& name);

class CArchiveReader {
public:
    CArchiveReader() = default;
    ~CArchiveReader();
    CArchiveReader(const CArchiveReader&) = delete;
    CArchiveReader& operator=(const CArchiveReader&) = delete;

    // Reads the index of the archive at `path` (CP932), also one appended to
    // an executable. False with a message for the author (CP932) when the
    // file is no archive or its index is broken; the reader is then empty.
    bool Open(std::string_view path, std::string& message);
    const std::vector<Entry>& Entries() const { return m_entries; }

    // Streams the bytes of `entry` to `sink` in chunks, checking the sizes
    // of each segment and the file's Adler-32. False with a message on a
    // fault, or when `sink` returns false.
    bool Read(const Entry& entry, const std::function<bool(std::string_view)>& sink,
              std::string& message) const;

    // Writes `entry` below `folder` (CP932), making its folders. Names are
    // hostile input: absolute names, "." and ".." components and protected
    // entries are refused, and no symbolic link below `folder` is followed.
    // An existing file of the name is replaced; a file that failed midway is
    // removed.
    bool Extract(const Entry& entry, std::string_view folder, std::string& message) const;

private:
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const;
    bool ParseIndex(const std::string& index, std::string& message);
    bool ParseFile(const char* body, std::uint64_t size, std::string& message);
    std::string Fault(std::string_view what) const;

    int m_fd = -1;
    std::string m_path;
    std::uint64_t m_base = 0; // where the archive starts in the file
    std::uint64_t m_end = 0;  // the file's size
    std::vector<Entry> m_entries;
};

} // namespace sw::xp3
