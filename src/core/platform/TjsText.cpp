#include "platform/TjsText.h"

#include "platform/Cp932.h"

std::string EscapeTjsString(std::string_view text) {
    return sw::cp932::EscapeChars(text, "\"\\", '\\');
}
