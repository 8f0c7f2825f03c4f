#pragma once

// The build-log line that a document hint stands for, as every log view
// prints it; "" for hints that print nothing.

#include <string>

class CScenewrightDoc;

std::string LogLineForHint(const CScenewrightDoc& doc, int hint);

// The kind of a printed line, for views that colour them.
enum class LogLineKind { Plain, Ok, Error, Warning };
LogLineKind LogLineKindForHint(int hint);
