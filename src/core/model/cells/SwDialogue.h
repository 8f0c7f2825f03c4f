#pragma once

// A spoken line (type 112): an optional voice, the speaker's full name from
// the project's character list, the line in brackets and in its colour.

#include "model/cells/SwCommand.h"

class CSwDialogue : public CSwCommandOf<CSwDialogue> {
public:
    enum Slot : std::size_t {
        kMessage,
        kLogMsg,
        kCharInf,
        kBracketType,
        kClean,
        kColor,
        kVoice,
        kBufNo
    };
    CSwDialogue();
    bool Build(CTextOutput* file, CBuildContext* doc) override;

    static int BracketCount();
    // The index of the bracket pair whose opening bracket is the whole of
    // `text`; -1 for none.
    static int BracketTypeOf(std::string_view text);
    // The opening or closing bracket of a pair; "" outside the table.
    static std::string_view Bracket(std::int32_t type, bool closing);
};
