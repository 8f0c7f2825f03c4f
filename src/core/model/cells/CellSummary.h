#pragma once

// What the cell list shows of a cell: the story's words and the names of
// its files rather than paths, so that an author reads the scene in the
// list; the full texts and paths go in the tooltip.

#include <string>
#include <string_view>

class CSwObj;
class CSwSettings;

struct CellSummary {
    std::string content; // one line, CP932
    std::string tooltip; // CP932, lines separated by '\n'
};

CellSummary SummarizeCell(const CSwObj& cell, const CSwSettings& settings);

// "背景レイヤ", "前景レイヤ0", "メッセージレイヤ1", "(全レイヤ)"; other names
// as they are.
std::string LayerLabel(std::string_view layer);
