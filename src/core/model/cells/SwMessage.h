#pragma once

// Narration put into the current message layer (type 102).

#include "model/cells/SwCommand.h"

class CSwMessage : public CSwCommandOf<CSwMessage> {
public:
    enum Slot : std::size_t { kMessage, kClean, kLogMsg };
    CSwMessage();

    bool Build(CTextOutput* file, CBuildContext* doc) override;

    const std::string& message() const { return Text(kMessage); }
    bool clean() const { return Integer(kClean) != 0; }
    bool logmsg() const { return Integer(kLogMsg) != 0; }
    void SetMessage(std::string_view text) { SetText(kMessage, text); }
    void SetClean(bool on) { SetInteger(kClean, on ? 1 : 0); }
    void SetLogMsg(bool on) { SetInteger(kLogMsg, on ? 1 : 0); }
};
