#include "model/cells/SoundTags.h"

#include "model/AssetCopy.h"
#include "platform/KagText.h"
#include "platform/TextOutput.h"

#include <algorithm>

std::string BufferAttribute(std::int32_t bufno) {
    return sw::Format(" buf=%d", bufno);
}

bool CopyAndPlay(CTextOutput* file, CBuildContext* doc, std::string_view path,
                 std::string_view mediaWord, std::string_view subFolder, const SoundStart& start) {
    const MediaCopy copy = CopyMedia(doc, path, mediaWord, subFolder);
    if (!copy.proceed || copy.copiedName.empty())
        return copy.proceed;
    const std::string storage = EscapeKagAttribute(copy.copiedName);
    const char* loop = start.loop ? "true" : "false";
    if (start.fadeIn)
        file->Printf("[fadein%s storage=\"%s\"%s loop=%s time=%d]\n", start.kind, storage.c_str(),
                     start.buffer.c_str(), loop, start.time);
    else
        file->Printf("[play%s storage=\"%s\"%s loop=%s]\n", start.kind, storage.c_str(),
                     start.buffer.c_str(), loop);
    return true;
}

void WriteStopTag(CTextOutput* file, const char* kind, const std::string& buffer, bool fadeOut,
                  std::int32_t time) {
    if (fadeOut)
        file->Printf("[fadeout%s%s time=%d]\n", kind, buffer.c_str(), std::max(time, 1));
    else
        file->Printf("[stop%s%s]\n", kind, buffer.c_str());
}
