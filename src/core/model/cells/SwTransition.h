#pragma once

// A screen transition on one layer (105): universal with a rule image copied
// into the built project's `rule` folder, crossfade, or scroll.

#include "model/cells/SwCommand.h"

class CSwTransition : public CSwCommandOf<CSwTransition> {
public:
    // Slots in the record's order.
    enum Slot : std::size_t {
        kLayer,
        kSurface,
        kChildren,
        kTime,
        kMethod,
        kRule,
        kVague,
        kFrom,
        kStay
    };
    enum Method : std::int32_t { kUniversal = 0, kCrossfade = 1, kScroll = 2 };
    CSwTransition();
    bool Build(CTextOutput* file, CBuildContext* doc) override;

    // Scroll names by index, wrapped into the table for any index.
    static const char* FromName(std::int32_t from);
    static const char* StayName(std::int32_t stay);

private:
    bool AppendMethod(std::string& line, CBuildContext* doc) const;
};
