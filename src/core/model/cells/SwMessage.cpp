#include "model/cells/SwMessage.h"

#include "platform/TextOutput.h"

namespace {
const CommandField kMessageFields[] = {
    {"message", FieldKind::Text},
    {"clean", FieldKind::Flag, 1},
    {"logmsg", FieldKind::Flag, 1},
};
} // namespace

CSwMessage::CSwMessage() : CSwCommandOf(SwType::Message, kMessageFields) {}

bool CSwMessage::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    file->Printf("[history output=%s]\n", logmsg() ? "true" : "false");
    if (clean())
        file->Write("[cm]\n");
    file->Write(message());
    file->Write(clean() ? "[p]\n" : "[l][r]\n");
    return true;
}
