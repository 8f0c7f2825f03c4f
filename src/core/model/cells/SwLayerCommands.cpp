#include "model/cells/SwLayerCommands.h"

#include "model/Values.h"
#include "platform/KagText.h"
#include "platform/TextOutput.h"

namespace {

const CommandField kLayerFields[] = {
    {"layer", FieldKind::Text},          {"surface", FieldKind::Integer, 0},
    {"left", FieldKind::Integer, -1},    {"top", FieldKind::Integer, -1},
    {"width", FieldKind::Integer, -1},   {"height", FieldKind::Integer, -1},
    {"opacity", FieldKind::Integer, -1}, {"color", FieldKind::Colour, 0},
    {"visible", FieldKind::Choice, 2},   {"setcol", FieldKind::Flag, 0},
    {"vertical", FieldKind::Choice, 2},
};

const CommandField kCurrentLayerFields[] = {
    {"layer", FieldKind::Text},
    {"surface", FieldKind::Integer, 0},
    {"withback", FieldKind::Flag, 0},
};

const CommandField kImageLoadFields[] = {
    {"layer", FieldKind::Text, 0, "base"},
    {"image", FieldKind::FilePath},
    {"surface", FieldKind::Integer, 0},
};

const CommandField kBackLayFields[] = {
    {"layer", FieldKind::Text, 0, "all"},
};

// "name=value" for a value that is set (0 or more); "" otherwise.
std::string IfSet(const char* name, std::int32_t value) {
    return value >= 0 ? sw::Format("%s=%d", name, value) : std::string();
}

// "name=true/false" for a tri-state below 2; "" for "leave as it is".
std::string IfDecided(const char* name, std::int32_t value) {
    if (value >= 2)
        return std::string();
    return sw::Format("%s=%s", name, value != 0 ? "true" : "false");
}

} // namespace

CSwLayer::CSwLayer() : CSwCommandOf(SwType::Layer, kLayerFields) {}

bool CSwLayer::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr || Text(kLayer).empty())
        return false;
    const std::string left = IfSet("left", Integer(kLeft));
    const std::string top = IfSet("top", Integer(kTop));
    const std::string width = IfSet("width", Integer(kWidth));
    const std::string height = IfSet("height", Integer(kHeight));
    const std::string opacity = IfSet("opacity", Integer(kOpacity));
    const std::string visible = IfDecided("visible", Integer(kVisible));
    const std::string vertical = IfDecided("vertical", Integer(kVertical));
    const std::string colour =
        Integer(kSetCol) == 1
            ? sw::Format("color=0x%6.6X",
                         static_cast<unsigned>(sw::SwapRedBlue(Integer(kColor))) & 0xFFFFFFu)
            : std::string();
    const char* layer = Text(kLayer).c_str();
    // The engine's position tag only knows message layers: given a picture
    // layer's number it would move message layer 0 instead.
    const bool messageLayer = Text(kLayer).starts_with("message");
    WriteOnPages(file, Integer(kSurface), [&](const char* page) {
        std::string lines =
            sw::Format("[layopt layer=%s %s %s %s %s page=%s]\n", layer, left.c_str(), top.c_str(),
                       opacity.c_str(), visible.c_str(), page);
        if (messageLayer)
            lines += sw::Format("[position layer=%s %s %s %s %s %s %s %s page=%s]\n", layer,
                                left.c_str(), top.c_str(), width.c_str(), height.c_str(),
                                opacity.c_str(), colour.c_str(), vertical.c_str(), page);
        return lines;
    });
    return true;
}

CSwCurrentLayer::CSwCurrentLayer() : CSwCommandOf(SwType::CurrentLayer, kCurrentLayerFields) {}

bool CSwCurrentLayer::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    const std::string withBack = sw::Format("withback=%s", KagBool(Integer(kWithBack) == 1));
    WriteOnPages(file, Integer(kSurface), [&](const char* page) {
        return sw::Format("[current layer=%s %s page=%s]\n", Text(kLayer).c_str(), withBack.c_str(),
                          page);
    });
    return true;
}

CSwImageLoad::CSwImageLoad() : CSwCommandOf(SwType::ImageLoad, kImageLoadFields) {}

bool CSwImageLoad::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr || doc == nullptr)
        return false;
    const std::string layer = Text(kLayer).empty() ? std::string("base") : Text(kLayer);
    const MediaCopy copy =
        CopyMedia(doc, Text(kImage), "画像", layer == "base" ? "bgimage" : "fgimage");
    if (!copy.proceed || copy.copiedName.empty())
        return copy.proceed;
    const std::string storage = EscapeKagAttribute(copy.copiedName);
    // A negative choice loads the back page, as the dialog's second entry does.
    const std::int32_t surface = Integer(kSurface) < 0 ? 1 : Integer(kSurface);
    WriteOnPages(file, surface, [&](const char* page) {
        return sw::Format("[image layer=%s storage=\"%s\" page=%s]\n", layer.c_str(),
                          storage.c_str(), page);
    });
    return true;
}

CSwBackLay::CSwBackLay() : CSwCommandOf(SwType::BackLay, kBackLayFields) {}

bool CSwBackLay::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr || Text(kLayer).empty())
        return false;
    if (Text(kLayer) == "all")
        file->Write("[backlay]\n");
    else
        file->Printf("[backlay layer=%s]\n", Text(kLayer).c_str());
    return true;
}
