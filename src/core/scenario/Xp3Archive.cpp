#include "scenario/Xp3Archive.h"

#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace sw::xp3 {
namespace {

constexpr unsigned char kMagic[] = {0x58, 0x50, 0x33, 0x0D, 0x0A, 0x20,
                                    0x0A, 0x1A, 0x8B, 0x67, 0x01};
constexpr std::size_t kMagicSize = sizeof kMagic;
constexpr std::size_t kHeaderSize = kMagicSize + 8;
constexpr std::size_t kChunk = 1 << 20;
// An index larger than this is taken for a broken one: a quarter of a
// million files with long names stays far below it.
constexpr std::uint64_t kMaxIndexSize = 256u << 20;
// zlib cannot make a stream more than about 1032 times smaller.
constexpr std::uint64_t kMaxZlibRatio = 1032;
// Index blocks chained through the continue bit; the engine's own tool
// writes two.
constexpr int kMaxIndexBlocks = 64;
constexpr unsigned kIndexZlib = 1;
constexpr unsigned kIndexMethodMask = 7;
constexpr unsigned kIndexContinues = 0x80;
constexpr unsigned kSegmentZlib = 1;
constexpr unsigned kSegmentMethodMask = 7;

void PutLe(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

std::uint64_t GetLe(const char* data, int bytes) {
    std::uint64_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | static_cast<unsigned char>(data[i]);
    return value;
}

// The engine names chunks with four ASCII letters.
bool IsTag(const char* data, const char (&tag)[5]) {
    return std::memcmp(data, tag, 4) == 0;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Code points of UTF-16 `name`; a lone surrogate is `bad` (0 when it must
// fail the conversion).
bool CodePoints(std::u16string_view name, std::vector<char32_t>& out, char32_t bad) {
    out.clear();
    for (std::size_t i = 0; i < name.size(); ++i) {
        const char32_t unit = name[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < name.size() && name[i + 1] >= 0xDC00 &&
            name[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((unit - 0xD800) << 10) + (name[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            if (bad == 0)
                return false;
            out.push_back(bad);
        } else {
            out.push_back(unit);
        }
    }
    return true;
}

bool StrictUtf8(std::u16string_view name, std::string& out) {
    std::vector<char32_t> points;
    if (!CodePoints(name, points, 0))
        return false;
    out.clear();
    for (char32_t cp : points)
        AppendUtf8(out, cp);
    return true;
}

// The components of an archive name, as the engine reads it ('\' is a
// separator too); false for a name that would leave the folder it is
// written into, or that no file can have.
bool SafeComponents(std::u16string_view name, std::vector<std::u16string>& parts) {
    parts.clear();
    if (name.empty() || (name.size() >= 2 && name[1] == u':'))
        return false;
    std::u16string part;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != u'/' && name[i] != u'\\') {
            if (name[i] == 0)
                return false;
            part.push_back(name[i]);
            continue;
        }
        if (part.empty() || part == u"." || part == u"..")
            return false;
        parts.push_back(std::move(part));
        part.clear();
    }
    return true;
}

bool ReadFull(int fd, char* buffer, std::size_t size, std::size_t& got) {
    got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return true;
}

bool WriteAt(int fd, const char* data, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

int OpenToRead(std::string_view path) {
    std::string native;
    if (!files::ToNativePath(path, native))
        return -1;
    const int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }
    int Release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void Reset(int fd) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

struct Named {
    std::u16string name;
    PackInput input;
};

// Streams the inputs into the archive file one after another.
class CPacker {
public:
    CPacker(int fd, const PackProgress& progress)
        : m_fd(fd), m_progress(progress), m_in(kChunk, '\0'), m_out(kChunk, '\0') {}

    std::uint64_t Position() const { return m_pos; }

    bool WriteHeader() {
        m_pos = 0;
        std::string header(reinterpret_cast<const char*>(kMagic), kMagicSize);
        PutLe(header, 0, 8);
        return Put(header.data(), header.size());
    }

    // Packs one input as `file` with the data at `segment`.
    bool Add(const Named& named, PackedFile& file, Segment& segment, std::string& message) {
        const PackInput& input = named.input;
        file.name = input.name;
        CFd source(OpenToRead(input.path));
        if (source.Get() < 0) {
            message = Format("%s を読めません。", input.path.c_str());
            return false;
        }
        const std::uint64_t start = m_pos;
        segment.offset = start;
        bool ok = input.compress ? Deflate(source.Get(), file) : Copy(source.Get(), file, true);
        if (ok && file.compressed && file.storedSize >= file.size) {
            // zlib gained nothing: the file goes in as it is, written again
            // over the compressed attempt.
            const PackedFile attempt = file;
            m_pos = start;
            ok = ::lseek(source.Get(), 0, SEEK_SET) == 0 && Copy(source.Get(), file, false);
            if (ok && (file.size != attempt.size || file.adler != attempt.adler)) {
                message = Format("%s がパックの間に変わりました。", input.path.c_str());
                return false;
            }
        }
        if (!ok) {
            if (message.empty())
                message = m_writeFailed ? std::string("アーカイブに書き込めません。")
                                        : Format("%s を読めません。", input.path.c_str());
            return false;
        }
        m_done += file.size;
        if (m_progress)
            m_progress(m_done);
        segment.compressed = file.compressed;
        segment.size = file.size;
        segment.storedSize = file.storedSize;
        return true;
    }

    // Takes the place of the data just written when an earlier file has the
    // same bytes; the index of that file, or -1.
    int ShareWithEarlier(const std::vector<Named>& inputs, std::size_t index,
                         std::vector<PackedFile>& files, std::vector<Segment>& segments,
                         std::uint64_t start) {
        const PackedFile& file = files[index];
        auto& candidates = m_bySum[{file.size, file.adler}];
        for (std::size_t earlier : candidates) {
            if (!SameBytes(inputs[earlier].input.path, inputs[index].input.path))
                continue;
            m_pos = start;
            segments[index] = segments[earlier];
            files[index].storedSize = files[earlier].storedSize;
            files[index].compressed = files[earlier].compressed;
            files[index].sameAs = static_cast<int>(earlier);
            return static_cast<int>(earlier);
        }
        candidates.push_back(index);
        return -1;
    }

    bool Put(const char* data, std::size_t size) {
        if (!WriteAt(m_fd, data, size, m_pos)) {
            m_writeFailed = true;
            return false;
        }
        m_pos += size;
        return true;
    }

private:
    void Reading(std::uint64_t withinFile) {
        if (m_progress)
            m_progress(m_done + withinFile);
    }

    bool Copy(int source, PackedFile& file, bool report) {
        file.compressed = false;
        file.size = 0;
        uLong adler = adler32(0, nullptr, 0);
        for (;;) {
            std::size_t got = 0;
            if (!ReadFull(source, m_in.data(), m_in.size(), got))
                return false;
            if (got == 0)
                break;
            adler =
                adler32(adler, reinterpret_cast<const Bytef*>(m_in.data()), static_cast<uInt>(got));
            file.size += got;
            if (!Put(m_in.data(), got))
                return false;
            if (report)
                Reading(file.size);
        }
        file.storedSize = file.size;
        file.adler = static_cast<std::uint32_t>(adler);
        return true;
    }

    bool Deflate(int source, PackedFile& file) {
        file.compressed = true;
        file.size = 0;
        file.storedSize = 0;
        z_stream stream{};
        if (deflateInit(&stream, kZlibLevel) != Z_OK)
            return false;
        uLong adler = adler32(0, nullptr, 0);
        bool ok = true;
        for (bool finished = false; ok && !finished;) {
            std::size_t got = 0;
            if (!ReadFull(source, m_in.data(), m_in.size(), got)) {
                ok = false;
                break;
            }
            adler =
                adler32(adler, reinterpret_cast<const Bytef*>(m_in.data()), static_cast<uInt>(got));
            file.size += got;
            finished = got < m_in.size();
            stream.next_in = reinterpret_cast<Bytef*>(m_in.data());
            stream.avail_in = static_cast<uInt>(got);
            int result = Z_OK;
            do {
                stream.next_out = reinterpret_cast<Bytef*>(m_out.data());
                stream.avail_out = static_cast<uInt>(m_out.size());
                result = deflate(&stream, finished ? Z_FINISH : Z_NO_FLUSH);
                const std::size_t have = m_out.size() - stream.avail_out;
                file.storedSize += have;
                if (result == Z_STREAM_ERROR || !Put(m_out.data(), have))
                    ok = false;
            } while (ok && stream.avail_out == 0);
            if (finished && result != Z_STREAM_END)
                ok = false;
            Reading(file.size);
        }
        deflateEnd(&stream);
        file.adler = static_cast<std::uint32_t>(adler);
        return ok;
    }

    bool SameBytes(const std::string& a, const std::string& b) {
        CFd first(OpenToRead(a)), second(OpenToRead(b));
        if (first.Get() < 0 || second.Get() < 0)
            return false;
        for (;;) {
            std::size_t gotA = 0, gotB = 0;
            if (!ReadFull(first.Get(), m_in.data(), m_in.size(), gotA) ||
                !ReadFull(second.Get(), m_out.data(), m_out.size(), gotB) || gotA != gotB ||
                std::memcmp(m_in.data(), m_out.data(), gotA) != 0)
                return false;
            if (gotA == 0)
                return true;
        }
    }

    int m_fd;
    const PackProgress& m_progress;
    std::string m_in, m_out;
    std::uint64_t m_pos = 0;
    std::uint64_t m_done = 0;
    bool m_writeFailed = false;
    std::map<std::pair<std::uint64_t, std::uint32_t>, std::vector<std::size_t>> m_bySum;
};

void AppendChunkHeader(std::string& out, const char (&tag)[5], std::uint64_t size) {
    out.append(tag, 4);
    PutLe(out, size, 8);
}

void AppendFileChunk(std::string& index, const std::u16string& name, const PackedFile& file,
                     const Segment& segment) {
    const std::uint64_t infoSize = 22 + 2 * name.size();
    AppendChunkHeader(index, "File", 12 + infoSize + 12 + 28 + 12 + 4);
    AppendChunkHeader(index, "info", infoSize);
    PutLe(index, 0, 4);
    PutLe(index, file.size, 8);
    PutLe(index, file.storedSize, 8);
    PutLe(index, name.size(), 2);
    for (char16_t unit : name)
        PutLe(index, unit, 2);
    AppendChunkHeader(index, "segm", 28);
    PutLe(index, segment.compressed ? kSegmentZlib : 0, 4);
    PutLe(index, segment.offset, 8);
    PutLe(index, segment.size, 8);
    PutLe(index, segment.storedSize, 8);
    AppendChunkHeader(index, "adlr", 4);
    PutLe(index, file.adler, 4);
}

// Why `name` cannot be an archive name, or null.
const char* NameFault(const std::u16string& name) {
    std::vector<std::u16string> parts;
    if (name.find(u'\\') != std::u16string::npos)
        return "「\\」を含む名前はアーカイブに入れられません。";
    if (!SafeComponents(name, parts))
        return "アーカイブの中の相対パスになっていません。";
    if (name.size() > 0xFFFF)
        return "名前が長すぎます。";
    return nullptr;
}

} // namespace

std::string Utf8Name(std::u16string_view name) {
    std::vector<char32_t> points;
    CodePoints(name, points, U'?');
    std::string out;
    for (char32_t cp : points)
        AppendUtf8(out, cp);
    return out;
}

std::string DisplayName(std::u16string_view name) {
    std::vector<char32_t> points;
    CodePoints(name, points, U'?');
    std::string out, one, converted;
    for (char32_t cp : points) {
        one.clear();
        AppendUtf8(one, cp);
        if (cp != 0 && cp932::FromUtf8(one, converted))
            out += converted;
        else
            out += '?';
    }
    return out;
}

bool Utf8ToUtf16(std::string_view utf8, std::u16string& out) {
    out.clear();
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const int length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + static_cast<std::size_t>(length) > utf8.size() || (lead >= 0x80 && lead < 0xC2) ||
            lead > 0xF4)
            return false;
        char32_t cp = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            const auto trail = static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            if ((trail & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (trail & 0x3F);
        }
        i += static_cast<std::size_t>(length);
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return true;
}

bool ArchiveName(std::string_view cp932, std::u16string& name) {
    std::string utf8;
    return cp932::ToUtf8(cp932, utf8) && Utf8ToUtf16(utf8, name);
}

bool WriteArchive(std::string_view archive, std::vector<PackInput> inputs, PackResult& result,
                  const PackProgress& progress) {
    result = PackResult{};
    std::vector<Named> named;
    named.reserve(inputs.size());
    for (PackInput& input : inputs) {
        Named entry{{}, std::move(input)};
        const char* fault = ArchiveName(entry.input.name, entry.name)
                                ? NameFault(entry.name)
                                : "名前が Shift_JIS ではありません。";
        if (fault) {
            result.message = entry.input.name + ": " + fault;
            return false;
        }
        named.push_back(std::move(entry));
    }
    std::sort(named.begin(), named.end(),
              [](const Named& a, const Named& b) { return a.name < b.name; });
    for (std::size_t i = 1; i < named.size(); ++i) {
        if (named[i].name == named[i - 1].name) {
            result.message = named[i].input.name + " が二つあります。";
            return false;
        }
    }
    std::string native;
    if (!files::ToNativePath(archive, native)) {
        result.message = Format("%s に書き込めません。", std::string(archive).c_str());
        return false;
    }
    CFd out(::open(native.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666));
    const std::string unwritable = Format("%s に書き込めません。", std::string(archive).c_str());
    CPacker packer(out.Get(), progress);
    if (out.Get() < 0 || !packer.WriteHeader()) {
        result.message = unwritable;
        return false;
    }
    result.files.resize(named.size());
    std::vector<Segment> segments(named.size());
    for (std::size_t i = 0; i < named.size(); ++i) {
        const std::uint64_t start = packer.Position();
        if (!packer.Add(named[i], result.files[i], segments[i], result.message))
            return false;
        packer.ShareWithEarlier(named, i, result.files, segments, start);
    }
    std::string index;
    for (std::size_t i = 0; i < named.size(); ++i)
        AppendFileChunk(index, named[i].name, result.files[i], segments[i]);
    uLongf packedSize = compressBound(static_cast<uLong>(index.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef*>(index.data()), static_cast<uLong>(index.size()),
                  kZlibLevel) != Z_OK) {
        result.message = "索引を圧縮できません。";
        return false;
    }
    const std::uint64_t indexOffset = packer.Position();
    std::string block;
    PutLe(block, kIndexZlib, 1);
    PutLe(block, packedSize, 8);
    PutLe(block, index.size(), 8);
    block.append(packed.data(), packedSize);
    std::string offset;
    PutLe(offset, indexOffset, 8);
    if (!packer.Put(block.data(), block.size()) ||
        !WriteAt(out.Get(), offset.data(), offset.size(), kMagicSize) ||
        ::ftruncate(out.Get(), static_cast<off_t>(packer.Position())) != 0 ||
        ::close(out.Release()) != 0) {
        result.message = unwritable;
        return false;
    }
    result.archiveSize = packer.Position();
    return true;
}

bool VerifyArchive(std::string_view archive, const PackResult& packed,
                   std::vector<std::string>& faults) {
    faults.clear();
    CArchiveReader reader;
    std::string message;
    if (!reader.Open(archive, message)) {
        faults.push_back(message);
        return false;
    }
    std::map<std::u16string, const Entry*> byName;
    for (const Entry& entry : reader.Entries())
        byName[entry.name] = &entry;
    if (reader.Entries().size() != packed.files.size())
        faults.push_back(Format("%s のファイル数 %zu が、入れたファイル数 %zu と違います。",
                                std::string(archive).c_str(), reader.Entries().size(),
                                packed.files.size()));
    std::set<std::pair<std::uint64_t, std::uint64_t>> checkedData;
    for (const PackedFile& file : packed.files) {
        std::u16string name;
        ArchiveName(file.name, name);
        const auto found = byName.find(name);
        if (found == byName.end()) {
            faults.push_back(file.name + " がアーカイブにありません。");
            continue;
        }
        const Entry& entry = *found->second;
        if (entry.size != file.size || !entry.adler || *entry.adler != file.adler) {
            faults.push_back(file.name + " の大きさか Adler-32 が元のファイルと違います。");
            continue;
        }
        // Shared data is read once.
        const std::pair<std::uint64_t, std::uint64_t> data =
            entry.segments.empty()
                ? std::pair<std::uint64_t, std::uint64_t>{}
                : std::pair{entry.segments[0].offset, entry.segments[0].storedSize};
        if (file.sameAs >= 0 && checkedData.count(data) > 0)
            continue;
        if (reader.Read(
                entry, [](std::string_view) { return true; }, message))
            checkedData.insert(data);
        else
            faults.push_back(message);
    }
    return faults.empty();
}

CArchiveReader::~CArchiveReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool CArchiveReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    auto* bytes = static_cast<char*>(buffer);
    if (offset > m_end || size > m_end - offset)
        return false;
    while (size > 0) {
        const ssize_t got = ::pread(m_fd, bytes, size, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        bytes += got;
        size -= static_cast<std::size_t>(got);
        offset += static_cast<std::uint64_t>(got);
    }
    return true;
}

std::string CArchiveReader::Fault(std::string_view what) const {
    return m_path + " は壊れた XP3 アーカイブです（" + std::string(what) + "）。";
}

bool CArchiveReader::Open(std::string_view path, std::string& message) {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_entries.clear();
    m_path = path;
    m_base = m_end = 0;
    std::string native;
    struct stat info;
    if (!files::ToNativePath(path, native) ||
        (m_fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC)) < 0 || ::fstat(m_fd, &info) != 0 ||
        !S_ISREG(info.st_mode)) {
        message = m_path + " を読めません。";
        return false;
    }
    m_end = static_cast<std::uint64_t>(info.st_size);
    char head[kHeaderSize] = {};
    const std::size_t headSize =
        static_cast<std::size_t>(std::min<std::uint64_t>(m_end, kHeaderSize));
    const auto fail = [&](std::string text) {
        message = std::move(text);
        m_entries.clear();
        return false;
    };
    if (!ReadAt(0, head, headSize))
        return fail(m_path + " を読めません。");
    const bool magicAtStart = headSize >= kMagicSize && std::memcmp(head, kMagic, kMagicSize) == 0;
    if (!magicAtStart && headSize >= 2 && head[0] == 'M' && head[1] == 'Z') {
        // An archive appended to the engine's executable starts on a
        // 16-byte boundary.
        bool found = false;
        std::string block(kChunk + 16, '\0');
        for (std::uint64_t at = 16; !found && at + kMagicSize <= m_end; at += kChunk) {
            const std::size_t size =
                static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), m_end - at));
            if (!ReadAt(at, block.data(), size))
                return fail(m_path + " を読めません。");
            for (std::size_t i = 0; i + kMagicSize <= size && i < kChunk; i += 16) {
                if (std::memcmp(block.data() + i, kMagic, kMagicSize) == 0) {
                    m_base = at + i;
                    found = true;
                    break;
                }
            }
        }
        if (!found)
            return fail(m_path + " は XP3 アーカイブを含んでいません。");
    } else if (!magicAtStart) {
        if (headSize > 0 && headSize < kMagicSize && std::memcmp(head, kMagic, headSize) == 0)
            return fail(m_path + " は途中で切れています。");
        return fail(m_path + " は XP3 アーカイブではありません。");
    }
    if (m_end - m_base < kHeaderSize)
        return fail(m_path + " は途中で切れています。");

    std::uint64_t at = m_base + kMagicSize;
    const std::uint64_t archiveSize = m_end - m_base;
    for (int block = 0;; ++block) {
        if (block == kMaxIndexBlocks)
            return fail(Fault("索引の連鎖が長すぎます"));
        char field[17];
        if (!ReadAt(at, field, 8))
            return fail(Fault("索引の位置が途中で切れています"));
        const std::uint64_t offset = GetLe(field, 8);
        if (offset >= archiveSize || archiveSize - offset < 9)
            return fail(Fault("索引の位置がファイルの外です"));
        at = m_base + offset;
        char flag = 0;
        if (!ReadAt(at, &flag, 1))
            return fail(Fault("索引が途中で切れています"));
        ++at;
        const unsigned method = static_cast<unsigned char>(flag) & kIndexMethodMask;
        std::string index;
        if (method == kIndexZlib) {
            if (!ReadAt(at, field, 16))
                return fail(Fault("索引が途中で切れています"));
            at += 16;
            const std::uint64_t packedSize = GetLe(field, 8);
            const std::uint64_t indexSize = GetLe(field + 8, 8);
            if (packedSize > m_end - at)
                return fail(Fault("索引が途中で切れています"));
            if (indexSize > kMaxIndexSize || indexSize / kMaxZlibRatio > packedSize)
                return fail(Fault("索引の大きさがあり得ません"));
            std::string packed(static_cast<std::size_t>(packedSize), '\0');
            if (!ReadAt(at, packed.data(), packed.size()))
                return fail(Fault("索引が途中で切れています"));
            at += packedSize;
            index.assign(static_cast<std::size_t>(indexSize), '\0');
            uLongf unpacked = static_cast<uLongf>(indexSize);
            if (uncompress(reinterpret_cast<Bytef*>(index.data()), &unpacked,
                           reinterpret_cast<const Bytef*>(packed.data()),
                           static_cast<uLong>(packed.size())) != Z_OK ||
                unpacked != indexSize)
                return fail(Fault("zlib の索引を展開できません"));
        } else if (method == 0) {
            if (!ReadAt(at, field, 8))
                return fail(Fault("索引が途中で切れています"));
            at += 8;
            const std::uint64_t indexSize = GetLe(field, 8);
            if (indexSize > m_end - at)
                return fail(Fault("索引が途中で切れています"));
            if (indexSize > kMaxIndexSize)
                return fail(Fault("索引の大きさがあり得ません"));
            index.assign(static_cast<std::size_t>(indexSize), '\0');
            if (!ReadAt(at, index.data(), index.size()))
                return fail(Fault("索引が途中で切れています"));
            at += indexSize;
        } else {
            return fail(Fault(Format("索引の形式 %u は読めません", method)));
        }
        if (!ParseIndex(index, message)) {
            m_entries.clear();
            return false;
        }
        // A block with the continue bit is followed by the offset of the next.
        if ((static_cast<unsigned char>(flag) & kIndexContinues) == 0)
            break;
    }
    return true;
}

bool CArchiveReader::ParseIndex(const std::string& index, std::string& message) {
    std::uint64_t at = 0;
    while (at < index.size()) {
        if (index.size() - at < 12) {
            message = Fault("索引のチャンクが途中で切れています");
            return false;
        }
        const char* header = index.data() + at;
        const std::uint64_t size = GetLe(header + 4, 8);
        at += 12;
        if (size > index.size() - at) {
            message = Fault("索引のチャンクが索引の外に及んでいます");
            return false;
        }
        if (IsTag(header, "File") && !ParseFile(index.data() + at, size, message))
            return false;
        at += size;
    }
    return true;
}

bool CArchiveReader::ParseFile(const char* body, std::uint64_t size, std::string& message) {
    const char* info = nullptr;
    const char* segm = nullptr;
    const char* adlr = nullptr;
    std::uint64_t infoSize = 0, segmSize = 0, adlrSize = 0;
    for (std::uint64_t at = 0; at < size;) {
        if (size - at < 12) {
            message = Fault("File チャンクが途中で切れています");
            return false;
        }
        const char* header = body + at;
        const std::uint64_t chunkSize = GetLe(header + 4, 8);
        at += 12;
        if (chunkSize > size - at) {
            message = Fault("File の中のチャンクが File の外に及んでいます");
            return false;
        }
        const auto take = [&](const char*& where, std::uint64_t& whereSize) {
            if (where == nullptr) {
                where = body + at;
                whereSize = chunkSize;
            }
        };
        if (IsTag(header, "info"))
            take(info, infoSize);
        else if (IsTag(header, "segm"))
            take(segm, segmSize);
        else if (IsTag(header, "adlr"))
            take(adlr, adlrSize);
        at += chunkSize;
    }
    if (info == nullptr || segm == nullptr) {
        message = Fault("File に info か segm のチャンクがありません");
        return false;
    }
    if (infoSize < 22) {
        message = Fault("info チャンクが短すぎます");
        return false;
    }
    Entry entry;
    entry.flags = static_cast<std::uint32_t>(GetLe(info, 4));
    entry.size = GetLe(info + 4, 8);
    entry.storedSize = GetLe(info + 12, 8);
    const std::uint64_t nameLength = GetLe(info + 20, 2);
    if (22 + 2 * nameLength > infoSize) {
        message = Fault("名前の長さが info チャンクを超えています");
        return false;
    }
    for (std::uint64_t i = 0; i < nameLength; ++i)
        entry.name.push_back(static_cast<char16_t>(GetLe(info + 22 + 2 * i, 2)));
    // Named only in a message: most archives have no fault to report.
    const auto fault = [&](const std::string& what) {
        message = Fault(DisplayName(entry.name) + what);
        return false;
    };
    if (segmSize % 28 != 0)
        return fault(" の segm チャンクの大きさが 28 の倍数ではありません");
    const std::uint64_t archiveSize = m_end - m_base;
    std::uint64_t sizeSum = 0, storedSum = 0;
    for (std::uint64_t at = 0; at < segmSize; at += 28) {
        const char* field = segm + at;
        Segment segment;
        const unsigned method = static_cast<unsigned>(GetLe(field, 4)) & kSegmentMethodMask;
        segment.compressed = method == kSegmentZlib;
        segment.offset = GetLe(field + 4, 8);
        segment.size = GetLe(field + 12, 8);
        segment.storedSize = GetLe(field + 20, 8);
        if (method != 0 && method != kSegmentZlib)
            return fault(Format(" のデータの形式 %u は読めません", method));
        if (segment.offset > archiveSize || segment.storedSize > archiveSize - segment.offset)
            return fault(" のデータがファイルの外にあります");
        if (segment.compressed ? segment.size / kMaxZlibRatio > segment.storedSize
                               : segment.size != segment.storedSize)
            return fault(" のデータの大きさがあり得ません");
        if (__builtin_add_overflow(sizeSum, segment.size, &sizeSum) ||
            __builtin_add_overflow(storedSum, segment.storedSize, &storedSum))
            return fault(" の大きさが合いません");
        entry.segments.push_back(segment);
    }
    if (sizeSum != entry.size || storedSum != entry.storedSize)
        return fault(" の大きさが合いません");
    if (adlr != nullptr && adlrSize >= 4)
        entry.adler = static_cast<std::uint32_t>(GetLe(adlr, 4));
    m_entries.push_back(std::move(entry));
    return true;
}

bool CArchiveReader::Read(const Entry& entry, const std::function<bool(std::string_view)>& sink,
                          std::string& message) const {
    const std::string name = DisplayName(entry.name);
    const auto fail = [&](const char* what) {
        message = Format("%s の %s %s", m_path.c_str(), name.c_str(), what);
        return false;
    };
    uLong adler = adler32(0, nullptr, 0);
    std::uint64_t total = 0;
    std::string in(std::max<std::uint64_t>(1, std::min<std::uint64_t>(kChunk, entry.storedSize)),
                   '\0');
    std::string out;
    const auto deliver = [&](const char* data, std::size_t size) {
        adler = adler32(adler, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(size));
        total += size;
        return sink(std::string_view(data, size));
    };
    for (const Segment& segment : entry.segments) {
        const std::uint64_t start = m_base + segment.offset;
        if (!segment.compressed) {
            for (std::uint64_t done = 0; done < segment.storedSize;) {
                const auto size = static_cast<std::size_t>(
                    std::min<std::uint64_t>(in.size(), segment.storedSize - done));
                if (!ReadAt(start + done, in.data(), size))
                    return fail("を読めません。");
                if (!deliver(in.data(), size))
                    return fail("を書き出せません。");
                done += size;
            }
            continue;
        }
        z_stream stream{};
        if (inflateInit(&stream) != Z_OK)
            return fail("を展開できません。");
        out.resize(kChunk);
        std::uint64_t read = 0, produced = 0;
        int result = Z_OK;
        bool ok = true;
        while (ok && result != Z_STREAM_END) {
            if (stream.avail_in == 0) {
                const auto size = static_cast<std::size_t>(
                    std::min<std::uint64_t>(in.size(), segment.storedSize - read));
                if (size == 0 || !ReadAt(start + read, in.data(), size)) {
                    ok = false;
                    break;
                }
                read += size;
                stream.next_in = reinterpret_cast<Bytef*>(in.data());
                stream.avail_in = static_cast<uInt>(size);
            }
            stream.next_out = reinterpret_cast<Bytef*>(out.data());
            stream.avail_out = static_cast<uInt>(out.size());
            result = inflate(&stream, Z_NO_FLUSH);
            const std::size_t have = out.size() - stream.avail_out;
            produced += have;
            ok = (result == Z_OK || result == Z_STREAM_END) && produced <= segment.size &&
                 deliver(out.data(), have);
        }
        const bool whole =
            ok && produced == segment.size && read == segment.storedSize && stream.avail_in == 0;
        inflateEnd(&stream);
        if (!whole)
            return fail("を展開できません。");
    }
    if (total != entry.size)
        return fail("の大きさが索引と違います。");
    if (entry.adler && *entry.adler != static_cast<std::uint32_t>(adler))
        return fail("の Adler-32 が索引と違います。");
    return true;
}

bool CArchiveReader::Extract(const Entry& entry, std::string_view folder,
                             std::string& message) const {
    const std::string name = DisplayName(entry.name);
    std::vector<std::u16string> parts;
    if (!SafeComponents(entry.name, parts)) {
        message = name + " はフォルダの外を指す名前なので書き出しません。";
        return false;
    }
    if (entry.IsProtected()) {
        message = name + " は作者が展開を禁じているので書き出しません。";
        return false;
    }
    std::vector<std::string> nativeParts;
    for (const std::u16string& part : parts) {
        std::string native;
        if (!StrictUtf8(part, native)) {
            message = name + " はファイル名にできない名前です。";
            return false;
        }
        nativeParts.push_back(std::move(native));
    }
    std::string nativeFolder;
    if (!files::ToNativePath(folder, nativeFolder)) {
        message = Format("%s を開けません。", std::string(folder).c_str());
        return false;
    }
    CFd dir(::open(nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() < 0) {
        message = Format("%s を開けません。", std::string(folder).c_str());
        return false;
    }
    for (std::size_t i = 0; i + 1 < nativeParts.size(); ++i) {
        const char* part = nativeParts[i].c_str();
        int next = ::openat(dir.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0 && errno == ENOENT && ::mkdirat(dir.Get(), part, 0777) == 0)
            next = ::openat(dir.Get(), part, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (next < 0) {
            message = name + " のフォルダを作れません（シンボリックリンクは辿りません）。";
            return false;
        }
        dir.Reset(next);
    }
    const char* leaf = nativeParts.back().c_str();
    // The old file goes first, so that a link in its place is replaced
    // rather than written through.
    if (::unlinkat(dir.Get(), leaf, 0) != 0 && errno != ENOENT) {
        message = name + " を置き換えられません。";
        return false;
    }
    CFd file(::openat(dir.Get(), leaf, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (file.Get() < 0) {
        message = name + " を書き出せません。";
        return false;
    }
    std::uint64_t offset = 0;
    const bool ok = Read(
        entry,
        [&](std::string_view data) {
            const bool written = WriteAt(file.Get(), data.data(), data.size(), offset);
            offset += data.size();
            return written;
        },
        message);
    const bool closed = ::close(file.Release()) == 0;
    if (ok && closed)
        return true;
    if (ok)
        message = name + " を書き出せません。";
    ::unlinkat(dir.Get(), leaf, 0);
    return false;
}

} // namespace sw::xp3
