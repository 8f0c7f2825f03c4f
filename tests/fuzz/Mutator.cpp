#include "fuzz/Mutator.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace {

// Inputs stay below this size, so that duplication cannot grow them without
// bound over a long run.
constexpr std::size_t kMaxInput = 1 << 20;

const char kBoundaryBytes[] = {'\0',   '\x01', '\x7F', '\x80', '\xFF', '\x81', '\x9F', '\xE0',
                               '\xFC', '<',    '>',    '&',    '"',    '\n',   '\r',   '['};

const std::uint32_t kBoundaryIntegers[] = {
    0,      1,       0x7F,       0x80,       0xFF,       0x100,      0x7FFF,     0x8000,
    0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 0x40000000, 0x2000};

const char* const kBoundaryNumbers[] = {"0",           "-1",         "1",           "2147483647",
                                        "-2147483648", "2147483648", "99999999999", "4294967295",
                                        "00",          "+5",         "0x10",        ""};

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

} // namespace

CMutator::CMutator(std::uint64_t seed, std::uint64_t run)
    : m_state(seed * 0x9E3779B97F4A7C15ull ^ (run + 1) * 0xBF58476D1CE4E5B9ull) {}

std::uint64_t CMutator::Next() {
    // splitmix64
    std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

std::string CMutator::Mutate(std::string input, const std::vector<std::string>& tokens,
                             const std::string& other) {
    const std::size_t edits = 1 + Below(4);
    for (std::size_t i = 0; i < edits; ++i)
        MutateOnce(input, tokens, other);
    if (input.size() > kMaxInput)
        input.resize(kMaxInput);
    return input;
}

void CMutator::MutateOnce(std::string& data, const std::vector<std::string>& tokens,
                          const std::string& other) {
    const std::size_t size = data.size();
    const std::size_t at = Below(size + 1);
    // Mostly short ranges, sometimes long ones.
    const std::size_t span = 1 + Below(Below(8) == 0 ? size / 2 + 1 : 16);
    switch (Below(10)) {
    case 0:
        if (at < size)
            data[at] = static_cast<char>(data[at] ^ (1 << Below(8)));
        break;
    case 1:
        if (at < size)
            data[at] = kBoundaryBytes[Below(sizeof kBoundaryBytes)];
        break;
    case 2:
        data.erase(std::min(at, size), span);
        break;
    case 3: {
        const std::size_t from = Below(size + 1);
        const std::string piece = data.substr(from, span);
        data.insert(at, piece);
        break;
    }
    case 4: {
        std::string noise;
        for (std::size_t i = 0; i < span; ++i)
            noise += static_cast<char>(Next());
        data.insert(at, noise);
        break;
    }
    case 5:
        if (!tokens.empty())
            data.insert(at, tokens[Below(tokens.size())]);
        break;
    case 6:
        if (!other.empty()) {
            const std::size_t from = Below(other.size());
            data = data.substr(0, at) + other.substr(from);
        }
        break;
    case 7:
        // An integer field of a binary header, either byte order.
        if (size >= 4) {
            const std::uint32_t value = kBoundaryIntegers[Below(std::size(kBoundaryIntegers))];
            const std::size_t where = Below(size - 3);
            const bool big = Below(2) == 0;
            for (int i = 0; i < 4; ++i)
                data[where + static_cast<std::size_t>(i)] =
                    static_cast<char>(value >> (8 * (big ? 3 - i : i)));
        }
        break;
    case 8: {
        // A decimal number of a text format.
        std::size_t start = data.find_first_of("0123456789", at);
        if (start == std::string::npos)
            start = data.find_first_of("0123456789");
        if (start == std::string::npos)
            break;
        std::size_t end = start;
        while (end < size && IsDigit(data[end]))
            ++end;
        if (start > 0 && data[start - 1] == '-')
            --start;
        data.replace(start, end - start, kBoundaryNumbers[Below(std::size(kBoundaryNumbers))]);
        break;
    }
    default: {
        // A whole line moved elsewhere, as a reordered file would have it.
        const std::size_t from = data.rfind('\n', at);
        const std::size_t lineStart = from == std::string::npos ? 0 : from + 1;
        const std::size_t lineEnd = data.find('\n', lineStart);
        const std::string line = data.substr(
            lineStart, lineEnd == std::string::npos ? std::string::npos : lineEnd + 1 - lineStart);
        if (Below(2) == 0)
            data.erase(lineStart, line.size());
        data.insert(Below(data.size() + 1), line);
        break;
    }
    }
}

std::vector<std::string> TagsOf(const std::vector<std::string>& seeds) {
    std::set<std::string> names;
    for (const std::string& seed : seeds) {
        for (std::size_t at = seed.find('<'); at != std::string::npos;
             at = seed.find('<', at + 1)) {
            std::size_t end = at + 1;
            while (end < seed.size() &&
                   (std::isalnum(static_cast<unsigned char>(seed[end])) || seed[end] == '_'))
                ++end;
            if (end > at + 1 && end < seed.size() && seed[end] == '>')
                names.insert(seed.substr(at + 1, end - at - 1));
        }
    }
    std::vector<std::string> tags;
    for (const std::string& name : names) {
        tags.push_back("<" + name + ">");
        tags.push_back("</" + name + ">");
    }
    return tags;
}
