#pragma once

// Reading the build log's lines (the lines themselves: LogLineText in
// document/DocumentUpdate.h).

#include <cstdint>
#include <string_view>

// The scene (and cell, -1 when none) a printed line is about, read from its
// first "シーン番号N" and a " セルM" right after it; false for other lines.
bool PlaceOfLogLine(std::string_view line, std::int32_t& sceneId, int& cell);
