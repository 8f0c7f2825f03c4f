#include "platform/Paths.h"

#include "platform/Cp932.h"

#include <vector>

namespace sw::paths {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::vector<std::string> SplitComponents(std::string_view path) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            if (pos > start)
                parts.emplace_back(path.substr(start, pos - start));
            start = pos + 1;
        }
    }
    return parts;
}

// Root text ("/", "C:/", "//" for UNC) and the rest, of a path with '/'.
std::pair<std::string, std::string_view> SplitRoot(std::string_view path) {
    if (HasDriveLetter(path)) {
        bool rooted = path.size() > 2 && path[2] == '/';
        return {std::string(path.substr(0, rooted ? 3 : 2)), path.substr(rooted ? 3 : 2)};
    }
    if (path.starts_with("//"))
        return {"//", path.substr(2)};
    if (path.starts_with("/"))
        return {"/", path.substr(1)};
    return {"", path};
}

} // namespace

bool HasDriveLetter(std::string_view path) {
    return path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

bool IsAbsolute(std::string_view path) {
    return HasDriveLetter(path) || (!path.empty() && IsSeparator(path[0]));
}

std::string ToForwardSlashes(std::string_view path) {
    return cp932::ReplaceChar(path, '\\', '/');
}

std::string Normalize(std::string_view rawPath) {
    std::string withSlashes = ToForwardSlashes(rawPath);
    auto [root, rest] = SplitRoot(withSlashes);
    std::vector<std::string> kept;
    for (std::string& part : SplitComponents(rest)) {
        if (part == ".")
            continue;
        if (part == "..") {
            if (!kept.empty() && kept.back() != "..")
                kept.pop_back();
            else if (root.empty())
                kept.push_back(part);
            continue;
        }
        kept.push_back(std::move(part));
    }
    std::string result = root;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0)
            result += '/';
        result += kept[i];
    }
    if (result.empty())
        return ".";
    return result;
}

std::string Join(std::string_view folder, std::string_view relative) {
    if (folder.empty())
        return Normalize(relative);
    std::string joined(folder);
    joined += '/';
    joined += relative;
    return Normalize(joined);
}

std::string FolderOf(std::string_view path) {
    std::size_t sep = cp932::FindLastOf(path, "/\\");
    if (sep == std::string_view::npos)
        return HasDriveLetter(path) ? std::string(path.substr(0, 2)) : std::string();
    return std::string(path.substr(0, sep + 1));
}

std::string FileNameOf(std::string_view path) {
    std::size_t sep = cp932::FindLastOf(path, "/\\");
    if (sep == std::string_view::npos)
        return std::string(HasDriveLetter(path) ? path.substr(2) : path);
    return std::string(path.substr(sep + 1));
}

std::string StemOf(std::string_view path) {
    std::string name = FileNameOf(path);
    std::size_t dot = cp932::FindLastOf(name, ".");
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string ExtensionOf(std::string_view path) {
    std::string name = FileNameOf(path);
    std::size_t dot = cp932::FindLastOf(name, ".");
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::optional<std::string> Relative(std::string_view path, std::string_view folder) {
    if (!IsAbsolute(path) || !IsAbsolute(folder))
        return std::nullopt;
    std::string normPath = Normalize(path);
    std::string normFolder = Normalize(folder);
    auto [pathRoot, pathRest] = SplitRoot(normPath);
    auto [folderRoot, folderRest] = SplitRoot(normFolder);
    if (pathRoot != folderRoot)
        return std::nullopt;
    std::vector<std::string> to = SplitComponents(pathRest);
    std::vector<std::string> from = SplitComponents(folderRest);
    std::size_t common = 0;
    while (common < to.size() && common < from.size() && to[common] == from[common])
        ++common;
    std::string result;
    if (common == from.size())
        result = ".";
    for (std::size_t i = common; i < from.size(); ++i)
        result += (result.empty() ? ".." : "/..");
    for (std::size_t i = common; i < to.size(); ++i) {
        result += '/';
        result += to[i];
    }
    return result;
}

bool IsInside(std::string_view path, std::string_view folder) {
    const std::optional<std::string> relative = Relative(Normalize(path), Normalize(folder));
    return relative && (*relative == "." || *relative == "./" || relative->starts_with("./"));
}

} // namespace sw::paths
