#include "platform/IniFile.h"

#include "platform/Cp932.h"
#include "platform/Files.h"

#include <vector>

namespace sw::ini {
namespace {

using cp932::Trim;

struct Line {
    std::string_view text; // without its line end
    std::string_view end;
};

std::vector<Line> SplitLines(std::string_view contents) {
    std::vector<Line> lines;
    while (!contents.empty()) {
        std::size_t stop = contents.find_first_of("\r\n");
        if (stop == std::string_view::npos) {
            lines.push_back({contents, {}});
            break;
        }
        std::size_t endLength = contents.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({contents.substr(0, stop), contents.substr(stop, endLength)});
        contents.remove_prefix(stop + endLength);
    }
    return lines;
}

// The section name when `line` is a section header.
bool SectionHeader(std::string_view line, std::string_view& name) {
    line = Trim(line);
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
        return false;
    name = Trim(line.substr(1, line.size() - 2));
    return true;
}

bool KeyLine(std::string_view line, std::string_view key, std::string_view* value) {
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos ||
        !cp932::EqualsIgnoreAsciiCase(Trim(line.substr(0, equals)), key))
        return false;
    if (value)
        *value = Trim(line.substr(equals + 1));
    return true;
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

} // namespace

std::string ReadString(std::string_view path, std::string_view section, std::string_view key,
                       std::string_view fallback) {
    std::string contents;
    // A pipe or device under the name is never waited on.
    if (!files::ReadWholeFile(path, contents, files::kTextFileLimit))
        return std::string(fallback);
    bool inSection = false;
    for (const Line& line : SplitLines(contents)) {
        std::string_view name;
        std::string_view value;
        if (SectionHeader(line.text, name))
            inSection = cp932::EqualsIgnoreAsciiCase(name, section);
        else if (inSection && KeyLine(line.text, key, &value))
            return std::string(Unquoted(value));
    }
    return std::string(fallback);
}

bool WriteString(std::string_view path, std::string_view section, std::string_view key,
                 std::string_view value) {
    std::string contents;
    files::ReadProblem problem = files::ReadProblem::None;
    // A missing file is an empty one; anything else that cannot be read is
    // not replaced by a file that would lose its contents.
    if (!files::ReadWholeFile(path, contents, files::kTextFileLimit, &problem) &&
        problem != files::ReadProblem::Missing)
        return false;
    const std::vector<Line> lines = SplitLines(contents);
    const std::string_view newline =
        lines.empty() || lines.front().end.empty() ? std::string_view("\r\n") : lines.front().end;
    const std::string keyLine = std::string(key) + "=" + std::string(value);

    std::string written;
    bool inSection = false;
    bool done = false;
    std::size_t endOfSection = std::string::npos; // where a new key goes
    for (const Line& line : lines) {
        std::string_view name;
        if (SectionHeader(line.text, name)) {
            inSection = !done && cp932::EqualsIgnoreAsciiCase(name, section);
        } else if (inSection && !done && KeyLine(line.text, key, nullptr)) {
            written.append(keyLine).append(line.end.empty() ? newline : line.end);
            done = true;
            continue;
        }
        written.append(line.text).append(line.end.empty() ? newline : line.end);
        if (inSection && !Trim(line.text).empty())
            endOfSection = written.size();
    }
    if (!done && endOfSection != std::string::npos) {
        written.insert(endOfSection, keyLine + std::string(newline));
    } else if (!done) {
        written.append("[").append(section).append("]").append(newline);
        written.append(keyLine).append(newline);
    }
    return files::WriteFileAtomically(path, written);
}

} // namespace sw::ini
