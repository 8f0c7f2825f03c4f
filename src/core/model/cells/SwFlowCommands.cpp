#include "model/cells/SwFlowCommands.h"

#include "model/BuildContext.h"
#include "model/SwScene.h"
#include "platform/TextOutput.h"

namespace {
const CommandField kRightClickFields[] = {
    {"callto_id", FieldKind::Integer, 0},
    {"call", FieldKind::Flag, 1},
};
const CommandField kQuakeFields[] = {
    {"time", FieldKind::Integer, 0},  {"timemode", FieldKind::Choice, CSwQuake::kMilliseconds},
    {"hmax", FieldKind::Integer, 10}, {"vmax", FieldKind::Integer, 10},
    {"iswait", FieldKind::Flag, 1},
};
} // namespace

CSwRightClick::CSwRightClick() : CSwCommandOf(SwType::RightClick, kRightClickFields) {}

bool CSwRightClick::Build(CTextOutput* file, CBuildContext* doc) {
    const CSwScene* target = doc ? doc->FindScene(Integer(kCallToId)) : nullptr;
    if (file == nullptr || target == nullptr)
        return false;
    file->Printf("[rclick %s=true enabled=true target=\"%s\"]\n",
                 Integer(kCall) == 1 ? "call" : "jump", CSwScene::LabelOf(target->id).c_str());
    return true;
}

CSwQuake::CSwQuake() : CSwCommandOf(SwType::Quake, kQuakeFields) {}

bool CSwQuake::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    // The engine knows the units only by name; a number would leave it to
    // the game's default unit, whatever the author chose.
    file->Printf("[quake time=%d timemode=%s hmax=%d vmax=%d]\n", Integer(kTime),
                 Integer(kTimeMode) == kCharacters ? "delay" : "ms", Integer(kHMax),
                 Integer(kVMax));
    if (Integer(kIsWait) == 1)
        file->Write("[wq]\n");
    return true;
}
