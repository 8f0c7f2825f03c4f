#pragma once

// Cells that address the engine's layers: layer settings (103), current
// message layer (123), image load (104) and copy to the back page (106).
// Page choices are 0 fore, 1 back, 2 both; tri-states 0 false, 1 true, 2 as
// it is (not written).

#include "model/cells/SwCommand.h"

class CSwLayer : public CSwCommandOf<CSwLayer> {
public:
    // Slots in the record's order.
    enum Slot : std::size_t {
        kLayer,
        kSurface,
        kLeft,
        kTop,
        kWidth,
        kHeight,
        kOpacity,
        kColor,
        kVisible,
        kSetCol,
        kVertical
    };
    CSwLayer();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwCurrentLayer : public CSwCommandOf<CSwCurrentLayer> {
public:
    enum Slot : std::size_t { kLayer, kSurface, kWithBack };
    CSwCurrentLayer();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwImageLoad : public CSwCommandOf<CSwImageLoad> {
public:
    enum Slot : std::size_t { kLayer, kImage, kSurface };
    CSwImageLoad();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};

class CSwBackLay : public CSwCommandOf<CSwBackLay> {
public:
    enum Slot : std::size_t { kLayer };
    CSwBackLay();
    bool Build(CTextOutput* file, CBuildContext* doc) override;
};
