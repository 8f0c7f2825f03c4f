#include "build/EngineConfigPatcher.h"

#include "build/TjsText.h"
#include "document/ScenewrightDoc.h"
#include "model/Values.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"

#include <uuid/uuid.h>

#include <vector>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::string TrimRight(std::string_view text) {
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return std::string(text);
}

class LineReader {
public:
    explicit LineReader(std::string_view text) : m_text(text) {}
    bool Next(std::string& line) {
        if (m_pos >= m_text.size())
            return false;
        std::size_t end = m_text.find('\n', m_pos);
        end = end == std::string_view::npos ? m_text.size() : end + 1;
        line = TrimRight(m_text.substr(m_pos, end - m_pos));
        m_pos = end;
        ++m_count;
        return true;
    }
    int Count() const { return m_count; }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_count = 0;
};

const char* TrueFalse(std::int32_t flag) {
    return flag != 0 ? "true" : "false";
}

std::optional<std::string> NewUuid() {
    uuid_t uuid;
    uuid_generate_random(uuid);
    char text[37];
    uuid_unparse_lower(uuid, text);
    return std::string(text);
}

// The replacement for `line` in `function`, or nullopt to keep it.
std::optional<std::string> Replacement(const CSwSettings& s, const std::string& function,
                                       const std::string& line) {
    auto starts = [&](const char* key) { return line.starts_with(key); };
    if (function.empty()) {
        if (starts(";System.title"))
            return sw::Format(";System.title = \"%s\";",
                              s.name.empty() ? "吉里吉里" : EscapeTjsString(s.name).c_str());
    } else if (function == "KAGWindow_config") {
        if (starts(";scHeight"))
            return sw::Format(";scHeight = %d;", s.height);
        if (starts(";scWidth"))
            return sw::Format(";scWidth = %d;", s.width);
        if (starts(";dataName"))
            return sw::Format(";dataName = \"%s\";", EscapeTjsString(s.saveprefix).c_str());
        if (starts(";saveDataLocation"))
            return sw::Format(";saveDataLocation = \"%s\";",
                              EscapeTjsString(s.savelocation).c_str());
        if (starts(";freeSaveDataMode"))
            return sw::Format(";freeSaveDataMode = %s;", TrueFalse(s.freesave));
        if (starts(";saveDataMode"))
            return sw::Format(";saveDataMode = \"%s\";", s.encrypt != 0 ? "c" : "");
        if (starts(";saveThumbnail"))
            return sw::Format(";saveThumbnail = %s;", TrueFalse(s.savewidhimage));
        if (starts(";numCharacterLayers"))
            return sw::Format(";numCharacterLayers = %d;", s.laycount);
        if (starts(";numMessageLayers"))
            return sw::Format(";numMessageLayers = %d;", s.msglaycount);
        if (starts(";saveDataID = \"00000000-0000-0000-0000-000000000000\"")) {
            if (auto uuid = NewUuid())
                return sw::Format(";saveDataID = \"%s\";", uuid->c_str());
        }
    } else if (function == "MessageLayer_config") {
        if (starts(";defaultLinkColor"))
            return sw::Format(";defaultLinkColor = 0x%6.6X;",
                              static_cast<unsigned>(sw::SwapRedBlue(s.deflinkcol)));
    } else if (function == "HistoryLayer_config") {
        if (starts(";verticalView"))
            return sw::Format(";verticalView = %s;", TrueFalse(s.htvertivalview));
        if (starts(";storeState"))
            return sw::Format(";storeState = %s;", TrueFalse(s.htstorestate));
        if (starts(";maxPages"))
            return sw::Format(";maxPages = %d;", s.htmaxpages);
        if (starts(";maxLines"))
            return sw::Format(";maxLines = %d;", s.htmaxlines);
    } else if (function == "BGM_config") {
        if (starts(";type"))
            return sw::Format(";type = \"%s\";", s.bgmtype == 1   ? "MIDI"
                                                 : s.bgmtype == 2 ? "CDDA"
                                                                  : "Wave");
    }
    return std::nullopt;
}

// A function header: "function" followed by a blank.
std::size_t FunctionKeywordEnd(const std::string& line) {
    const std::size_t at = line.find("function");
    if (at == std::string::npos)
        return std::string::npos;
    const std::size_t end = at + 8;
    return end < line.size() && (line[end] == ' ' || line[end] == '\t' || line[end] == '\n')
               ? end
               : std::string::npos;
}

// The copy of config.tjs being made, one run.
class Patcher {
public:
    Patcher(const CSwSettings& settings, std::string_view text, CTextOutput& out)
        : m_settings(settings), m_reader(text), m_out(out) {}

    // "" on success, else the failure text.
    std::string Run() {
        std::string line;
        while (m_reader.Next(line)) {
            if (std::size_t end = FunctionKeywordEnd(line); end != std::string::npos) {
                std::string failure = EnterFunction(line, end);
                if (!failure.empty())
                    return failure;
            }
            if (std::size_t brace = line.find('}'); brace != std::string::npos) {
                m_out.Printf("%s\n", line.substr(0, brace + 1).c_str());
                line.erase(0, brace + 1);
                m_function.clear();
                m_splitAtBrace = true;
            }
            if (auto replaced = Replacement(m_settings, m_function, line))
                line = *replaced;
            // A brace ending its line is not followed by an empty one, so
            // patching a patched file changes nothing but the values.
            if (!(m_splitAtBrace && line.empty()))
                m_out.Printf("%s\n", line.c_str());
            m_splitAtBrace = false;
        }
        return std::string();
    }

private:
    // Copies the header through its opening brace; `line` keeps what follows.
    std::string EnterFunction(std::string& line, std::size_t keywordEnd) {
        m_out.Write(line.substr(0, keywordEnd));
        line.erase(0, keywordEnd);
        const int headerLine = m_reader.Count();
        std::optional<std::string> name = ExtractFunctionName(line);
        while (!name) {
            m_out.Printf("%s\n", line.c_str());
            if (!m_reader.Next(line))
                return sw::Format("Config.tjs: %d行目: function の名前が見つかりません。",
                                  headerLine);
            name = ExtractFunctionName(line);
        }
        m_function = *name;
        std::size_t brace;
        while ((brace = line.find('{')) == std::string::npos) {
            m_out.Printf("%s\n", line.c_str());
            if (!m_reader.Next(line))
                return sw::Format("Config.tjs: %d行目: function %s のブロックが見つかりません。",
                                  headerLine, m_function.c_str());
        }
        m_out.Printf("%s\n", line.substr(0, brace + 1).c_str());
        line.erase(0, brace + 1);
        m_splitAtBrace = true;
        return std::string();
    }

    const CSwSettings& m_settings;
    LineReader m_reader;
    CTextOutput& m_out;
    std::string m_function;
    bool m_splitAtBrace = false;
};

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

bool PatchEngineConfig(CScenewrightDoc* doc, std::string_view source, std::string_view target) {
    std::string text;
    if (!sw::files::ReadWholeFile(source, text)) {
        doc->SetBuildStatus(SwBuildStatus::ConfigUnreadable);
        doc->SetPendingMessage(sw::Format("読み込みモードで %s を開くことが出来ません。",
                                          std::string(source).c_str()));
        return false;
    }
    auto unwritable = [&] {
        doc->SetBuildStatus(SwBuildStatus::OutputUnwritable);
        doc->SetPendingMessage(sw::Format("書き込みモードで %s を開くことが出来ません。",
                                          std::string(target).c_str()));
        return false;
    };
    CFileOutput out;
    if (!out.Open(target))
        return unwritable();
    const std::string failure = Patcher(doc->GetSettings(), text, out).Run();
    const bool written = out.Close();
    if (!failure.empty()) {
        doc->SetBuildStatus(SwBuildStatus::ConfigFunctionMissing);
        doc->SetPendingMessage(failure);
        return false;
    }
    return written || unwritable();
}
