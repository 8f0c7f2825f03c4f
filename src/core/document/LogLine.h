#pragma once

// The build-log line that a document hint stands for, as every log view
// prints it; "" for hints that print nothing.

#include <cstdint>
#include <string>
#include <string_view>

class CScenewrightDoc;

std::string LogLineForHint(const CScenewrightDoc& doc, int hint);

// The kind of a printed line, for views that colour them.
enum class LogLineKind { Plain, Ok, Error, Warning };
LogLineKind LogLineKindForHint(int hint);

// The scene (and cell, -1 when none) a printed line is about, read from its
// first "シーン番号N" and a " セルM" right after it; false for other lines.
bool PlaceOfLogLine(std::string_view line, std::int32_t& sceneId, int& cell);
