#include "build/TjsText.h"

#include "platform/Cp932.h"

std::string EscapeTjsString(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t length = sw::cp932::CharLength(text, pos);
        if (length == 1 && (text[pos] == '"' || text[pos] == '\\'))
            escaped += '\\';
        escaped.append(text, pos, length);
        pos += length;
    }
    return escaped;
}
