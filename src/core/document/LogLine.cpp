#include "document/LogLine.h"

#include "document/DocumentHints.h"
#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "platform/TextOutput.h"

#include <charconv>

std::string LogLineForHint(const CScenewrightDoc& doc, int hint) {
    const std::string& pending = doc.GetPendingMessage();
    const CSwScene* current = doc.GetCurrentScene();
    switch (hint) {
    case SwHint::Reset:
        return "ドキュメントを初期化しました。";
    case SwHint::Opened:
        return pending.empty() ? "ドキュメントを開きました。" : pending;
    case SwHint::SceneAdded:
        return current ? sw::Format("Add:%d", current->id) : std::string();
    case SwHint::SelectionChanged:
        return current ? sw::Format("Select:%d", current->id) : "Unselected:";
    case SwHint::BuildFinished:
        return "-----ビルド終了-----";
    case SwHint::LogPlain:
        return pending;
    case SwHint::LogOk:
        return "ok: " + pending;
    case SwHint::LogError:
        return "error: " + pending;
    case SwHint::LogWarning:
        return "warning: " + pending;
    }
    return std::string();
}

LogLineKind LogLineKindForHint(int hint) {
    switch (hint) {
    case SwHint::LogOk:
        return LogLineKind::Ok;
    case SwHint::LogError:
        return LogLineKind::Error;
    case SwHint::LogWarning:
        return LogLineKind::Warning;
    }
    return LogLineKind::Plain;
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
