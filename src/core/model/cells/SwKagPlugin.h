#pragma once

// A marker cell without fields or script text (type 126).

#include "model/cells/SwCommand.h"

class CSwKagPlugin : public CSwCommandOf<CSwKagPlugin> {
public:
    CSwKagPlugin();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
