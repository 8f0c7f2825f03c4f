#include "model/cells/SwSoundEffectCommands.h"

#include "model/cells/SoundTags.h"

namespace {
const CommandField kSePlayFields[] = {
    {"bufno", FieldKind::Integer, 0}, {"storage", FieldKind::FilePath},
    {"fadein", FieldKind::Flag, 0},   {"time", FieldKind::Integer, 0},
    {"loop", FieldKind::Flag, 0},
};
const CommandField kSeStopFields[] = {
    {"bufno", FieldKind::Integer, 0},
    {"fadeout", FieldKind::Flag, 0},
    {"time", FieldKind::Integer, 0},
};
} // namespace

CSwSePlay::CSwSePlay() : CSwCommandOf(SwType::SePlay, kSePlayFields) {}

bool CSwSePlay::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr || doc == nullptr)
        return false;
    return CopyAndPlay(file, doc, Text(kStorage), "SE", "sound",
                       {"se", BufferAttribute(Integer(kBufNo)), Integer(kLoop) != 0,
                        Integer(kFadeIn) != 0, Integer(kTime)});
}

CSwSeStop::CSwSeStop() : CSwCommandOf(SwType::SeStop, kSeStopFields) {}

bool CSwSeStop::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    WriteStopTag(file, "se", BufferAttribute(Integer(kBufNo)), Integer(kFadeOut) != 0,
                 Integer(kTime));
    return true;
}
