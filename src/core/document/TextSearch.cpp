#include "document/TextSearch.h"

#include "document/ProjectEdit.h"
#include "document/ScenewrightDoc.h"
#include "model/cells/SwCommand.h"
#include "platform/Cp932.h"

#include <cctype>

namespace {

bool IsWordByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && (std::isalnum(byte) != 0 || c == '_');
}

char Folded(char c, bool matchCase) {
    return matchCase || c < 'A' || c > 'Z' ? c : static_cast<char>(c - 'A' + 'a');
}

// The length of `needle` matched at `pos` (a character start), or 0. Trail
// bytes are compared as they are: folding one would change its character.
std::size_t MatchAt(std::string_view text, std::size_t pos, std::string_view needle,
                    bool matchCase) {
    std::size_t i = 0;
    while (i < needle.size()) {
        if (pos + i >= text.size())
            return 0;
        const std::size_t length = sw::cp932::CharLength(text, pos + i);
        if (length != sw::cp932::CharLength(needle, i))
            return 0;
        if (length == 1) {
            if (Folded(text[pos + i], matchCase) != Folded(needle[i], matchCase))
                return 0;
        } else if (text.substr(pos + i, length) != needle.substr(i, length)) {
            return 0;
        }
        i += length;
    }
    return i;
}

// The start of the character before `pos`, which is a character start.
std::size_t PreviousChar(std::string_view text, std::size_t pos) {
    std::size_t start = 0, previous = 0;
    while (start < pos) {
        previous = start;
        start += sw::cp932::CharLength(text, start);
    }
    return previous;
}

bool IsWholeWord(std::string_view text, std::size_t pos, std::size_t length) {
    const std::size_t end = pos + length;
    if (IsWordByte(text[pos]) && pos > 0) {
        const std::size_t before = PreviousChar(text, pos);
        if (pos - before == 1 && IsWordByte(text[before]))
            return false;
    }
    const std::size_t last = PreviousChar(text, end);
    return !(end - last == 1 && IsWordByte(text[last]) && end < text.size() &&
             sw::cp932::CharLength(text, end) == 1 && IsWordByte(text[end]));
}

// Offsets of the matches in one text.
std::vector<std::size_t> MatchesIn(std::string_view text, std::string_view needle,
                                   SearchOptions options) {
    std::vector<std::size_t> found;
    if (needle.empty())
        return found;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = MatchAt(text, pos, needle, options.matchCase);
        if (length != 0 && (!options.wholeWord || IsWholeWord(text, pos, length))) {
            found.push_back(pos);
            pos += length;
        } else {
            pos += sw::cp932::CharLength(text, pos);
        }
    }
    return found;
}

std::string LineAround(std::string_view text, std::size_t pos) {
    const std::size_t start = text.find_last_of("\r\n", pos);
    const std::size_t from = start == std::string_view::npos ? 0 : start + 1;
    const std::size_t end = text.find_first_of("\r\n", pos);
    return std::string(text.substr(from, end == std::string_view::npos ? end : end - from));
}

struct TextPlace {
    std::int32_t sceneId;
    int cell;
    const char* field;
};

// Calls `visit(place, text)` for every searchable text, which it may
// change; `touch(scene, cell)` is told before a text of the scene (cell
// null) or of the cell changes.
template <typename Visit, typename Touch>
void ForEachText(CScenewrightDoc& doc, Visit visit, Touch touch) {
    const auto visitCopy = [&](const TextPlace& place, std::string& field, CSwScene& scene,
                               CSwObj* cell) {
        std::string text = field;
        visit(place, text);
        if (text != field) {
            touch(scene, cell);
            field = std::move(text);
        }
    };
    for (const auto& scene : doc.GetScenes()) {
        const std::pair<const char*, std::string*> fields[] = {
            {"title", &scene->title},     {"hint", &scene->hint},
            {"comment", &scene->comment}, {"exp", &scene->exp},
            {"expcond", &scene->expcond}, {"expmycond", &scene->expmycond},
            {"onenter", &scene->onenter}, {"onleave", &scene->onleave},
        };
        for (const auto& [field, text] : fields)
            visitCopy(TextPlace{scene->id, -1, field}, *text, *scene, nullptr);
        for (int index = 0; index < scene->GetCellCount(); ++index) {
            CSwObj& cell = *scene->GetCellAt(index);
            visitCopy(TextPlace{scene->id, index, "comment"}, cell.comment, *scene, &cell);
            auto* command = dynamic_cast<CSwCommand*>(&cell);
            if (command == nullptr)
                continue;
            const auto table = command->Fields();
            for (std::size_t slot = 0; slot < table.size(); ++slot) {
                if (table[slot].kind != FieldKind::Text)
                    continue;
                std::string text = command->Text(slot);
                visit(TextPlace{scene->id, index, table[slot].key}, text);
                if (text != command->Text(slot)) {
                    touch(*scene, &cell);
                    command->SetText(slot, text);
                }
            }
        }
    }
}

// Records each scene and cell a replacement changes.
auto Toucher(CProjectEdit& edit) {
    return [&edit](CSwScene& scene, CSwObj* cell) {
        if (cell)
            edit.TouchCell(scene, *cell);
        else
            edit.TouchScene(scene);
    };
}

std::string Replaced(std::string_view text, const std::vector<std::size_t>& offsets,
                     std::size_t length, std::string_view replacement) {
    std::string out;
    std::size_t from = 0;
    for (const std::size_t offset : offsets) {
        out.append(text.substr(from, offset - from));
        out.append(replacement);
        from = offset + length;
    }
    out.append(text.substr(from));
    return out;
}

} // namespace

std::vector<TextMatch> FindText(const CScenewrightDoc& doc, std::string_view needle,
                                SearchOptions options) {
    std::vector<TextMatch> matches;
    // Nothing is changed: the visit only reads.
    ForEachText(
        const_cast<CScenewrightDoc&>(doc),
        [&](const TextPlace& place, std::string& text) {
            for (const std::size_t offset : MatchesIn(text, needle, options))
                matches.push_back(TextMatch{place.sceneId, place.cell, place.field, offset,
                                            needle.size(), LineAround(text, offset)});
        },
        [](CSwScene&, CSwObj*) {});
    return matches;
}

bool ReplaceMatch(CScenewrightDoc& doc, const TextMatch& match, std::string_view needle,
                  std::string_view replacement, SearchOptions options) {
    bool replaced = false;
    CProjectEdit edit(doc, SwEdit::ReplaceText);
    ForEachText(
        doc,
        [&](const TextPlace& place, std::string& text) {
            if (replaced || place.sceneId != match.sceneId || place.cell != match.cell ||
                match.field != place.field)
                return;
            // Only a match that the search would still find there.
            for (const std::size_t offset : MatchesIn(text, needle, options)) {
                if (offset == match.offset) {
                    text = Replaced(text, {offset}, needle.size(), replacement);
                    replaced = true;
                    return;
                }
            }
        },
        Toucher(edit));
    edit.Commit();
    return replaced;
}

int ReplaceAll(CScenewrightDoc& doc, std::string_view needle, std::string_view replacement,
               SearchOptions options) {
    int count = 0;
    CProjectEdit edit(doc, SwEdit::ReplaceText);
    ForEachText(
        doc,
        [&](const TextPlace&, std::string& text) {
            const std::vector<std::size_t> offsets = MatchesIn(text, needle, options);
            if (offsets.empty())
                return;
            text = Replaced(text, offsets, needle.size(), replacement);
            count += static_cast<int>(offsets.size());
        },
        Toucher(edit));
    edit.Commit();
    return count;
}
