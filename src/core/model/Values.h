#pragma once

// Conversions that every reader of the project file applies to value texts.

#include <cstdint>
#include <string>
#include <string_view>

namespace sw {

// strtol with base 0: decimal, "0x" hexadecimal, a leading 0 octal, stopping
// at the first character that does not fit; no digits give 0. Values up to
// 0xFFFFFFFF wrap into int32 (so an unsigned value line reads back to the
// int32 that wrote it); anything further out is clamped.
std::int32_t ParseInteger(std::string_view text);

// Flags hold 1 for any non-zero value.
inline std::int32_t ParseFlag(std::string_view text) {
    return ParseInteger(text) != 0 ? 1 : 0;
}

double ParseReal(std::string_view text);

// "%f" without the locale: six decimals in fixed notation, '.' as the point.
// The editor runs under the user's locale, the engine and the file need '.'.
std::string FixedDecimal(double value);

// Removes the pair of double quotes a text value was written in: one leading
// and one trailing quote, each where present.
std::string TrimQuotes(std::string_view text);

// Colours are 0x00BBGGRR in memory and 0xRRGGBB in files and KAG text.
inline std::int32_t SwapRedBlue(std::int32_t colour) {
    auto c = static_cast<std::uint32_t>(colour);
    return static_cast<std::int32_t>((c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu));
}

} // namespace sw
