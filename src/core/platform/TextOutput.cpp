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

CFileOutput::~CFileOutput() {
    m_file.Discard();
}

bool CFileOutput::Open(std::string_view root, std::string_view relative, std::string* refused) {
    m_file.Discard();
    m_buffer.clear();
    m_failed = false;
    m_open = m_file.Open(root, relative, refused);
    return m_open;
}

void CFileOutput::Write(std::string_view text) {
    if (!m_open)
        return;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        m_buffer.append(text, start, end - start);
        if (end < text.size())
            m_buffer += "\r\n";
        start = end + 1;
    }
    if (m_buffer.size() >= (std::size_t{1} << 20))
        Flush();
}

void CFileOutput::Flush() {
    if (!m_buffer.empty() && !m_file.Write(m_buffer))
        m_failed = true;
    m_buffer.clear();
}

bool CFileOutput::Close() {
    if (!m_open)
        return false;
    Flush();
    m_open = false;
    const bool ok = !m_failed && m_file.Commit(false);
    m_file.Discard();
    return ok;
}
