#include "platform/KagText.h"

#include "platform/Cp932.h"

std::string EscapeKagAttribute(std::string_view text) {
    return sw::cp932::EscapeChars(text, "\"`", '`');
}

std::string EscapeKagText(std::string_view text) {
    return sw::cp932::EscapeChars(text, "[", '[');
}
