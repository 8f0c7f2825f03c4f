#include "platform/TextOutput.h"

#include "platform/Files.h"

#include <algorithm>
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
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        m_text.append(text, start, end - start);
        if (end < text.size())
            m_text += "\r\n";
        start = end + 1;
    }
}

CFileOutput::~CFileOutput() { Close(); }

bool CFileOutput::Open(std::string_view path) {
    Close();
    std::string native;
    m_failed = false;
    if (!sw::files::ToNativePath(path, native))
        return false;
    m_file = std::fopen(native.c_str(), "wb");
    return m_file != nullptr;
}

void CFileOutput::Write(std::string_view text) {
    if (!m_file)
        return;
    std::size_t start = 0;
    for (std::size_t pos = 0; pos <= text.size(); ++pos) {
        if (pos == text.size() || text[pos] == '\n') {
            m_failed |= std::fwrite(text.data() + start, 1, pos - start, m_file) != pos - start;
            if (pos < text.size())
                m_failed |= std::fwrite("\r\n", 1, 2, m_file) != 2;
            start = pos + 1;
        }
    }
}

bool CFileOutput::Close() {
    if (!m_file)
        return !m_failed;
    m_failed |= std::fclose(m_file) != 0;
    m_file = nullptr;
    return !m_failed;
}
