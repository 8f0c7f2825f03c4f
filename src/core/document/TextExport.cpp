#include "document/TextExport.h"

#include "document/CellFields.h"
#include "document/ProjectEdit.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwCharacter.h"
#include "platform/Cp932.h"
#include "platform/TextOutput.h"

#include <cstdint>
#include <cstdlib>
#include <unordered_map>

namespace {

const char kHeader[] = "key\tkind\tspeaker\tcomment\ttext\n";

const char* KindOf(const CSwObj& cell) {
    if (cell.type == SwType::Message)
        return "message";
    return cell.type == SwType::Dialogue ? "dialogue" : nullptr;
}

// UTF-8, escaped for one TSV field. Bytes that are no CP932 text keep
// their display form, which an import then recognises as unedited.
std::string Field(std::string_view cp932) {
    std::string utf8;
    if (!sw::cp932::ToUtf8(cp932, utf8))
        utf8 = sw::cp932::ToUtf8ForDisplay(cp932);
    std::string out;
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
            break;
        }
    }
    return out;
}

std::string Unescaped(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char next = field[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
    }
    return out;
}

std::string SpeakerOf(const CScenewrightDoc& doc, const CSwObj& cell) {
    if (cell.type != SwType::Dialogue)
        return {};
    const CSwCharacter* speaker =
        doc.GetSettings().GetCharacterAt(CellInteger(cell, "charinf", -1));
    return speaker ? speaker->FullName() : std::string();
}

std::string Row(const CScenewrightDoc& doc, const CSwScene& scene, int index) {
    const CSwObj& cell = *scene.GetCellAt(index);
    return sw::Format("%d:%d\t%s\t", scene.id, index, KindOf(cell)) + Field(SpeakerOf(doc, cell)) +
           "\t" + Field(cell.comment) + "\t" + Field(CellText(cell, "message")) + "\n";
}

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t end; (end = line.find(separator, start)) != std::string_view::npos;
         start = end + 1)
        parts.push_back(line.substr(start, end - start));
    parts.push_back(line.substr(start));
    return parts;
}

// The cell a key "scene:cell" names, or null.
CSwObj* CellOfKey(const CScenewrightDoc& doc, std::string_view key, const CSwScene** scene,
                  int* index) {
    const std::vector<std::string_view> parts = Split(key, ':');
    if (parts.size() != 2)
        return nullptr;
    const std::string sceneText(parts[0]), cellText(parts[1]);
    char* end = nullptr;
    const long sceneId = std::strtol(sceneText.c_str(), &end, 10);
    if (sceneText.empty() || *end != '\0' || sceneId < 1 || sceneId > INT32_MAX)
        return nullptr;
    const long cell = std::strtol(cellText.c_str(), &end, 10);
    if (cellText.empty() || *end != '\0')
        return nullptr;
    *scene = doc.FindScene(static_cast<std::int32_t>(sceneId));
    if (*scene == nullptr || cell < 0 || cell >= (*scene)->GetCellCount())
        return nullptr;
    *index = static_cast<int>(cell);
    return (*scene)->GetCellAt(*index);
}

// `edited` (CP932 as converted from the table) with the bytes `original`
// used for its characters: a character that CP932 spells twice (the NEC
// and IBM duplicates, 0x879A and 0x81E6 for one) comes back from Unicode in
// one spelling only, and an edit elsewhere in the text must not change it.
std::string KeepingOriginalSpellings(std::string_view original, std::string edited) {
    std::unordered_map<std::string, std::string> spelling; // canonical -> original
    std::unordered_map<std::string, bool> ambiguous;
    std::string utf8, canonical;
    for (std::size_t pos = 0; pos < original.size();) {
        const std::size_t length = sw::cp932::CharLength(original, pos);
        const std::string_view character = original.substr(pos, length);
        pos += length;
        // Only these rows hold a duplicate or the spelling it becomes.
        const auto lead = static_cast<unsigned char>(character[0]);
        if (length != 2 || (lead != 0x81 && lead != 0x87 && lead < 0xED) ||
            !sw::cp932::ToUtf8(character, utf8) || !sw::cp932::FromUtf8(utf8, canonical))
            continue;
        if (canonical != character) {
            const auto [at, added] = spelling.emplace(canonical, character);
            if (!added && at->second != character)
                ambiguous[canonical] = true;
        } else {
            ambiguous[canonical] = true; // both spellings in one text
        }
    }
    for (const auto& [key, both] : ambiguous)
        spelling.erase(key);
    if (spelling.empty())
        return edited;
    for (std::size_t pos = 0; pos < edited.size();) {
        const std::size_t length = sw::cp932::CharLength(edited, pos);
        if (length == 2) {
            const auto found = spelling.find(edited.substr(pos, 2));
            if (found != spelling.end())
                edited.replace(pos, 2, found->second);
        }
        pos += length;
    }
    return edited;
}

// The first control character that no project file can hold.
int ControlCharacterIn(std::string_view text) {
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r')
            return b;
    }
    return -1;
}

} // namespace

std::string ExportTexts(const CScenewrightDoc& doc) {
    std::string out = kHeader;
    for (const auto& scene : doc.GetScenes()) {
        for (int i = 0; i < scene->GetCellCount(); ++i) {
            if (KindOf(*scene->GetCellAt(i)))
                out += Row(doc, *scene, i);
        }
    }
    return out;
}

TextImportResult ImportTexts(CScenewrightDoc& doc, std::string_view tsv) {
    TextImportResult result;
    CProjectEdit edit(doc, SwEdit::ImportTexts);
    std::vector<std::string_view> lines = Split(tsv, '\n');
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::string_view line = lines[n];
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || (n == 0 && std::string(line) + "\n" == kHeader))
            continue;
        const auto refuse = [&](const char* reason) {
            result.refused.push_back(sw::Format("%zu行目: %s", n + 1, reason));
        };
        const std::vector<std::string_view> fields = Split(line, '\t');
        if (fields.size() != 5) {
            refuse("列の数が 5 ではありません。");
            continue;
        }
        const CSwScene* scene = nullptr;
        int index = 0;
        CSwObj* cell = CellOfKey(doc, fields[0], &scene, &index);
        const std::string current = cell && KindOf(*cell) ? Row(doc, *scene, index) : "";
        const std::vector<std::string_view> now = Split(current, '\t');
        if (cell == nullptr || !KindOf(*cell) || fields[1] != now[1] || fields[2] != now[2]) {
            refuse("キーの指すセルの種類か話者が書き出したときと違います。");
            continue;
        }
        if (std::string(fields[4]) + "\n" == now[4])
            continue;
        std::string text;
        if (!sw::cp932::FromUtf8(Unescaped(fields[4]), text)) {
            refuse("Shift_JIS で表せない文字があります。");
            continue;
        }
        if (const int control = ControlCharacterIn(text); control >= 0) {
            refuse(sw::Format("制御文字 (0x%02X) があります。", control).c_str());
            continue;
        }
        std::size_t slot = 0;
        if (CSwCommand* command = CellWithField(*cell, "message", slot)) {
            text = KeepingOriginalSpellings(command->Text(slot), std::move(text));
            edit.TouchCell(const_cast<CSwScene&>(*scene), *command);
            command->SetText(slot, text);
            ++result.changed;
        }
    }
    edit.Commit();
    return result;
}
