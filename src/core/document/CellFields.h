#pragma once

// Cell fields by project-file key, for code that looks across every cell
// type (the project check, the text export) without knowing their classes.

#include "model/cells/SwCommand.h"

#include <string>
#include <string_view>

// Null when the cell has no such field.
inline CSwCommand* CellWithField(CSwObj& cell, std::string_view key, std::size_t& slot) {
    auto* command = dynamic_cast<CSwCommand*>(&cell);
    if (command == nullptr)
        return nullptr;
    slot = command->SlotOf(key);
    return slot < command->Fields().size() ? command : nullptr;
}

// Empty for cells without the field.
inline const std::string& CellText(const CSwObj& cell, std::string_view key) {
    static const std::string none;
    std::size_t slot = 0;
    const CSwCommand* command = CellWithField(const_cast<CSwObj&>(cell), key, slot);
    return command ? command->Text(slot) : none;
}

inline std::int32_t CellInteger(const CSwObj& cell, std::string_view key, std::int32_t fallback) {
    std::size_t slot = 0;
    const CSwCommand* command = CellWithField(const_cast<CSwObj&>(cell), key, slot);
    return command ? command->Integer(slot) : fallback;
}
