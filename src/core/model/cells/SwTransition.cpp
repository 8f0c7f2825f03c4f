#include "model/cells/SwTransition.h"

#include "platform/KagText.h"
#include "platform/TextOutput.h"

namespace {
const CommandField kTransitionFields[] = {
    {"layer", FieldKind::Text},        {"surface", FieldKind::Flag, 0},
    {"children", FieldKind::Flag, 0},  {"time", FieldKind::Integer, 0},
    {"method", FieldKind::Integer, 0}, {"rule", FieldKind::FilePath},
    {"vague", FieldKind::Integer, 0},  {"from", FieldKind::Integer, 0},
    {"stay", FieldKind::Integer, 0},
};

const char* const kFromNames[] = {"left", "top", "right", "bottom"};
const char* const kStayNames[] = {"nostay", "stayfore", "stayback"};

// A non-negative index into a table of `size` entries.
std::size_t Wrapped(std::int32_t index, std::size_t size) {
    const auto count = static_cast<std::int64_t>(size);
    return static_cast<std::size_t>(((static_cast<std::int64_t>(index) % count) + count) % count);
}
} // namespace

CSwTransition::CSwTransition() : CSwCommandOf(SwType::Transition, kTransitionFields) {}

const char* CSwTransition::FromName(std::int32_t from) {
    return kFromNames[Wrapped(from, std::size(kFromNames))];
}

const char* CSwTransition::StayName(std::int32_t stay) {
    return kStayNames[Wrapped(stay, std::size(kStayNames))];
}

bool CSwTransition::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr)
        return false;
    std::string line = sw::Format("[trans layer=%s", Text(kLayer).c_str());
    if (Text(kLayer) == "base")
        line += sw::Format(" children=%s", KagBool(Integer(kChildren) == 1));
    line += sw::Format(" time=%d ", Integer(kTime));
    if (!AppendMethod(line, doc))
        return false;
    file->Printf("%s]\n", line.c_str());
    file->Write("[wt]\n");
    return true;
}

bool CSwTransition::AppendMethod(std::string& line, CBuildContext* doc) const {
    switch (Integer(kMethod)) {
    case kUniversal: {
        if (doc == nullptr)
            return false;
        // Without its rule image the transition cannot run: an empty path fails too.
        const MediaCopy rule = CopyMedia(doc, Text(kRule), "ルール画像", "rule", true);
        if (!rule.proceed)
            return false;
        line += sw::Format("method=\"universal\" rule=\"%s\" vague=%d ",
                           EscapeKagAttribute(rule.copiedName).c_str(), Integer(kVague));
        return true;
    }
    case kCrossfade:
        line += "method=\"crossfade\" ";
        return true;
    case kScroll:
        line += sw::Format("method=\"scroll\" from=\"%s\" stay=\"%s\" ", FromName(Integer(kFrom)),
                           StayName(Integer(kStay)));
        return true;
    default:
        return true;
    }
}
