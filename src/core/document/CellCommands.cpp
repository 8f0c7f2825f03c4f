#include "document/CellCommands.h"

#include "document/ProjectEdit.h"
#include "format/XmlDocument.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCommand.h"
#include "platform/TextOutput.h"

#include <algorithm>

namespace sw::cells {

namespace {

// Valid positions, ascending, each once.
std::vector<int> Cleaned(const CSwScene& scene, std::vector<int> positions) {
    std::erase_if(positions, [&](int p) { return p < 0 || p >= scene.GetCellCount(); });
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

// Takes the cells out, bottom up, forgetting the current cell if it goes.
std::vector<std::unique_ptr<CSwObj>> TakeOut(CScenewrightDoc& doc, CSwScene& scene,
                                             const std::vector<int>& sorted) {
    std::vector<std::unique_ptr<CSwObj>> taken;
    taken.reserve(sorted.size());
    // One pass that closes the gaps, however many cells go.
    auto& cells = scene.cells;
    std::size_t kept = static_cast<std::size_t>(sorted.front());
    auto next = sorted.begin();
    for (std::size_t i = kept; i < cells.size(); ++i) {
        if (next != sorted.end() && static_cast<std::size_t>(*next) == i) {
            if (doc.GetCurrentCell() == cells[i].get())
                doc.SetCurrentCell(nullptr);
            taken.push_back(std::move(cells[i]));
            ++next;
        } else {
            cells[kept++] = std::move(cells[i]);
        }
    }
    cells.resize(kept);
    return taken;
}

int Inserted(CSwScene& scene, int position, std::vector<std::unique_ptr<CSwObj>> cells) {
    if (position < 0 || position > scene.GetCellCount())
        position = scene.GetCellCount();
    std::erase(cells, nullptr);
    scene.cells.insert(scene.cells.begin() + position, std::make_move_iterator(cells.begin()),
                       std::make_move_iterator(cells.end()));
    return position;
}

} // namespace

// Clone starts the base part fresh; the comment is the author's note shown
// in the list and written to the clipboard, so a copy keeps it.
std::unique_ptr<CSwObj> CopyOfCell(const CSwObj& cell) {
    std::unique_ptr<CSwObj> copy = cell.Clone();
    copy->comment = cell.comment;
    return copy;
}

bool CopyCells(CScenewrightDoc& doc, const CSwScene& scene, std::vector<int> positions) {
    positions = Cleaned(scene, std::move(positions));
    if (positions.empty())
        return false;
    auto& buffer = doc.GetCopyBuffer();
    buffer.clear();
    for (int p : positions)
        buffer.push_back(CopyOfCell(*scene.GetCellAt(p)));
    return true;
}

namespace {

int RemoveCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions, SwEdit kind) {
    positions = Cleaned(scene, std::move(positions));
    if (positions.empty())
        return -1;
    CProjectEdit edit(doc, kind);
    edit.TouchCellList(scene);
    for (auto& cell : TakeOut(doc, scene, positions))
        edit.Park(std::move(cell));
    edit.Commit();
    return std::min(positions.front(), scene.GetCellCount() - 1);
}

int AddCells(CScenewrightDoc& doc, CSwScene& scene, int position,
             std::vector<std::unique_ptr<CSwObj>> cells, SwEdit kind) {
    if (std::all_of(cells.begin(), cells.end(), [](const auto& cell) { return !cell; }))
        return -1;
    CProjectEdit edit(doc, kind);
    edit.TouchCellList(scene);
    const int first = Inserted(scene, position, std::move(cells));
    edit.Commit();
    return first;
}

} // namespace

int CutCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions) {
    if (!CopyCells(doc, scene, positions))
        return -1;
    return RemoveCells(doc, scene, std::move(positions), SwEdit::CutCells);
}

int DeleteCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions) {
    return RemoveCells(doc, scene, std::move(positions), SwEdit::DeleteCells);
}

int InsertCells(CScenewrightDoc& doc, CSwScene& scene, int position,
                std::vector<std::unique_ptr<CSwObj>> cells) {
    return AddCells(doc, scene, position, std::move(cells), SwEdit::AddCells);
}

int PasteCells(CScenewrightDoc& doc, CSwScene& scene, int position) {
    std::vector<std::unique_ptr<CSwObj>> copies;
    for (const auto& cell : doc.GetCopyBuffer())
        copies.push_back(CopyOfCell(*cell));
    return AddCells(doc, scene, position, std::move(copies), SwEdit::PasteCells);
}

int MoveCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions, int position) {
    positions = Cleaned(scene, std::move(positions));
    if (positions.empty())
        return -1;
    if (position < 0 || position > scene.GetCellCount())
        position = scene.GetCellCount();
    // The moved cells leave gaps above the target.
    const auto above = std::lower_bound(positions.begin(), positions.end(), position);
    const int target = position - static_cast<int>(above - positions.begin());
    const int first = positions.front();
    const bool contiguous = positions.back() - first + 1 == static_cast<int>(positions.size());
    if (contiguous && target == first)
        return first;
    CProjectEdit edit(doc, SwEdit::MoveCells);
    edit.TouchCellList(scene);
    CSwObj* current = doc.GetCurrentCell();
    Inserted(scene, target, TakeOut(doc, scene, positions));
    doc.SetCurrentCell(current);
    edit.Commit();
    return target;
}

std::string CellsToText(const std::vector<std::unique_ptr<CSwObj>>& cells) {
    CStringOutput text(false);
    text.Write("<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\n");
    text.Write("<SwCells>\n");
    for (const auto& cell : cells)
        cell->WriteXml({}, &text);
    text.Write("</SwCells>\n");
    return text.Text();
}

std::vector<std::unique_ptr<CSwObj>> CellsFromText(std::string_view text, CScenewrightDoc* doc) {
    std::vector<std::unique_ptr<CSwObj>> cells;
    if (text.find("<SwCells>") == std::string_view::npos)
        return cells;
    CXmlDocument::Error error;
    std::unique_ptr<CXmlDocument> xml = CXmlDocument::Parse(text, error);
    if (!xml)
        return cells;
    for (const CXmlNode& element : xml->ElementsBelowRoot("clct")) {
        // Character records are settings, not cells of a scene.
        auto cell = ReadCellElement(element, doc ? doc->GetProjectFileFolder() : std::string());
        const CommandTypeInfo* info = cell ? FindCommandType(cell->type) : nullptr;
        if (info && info->listName)
            cells.push_back(std::move(cell));
    }
    return cells;
}

namespace {

std::string Written(const CSwObj& object) {
    CStringOutput text(false);
    object.WriteXml({}, &text);
    return text.Text();
}

std::string WrittenCharacters(const CSwSettings& settings) {
    std::string text;
    for (const auto& character : settings.characters)
        text += Written(*character);
    return text;
}

std::string WrittenWithoutCharacters(const CSwSettings& settings) {
    CSwSettings fields;
    fields.Assign(settings);
    fields.characters.clear();
    return Written(fields);
}

} // namespace

bool ReplaceCell(CScenewrightDoc& doc, CSwScene& scene, int position,
                 std::unique_ptr<CSwObj> edited) {
    if (!edited || position < 0 || position >= scene.GetCellCount())
        return false;
    auto* cell = dynamic_cast<CSwCommand*>(scene.GetCellAt(position));
    const auto* values = dynamic_cast<const CSwCommand*>(edited.get());
    if (cell == nullptr || values == nullptr || edited->type != cell->type)
        return false;
    edited->CopyBaseFrom(*cell);
    if (Written(*edited) == Written(*cell))
        return false;
    // The cell stays the same object: the views and the history keep it.
    CProjectEdit edit(doc, SwEdit::CellProperties);
    edit.TouchCell(scene, *cell);
    cell->TakeValuesOf(*values);
    return edit.Commit();
}

bool ReplaceSettings(CScenewrightDoc& doc, const CSwSettings& edited) {
    CSwSettings& settings = doc.GetSettings();
    if (&edited == &settings)
        return false;
    const bool fields = WrittenWithoutCharacters(edited) != WrittenWithoutCharacters(settings);
    const bool characters = WrittenCharacters(edited) != WrittenCharacters(settings);
    if (!fields && !characters)
        return false;
    CProjectEdit edit(doc, fields ? SwEdit::ProjectSettings : SwEdit::Characters);
    edit.TouchSettings();
    settings.Assign(edited);
    return edit.Commit();
}

int AddBackgroundPaths(CScenewrightDoc& doc, const std::vector<std::string>& paths) {
    return AddMediaPaths(doc, 0, paths);
}

int AddMediaPaths(CScenewrightDoc& doc, int list, const std::vector<std::string>& paths) {
    CProjectEdit edit(doc, list == 0 ? SwEdit::BackgroundList : SwEdit::MediaList);
    edit.TouchSettings();
    int added = 0;
    for (const std::string& path : paths)
        added += doc.GetSettings().AddMediaPath(list, path) ? 1 : 0;
    edit.Commit();
    return added;
}

int RemoveMediaPaths(CScenewrightDoc& doc, int list, const std::vector<std::string>& paths) {
    CProjectEdit edit(doc, list == 0 ? SwEdit::BackgroundList : SwEdit::MediaList);
    edit.TouchSettings();
    int removed = 0;
    for (const std::string& path : paths)
        removed += doc.GetSettings().RemoveMediaPath(list, path) ? 1 : 0;
    edit.Commit();
    return removed;
}

} // namespace sw::cells
