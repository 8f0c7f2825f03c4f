#include "model/Values.h"

#include <charconv>
#include <limits>

namespace sw {
namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z')
        return c - 'A' + 10;
    return 99;
}

bool IsSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

} // namespace

std::int32_t ParseInteger(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    int base = 10;
    if (pos + 1 < text.size() && text[pos] == '0' &&
        (text[pos + 1] == 'x' || text[pos + 1] == 'X') && pos + 2 < text.size() &&
        DigitValue(text[pos + 2]) < 16) {
        base = 16;
        pos += 2;
    } else if (pos < text.size() && text[pos] == '0') {
        base = 8;
    }
    constexpr std::int64_t kCap = std::int64_t{1} << 40;
    std::int64_t value = 0;
    for (; pos < text.size() && DigitValue(text[pos]) < base; ++pos)
        value = std::min(kCap, value * base + DigitValue(text[pos]));
    if (negative)
        value = -value;
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kMax = std::numeric_limits<std::uint32_t>::max();
    if (value < kMin)
        return std::numeric_limits<std::int32_t>::min();
    if (value > kMax)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

double ParseReal(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size() && IsSpace(text[pos]))
        ++pos;
    if (pos < text.size() && text[pos] == '+')
        ++pos;
    double value = 0.0;
    auto result = std::from_chars(text.data() + pos, text.data() + text.size(), value);
    if (result.ec != std::errc())
        return 0.0;
    return value;
}

std::string FixedDecimal(double value) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, static_cast<std::size_t>(result.ptr - buffer));
}

std::string TrimQuotes(std::string_view text) {
    if (!text.empty() && text.front() == '"')
        text.remove_prefix(1);
    if (!text.empty() && text.back() == '"')
        text.remove_suffix(1);
    return std::string(text);
}

} // namespace sw
