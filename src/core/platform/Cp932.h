#pragma once

// CP932 (Windows code page 932) helpers. All project text is held as CP932
// bytes; these functions are the only place where it meets other encodings.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sw::cp932 {

inline bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Length in bytes of the character at `pos`: 2 for a lead byte followed by
// another byte, 1 otherwise.
std::size_t CharLength(std::string_view text, std::size_t pos);

// Conversions through iconv's CP932 table. On failure `out` is unspecified and
// `badOffset` (when given) receives the byte offset of the offending input.
bool ToUtf8(std::string_view cp932, std::string& out, std::size_t* badOffset = nullptr);
bool FromUtf8(std::string_view utf8, std::string& out, std::size_t* badOffset = nullptr);

// For terminals and log views only: undecodable bytes become '?'.
std::string ToUtf8ForDisplay(std::string_view cp932);

bool IsValid(std::string_view cp932, std::size_t* badOffset = nullptr);
// `text` with every character that is not CP932 (a byte that is none, or a
// lead byte and its trail that form none) replaced by `replacement`; the
// byte offsets of those characters in `text` go to `offsets`.
std::string ReplaceInvalid(std::string_view text, std::string_view replacement,
                           std::vector<std::size_t>* offsets = nullptr);
// Well-formed UTF-8 byte structure (overlong forms aside).
bool IsValidUtf8(std::string_view text);

// Byte-wise searches and edits that never mistake a trail byte (0x40..0xFC,
// which includes '\\' and ASCII letters) for a character of its own.
std::size_t FindLastOf(std::string_view text, std::string_view chars);
// `text` without the ASCII `blanks` at its ends (or its start). Blanks and
// control characters are never trail bytes, so bytes are compared directly.
std::string_view Trim(std::string_view text, std::string_view blanks = " \t\r\n");
std::string_view TrimStart(std::string_view text, std::string_view blanks = " \t\r\n");
// The first whole-character match of `needle` at or after `from`.
std::size_t Find(std::string_view text, std::string_view needle, std::size_t from = 0);
bool StartsWith(std::string_view text, std::string_view prefix);
// True only when the match begins on a character of its own.
bool EndsWith(std::string_view text, std::string_view suffix);
std::string ReplaceChar(std::string_view text, char from, char to);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view text);
// `escape` put before every single-byte character of `text` found in `chars`.
std::string EscapeChars(std::string_view text, std::string_view chars, char escape);

} // namespace sw::cp932
