#pragma once

// Value encodings of the project file that do not belong to one object.

#include <string>
#include <string_view>

// Replaces " & < > by their entities and CR by a character reference; every
// other byte is copied. No trail byte of a CP932 character equals one of
// them, so characters pass whole.
std::string EscapeXmlText(std::string_view text);

// `path` relative to `folder` ("./bgm/a.ogg", "../other/b.png"); a path with
// no relative form (another drive, a relative input) is returned unchanged.
std::string MakeRelativePath(std::string_view path, std::string_view folder);

// A stored path made absolute against `folder`. '\\' separators of projects
// made on Windows become '/'; a path that is already absolute (a drive letter
// or a leading separator) comes back unchanged.
std::string MakeAbsolutePath(std::string_view storedPath, std::string_view folder);
