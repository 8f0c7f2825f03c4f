#include "commands/CreateObject.h"

#include "commands/SwCharacter.h"
#include "commands/SwKagPlugin.h"
#include "commands/SwMessage.h"

std::unique_ptr<CSwObj> CreateObject(std::int32_t type) {
    switch (type) {
    case SwType::Message: return std::make_unique<CSwMessage>();
    case SwType::Character: return std::make_unique<CSwCharacter>();
    case SwType::KagPlugin: return std::make_unique<CSwKagPlugin>();
    }
    return nullptr;
}

std::unique_ptr<CSwObj> ReadCellElement(const CXmlNode& element, CScenewrightDoc* doc) {
    const CSwObj prototype;
    std::unique_ptr<CSwObj> plain = prototype.ReadObject(SwType::Prototype, doc, element);
    if (!plain)
        return nullptr;
    std::unique_ptr<CSwObj> cell = CreateObject(plain->type);
    if (!cell)
        return nullptr;
    return cell->ReadObject(plain->type, doc, element);
}
