#pragma once

// Reading and writing one value of an INI file the way Windows programs
// do: section and key names are compared without regard to ASCII case, and
// a value written in quotes is read without them. Texts are CP932 bytes.

#include <string>
#include <string_view>

namespace sw::ini {

// The value of `key` in `section`, or `fallback` when the file, the section
// or the key is missing.
std::string ReadString(std::string_view path, std::string_view section, std::string_view key,
                       std::string_view fallback = {});

// Sets `key` in `section` to `value` exactly as given, keeping every other
// line; creates the file, the section or the key as needed. The file is
// replaced atomically; false when it could not be written.
bool WriteString(std::string_view path, std::string_view section, std::string_view key,
                 std::string_view value);

} // namespace sw::ini
