#include "model/cells/SwPluginCommands.h"

#include "platform/KagText.h"
#include "platform/TextOutput.h"

namespace {
const CommandField kPluginFields[] = {{"path", FieldKind::FilePath}};
const CommandField kTagFields[] = {{"tag", FieldKind::Text},
                                   {"line", FieldKind::Flag, 0, "", 0.0, true}};
const CommandField kScriptFields[] = {{"text", FieldKind::Text}};
} // namespace

CSwPlugin::CSwPlugin() : CSwCommandOf(SwType::Plugin, kPluginFields) {}

bool CSwPlugin::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr || doc == nullptr)
        return false;
    // The module lies beside the engine; without it the game cannot load it.
    const std::string module = CopyAsset(doc, "", Text(kPath));
    if (module.empty()) {
        ReportFailedCopy(doc, Text(kPath));
        return false;
    }
    file->Printf("[loadplugin module=\"%s\"]\n", EscapeKagAttribute(module).c_str());
    return true;
}

CSwTag::CSwTag() : CSwCommandOf(SwType::Tag, kTagFields) {}

// The author's own KAG: written as typed.
bool CSwTag::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    if (Integer(kLine) != 0)
        file->Printf("%s\n", Text(kTag).c_str());
    else
        file->Printf("[%s]\n", Text(kTag).c_str());
    return true;
}

CSwScript::CSwScript() : CSwCommandOf(SwType::Script, kScriptFields) {}

// The author's own TJS: written as typed.
bool CSwScript::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    file->Printf("[iscript]\n%s\n[endscript]\n", Text(kText).c_str());
    return true;
}
