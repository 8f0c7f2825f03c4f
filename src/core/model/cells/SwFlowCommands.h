#pragma once

// Flow cells with fields of their own: the right-click handler (118) and the
// screen quake (116). Return, start anchor, program end and quake stop write
// fixed tags (SwFixedTagCommand.h).

#include "model/cells/SwCommand.h"

class CSwRightClick : public CSwCommandOf<CSwRightClick> {
public:
    enum Slot : std::size_t { kCallToId, kCall };
    CSwRightClick();
    // Fails when callto_id names no scene of the document.
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwQuake : public CSwCommandOf<CSwQuake> {
public:
    enum Slot : std::size_t { kTime, kTimeMode, kHMax, kVMax, kIsWait };
    // Units of time: milliseconds, or the time of as many displayed characters.
    enum TimeMode : std::int32_t { kMilliseconds = 0, kCharacters = 1 };
    CSwQuake();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
