#include "document/LogLine.h"

#include "document/DocumentUpdate.h"
#include "platform/Cp932.h"
#include "platform/TextOutput.h"

#include <charconv>

std::string LogLineText(SwLog kind, std::string_view message) {
    switch (kind) {
    case SwLog::Ok:
        return "ok: " + std::string(message);
    case SwLog::Error:
        return "error: " + std::string(message);
    case SwLog::Warning:
        return "warning: " + std::string(message);
    case SwLog::Plain:
        break;
    }
    return std::string(message);
}

namespace {

// The decimal number at `pos`, moving past it; false when there is none.
template <typename Number> bool ReadNumber(std::string_view text, std::size_t& pos, Number& value) {
    const char* end = text.data() + text.size();
    const auto [after, error] = std::from_chars(text.data() + pos, end, value);
    if (error != std::errc() || after == text.data() + pos)
        return false;
    pos = static_cast<std::size_t>(after - text.data());
    return true;
}

} // namespace

bool PlaceOfLogLine(std::string_view line, std::int32_t& sceneId, int& cell) {
    const std::string_view sceneWord = "シーン番号";
    const std::string_view cellWord = " セル";
    std::size_t pos = sw::cp932::Find(line, sceneWord);
    if (pos == std::string_view::npos)
        return false;
    pos += sceneWord.size();
    std::int32_t id = 0;
    if (!ReadNumber(line, pos, id) || id < 1)
        return false;
    sceneId = id;
    cell = -1;
    if (line.substr(pos, cellWord.size()) == cellWord) {
        pos += cellWord.size();
        int index = -1;
        if (ReadNumber(line, pos, index))
            cell = index;
    }
    return true;
}
