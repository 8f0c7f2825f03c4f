#pragma once

// The registry of cell types: each type's id, the names the object tray and
// the cell list show, and how a cell of it is made.

#include <cstdint>
#include <memory>
#include <span>

class CSwObj;

struct CommandTypeInfo {
    std::int32_t type;
    const char* trayName; // null: never offered in the tray
    const char* listName; // null: the cell list shows no row
    // A fixed third-column text of the cell list; null where the column
    // shows a field or nothing.
    const char* fixedNote;
    std::unique_ptr<CSwObj> (*create)();
};

// All cell types in object-tray order.
std::span<const CommandTypeInfo> CommandCatalogue();
// Null for ids outside the catalogue.
const CommandTypeInfo* FindCommandType(std::int32_t type);
