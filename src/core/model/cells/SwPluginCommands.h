#pragma once

// Engine features the other cells do not cover: loading a plugin module
// copied into the built project (115), one tag as the author typed it (128)
// and a block of the author's TJS (127).

#include "model/cells/SwCommand.h"

class CSwPlugin : public CSwCommandOf<CSwPlugin> {
public:
    enum Slot : std::size_t { kPath };
    CSwPlugin();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwTag : public CSwCommandOf<CSwTag> {
public:
    // kLine: the text is a whole scenario line (text, "@" tag, comment) kept
    // from an imported game, written as it stands rather than in brackets.
    enum Slot : std::size_t { kTag, kLine };
    CSwTag();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwScript : public CSwCommandOf<CSwScript> {
public:
    enum Slot : std::size_t { kText };
    CSwScript();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
