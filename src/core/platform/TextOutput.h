#pragma once

// Destinations for generated text. Writers produce "\n" line ends; an output
// in text mode stores them as CR LF, as every file of the engine expects.

#include "platform/Files.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace sw {

// printf into a std::string; the formats are the program's own literals.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

} // namespace sw

class CTextOutput {
public:
    virtual ~CTextOutput() = default;
    virtual void Write(std::string_view text) = 0;
    void Printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
};

// Collects the text in memory, to be written in one piece.
class CStringOutput : public CTextOutput {
public:
    explicit CStringOutput(bool textMode = true) : m_textMode(textMode) {}
    void Write(std::string_view text) override;
    const std::string& Text() const { return m_text; }
    std::string Take() { return std::move(m_text); }
    void Reserve(std::size_t bytes) { m_text.reserve(bytes); }

private:
    bool m_textMode;
    std::string m_text;
};

// Writes a file below a root folder, "\n" stored as CR LF, through a
// temporary that only a successful Close puts in place of the previous file
// (sw::files::CFileBelowRoot): a failed build keeps the last good output.
class CFileOutput : public CTextOutput {
public:
    ~CFileOutput() override;
    // `refused` names a folder on the way that is a link out of `root`.
    bool Open(std::string_view root, std::string_view relative, std::string* refused = nullptr);
    void Write(std::string_view text) override;
    // Puts the file in place; false when anything failed since Open.
    bool Close();

private:
    void Flush();
    sw::files::CFileBelowRoot m_file;
    std::string m_buffer;
    bool m_open = false;
    bool m_failed = false;
};
