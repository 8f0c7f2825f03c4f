#include "scenario/EngineConfigPatcher.h"

#include "model/BuildContext.h"
#include "model/SwSettings.h"
#include "model/Values.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"
#include "platform/TjsText.h"

#include <uuid/uuid.h>

#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// TJS takes any character beyond ASCII into a name, as it does letters.
bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

bool IsNamePart(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9');
}

const char* TrueFalse(std::int32_t flag) {
    return flag != 0 ? "true" : "false";
}

std::string NewUuid() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_lower(uuid, text);
    return text;
}

// One setting the project controls: the line in `function` ("" outside
// every function) that begins with `key` gets the statement `make` gives.
struct Setting {
    const char* function;
    const char* key;
    std::string (*make)(const CSwSettings&);
};

// Within a function the first key that matches decides, in this order.
const Setting kSettings[] = {
    {"", ";System.title",
     [](const CSwSettings& s) {
         return sw::Format(";System.title = \"%s\";",
                           s.name.empty() ? "吉里吉里" : EscapeTjsString(s.name).c_str());
     }},
    {"KAGWindow_config", ";scHeight",
     [](const CSwSettings& s) { return sw::Format(";scHeight = %d;", s.height); }},
    {"KAGWindow_config", ";scWidth",
     [](const CSwSettings& s) { return sw::Format(";scWidth = %d;", s.width); }},
    {"KAGWindow_config", ";dataName",
     [](const CSwSettings& s) {
         return sw::Format(";dataName = \"%s\";", EscapeTjsString(s.saveprefix).c_str());
     }},
    {"KAGWindow_config", ";saveDataLocation",
     [](const CSwSettings& s) {
         return sw::Format(";saveDataLocation = \"%s\";", EscapeTjsString(s.savelocation).c_str());
     }},
    {"KAGWindow_config", ";freeSaveDataMode",
     [](const CSwSettings& s) {
         return sw::Format(";freeSaveDataMode = %s;", TrueFalse(s.freesave));
     }},
    {"KAGWindow_config", ";saveDataMode",
     [](const CSwSettings& s) {
         return sw::Format(";saveDataMode = \"%s\";", s.encrypt != 0 ? "c" : "");
     }},
    {"KAGWindow_config", ";saveThumbnail",
     [](const CSwSettings& s) {
         return sw::Format(";saveThumbnail = %s;", TrueFalse(s.savewidhimage));
     }},
    {"KAGWindow_config", ";numCharacterLayers",
     [](const CSwSettings& s) { return sw::Format(";numCharacterLayers = %d;", s.laycount); }},
    {"KAGWindow_config", ";numMessageLayers",
     [](const CSwSettings& s) { return sw::Format(";numMessageLayers = %d;", s.msglaycount); }},
    // Only the placeholder is replaced: saves already made keep their identifier.
    {"KAGWindow_config", ";saveDataID = \"00000000-0000-0000-0000-000000000000\"",
     [](const CSwSettings&) { return sw::Format(";saveDataID = \"%s\";", NewUuid().c_str()); }},
    {"MessageLayer_config", ";defaultLinkColor",
     [](const CSwSettings& s) {
         return sw::Format(";defaultLinkColor = 0x%6.6X;",
                           static_cast<unsigned>(sw::SwapRedBlue(s.deflinkcol)));
     }},
    {"HistoryLayer_config", ";verticalView",
     [](const CSwSettings& s) {
         return sw::Format(";verticalView = %s;", TrueFalse(s.htvertivalview));
     }},
    {"HistoryLayer_config", ";storeState",
     [](const CSwSettings& s) {
         return sw::Format(";storeState = %s;", TrueFalse(s.htstorestate));
     }},
    {"HistoryLayer_config", ";maxPages",
     [](const CSwSettings& s) { return sw::Format(";maxPages = %d;", s.htmaxpages); }},
    {"HistoryLayer_config", ";maxLines",
     [](const CSwSettings& s) { return sw::Format(";maxLines = %d;", s.htmaxlines); }},
    {"BGM_config", ";type",
     [](const CSwSettings& s) {
         return sw::Format(";type = \"%s\";", s.bgmtype == 1   ? "MIDI"
                                              : s.bgmtype == 2 ? "CDDA"
                                                               : "Wave");
     }},
};

// The setting whose key `line` begins with in `function`. A key must end
// where the name ends, so that ";typeface" is not taken for ";type".
const Setting* SettingOf(std::string_view function, std::string_view line) {
    for (const Setting& setting : kSettings) {
        const std::string_view key = setting.key;
        if (function != setting.function || !line.starts_with(key))
            continue;
        if (IsNamePart(key.back()) && key.size() < line.size() && IsNamePart(line[key.size()]))
            continue;
        return &setting;
    }
    return nullptr;
}

// Where the quoted literal opening at `pos` ends, past its closing quote. A
// backslash escapes the next character; the 0x5C trail byte of a CP932
// character is no backslash. An unclosed literal ends with the line.
std::size_t SkipString(std::string_view line, std::size_t pos) {
    const char quote = line[pos++];
    while (pos < line.size()) {
        const std::size_t length = sw::cp932::CharLength(line, pos);
        if (length == 1 && line[pos] == quote)
            return pos + 1;
        pos += length;
        if (length == 1 && line[pos - 1] == '\\' && pos < line.size())
            pos += sw::cp932::CharLength(line, pos);
    }
    return line.size();
}

// Past the "*/" that closes the block comment opening at `pos` (comments
// nest), or npos when it stays open at the line end.
std::size_t SkipBlockComment(std::string_view line, std::size_t pos) {
    int depth = 0;
    while (pos < line.size()) {
        if (line.compare(pos, 2, "/*") == 0) {
            ++depth;
            pos += 2;
        } else if (line.compare(pos, 2, "*/") == 0) {
            pos += 2;
            if (--depth == 0)
                return pos;
        } else {
            pos += sw::cp932::CharLength(line, pos);
        }
    }
    return std::string_view::npos;
}

// The end of the setting statement that starts a key line, the key being
// `keyLength` bytes: past the first ';' after the key that stands outside
// strings, comments and brackets. Without one, the statement ends where a
// comment or a bracket it did not open begins, or at the line end, trailing
// blanks left out. Nullopt when a bracket stays open at that point: the
// statement goes on to the next line and is left as it is, since replacing
// only its first part would break the file.
std::optional<std::size_t> SettingEnd(std::string_view line, std::size_t keyLength) {
    int depth = 0;
    std::size_t pos = keyLength;
    std::size_t stop = line.size();
    while (pos < line.size()) {
        const std::size_t length = sw::cp932::CharLength(line, pos);
        const char c = line[pos];
        if (length != 1) {
            pos += length;
        } else if (c == '"' || c == '\'') {
            pos = SkipString(line, pos);
        } else if (line.compare(pos, 2, "//") == 0) {
            stop = pos;
            break;
        } else if (line.compare(pos, 2, "/*") == 0) {
            const std::size_t after = SkipBlockComment(line, pos);
            if (after == std::string_view::npos) {
                stop = pos;
                break;
            }
            pos = after;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
            ++pos;
        } else if (c == ')' || c == ']' || c == '}') {
            if (depth == 0) {
                stop = pos;
                break;
            }
            --depth;
            ++pos;
        } else if (c == ';' && depth == 0) {
            return pos + 1;
        } else {
            ++pos;
        }
    }
    if (depth != 0)
        return std::nullopt;
    while (stop > keyLength && IsBlank(line[stop - 1]))
        --stop;
    return stop;
}

// A block the scanner is inside: a function body (named or not) or any
// other pair of braces.
struct Block {
    bool function = false;
    std::string name;
};

// Follows the file as TJS reads it: comments, string literals, the
// "function" keyword and the braces of blocks, so that each line is known to
// stand in a function's body or not. Regular expression literals are not
// recognised; a quote in one opens a string only to the end of its line.
class Scanner {
public:
    // Where a line starts: the named function whose body it stands directly
    // in, "" at the top level outside every block, nullopt anywhere else (a
    // nested block, a function without a name, a comment, a function header).
    std::optional<std::string> LineContext() const {
        if (m_commentDepth > 0 || m_header != Header::None)
            return std::nullopt;
        if (m_blocks.empty())
            return std::string();
        const Block& inner = m_blocks.back();
        if (!inner.function || inner.name.empty())
            return std::nullopt;
        return inner.name;
    }

    void ScanLine(std::string_view line, int lineNumber) {
        std::size_t pos = 0;
        while (pos < line.size()) {
            if (m_commentDepth > 0) {
                if (line.compare(pos, 2, "/*") == 0) {
                    ++m_commentDepth;
                    pos += 2;
                } else if (line.compare(pos, 2, "*/") == 0) {
                    --m_commentDepth;
                    pos += 2;
                } else {
                    pos += sw::cp932::CharLength(line, pos);
                }
                continue;
            }
            const char c = line[pos];
            if (IsNameStart(c)) {
                const std::size_t start = pos;
                while (pos < line.size() && IsNamePart(line[pos]))
                    pos += sw::cp932::CharLength(line, pos);
                OnName(line.substr(start, pos - start), lineNumber);
            } else if (c >= '0' && c <= '9') {
                while (pos < line.size() && IsNamePart(line[pos]))
                    pos += sw::cp932::CharLength(line, pos);
            } else if (c == '"' || c == '\'') {
                pos = SkipString(line, pos);
            } else if (line.compare(pos, 2, "//") == 0) {
                break;
            } else if (line.compare(pos, 2, "/*") == 0) {
                m_commentDepth = 1;
                pos += 2;
            } else {
                OnSymbol(c);
                ++pos;
            }
        }
    }

    // "" when the file ended where it may; else the failure text.
    std::string AtEnd() const {
        if (m_header == Header::None)
            return std::string();
        if (m_header == Header::Name || m_name.empty())
            return sw::Format("Config.tjs: %d行目: function の名前が見つかりません。",
                              m_headerLine);
        return sw::Format("Config.tjs: %d行目: function %s のブロックが見つかりません。",
                          m_headerLine, m_name.c_str());
    }

private:
    enum class Header { None, Name, Block };

    void OnName(std::string_view name, int lineNumber) {
        if (m_header == Header::Name) {
            m_name = name;
            m_header = Header::Block;
        } else if (m_header == Header::None && name == "function") {
            m_header = Header::Name;
            m_headerLine = lineNumber;
            m_name.clear();
        }
    }

    void OnSymbol(char c) {
        if (c == '(' && m_header == Header::Name) {
            m_header = Header::Block; // a function without a name
        } else if (c == '{') {
            const bool function = m_header != Header::None;
            m_blocks.push_back({function, function ? m_name : std::string()});
            m_header = Header::None;
        } else if (c == '}' && !m_blocks.empty()) {
            m_blocks.pop_back();
        }
    }

    int m_commentDepth = 0;
    std::vector<Block> m_blocks;
    Header m_header = Header::None;
    std::string m_name;
    int m_headerLine = 0;
};

struct Line {
    std::string_view text; // without its line end
    std::string_view end;  // CR LF, LF, CR or nothing at the end of the file
};

// CR and LF are never trail bytes of a CP932 character.
std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    while (!text.empty()) {
        const std::size_t stop = text.find_first_of("\r\n");
        if (stop == std::string_view::npos) {
            lines.push_back({text, {}});
            break;
        }
        const std::size_t endLength = text.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
        lines.push_back({text.substr(0, stop), text.substr(stop, endLength)});
        text.remove_prefix(stop + endLength);
    }
    return lines;
}

// The patched text in `out`; "" on success, else the failure text.
std::string Patch(const CSwSettings& settings, std::string_view text, std::string& out) {
    // A NUL would end the engine's reading of its line; refused rather than
    // passed on. It is never a trail byte.
    if (const std::size_t nul = text.find('\0'); nul != std::string_view::npos) {
        int lineNumber = 1;
        for (std::size_t i = 0; i < nul; ++i) {
            if (text[i] == '\n' || (text[i] == '\r' && text[i + 1] != '\n'))
                ++lineNumber;
        }
        return sw::Format("Config.tjs: %d行目: NUL 文字が含まれているため書き換えられません。",
                          lineNumber);
    }
    const std::vector<Line> lines = SplitLines(text);
    out.clear();
    out.reserve(text.size() + 64);
    Scanner scanner;
    int lineNumber = 0;
    for (const Line& line : lines) {
        ++lineNumber;
        const std::size_t start = out.size();
        std::string_view rest = line.text;
        if (const std::optional<std::string> function = scanner.LineContext()) {
            if (const Setting* setting = SettingOf(*function, line.text)) {
                if (auto end = SettingEnd(line.text, std::string_view(setting->key).size())) {
                    out += setting->make(settings);
                    rest = line.text.substr(*end);
                }
            }
        }
        out.append(rest);
        // The written line is what the engine reads, and what the next build
        // patches again: following it keeps a second patch from changing
        // anything, whatever the replaced statement held.
        scanner.ScanLine(std::string_view(out).substr(start), lineNumber);
        out.append(line.end);
    }
    return scanner.AtEnd();
}

} // namespace

std::optional<std::string> ExtractFunctionName(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty() || text.front() == '(')
        return std::nullopt;
    return std::string(text.substr(0, text.find('(')));
}

bool PatchEngineConfigText(CBuildContext* doc, std::string_view source, std::string& original,
                           std::string& patched) {
    sw::files::ReadProblem problem = sw::files::ReadProblem::None;
    if (!sw::files::ReadWholeFile(source, original, sw::files::kTextFileLimit, &problem)) {
        doc->SetBuildStatus(SwBuildStatus::ConfigUnreadable);
        // A pipe or device under the name, or a file far too large, is
        // named as such; anything else as the file that cannot be opened.
        const bool special = (problem == sw::files::ReadProblem::NotRegular &&
                              !sw::files::DirectoryExists(source)) ||
                             problem == sw::files::ReadProblem::TooLarge;
        doc->SetPendingMessage(
            special ? sw::files::ReadProblemMessage(problem, source, sw::files::kTextFileLimit)
                    : sw::Format("読み込みモードで %s を開くことが出来ません。",
                                 std::string(source).c_str()));
        return false;
    }
    const std::string failure = Patch(doc->GetSettings(), original, patched);
    if (!failure.empty()) {
        doc->SetBuildStatus(SwBuildStatus::ConfigFunctionMissing);
        doc->SetPendingMessage(failure);
        return false;
    }
    return true;
}

bool PatchEngineConfig(CBuildContext* doc, std::string_view source, std::string_view target) {
    std::string text, patched;
    if (!PatchEngineConfigText(doc, source, text, patched))
        return false;
    // Byte for byte, line ends included: the text is written as it was read.
    if (!sw::files::WriteFileReplacing(target, patched)) {
        doc->SetBuildStatus(SwBuildStatus::OutputUnwritable);
        doc->SetPendingMessage(sw::Format("書き込みモードで %s を開くことが出来ません。",
                                          std::string(target).c_str()));
        return false;
    }
    return true;
}
