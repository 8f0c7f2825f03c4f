#pragma once

// Sound effect buffers: play a file copied into the built project's `sound`
// folder (110), and stop (111).

#include "model/cells/SwCommand.h"

class CSwSePlay : public CSwCommandOf<CSwSePlay> {
public:
    enum Slot : std::size_t { kBufNo, kStorage, kFadeIn, kTime, kLoop };
    CSwSePlay();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwSeStop : public CSwCommandOf<CSwSeStop> {
public:
    enum Slot : std::size_t { kBufNo, kFadeOut, kTime };
    CSwSeStop();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
