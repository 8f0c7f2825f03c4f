#include "model/cells/SwCharacter.h"

#include <iterator>

namespace {
const CommandField kCharacterFields[] = {
    {"firstname", FieldKind::Text},       {"middlename", FieldKind::Text},
    {"lastname", FieldKind::Text},        {"delimiter", FieldKind::Choice, 0},
    {"nameorder", FieldKind::Integer, 1}, {"msgcolor", FieldKind::Colour, 0},
};
const char* const kSeparators[] = {"", "・", "＝", "★", "☆", "＊"};
} // namespace

CSwCharacter::CSwCharacter() : CSwCommandOf(SwType::Character, kCharacterFields) {}

bool CSwCharacter::Build(CTextOutput* file, CBuildContext*) {
    return file != nullptr;
}

const char* CSwCharacter::Separator(std::int32_t delimiter) {
    if (delimiter < 0 || delimiter >= static_cast<std::int32_t>(std::size(kSeparators)))
        return "";
    return kSeparators[delimiter];
}

std::string CSwCharacter::FullName() const {
    const std::string separator = Separator(delimiter());
    const std::string& first = nameorder() != 0 ? lastname() : firstname();
    const std::string& last = nameorder() != 0 ? firstname() : lastname();
    std::string full = first + separator;
    if (!middlename().empty())
        full += middlename() + separator;
    return full + last;
}
