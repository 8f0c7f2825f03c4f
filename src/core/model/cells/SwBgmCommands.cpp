#include "model/cells/SwBgmCommands.h"

#include "model/cells/SoundTags.h"

namespace {
const CommandField kBgmPlayFields[] = {
    {"storage", FieldKind::FilePath},
    {"fadein", FieldKind::Flag, 0},
    {"time", FieldKind::Integer, 0},
    {"loop", FieldKind::Flag, 0},
};
const CommandField kBgmStopFields[] = {
    {"fadeout", FieldKind::Flag, 0},
    {"time", FieldKind::Integer, 0},
};
} // namespace

CSwBgmPlay::CSwBgmPlay() : CSwCommandOf(SwType::BgmPlay, kBgmPlayFields) {}

bool CSwBgmPlay::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr || doc == nullptr)
        return false;
    return CopyAndPlay(file, doc, Text(kStorage), "BGM", "bgm",
                       {"bgm", "", Integer(kLoop) != 0, Integer(kFadeIn) != 0, Integer(kTime)});
}

CSwBgmStop::CSwBgmStop() : CSwCommandOf(SwType::BgmStop, kBgmStopFields) {}

bool CSwBgmStop::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    WriteStopTag(file, "bgm", "", Integer(kFadeOut) != 0, Integer(kTime));
    return true;
}
