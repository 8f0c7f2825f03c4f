#include "support/KagRoundTrip.h"

#include "document/KagImport.h"
#include "document/ScenewrightDoc.h"
#include "platform/Cp932.h"
#include "support/TempFolder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            lines.push_back(line);
            line.clear();
        } else {
            line += text[i];
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct TagToken {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::string Text() const {
        std::string text = "tag " + name;
        for (const auto& [key, value] : attributes)
            text += " " + key + "=" + value;
        return text;
    }
};

// From after '[' (or '@'): the tag up to ']' (or the line end).
TagToken ParseTag(const std::string& line, std::size_t& pos, bool bracketed) {
    TagToken tag;
    auto end = [&] { return pos >= line.size() || (bracketed && line[pos] == ']'); };
    auto blanks = [&] {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
            ++pos;
    };
    auto word = [&] {
        std::string word;
        while (!end() && line[pos] != ' ' && line[pos] != '\t' && line[pos] != '=')
            word += line[pos++];
        return Lower(word);
    };
    blanks();
    tag.name = word();
    for (blanks(); !end(); blanks()) {
        const std::string key = word();
        blanks();
        std::string value = "true";
        if (pos < line.size() && line[pos] == '=') {
            ++pos;
            blanks();
            value.clear();
            const char quote = line[pos] == '"' || line[pos] == '\'' ? line[pos++] : 0;
            while (pos < line.size() &&
                   (quote ? line[pos] != quote : !end() && line[pos] != ' ' && line[pos] != '\t')) {
                if (line[pos] == '`')
                    ++pos;
                value += line[pos++];
            }
            if (quote)
                ++pos;
        }
        tag.attributes[key] = value;
    }
    if (bracketed)
        ++pos;
    return tag;
}

// "'\xHHHH...'" as the UTF-8 characters it stands for; empty for any other exp.
std::string EmbeddedCharacters(const std::string& exp) {
    if (exp.size() < 8 || exp.front() != '\'' || exp.back() != '\'' || (exp.size() - 2) % 6 != 0)
        return {};
    std::vector<std::uint32_t> units;
    for (std::size_t i = 1; i + 1 < exp.size(); i += 6) {
        if (exp.compare(i, 2, "\\x") != 0)
            return {};
        units.push_back(static_cast<std::uint32_t>(std::stoul(exp.substr(i + 2, 4), nullptr, 16)));
    }
    std::u32string chars;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xD800 && units[i] < 0xDC00 && i + 1 < units.size()) {
            chars += static_cast<char32_t>(0x10000 + ((units[i] - 0xD800) << 10) +
                                           (units[i + 1] - 0xDC00));
            ++i;
        } else {
            chars += static_cast<char32_t>(units[i]);
        }
    }
    std::string utf8;
    for (char32_t c : chars) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | (c >> 6));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (c >> 12));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (c >> 18));
            utf8 += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

void AddText(std::vector<std::string>& tokens, const std::string& text) {
    if (text.empty())
        return;
    if (!tokens.empty() && tokens.back().starts_with("text "))
        tokens.back() += text;
    else
        tokens.push_back("text " + text);
}

// Tokens with each tag passed through `onTag` (which may change it, or
// return false to drop it).
template <typename OnTag> std::vector<std::string> Tokens(const std::string& utf8, OnTag onTag) {
    std::vector<std::string> tokens;
    bool inScript = false;
    std::string script;
    auto tag = [&](TagToken token) {
        const auto exp = token.attributes.find("exp");
        if (token.name == "emb" && token.attributes.size() == 1 && exp != token.attributes.end()) {
            if (const std::string chars = EmbeddedCharacters(exp->second); !chars.empty())
                return AddText(tokens, chars);
        }
        if (onTag(token))
            tokens.push_back(token.Text());
    };
    for (const std::string& whole : Lines(utf8)) {
        const std::string line =
            whole.substr(std::min(whole.find_first_not_of('\t'), whole.size()));
        if (inScript) {
            if (line == "[endscript]" || line == "@endscript") {
                // A script cell writes an empty script as one empty line.
                while (script.ends_with("\n\n") || script == "\n")
                    script.pop_back();
                tokens.push_back("script " + script);
                inScript = false;
            } else {
                script += whole + "\n";
            }
            continue;
        }
        if (line.empty() || line[0] == ';')
            continue;
        if (line == "[iscript]" || line == "@iscript") {
            inScript = true;
            script.clear();
            continue;
        }
        if (line[0] == '*') {
            tokens.push_back("label " + line.substr(1));
            continue;
        }
        std::size_t pos = 0;
        if (line[0] == '@') {
            ++pos;
            tag(ParseTag(line, pos, false));
            continue;
        }
        std::string text;
        while (pos < line.size()) {
            if (line.compare(pos, 2, "[[") == 0) {
                text += '[';
                pos += 2;
            } else if (line[pos] == '[') {
                AddText(tokens, text);
                text.clear();
                ++pos;
                tag(ParseTag(line, pos, true));
            } else {
                text += line[pos++];
            }
        }
        AddText(tokens, text);
    }
    return tokens;
}

// Characters CP932 lacks as '?', as the import keeps them outside text.
std::string CP932Only(const std::string& utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto first = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = first < 0x80 ? 1 : first < 0xE0 ? 2 : first < 0xF0 ? 3 : 4;
        const std::string character = utf8.substr(i, length);
        std::string converted;
        out += sw::cp932::FromUtf8(character, converted) ? character : "?";
        i += length;
    }
    return out;
}

} // namespace

std::vector<std::string> KagTokensOfUtf8(const std::string& utf8) {
    return Tokens(utf8, [](TagToken&) { return true; });
}

std::string ScenarioFileAsUtf8(const std::string& bytes) {
    if (bytes.starts_with("\xEF\xBB\xBF"))
        return bytes.substr(3);
    if (bytes.starts_with("\xFF\xFE")) {
        // The TJS escapes the import writes, read back by the same decoder.
        std::string escaped = "'";
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X%02X", static_cast<unsigned char>(bytes[i + 1]),
                          static_cast<unsigned char>(bytes[i]));
            escaped += hex;
        }
        return EmbeddedCharacters(escaped + "'");
    }
    std::string utf8;
    sw::cp932::ToUtf8(bytes, utf8);
    return utf8;
}

std::vector<std::string> ExpectedTokens(const std::string& gameFolder,
                                        const KagImportReport& report) {
    const std::set<std::string> merged(report.mergedNames.begin(), report.mergedNames.end());
    static const std::set<std::string> flow = {"jump",  "call",    "link", "button",
                                               "click", "timeout", "wheel"};
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < report.files.size(); ++i) {
        const std::string utf8 =
            ScenarioFileAsUtf8(ReadFileOrEmpty(gameFolder + "/" + report.files[i]));
        auto renamed = [&](const std::map<std::string, std::string>& renames,
                           const std::string& name) {
            auto it = renames.find(name);
            return it == renames.end() ? name : it->second;
        };
        const auto& renames = report.labelRenames[i];
        auto onTag = [&](TagToken& tag) {
            for (auto& [key, value] : tag.attributes)
                value = CP932Only(value);
            const std::map<std::string, std::string>* targetRenames = &renames;
            auto storage = tag.attributes.find("storage");
            if (storage != tag.attributes.end()) {
                targetRenames = nullptr;
                std::string name = Lower(storage->second.substr(storage->second.rfind('/') + 1));
                if (name.find('.') == std::string::npos)
                    name += ".ks";
                if (flow.count(tag.name) && merged.count(name)) {
                    const std::size_t file = static_cast<std::size_t>(
                        std::find(report.mergedNames.begin(), report.mergedNames.end(), name) -
                        report.mergedNames.begin());
                    targetRenames = &report.labelRenames[file];
                    tag.attributes.erase(storage);
                    tag.attributes.try_emplace("target", "*__LABEL__");
                }
            }
            auto target = tag.attributes.find("target");
            if (targetRenames && target != tag.attributes.end() && target->second.starts_with("*"))
                target->second = "*" + renamed(*targetRenames, target->second.substr(1));
            return true;
        };
        for (std::string token : Tokens(utf8, onTag)) {
            if (token.starts_with("label ")) {
                const std::size_t bar = token.find('|');
                const std::string name = token.substr(6, bar == std::string::npos ? bar : bar - 6);
                token = "label " + renamed(renames, name) +
                        (bar == std::string::npos ? "" : token.substr(bar));
            }
            if (!token.starts_with("text "))
                token = CP932Only(token);
            if (token.starts_with("text ") && !expected.empty() &&
                expected.back().starts_with("text "))
                expected.back() += token.substr(5);
            else
                expected.push_back(token);
        }
    }
    return expected;
}

std::vector<std::string> BuiltTokens(const std::string& firstKsBytes, const CScenewrightDoc& doc) {
    std::string utf8;
    sw::cp932::ToUtf8(firstKsBytes, utf8);
    auto onTag = [](TagToken& tag) {
        auto target = tag.attributes.find("target");
        if (target != tag.attributes.end() && target->second.starts_with("*__LABEL_"))
            target->second = "*__LABEL__";
        return true;
    };
    std::vector<std::string> built;
    bool jumpsOn = false; // the scene being read has a child to jump to
    auto endScene = [&] {
        if (!built.empty() && built.back() == "tag s")
            built.pop_back();
        if (jumpsOn && !built.empty() && built.back() == "tag jump target=*__LABEL__")
            built.pop_back();
    };
    for (const std::string& token : Tokens(utf8, onTag)) {
        if (token.starts_with("script   sf.charcount"))
            continue;
        if (token.starts_with("label __LABEL_END__"))
            break;
        if (token.starts_with("label __LABEL_")) {
            // The scene before ends with the jump into its child and a stop.
            endScene();
            const CSwScene* scene = doc.FindScene(std::atoi(token.c_str() + 14));
            jumpsOn = scene && scene->child;
            continue;
        }
        built.push_back(token);
    }
    endScene();
    return built;
}
