#pragma once

// Cells without fields of their own whose build step writes one fixed tag,
// such as clearing the game's or the system's variables, or returning from a
// subroutine.

#include "model/cells/SwCommand.h"

// The tag line of a fixed-tag type; null for other types.
const char* FixedTagOf(std::int32_t type);

template <std::int32_t Type>
class CSwFixedTagCommand : public CSwCommandOf<CSwFixedTagCommand<Type>> {
public:
    CSwFixedTagCommand() : CSwCommandOf<CSwFixedTagCommand<Type>>(Type, {}) {}
    bool Build(CTextOutput* file, CBuildContext*) override;
};

bool WriteFixedTag(CTextOutput* file, std::int32_t type);

template <std::int32_t Type>
bool CSwFixedTagCommand<Type>::Build(CTextOutput* file, CBuildContext*) {
    return WriteFixedTag(file, Type);
}

using CSwClearUserVariables = CSwFixedTagCommand<SwType::ClearUserVariables>;
using CSwClearSystemVariables = CSwFixedTagCommand<SwType::ClearSystemVariables>;
using CSwShutdown = CSwFixedTagCommand<SwType::Shutdown>;
using CSwStopQuake = CSwFixedTagCommand<SwType::StopQuake>;
using CSwReturn = CSwFixedTagCommand<SwType::Return>;
using CSwStartAnchor = CSwFixedTagCommand<SwType::StartAnchor>;
