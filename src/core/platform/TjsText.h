#pragma once

#include <string>
#include <string_view>

// `text` made safe inside a TJS double-quoted string: '"' and '\\' get a
// backslash. Walks CP932 characters, so the 0x5C trail byte of ソ or 表 stays.
std::string EscapeTjsString(std::string_view text);
