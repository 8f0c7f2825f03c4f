#include "model/cells/CreateObject.h"

#include "format/XmlNode.h"
#include "model/SwObj.h"
#include "model/Values.h"
#include "model/cells/CommandCatalogue.h"

std::unique_ptr<CSwObj> CreateObject(std::int32_t type) {
    const CommandTypeInfo* info = FindCommandType(type);
    return info ? info->create() : nullptr;
}

std::unique_ptr<CSwObj> ReadCellElement(const CXmlNode& element, std::string_view folder) {
    // Only the type decides the class; the last type element counts, as it
    // would when read into a plain object.
    std::int32_t type = SwType::Prototype;
    element.ForEachChildElement([&](const CXmlNode& child) {
        if (child.Name() == "type")
            type = sw::ParseInteger(child.Text());
    });
    std::unique_ptr<CSwObj> cell = CreateObject(type);
    if (!cell)
        return nullptr;
    return cell->ReadObject(type, folder, element);
}
