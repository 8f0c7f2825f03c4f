#include "commands/SwFixedTagCommand.h"

#include "platform/TextOutput.h"

namespace {
struct FixedTag {
    std::int32_t type;
    const char* line;
};
const FixedTag kFixedTags[] = {
    {SwType::ClearUserVariables, "[clearvar]\n"},
    {SwType::ClearSystemVariables, "[clearsysvar]\n"},
};
} // namespace

const char* FixedTagOf(std::int32_t type) {
    for (const FixedTag& tag : kFixedTags) {
        if (tag.type == type)
            return tag.line;
    }
    return nullptr;
}

bool WriteFixedTag(CTextOutput* file, std::int32_t type) {
    const char* line = FixedTagOf(type);
    if (file == nullptr || line == nullptr)
        return false;
    file->Write(line);
    return true;
}
