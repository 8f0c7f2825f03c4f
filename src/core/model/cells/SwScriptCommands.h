#pragma once

// Cells that write one KAG construct from the author's text: a TJS
// expression (114), a scenario label (124) and a macro definition (129).

#include "model/cells/SwCommand.h"

class CSwEval : public CSwCommandOf<CSwEval> {
public:
    enum Slot : std::size_t { kFormula };
    CSwEval();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwLabel : public CSwCommandOf<CSwLabel> {
public:
    enum Slot : std::size_t { kLabel, kHeadline };
    CSwLabel();
    // Needs the scene being built: its label is a save point only where the
    // scene's own labels are.
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwMacro : public CSwCommandOf<CSwMacro> {
public:
    enum Slot : std::size_t { kName, kText };
    CSwMacro();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
