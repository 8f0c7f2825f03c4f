#include "model/cells/CreateObject.h"

#include "format/XmlNode.h"
#include "model/Values.h"
#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwDialogue.h"
#include "model/cells/SwFixedTagCommand.h"
#include "model/cells/SwFlowCommands.h"
#include "model/cells/SwKagPlugin.h"
#include "model/cells/SwLayerCommands.h"
#include "model/cells/SwMessage.h"
#include "model/cells/SwParticle.h"
#include "model/cells/SwPluginCommands.h"
#include "model/cells/SwScriptCommands.h"
#include "model/cells/SwSoundEffectCommands.h"
#include "model/cells/SwTransition.h"

std::unique_ptr<CSwObj> CreateObject(std::int32_t type) {
    switch (type) {
    case SwType::Message:
        return std::make_unique<CSwMessage>();
    case SwType::Character:
        return std::make_unique<CSwCharacter>();
    case SwType::KagPlugin:
        return std::make_unique<CSwKagPlugin>();
    case SwType::Layer:
        return std::make_unique<CSwLayer>();
    case SwType::CurrentLayer:
        return std::make_unique<CSwCurrentLayer>();
    case SwType::ImageLoad:
        return std::make_unique<CSwImageLoad>();
    case SwType::BackLay:
        return std::make_unique<CSwBackLay>();
    case SwType::Transition:
        return std::make_unique<CSwTransition>();
    case SwType::BgmPlay:
        return std::make_unique<CSwBgmPlay>();
    case SwType::BgmStop:
        return std::make_unique<CSwBgmStop>();
    case SwType::Dialogue:
        return std::make_unique<CSwDialogue>();
    case SwType::SePlay:
        return std::make_unique<CSwSePlay>();
    case SwType::SeStop:
        return std::make_unique<CSwSeStop>();
    case SwType::Shutdown:
        return std::make_unique<CSwShutdown>();
    case SwType::Quake:
        return std::make_unique<CSwQuake>();
    case SwType::StopQuake:
        return std::make_unique<CSwStopQuake>();
    case SwType::RightClick:
        return std::make_unique<CSwRightClick>();
    case SwType::Return:
        return std::make_unique<CSwReturn>();
    case SwType::StartAnchor:
        return std::make_unique<CSwStartAnchor>();
    case SwType::Plugin:
        return std::make_unique<CSwPlugin>();
    case SwType::Tag:
        return std::make_unique<CSwTag>();
    case SwType::Script:
        return std::make_unique<CSwScript>();
    case SwType::ClearUserVariables:
        return std::make_unique<CSwClearUserVariables>();
    case SwType::ClearSystemVariables:
        return std::make_unique<CSwClearSystemVariables>();
    case SwType::Eval:
        return std::make_unique<CSwEval>();
    case SwType::Label:
        return std::make_unique<CSwLabel>();
    case SwType::Macro:
        return std::make_unique<CSwMacro>();
    case SwType::Particle:
        return std::make_unique<CSwParticle>();
    }
    return nullptr;
}

std::unique_ptr<CSwObj> ReadCellElement(const CXmlNode& element, CBuildContext* doc) {
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
    return cell->ReadObject(type, doc, element);
}
