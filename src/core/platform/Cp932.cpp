#include "platform/Cp932.h"

#include <cerrno>
#include <iconv.h>
#include <vector>

namespace sw::cp932 {
namespace {

class IconvHandle {
public:
    IconvHandle(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvHandle() {
        if (Ok())
            iconv_close(m_cd);
    }
    IconvHandle(const IconvHandle&) = delete;
    IconvHandle& operator=(const IconvHandle&) = delete;
    bool Ok() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Opening a descriptor costs far more than converting a short text, and
// reading a project converts every value, so each direction keeps one.
const IconvHandle& HandleFor(const char* to) {
    thread_local const IconvHandle toUtf8("UTF-8", "CP932");
    thread_local const IconvHandle fromUtf8("CP932", "UTF-8");
    return std::string_view(to) == "UTF-8" ? toUtf8 : fromUtf8;
}

// A null `out` only checks that `in` converts.
bool Convert(const char* to, std::string_view in, std::string* out, std::size_t* badOffset) {
    if (out)
        out->clear();
    const IconvHandle& cd = HandleFor(to);
    if (!cd.Ok()) {
        if (badOffset)
            *badOffset = 0;
        return false;
    }
    // A conversion that failed midway leaves the descriptor's state behind.
    iconv(cd.Get(), nullptr, nullptr, nullptr, nullptr);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        std::size_t rc = iconv(cd.Get(), &inPtr, &inLeft, &outPtr, &outLeft);
        if (out)
            out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) {
            if (badOffset)
                *badOffset = static_cast<std::size_t>(inPtr - in.data());
            return false;
        }
    }
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    iconv(cd.Get(), nullptr, nullptr, &outPtr, &outLeft);
    if (out)
        out->append(buffer, static_cast<std::size_t>(outPtr - buffer));
    return true;
}

// Which characters iconv's table takes, asked of iconv once: single bytes,
// then the pairs after each byte that is no character alone. Checking a text
// against it gives iconv's answer without converting.
class CValidityTable {
public:
    CValidityTable() {
        std::string ignored;
        for (int b = 0; b < 256; ++b) {
            const char one[] = {static_cast<char>(b)};
            m_single[b] = Convert("UTF-8", std::string_view(one, 1), &ignored, nullptr);
            if (m_single[b])
                continue;
            for (int t = 0; t < 256; ++t) {
                const char two[] = {static_cast<char>(b), static_cast<char>(t)};
                m_pair[b * 256 + t] = Convert("UTF-8", std::string_view(two, 2), &ignored, nullptr);
            }
        }
    }
    // Bytes from `pos` that are valid, up to the first that is not.
    std::size_t ValidRun(std::string_view text, std::size_t pos) const {
        const std::size_t start = pos;
        while (pos < text.size()) {
            const auto b = static_cast<unsigned char>(text[pos]);
            if (m_single[b])
                ++pos;
            else if (pos + 1 < text.size() &&
                     m_pair[b * 256 + static_cast<unsigned char>(text[pos + 1])])
                pos += 2;
            else
                break;
        }
        return pos - start;
    }
    bool Check(std::string_view text, std::size_t* badOffset) const {
        for (std::size_t pos = 0; pos < text.size();) {
            const auto b = static_cast<unsigned char>(text[pos]);
            if (m_single[b]) {
                ++pos;
            } else if (pos + 1 < text.size() &&
                       m_pair[b * 256 + static_cast<unsigned char>(text[pos + 1])]) {
                pos += 2;
            } else {
                if (badOffset)
                    *badOffset = pos;
                return false;
            }
        }
        return true;
    }

private:
    bool m_single[256] = {};
    std::vector<bool> m_pair = std::vector<bool>(256 * 256);
};

} // namespace

std::size_t CharLength(std::string_view text, std::size_t pos) {
    if (pos + 1 < text.size() && IsLeadByte(static_cast<unsigned char>(text[pos])))
        return 2;
    return 1;
}

bool ToUtf8(std::string_view cp932, std::string& out, std::size_t* badOffset) {
    return Convert("UTF-8", cp932, &out, badOffset);
}

bool FromUtf8(std::string_view utf8, std::string& out, std::size_t* badOffset) {
    return Convert("CP932", utf8, &out, badOffset);
}

std::string ToUtf8ForDisplay(std::string_view cp932) {
    std::string result;
    std::string piece;
    std::size_t pos = 0;
    while (pos < cp932.size()) {
        std::size_t bad = 0;
        if (ToUtf8(cp932.substr(pos), piece, &bad)) {
            result += piece;
            break;
        }
        // `piece` holds what converted before the bad byte.
        result += piece;
        result += '?';
        pos += bad + 1;
    }
    return result;
}

bool IsValid(std::string_view cp932, std::size_t* badOffset) {
    thread_local const CValidityTable table;
    return table.Check(cp932, badOffset);
}

std::string ReplaceInvalid(std::string_view text, std::string_view replacement,
                           std::vector<std::size_t>* offsets) {
    thread_local const CValidityTable table;
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t valid = table.ValidRun(text, pos);
        out.append(text.substr(pos, valid));
        pos += valid;
        if (pos >= text.size())
            break;
        if (offsets)
            offsets->push_back(pos);
        out.append(replacement);
        // A lead byte takes its trail along only where that byte could be
        // one: markup after a stray lead byte stays markup.
        const auto next = pos + 1 < text.size() ? static_cast<unsigned char>(text[pos + 1]) : 0;
        const bool pair = IsLeadByte(static_cast<unsigned char>(text[pos])) && next >= 0x40 &&
                          next <= 0xFC && next != 0x7F;
        pos += pair ? 2 : 1;
    }
    return out;
}

std::size_t FindLastOf(std::string_view text, std::string_view chars) {
    std::size_t found = std::string_view::npos;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (CharLength(text, pos) == 1 && chars.find(text[pos]) != std::string_view::npos)
            found = pos;
    }
    return found;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[pos]);
        std::size_t length = lead < 0x80                    ? 1
                             : lead >= 0xC2 && lead <= 0xDF ? 2
                             : lead >= 0xE0 && lead <= 0xEF ? 3
                             : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                            : 0;
        if (length == 0 || pos + length > text.size())
            return false;
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[pos + i]) & 0xC0) != 0x80)
                return false;
        pos += length;
    }
    return true;
}

std::string_view Trim(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string_view TrimStart(std::string_view text, std::string_view blanks) {
    const std::size_t first = text.find_first_not_of(blanks);
    return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::size_t Find(std::string_view text, std::string_view needle, std::size_t from) {
    if (needle.empty())
        return std::string_view::npos;
    for (std::size_t pos = 0; pos < text.size(); pos += CharLength(text, pos)) {
        if (pos >= from && text.compare(pos, needle.size(), needle) == 0)
            return pos;
    }
    return std::string_view::npos;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    if (suffix.empty() || suffix.size() > text.size())
        return false;
    const std::size_t start = text.size() - suffix.size();
    std::size_t pos = 0;
    while (pos < start)
        pos += CharLength(text, pos);
    return pos == start && text.substr(start) == suffix;
}

std::string ReplaceChar(std::string_view text, char from, char to) {
    std::string result(text);
    for (std::size_t pos = 0; pos < result.size(); pos += CharLength(result, pos)) {
        if (CharLength(result, pos) == 1 && result[pos] == from)
            result[pos] = to;
    }
    return result;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ToLowerAscii(a) == ToLowerAscii(b);
}

std::string ToLowerAscii(std::string_view text) {
    std::string result(text);
    for (std::size_t pos = 0; pos < result.size(); pos += CharLength(result, pos)) {
        if (CharLength(result, pos) == 1 && result[pos] >= 'A' && result[pos] <= 'Z')
            result[pos] = static_cast<char>(result[pos] - 'A' + 'a');
    }
    return result;
}

std::string EscapeChars(std::string_view text, std::string_view chars, char escape) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = CharLength(text, pos);
        if (length == 1 && chars.find(text[pos]) != std::string_view::npos)
            escaped += escape;
        escaped.append(text, pos, length);
        pos += length;
    }
    return escaped;
}

} // namespace sw::cp932
