#include "platform/TextOutput.h"

#include <cstdarg>

namespace {

std::string FormatV(const char* format, va_list args) {
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (length <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, format, args);
    return text;
}

} // namespace

namespace sw {

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    return text;
}

} // namespace sw

void CTextOutput::Printf(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = FormatV(format, args);
    va_end(args);
    Write(text);
}

void CStringOutput::Write(std::string_view text) {
    if (!m_textMode) {
        m_text += text;
        return;
    }
    for (char c : text) {
        if (c == '\n')
            m_text += '\r';
        m_text += c;
    }
}
