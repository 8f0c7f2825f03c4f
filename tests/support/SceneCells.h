#pragma once

#include "model/SwScene.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCommand.h"

#include <cstdlib>
#include <string_view>

// Appends a new cell of `type` to `scene`.
inline CSwCommand& AddCell(CSwScene& scene, std::int32_t type) {
    auto made = CreateObject(type);
    auto* cell = dynamic_cast<CSwCommand*>(made.get());
    if (cell == nullptr)
        std::abort();
    scene.AddCell(std::move(made));
    return *cell;
}

// Appends a new cell of `type` whose field `key` holds `text` (CP932).
inline CSwCommand& AddTextCell(CSwScene& scene, std::int32_t type, const char* key,
                               std::string_view text) {
    CSwCommand& cell = AddCell(scene, type);
    cell.SetText(cell.SlotOf(key), text);
    return cell;
}
