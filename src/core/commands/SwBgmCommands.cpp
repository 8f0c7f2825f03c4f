#include "commands/SwBgmCommands.h"

#include "build/KagText.h"
#include "platform/TextOutput.h"

#include <algorithm>

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

bool CSwBgmPlay::Build(CTextOutput* file, CScenewrightDoc* doc) {
    if (file == nullptr || doc == nullptr)
        return false;
    const MediaCopy copy = CopyMedia(doc, Text(kStorage), "BGM", "bgm");
    if (!copy.proceed || copy.copiedName.empty())
        return copy.proceed;
    const std::string storage = EscapeKagAttribute(copy.copiedName);
    const char* loop = KagBool(Integer(kLoop) != 0);
    if (Integer(kFadeIn) == 0)
        file->Printf("[playbgm storage=\"%s\" loop=%s]\n", storage.c_str(), loop);
    else
        file->Printf("[fadeinbgm storage=\"%s\" loop=%s time=%d]\n", storage.c_str(), loop,
                     Integer(kTime));
    return true;
}

CSwBgmStop::CSwBgmStop() : CSwCommandOf(SwType::BgmStop, kBgmStopFields) {}

bool CSwBgmStop::Build(CTextOutput* file, CScenewrightDoc*) {
    if (file == nullptr)
        return false;
    if (Integer(kFadeOut) == 0)
        file->Write("[stopbgm]\n");
    else
        file->Printf("[fadeoutbgm time=%d]\n", std::max(Integer(kTime), 1));
    return true;
}
