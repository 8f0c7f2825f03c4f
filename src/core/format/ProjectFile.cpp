#include "format/ProjectFile.h"

#include "platform/Paths.h"

std::string EscapeXmlText(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '"':
            escaped += "&quot;";
            break;
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '\r':
            // A CR written as it is would be read back as a line end.
            escaped += "&#13;";
            break;
        default:
            escaped += c;
            break;
        }
    }
    return escaped;
}

std::string MakeRelativePath(std::string_view path, std::string_view folder) {
    if (path.empty())
        return std::string();
    std::optional<std::string> relative = sw::paths::Relative(path, folder);
    if (!relative)
        return std::string(path);
    return *relative;
}

std::string MakeAbsolutePath(std::string_view storedPath, std::string_view folder) {
    if (storedPath.empty())
        return std::string();
    if (sw::paths::IsAbsolute(storedPath))
        return std::string(storedPath);
    return sw::paths::Join(folder, sw::paths::ToForwardSlashes(storedPath));
}
