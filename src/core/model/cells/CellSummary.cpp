#include "model/cells/CellSummary.h"

#include "model/SwSettings.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwCommand.h"
#include "model/cells/SwDialogue.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

namespace {

class CFields {
public:
    explicit CFields(const CSwCommand& cell) : m_cell(cell) {}
    const std::string& Text(std::string_view key) const {
        static const std::string none;
        const std::size_t slot = m_cell.SlotOf(key);
        return slot < m_cell.Fields().size() ? m_cell.Text(slot) : none;
    }
    std::int32_t Integer(std::string_view key) const {
        const std::size_t slot = m_cell.SlotOf(key);
        return slot < m_cell.Fields().size() ? m_cell.Integer(slot) : 0;
    }

private:
    const CSwCommand& m_cell;
};

// One line: line ends within the text become blanks, those at its end go.
std::string OneLine(std::string_view text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.remove_suffix(1);
    std::string line;
    line.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        line += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
    }
    return line;
}

std::string FileName(std::string_view path) {
    return sw::paths::FileNameOf(sw::paths::ToForwardSlashes(path));
}

// "theme.ogg" for a named file, "（ファイルなし）" for none.
std::string FileOrNone(std::string_view path) {
    return path.empty() ? std::string("（ファイルなし）") : FileName(path);
}

std::string Fade(const char* word, std::int32_t on, std::int32_t time) {
    return on != 0 ? sw::Format("%s %dms", word, time) : std::string();
}

std::string TransitionText(const CFields& f) {
    static const char* const kMethods[] = {"ユニバーサル", "クロスフェード", "スクロール"};
    const std::int32_t method = f.Integer("method");
    std::string text = method >= 0 && method < 3 ? kMethods[method] : "切替";
    if (method == 0)
        text += " " + FileOrNone(f.Text("rule"));
    text += sw::Format(" %dms", f.Integer("time"));
    return text + "（" + LayerLabel(f.Text("layer")) + "）";
}

std::string DialogueText(const CFields& f, const CSwSettings& settings) {
    const CSwCharacter* speaker = settings.GetCharacterAt(f.Integer("charinf"));
    const std::string line = OneLine(f.Text("message"));
    if (speaker)
        return "「" + speaker->FullName() + "」" + line;
    const std::int32_t brackets = f.Integer("brackettype");
    return std::string(CSwDialogue::Bracket(brackets, false)) + line +
           std::string(CSwDialogue::Bracket(brackets, true));
}

} // namespace

std::string LayerLabel(std::string_view layer) {
    if (layer == "base")
        return "背景レイヤ";
    if (layer == "all")
        return "(全レイヤ)";
    if (layer.starts_with("message"))
        return "メッセージレイヤ" + std::string(layer.substr(7));
    if (!layer.empty() && layer.find_first_not_of("0123456789") == std::string_view::npos)
        return "前景レイヤ" + std::string(layer);
    return std::string(layer);
}

CellSummary SummarizeCell(const CSwObj& cell, const CSwSettings& settings) {
    CellSummary summary;
    const auto* command = dynamic_cast<const CSwCommand*>(&cell);
    if (command == nullptr)
        return summary;
    const CFields f(*command);
    std::string& content = summary.content;
    // The tooltip repeats the line, then the whole text or the full paths.
    std::string whole;
    const char* pathWord = "";
    std::string path;
    switch (cell.type) {
    case SwType::Message:
        content = OneLine(f.Text("message"));
        whole = f.Text("message");
        break;
    case SwType::Dialogue:
        content = DialogueText(f, settings);
        pathWord = "音声: ";
        path = f.Text("voice");
        break;
    case SwType::ImageLoad:
        content = FileOrNone(f.Text("image")) + "（" + LayerLabel(f.Text("layer")) + "）";
        path = f.Text("image");
        break;
    case SwType::Transition:
        content = TransitionText(f);
        if (f.Integer("method") == 0) {
            pathWord = "ルール画像: ";
            path = f.Text("rule");
        }
        break;
    case SwType::Layer:
    case SwType::CurrentLayer:
    case SwType::BackLay:
        content = LayerLabel(f.Text("layer"));
        break;
    case SwType::BgmPlay:
    case SwType::SePlay:
        content = FileOrNone(f.Text("storage"));
        if (const std::string fade = Fade("フェードイン", f.Integer("fadein"), f.Integer("time"));
            !fade.empty())
            content += "（" + fade + "）";
        path = f.Text("storage");
        break;
    case SwType::BgmStop:
    case SwType::SeStop:
        content = Fade("フェードアウト", f.Integer("fadeout"), f.Integer("time"));
        break;
    case SwType::Plugin:
        content = FileOrNone(f.Text("path"));
        path = f.Text("path");
        break;
    case SwType::Label:
        content = f.Text("label");
        if (!f.Text("headline").empty())
            content += "|" + f.Text("headline");
        break;
    case SwType::Eval:
        content = OneLine(f.Text("formula"));
        whole = f.Text("formula");
        break;
    case SwType::Tag:
        content = f.Integer("line") != 0 ? f.Text("tag") : "[" + f.Text("tag") + "]";
        break;
    case SwType::Script:
        content = OneLine(f.Text("text"));
        whole = f.Text("text");
        break;
    case SwType::Macro:
        content = f.Text("name");
        whole = f.Text("name") + "\n" + f.Text("text");
        break;
    case SwType::Particle:
        content = f.Text("classname");
        pathWord = "画像: ";
        path = f.Text("image");
        break;
    case SwType::Quake:
        content = sw::Format(f.Integer("timemode") == 1 ? "%d文字 横%d 縦%d" : "%dms 横%d 縦%d",
                             f.Integer("time"), f.Integer("hmax"), f.Integer("vmax"));
        break;
    case SwType::RightClick:
        content = f.Integer("callto_id") < 1
                      ? std::string("（飛び先が指定されていません）")
                      : sw::Format(f.Integer("call") != 0 ? "シーン番号%d をコール"
                                                          : "シーン番号%d へジャンプ",
                                   f.Integer("callto_id"));
        break;
    default:
        break;
    }
    summary.tooltip = whole.empty() ? content : whole;
    if (!path.empty())
        summary.tooltip += (summary.tooltip.empty() ? "" : "\n") + std::string(pathWord) + path;
    return summary;
}
