#include "model/cells/SwScriptCommands.h"

#include "model/BuildContext.h"
#include "model/SwScene.h"
#include "platform/KagText.h"
#include "platform/TextOutput.h"

namespace {
const CommandField kEvalFields[] = {
    {"formula", FieldKind::Text},
};
const CommandField kLabelFields[] = {
    {"label", FieldKind::Text},
    {"headline", FieldKind::Text},
};
const CommandField kMacroFields[] = {
    {"name", FieldKind::Text},
    {"text", FieldKind::Text},
};
} // namespace

CSwEval::CSwEval() : CSwCommandOf(SwType::Eval, kEvalFields) {}

bool CSwEval::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    // A formula with a TJS string in it must not end the attribute early.
    file->Printf("[eval exp=\"%s\"]\n", EscapeKagAttribute(Text(kFormula)).c_str());
    return true;
}

CSwLabel::CSwLabel() : CSwCommandOf(SwType::Label, kLabelFields) {}

bool CSwLabel::Build(CTextOutput* file, CBuildContext* doc) {
    const CSwScene* scene = doc ? doc->GetBuildingScene() : nullptr;
    if (file == nullptr || scene == nullptr)
        return false;
    if (scene->HasSavePointLabels())
        file->Printf("*%s|%s\n", Text(kLabel).c_str(), Text(kHeadline).c_str());
    else
        file->Printf("*%s\n", Text(kLabel).c_str());
    return true;
}

CSwMacro::CSwMacro() : CSwCommandOf(SwType::Macro, kMacroFields) {}

bool CSwMacro::Build(CTextOutput* file, CBuildContext*) {
    if (file == nullptr)
        return false;
    // The body is the author's own KAG and goes through unchanged.
    file->Printf("[macro name=\"%s\"]\n", EscapeKagAttribute(Text(kName)).c_str());
    file->Printf("%s\n", Text(kText).c_str());
    file->Write("[endmacro]\n");
    return true;
}
