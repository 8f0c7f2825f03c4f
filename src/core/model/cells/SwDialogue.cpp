#include "model/cells/SwDialogue.h"

#include "model/BuildContext.h"
#include "model/SwSettings.h"
#include "model/Values.h"
#include "model/cells/SoundTags.h"
#include "model/cells/SwCharacter.h"
#include "platform/KagText.h"
#include "platform/TextOutput.h"

namespace {
const CommandField kDialogueFields[] = {
    {"message", FieldKind::Text},        {"logmsg", FieldKind::Flag, 1},
    {"charinf", FieldKind::Integer, -1}, {"brackettype", FieldKind::Integer, 0},
    {"clean", FieldKind::Flag, 1},       {"color", FieldKind::DecimalColour, 0x00FFFFFF},
    {"voice", FieldKind::FilePath},      {"bufno", FieldKind::Integer, 0},
};
// Pairs of double-byte brackets, opening then closing.
constexpr std::string_view kBrackets = "「」（）『』≪≫【】";
constexpr std::size_t kBracketBytes = 2;
} // namespace

CSwDialogue::CSwDialogue() : CSwCommandOf(SwType::Dialogue, kDialogueFields) {}

int CSwDialogue::BracketCount() {
    return static_cast<int>(kBrackets.size() / (2 * kBracketBytes));
}

std::string_view CSwDialogue::Bracket(std::int32_t type, bool closing) {
    // An empty view that points somewhere: writers may hand its data on.
    if (type < 0 || type >= BracketCount())
        return std::string_view("", 0);
    const std::size_t at = static_cast<std::size_t>(type) * 2 * kBracketBytes;
    return kBrackets.substr(closing ? at + kBracketBytes : at, kBracketBytes);
}

int CSwDialogue::BracketTypeOf(std::string_view text) {
    for (int type = 0; type < BracketCount(); ++type) {
        if (text == Bracket(type, false))
            return type;
    }
    return -1;
}

bool CSwDialogue::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr)
        return false;
    const bool voiced = !Text(kVoice).empty();
    if (voiced) {
        // The voice travels with the game like any sound effect: a path on
        // the author's disk would play nothing on another machine.
        if (doc == nullptr || !CopyAndPlay(file, doc, Text(kVoice), "音声", "sound",
                                           {"se", BufferAttribute(Integer(kBufNo))}))
            return false;
    }
    file->Printf("[history output=%s]\n", KagBool(Integer(kLogMsg) == 1));
    if (Integer(kClean) == 1)
        file->Write("[cm]\n");
    file->Printf("[font color=0x%6.6X]\n",
                 static_cast<unsigned>(sw::SwapRedBlue(Integer(kColor))) & 0xFFFFFFu);
    const CSwCharacter* speaker =
        doc ? doc->GetSettings().GetCharacterAt(Integer(kCharInf)) : nullptr;
    // A name is typed in the character editor, far from any tag: its '[' is text.
    if (speaker)
        file->Write(EscapeKagText(speaker->FullName()));
    // The line itself may hold the author's inline tags and goes through as typed.
    const std::int32_t brackets = Integer(kBracketType);
    if (brackets >= 0)
        file->Write(Bracket(brackets, false));
    file->Write(Text(kMessage));
    if (brackets >= 0)
        file->Write(Bracket(brackets, true));
    file->Write("[font color=default]\n");
    if (voiced)
        file->Printf("[ws%s canskip=true]\n", BufferAttribute(Integer(kBufNo)).c_str());
    file->Write(Integer(kClean) == 1 ? "[p]\n" : "[l][r]\n");
    return true;
}
