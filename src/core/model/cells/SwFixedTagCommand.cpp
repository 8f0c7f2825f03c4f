#include "model/cells/SwFixedTagCommand.h"

#include "platform/TextOutput.h"

namespace {
struct FixedTag {
    std::int32_t type;
    const char* line;
};
const FixedTag kFixedTags[] = {
    {SwType::ClearUserVariables, "[clearvar]\n"},
    {SwType::ClearSystemVariables, "[clearsysvar]\n"},
    {SwType::Shutdown, "[eval exp=\"kag.shutdown()\"]\n"},
    {SwType::StopQuake, "[stopquake]\n"},
    {SwType::Return, "[return]\n"},
    {SwType::StartAnchor, "[startanchor enabled=true]\n"},
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
