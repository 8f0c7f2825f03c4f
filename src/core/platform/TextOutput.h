#pragma once

// Destinations for generated text. Writers produce "\n" line ends; an output
// in text mode stores them as CR LF, as every file of the engine expects.

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

// Writes straight to a file, "\n" stored as CR LF. The file is created (or
// emptied) when the object is opened; a failed write marks it failed.
class CFileOutput : public CTextOutput {
public:
    ~CFileOutput() override;
    bool Open(std::string_view path);
    void Write(std::string_view text) override;
    // Closes the file; false when anything failed since Open.
    bool Close();

private:
    std::FILE* m_file = nullptr;
    bool m_failed = false;
};
