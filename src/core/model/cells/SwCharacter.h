#pragma once

// A character definition of the project settings (type 113); not a cell.

#include "model/cells/SwCommand.h"

class CSwCharacter : public CSwCommandOf<CSwCharacter> {
public:
    enum Slot : std::size_t {
        kFirstName,
        kMiddleName,
        kLastName,
        kDelimiter,
        kNameOrder,
        kMsgColor
    };
    CSwCharacter();

    bool Build(CTextOutput* file, CBuildContext* doc) override;

    // The name parts joined by the chosen separator in the chosen order.
    std::string FullName() const;
    // The separator of a delimiter index; "" for 0 and unknown indexes.
    static const char* Separator(std::int32_t delimiter);

    const std::string& firstname() const { return Text(kFirstName); }
    const std::string& middlename() const { return Text(kMiddleName); }
    const std::string& lastname() const { return Text(kLastName); }
    std::int32_t delimiter() const { return Integer(kDelimiter); }
    std::int32_t nameorder() const { return Integer(kNameOrder); }
    std::int32_t msgcolor() const { return Integer(kMsgColor); }
};
