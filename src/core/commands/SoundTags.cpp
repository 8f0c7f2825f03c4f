#include "commands/SoundTags.h"

#include "build/KagText.h"
#include "platform/TextOutput.h"

#include <algorithm>

std::string BufferAttribute(std::int32_t bufno) {
    return sw::Format(" buf=%d", bufno);
}

void WritePlayTag(CTextOutput* file, const char* kind, std::string_view fileName,
                  const std::string& buffer, bool loop, bool fadeIn, std::int32_t time) {
    const std::string storage = EscapeKagAttribute(fileName);
    const char* looping = loop ? "true" : "false";
    if (fadeIn)
        file->Printf("[fadein%s storage=\"%s\"%s loop=%s time=%d]\n", kind, storage.c_str(),
                     buffer.c_str(), looping, time);
    else
        file->Printf("[play%s storage=\"%s\"%s loop=%s]\n", kind, storage.c_str(), buffer.c_str(),
                     looping);
}

void WriteStopTag(CTextOutput* file, const char* kind, const std::string& buffer, bool fadeOut,
                  std::int32_t time) {
    if (fadeOut)
        file->Printf("[fadeout%s%s time=%d]\n", kind, buffer.c_str(), std::max(time, 1));
    else
        file->Printf("[stop%s%s]\n", kind, buffer.c_str());
}
