#pragma once

#include "model/cells/CreateObject.h"
#include "platform/TextOutput.h"
#include "support/XmlFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// The text a cell's build step writes, with "\n" line ends.
inline std::string BuildText(CSwObj& cell, CBuildContext* doc = nullptr) {
    CStringOutput out(false);
    EXPECT_TRUE(cell.Build(&out, doc));
    return out.Text();
}

// A cell read from one `clct` record, as a scene reads it.
// `folder`: the project file's, to which media paths are relative.
inline std::unique_ptr<CSwObj> ReadCell(const std::string& element, std::string_view folder = {}) {
    ParsedElement parsed(element, "clct");
    return parsed.Ok() ? ReadCellElement(parsed.Node(), folder) : nullptr;
}

// The record a cell writes, with "\n" line ends.
inline std::string Written(const CSwObj& object, std::string_view folder = {}) {
    CStringOutput out(false);
    object.WriteXml(folder, &out);
    return out.Text();
}
