#pragma once

#include <cstdint>
#include <memory>

class CSwObj;
class CXmlNode;

// A new, reset cell of a command type; null for ids the program does not make.
std::unique_ptr<CSwObj> CreateObject(std::int32_t type);

// Reads one `clct` element: first as a plain object to learn its type, then
// into a cell of that type. Null when the type is unknown or the read fails.
// `folder`: the project file's, to which media paths in the file are relative.
std::unique_ptr<CSwObj> ReadCellElement(const CXmlNode& element, std::string_view folder);
