#pragma once

// Background music: play a file copied into the built project's `bgm`
// folder (108), and stop (109).

#include "model/cells/SwCommand.h"

class CSwBgmPlay : public CSwCommandOf<CSwBgmPlay> {
public:
    enum Slot : std::size_t { kStorage, kFadeIn, kTime, kLoop };
    CSwBgmPlay();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwBgmStop : public CSwCommandOf<CSwBgmStop> {
public:
    enum Slot : std::size_t { kFadeOut, kTime };
    CSwBgmStop();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
