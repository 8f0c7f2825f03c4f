#pragma once

// Lexical path operations on CP932 path texts. Paths are held with '/';
// a '\\' from a project made on Windows is accepted wherever a path is read.

#include <optional>
#include <string>
#include <string_view>

namespace sw::paths {

// "C:\..." or "C:/..." as stored by the Windows program.
bool HasDriveLetter(std::string_view path);
// A drive letter, a leading '/' or a leading '\\'.
bool IsAbsolute(std::string_view path);

// Turns every '\\' separator into '/', leaving trail bytes of double-byte
// characters (ソ, 表, ...) alone.
std::string ToForwardSlashes(std::string_view path);

// Collapses doubled separators and "." and ".." components. A ".." that would
// climb above an absolute root is dropped; leading ".." of relative paths stay.
std::string Normalize(std::string_view path);

// `folder` joined with `relative`, normalised.
std::string Join(std::string_view folder, std::string_view relative);

// The folder part including its trailing separator ("" when there is none).
std::string FolderOf(std::string_view path);
std::string FileNameOf(std::string_view path);
// File name without its extension.
std::string StemOf(std::string_view path);
// The extension with its dot ("" when there is none).
std::string ExtensionOf(std::string_view path);

// The relative form of absolute `path` seen from absolute `folder`, with
// "./" or "../" in front; nullopt where there is none (for example a drive
// letter on one side only).
std::optional<std::string> Relative(std::string_view path, std::string_view folder);
// Absolute `path` is `folder` itself or below it.
bool IsInside(std::string_view path, std::string_view folder);

} // namespace sw::paths
