#pragma once

// Editing the cells of a scene: the copy buffer, cut, paste, delete, moves
// and the cells' text form for the system clipboard. Every operation that
// changes a scene is one edit of the history and tells the views which
// cells changed. Cell positions are indices into scene.cells;
// positions out of range and repeated positions are ignored.

#include "document/ScenewrightDoc.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sw::cells {

// A copy of a cell with its own fields and its comment.
std::unique_ptr<CSwObj> CopyOfCell(const CSwObj& cell);

// Replaces the copy buffer with copies of the cells at `positions`, top
// down; false (buffer untouched) when none is valid. The project is not
// changed, so the document stays unmodified.
bool CopyCells(CScenewrightDoc& doc, const CSwScene& scene, std::vector<int> positions);

// Removes the cells; gives the position to select afterwards (the topmost
// removed position, or the new last cell), -1 when the scene is empty or
// nothing was removed.
int DeleteCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions);
// CopyCells, then DeleteCells.
int CutCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions);

// Inserts `cells` in order before `position` (at the end for -1 or a
// position past the last cell); gives the position of the first inserted
// cell, -1 when there was nothing to insert.
int InsertCells(CScenewrightDoc& doc, CSwScene& scene, int position,
                std::vector<std::unique_ptr<CSwObj>> cells);
// InsertCells with fresh copies of the copy buffer, which keeps its content.
int PasteCells(CScenewrightDoc& doc, CSwScene& scene, int position);

// Moves the cells, keeping their order, so that they stand before the cell
// that was at `position` (at the end for -1 or past the last cell); gives
// the new position of the first moved cell, -1 when nothing moved.
int MoveCells(CScenewrightDoc& doc, CSwScene& scene, std::vector<int> positions, int position);

// The cells as a small document of `clct` elements, CP932 with "\n" line
// ends. Media paths stay absolute so that the text means the same in any
// project.
std::string CellsToText(const std::vector<std::unique_ptr<CSwObj>>& cells);
// The cells of such a text; empty for anything else (other programs' data,
// broken or unknown elements are skipped).
std::vector<std::unique_ptr<CSwObj>> CellsFromText(std::string_view text, CScenewrightDoc* doc);

// Gives the cell at `position` the fields of `edited` (a property dialog's
// copy of it, of the same type), keeping the cell's identity, comment and
// links; false, with nothing changed, when it writes the same as the cell
// or does not fit the position.
bool ReplaceCell(CScenewrightDoc& doc, CSwScene& scene, int position,
                 std::unique_ptr<CSwObj> edited);

// Takes over every field and the character list of `edited`; false, with
// nothing changed, when they write the same as the project's. A change of
// the characters alone is its own kind of edit.
bool ReplaceSettings(CScenewrightDoc& doc, const CSwSettings& edited);

// Adds the paths to the background picture list that are not in it yet,
// as one edit; the number added.
int AddBackgroundPaths(CScenewrightDoc& doc, const std::vector<std::string>& paths);
// The same for media list `list` (CSwSettings::MediaPaths).
int AddMediaPaths(CScenewrightDoc& doc, int list, const std::vector<std::string>& paths);
// Removes the paths from media list `list` as one edit; the number removed.
int RemoveMediaPaths(CScenewrightDoc& doc, int list, const std::vector<std::string>& paths);

} // namespace sw::cells
