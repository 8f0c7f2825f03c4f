#pragma once

#include <string>
#include <string_view>

// Author text inside a double-quoted KAG attribute value: a backtick before
// '"' and before a backtick. CP932-aware, as a trail byte may be 0x60.
std::string EscapeKagAttribute(std::string_view text);

// Author text shown as scenario text: a literal '[' is written "[[".
std::string EscapeKagText(std::string_view text);
