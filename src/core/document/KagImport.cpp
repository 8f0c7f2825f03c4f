#include "document/KagImport.h"

#include "document/ScenewrightDoc.h"
#include "model/cells/CommandCatalogue.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwBgmCommands.h"
#include "model/cells/SwFlowCommands.h"
#include "model/cells/SwLayerCommands.h"
#include "model/cells/SwPluginCommands.h"
#include "model/cells/SwScriptCommands.h"
#include "model/cells/SwSoundEffectCommands.h"
#include "model/cells/SwTransition.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/KagTokenizer.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

#include <algorithm>
#include <deque>
#include <filesystem>
#include <set>
#include <unordered_map>

namespace {

using sw::kag::LineItem;
using sw::kag::LineKind;
using sw::kag::Tag;

// A character of the file that CP932 cannot hold: '?' stands at `offset`.
struct Foreign {
    std::size_t offset;
    std::vector<std::uint16_t> units; // empty: bytes that were no character
};

struct SourceLine {
    std::string text;
    std::vector<Foreign> foreign;
};

std::string Where(const std::string& file, int line) {
    return sw::Format("%s %d行目", file.c_str(), line);
}

// Appends the UTF-8 form of `code`.
void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// UTF-16LE without its mark; a lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 3 / 2);
    auto unitAt = [&](std::size_t i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8));
    };
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const std::uint32_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        if (unit >= 0xD800 && unit < 0xE000)
            unit = 0xFFFD;
        AppendUtf8(out, unit);
    }
    return out;
}

// The code point of the UTF-8 character at `pos` and its length; 0 for a
// byte that begins none.
std::size_t DecodeUtf8(std::string_view text, std::size_t pos, std::uint32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char first = byte(pos);
    std::size_t length = first < 0x80         ? 1
                         : (first >> 5) == 6  ? 2
                         : (first >> 4) == 14 ? 3
                         : (first >> 3) == 30 ? 4
                                              : 0;
    if (length == 0 || pos + length > text.size())
        return 0;
    code = length == 1 ? first : first & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(pos + i) & 0x3F);
    }
    return length;
}

std::vector<std::uint16_t> Utf16UnitsOf(std::uint32_t code) {
    if (code < 0x10000)
        return {static_cast<std::uint16_t>(code)};
    code -= 0x10000;
    return {static_cast<std::uint16_t>(0xD800 + (code >> 10)),
            static_cast<std::uint16_t>(0xDC00 + (code & 0x3FF))};
}

// A character iconv maps to a look-alike (£ to ￡, — to ―) comes back as
// another one: CP932 lacks it as much as one it cannot map at all.
bool RoundTrips(std::string_view utf8, std::string& cp932) {
    std::string back;
    return sw::cp932::FromUtf8(utf8, cp932) && sw::cp932::ToUtf8(cp932, back) && back == utf8;
}

// UTF-8 into CP932; each character CP932 lacks becomes '?' and is noted.
std::string Utf8ToCp932(std::string_view utf8, std::vector<Foreign>& foreign) {
    std::string out;
    if (RoundTrips(utf8, out))
        return out;
    out.clear();
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::uint32_t code = 0;
        std::size_t length = DecodeUtf8(utf8, pos, code);
        std::string chunk;
        if (length == 1) {
            out += utf8[pos++];
            continue;
        }
        if (length > 0 && RoundTrips(utf8.substr(pos, length), chunk)) {
            out += chunk;
            pos += length;
            continue;
        }
        Foreign character{out.size(), {}};
        if (length == 0)
            length = 1;
        else if (code != 0xFFFD)
            character.units = Utf16UnitsOf(code);
        foreign.push_back(std::move(character));
        out += '?';
        pos += length;
    }
    return out;
}

// The file's text as CP932 lines, with the encodings the engine reads: a
// UTF-16LE or UTF-8 byte-order mark, else CP932.
std::vector<SourceLine> DecodeLines(std::string_view bytes) {
    std::vector<Foreign> foreign;
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
        text = Utf8ToCp932(Utf16ToUtf8(bytes.substr(2)), foreign);
    } else if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        text = Utf8ToCp932(bytes.substr(3), foreign);
    } else {
        std::vector<std::size_t> offsets;
        text = sw::cp932::ReplaceInvalid(bytes, "?", &offsets);
        // ReplaceInvalid gives offsets in the input; one '?' may stand for two bytes.
        std::size_t shift = 0;
        for (std::size_t offset : offsets) {
            foreign.push_back({offset - shift, {}});
            shift += sw::cp932::CharLength(bytes, offset) - 1;
        }
    }
    // No project file can hold a control character other than a tab.
    for (std::size_t i = 0; i < text.size(); i += sw::cp932::CharLength(text, i)) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) {
            text[i] = '?';
            foreign.push_back({i, {}});
        }
    }
    std::sort(foreign.begin(), foreign.end(),
              [](const Foreign& a, const Foreign& b) { return a.offset < b.offset; });
    std::vector<SourceLine> lines;
    lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    std::size_t next = 0;
    for (std::size_t start = 0; start <= text.size();) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        SourceLine line;
        line.text = text.substr(start, end - start);
        while (next < foreign.size() && foreign[next].offset < end) {
            Foreign moved = foreign[next++];
            moved.offset -= start;
            line.foreign.push_back(std::move(moved));
        }
        if (end == text.size()) {
            if (!line.text.empty() || !line.foreign.empty())
                lines.push_back(std::move(line));
            break;
        }
        lines.push_back(std::move(line));
        start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

enum class UnitKind { Line, Label, Script, Macro };

struct Unit {
    UnitKind kind = UnitKind::Line;
    int line = 0;
    std::string text; // Line: the line; Script, Macro: the body
    std::string name, headline;
    bool hasBar = false;
    std::vector<int> bodyLines; // Macro: the line number of each body line
};

Unit MakeUnit(UnitKind kind, int line, std::string text = {}) {
    Unit unit;
    unit.kind = kind;
    unit.line = line;
    unit.text = std::move(text);
    return unit;
}

struct Section {
    std::vector<Unit> units;
    bool labelled = false;
    std::string label, headline;
    bool hasBar = false;
    std::int32_t sceneId = 0;
};

struct SourceFile {
    std::string path, name;
    std::vector<Section> sections;
    std::map<std::string, std::string> renames;
};

bool IsFlowTag(std::string_view name) {
    static const std::set<std::string_view> kFlow = {"jump",  "call",    "link", "button",
                                                     "click", "timeout", "wheel"};
    return kFlow.count(name) != 0;
}

bool IsMediaAttribute(std::string_view name) {
    static const std::set<std::string_view> kMedia = {"storage", "rule",    "graphic", "module",
                                                      "enterse", "leavese", "clickse"};
    return kMedia.count(name) != 0;
}

bool IsExpression(std::string_view value) {
    return value.empty() || value[0] == '&' || value[0] == '%';
}

// Every file of the game folder by lower-case name and stem.
class CGameFiles {
public:
    explicit CGameFiles(const std::string& root) {
        std::string native;
        if (!sw::files::ToNativePath(root, native))
            return;
        std::error_code error;
        std::vector<std::string> paths;
        for (auto it = std::filesystem::recursive_directory_iterator(
                 native, std::filesystem::directory_options::skip_permission_denied, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (!it->is_regular_file(error))
                continue;
            std::string path;
            if (sw::files::FromNativePath(it->path().string(), path))
                paths.push_back(path);
        }
        std::sort(paths.begin(), paths.end());
        for (const std::string& path : paths) {
            const std::string name = sw::cp932::ToLowerAscii(sw::paths::FileNameOf(path));
            m_byName.try_emplace(name, path);
            m_byStem[sw::cp932::ToLowerAscii(sw::paths::StemOf(path))].push_back(path);
            m_all.push_back(path);
        }
    }

    // As the engine finds a storage: letter case ignored, any folder, the
    // extension optional.
    std::string Find(std::string_view storage, std::string_view defaultExtension = {}) const {
        const std::string name = sw::cp932::ToLowerAscii(sw::paths::FileNameOf(storage));
        if (auto it = m_byName.find(name); it != m_byName.end())
            return it->second;
        if (!defaultExtension.empty()) {
            if (auto it = m_byName.find(name + std::string(defaultExtension)); it != m_byName.end())
                return it->second;
            return {};
        }
        auto it = m_byStem.find(name);
        if (it == m_byStem.end())
            return {};
        static const char* const kPreferred[] = {".tlg", ".png", ".jpg",  ".jpeg", ".bmp",
                                                 ".ogg", ".wav", ".opus", ".mp3",  ".mpg"};
        for (const char* extension : kPreferred) {
            for (const std::string& path : it->second) {
                if (sw::cp932::ToLowerAscii(sw::paths::ExtensionOf(path)) == extension)
                    return path;
            }
        }
        return it->second.front();
    }
    const std::vector<std::string>& All() const { return m_all; }

private:
    std::unordered_map<std::string, std::string> m_byName;
    std::unordered_map<std::string, std::vector<std::string>> m_byStem;
    std::vector<std::string> m_all;
};

std::string RelativeTo(const std::string& root, const std::string& path) {
    const std::string base = sw::paths::ToForwardSlashes(root);
    const std::string full = sw::paths::ToForwardSlashes(path);
    if (full.size() > base.size() && full.compare(0, base.size(), base) == 0) {
        std::size_t from = base.size();
        while (from < full.size() && full[from] == '/')
            ++from;
        return full.substr(from);
    }
    return full;
}

class CImporter {
public:
    CImporter(CScenewrightDoc& doc, const KagImportOptions& options, KagImportReport& report)
        : m_doc(doc), m_options(options), m_report(report), m_files(options.gameFolder) {}

    bool Run(std::string& message);

private:
    void Queue(const std::string& path);
    void ReadFile(SourceFile& file);
    std::string Substitute(SourceLine& line, const SourceFile& file, int number, bool textShown);
    void Discover(const SourceFile& file, const std::string& line, int number);
    void RenameCollisions();
    void MakeScenes();
    std::string Rewrite(const SourceFile& file, std::string line, int number);
    bool RewriteTag(const SourceFile& file, Tag& tag, std::string& written);
    void NoteMedia(const SourceFile& file, const Tag& tag, int number);
    std::unique_ptr<CSwObj> CellForLine(const std::string& line);
    void Count(const CSwObj& cell);
    // A game names the same few files on many lines.
    const std::string& ResolveMedia(const std::string& storage) {
        auto [it, added] = m_mediaFound.try_emplace(storage);
        if (added)
            it->second = m_files.Find(storage);
        return it->second;
    }

    CScenewrightDoc& m_doc;
    const KagImportOptions& m_options;
    KagImportReport& m_report;
    CGameFiles m_files;
    std::deque<SourceFile> m_sources;
    std::unordered_map<std::string, std::size_t> m_byPath; // path -> index
    std::unordered_map<std::string, std::size_t> m_byKey;  // lower-case name -> index
    std::set<std::string> m_namedMedia;
    std::unordered_map<std::string, std::string> m_mediaFound;
    std::size_t m_read = 0;
};

void CImporter::Queue(const std::string& path) {
    if (m_byPath.count(path) != 0)
        return;
    SourceFile file;
    file.path = path;
    file.name = RelativeTo(m_options.gameFolder, path);
    m_byPath.emplace(path, m_sources.size());
    m_byKey.try_emplace(sw::cp932::ToLowerAscii(sw::paths::FileNameOf(path)), m_sources.size());
    m_sources.push_back(std::move(file));
}

std::string CImporter::Substitute(SourceLine& line, const SourceFile& file, int number,
                                  bool textShown) {
    if (line.foreign.empty())
        return std::move(line.text);
    std::string text = line.text;
    std::vector<LineItem> items;
    std::string error;
    const bool split = textShown && sw::kag::KindOf(text) == LineKind::Ordinary &&
                       sw::kag::SplitLine(text, items, error);
    for (auto it = line.foreign.rbegin(); it != line.foreign.rend(); ++it) {
        const bool inText =
            split && !it->units.empty() && std::any_of(items.begin(), items.end(), [&](auto& i) {
                return !i.isTag && i.begin <= it->offset && it->offset < i.end;
            });
        if (inText) {
            std::string exp = "[emb exp=\"'";
            for (std::uint16_t unit : it->units)
                exp += sw::Format("\\x%04X", unit);
            text.replace(it->offset, 1, exp + "'\"]");
        } else if (it->units.empty()) {
            m_report.problems.push_back(Where(file.name, number) +
                                        ": 読めない文字を ? に置き換えました。");
        } else {
            m_report.replacedCharacters.push_back(
                Where(file.name, number) +
                sw::Format(": Shift_JIS にない文字 (U+%04X) を ? に置き換えました。",
                           it->units.size() == 2 ? 0x10000u + ((it->units[0] - 0xD800u) << 10) +
                                                       (it->units[1] - 0xDC00u)
                                                 : static_cast<unsigned>(it->units[0])));
        }
    }
    return text;
}

// Tags of a line, whatever its form; empty for comments, labels and lines
// the engine would refuse.
std::vector<Tag> TagsOf(const std::string& line) {
    std::vector<Tag> tags;
    std::string error;
    switch (sw::kag::KindOf(line)) {
    case LineKind::AtTag: {
        Tag tag;
        if (sw::kag::ParseAtLine(line, tag, error))
            tags.push_back(std::move(tag));
        break;
    }
    case LineKind::Ordinary: {
        std::vector<LineItem> items;
        if (sw::kag::SplitLine(line, items, error)) {
            for (LineItem& item : items) {
                if (item.isTag)
                    tags.push_back(std::move(item.tag));
            }
        }
        break;
    }
    default:
        break;
    }
    return tags;
}

void CImporter::Discover(const SourceFile& file, const std::string& line, int number) {
    // Only an attribute with a value can name a file.
    if (line.find('=') == std::string::npos)
        return;
    for (const Tag& tag : TagsOf(line)) {
        const sw::kag::Attribute* storage = tag.Find("storage");
        if (!IsFlowTag(tag.name) || storage == nullptr || IsExpression(storage->value))
            continue;
        const std::string found = m_files.Find(storage->value, ".ks");
        if (found.empty())
            m_report.problems.push_back(Where(file.name, number) +
                                        sw::Format(": [%s] の storage=%s が見つかりません。",
                                                   tag.name.c_str(), storage->value.c_str()));
        else
            Queue(found);
    }
}

void CImporter::ReadFile(SourceFile& file) {
    std::string bytes;
    sw::files::ReadProblem problem = sw::files::ReadProblem::None;
    if (!sw::files::ReadWholeFile(file.path, bytes, sw::files::kTextFileLimit, &problem)) {
        m_report.problems.push_back(
            problem == sw::files::ReadProblem::Failed
                ? file.name + " が読めません。"
                : sw::files::ReadProblemMessage(problem, file.name, sw::files::kTextFileLimit));
        return;
    }
    std::vector<SourceLine> lines = DecodeLines(bytes);
    file.sections.emplace_back();
    Unit block;
    bool inScript = false, inMacro = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        if (inScript) {
            if (sw::kag::IsScriptEnd(lines[i].text)) {
                file.sections.back().units.push_back(std::move(block));
                inScript = false;
            } else {
                block.text += (block.bodyLines.empty() ? "" : "\n") +
                              Substitute(lines[i], file, number, false);
                block.bodyLines.push_back(number);
            }
            continue;
        }
        const std::string text = Substitute(lines[i], file, number, true);
        if (inMacro) {
            const std::string_view rest = sw::kag::WithoutLeadingTabs(text);
            if (rest == "[endmacro]" || rest == "@endmacro") {
                file.sections.back().units.push_back(std::move(block));
                inMacro = false;
            } else {
                block.text += (block.bodyLines.empty() ? "" : "\n") + text;
                block.bodyLines.push_back(number);
                Discover(file, text, number);
            }
            continue;
        }
        const LineKind kind = sw::kag::KindOf(text);
        if (kind == LineKind::Blank)
            continue;
        if (kind == LineKind::Label) {
            Section section;
            section.labelled = true;
            sw::kag::SplitLabel(text, section.label, section.headline, section.hasBar);
            file.sections.push_back(std::move(section));
            continue;
        }
        if (sw::kag::IsScriptStart(text)) {
            block = MakeUnit(UnitKind::Script, number);
            inScript = true;
            continue;
        }
        // A macro whose definition stands alone on its line becomes a macro
        // cell; any other form stays as written.
        std::vector<LineItem> items;
        std::string error;
        Tag atTag;
        const Tag* only = nullptr; // the line's one tag, when it holds nothing else
        if (kind == LineKind::Ordinary && text.find('[') == std::string::npos) {
            // Text alone: nothing to read.
        } else if (kind == LineKind::AtTag ? sw::kag::ParseAtLine(text, atTag, error)
                                           : sw::kag::SplitLine(text, items, error)) {
            if (kind == LineKind::AtTag)
                only = &atTag;
            else if (items.size() == 1 && items[0].isTag)
                only = &items[0].tag;
        } else {
            m_report.problems.push_back(Where(file.name, number) + ": " + error);
        }
        if (only && only->name == "macro" && only->attributes.size() == 1 &&
            only->attributes[0].name == "name" && !IsExpression(only->attributes[0].value)) {
            block = MakeUnit(UnitKind::Macro, number);
            block.name = only->attributes[0].value;
            block.headline = text; // the opening line, should the macro never close
            inMacro = true;
            continue;
        }
        file.sections.back().units.push_back(MakeUnit(UnitKind::Line, number, text));
        Discover(file, text, number);
    }
    if (inScript) {
        m_report.problems.push_back(Where(file.name, block.line) +
                                    ": [iscript] が [endscript] で閉じていません。"
                                    "ファイルの終わりまでをスクリプトとして取り込みました。");
        file.sections.back().units.push_back(std::move(block));
    }
    if (inMacro) {
        m_report.problems.push_back(Where(file.name, block.line) +
                                    ": [macro] が [endmacro] で閉じていません。");
        Unit start = MakeUnit(UnitKind::Line, block.line, block.headline);
        file.sections.back().units.push_back(std::move(start));
        std::size_t at = 0;
        std::string_view body = block.text;
        for (int number : block.bodyLines) {
            const std::size_t end = std::min(body.find('\n', at), body.size());
            file.sections.back().units.push_back(
                MakeUnit(UnitKind::Line, number, std::string(body.substr(at, end - at))));
            at = end + 1;
        }
    }
    // A file that begins with its first label needs no scene before it.
    if (file.sections.size() > 1 && file.sections.front().units.empty())
        file.sections.erase(file.sections.begin());
}

void CImporter::RenameCollisions() {
    std::set<std::string> taken;
    for (const SourceFile& file : m_sources) {
        for (const Section& section : file.sections) {
            if (section.labelled)
                taken.insert(section.label);
        }
    }
    std::map<std::string, const SourceFile*> owner;
    for (SourceFile& file : m_sources) {
        for (Section& section : file.sections) {
            if (!section.labelled || section.label.empty())
                continue;
            auto [it, first] = owner.try_emplace(section.label, &file);
            if (first || it->second == &file)
                continue;
            const std::string stem = sw::paths::StemOf(file.name);
            std::string renamed = section.label + "_" + stem;
            for (int n = 2; taken.count(renamed) != 0; ++n)
                renamed = sw::Format("%s_%s_%d", section.label.c_str(), stem.c_str(), n);
            taken.insert(renamed);
            file.renames[section.label] = renamed;
            m_report.renamedLabels.push_back(file.name + ": *" + section.label + " → *" + renamed);
            section.label = renamed;
        }
    }
}

bool CImporter::RewriteTag(const SourceFile& file, Tag& tag, std::string& written) {
    const sw::kag::Attribute* storage = tag.Find("storage");
    const SourceFile* target = &file;
    bool dropStorage = false;
    if (storage != nullptr) {
        target = nullptr;
        if (IsFlowTag(tag.name) && !IsExpression(storage->value)) {
            const std::string found = m_files.Find(storage->value, ".ks");
            if (auto it = m_byPath.find(found); !found.empty() && it != m_byPath.end()) {
                target = &m_sources[it->second];
                dropStorage = true;
            }
        }
    }
    std::string add;
    bool changed = dropStorage;
    if (dropStorage && tag.Find("target") == nullptr && !target->sections.empty())
        add = "target=" + CSwScene::LabelOf(target->sections.front().sceneId);
    for (sw::kag::Attribute& attribute : tag.attributes) {
        if (attribute.name != "target" || target == nullptr || target->renames.empty() ||
            attribute.value.size() < 2 || attribute.value[0] != '*')
            continue;
        auto it = target->renames.find(attribute.value.substr(1));
        if (it == target->renames.end())
            continue;
        attribute.raw = "target=\"*" + it->second + "\"";
        changed = true;
    }
    if (changed)
        written = tag.Written(dropStorage ? "storage" : "", add);
    return changed;
}

std::string CImporter::Rewrite(const SourceFile& file, std::string line, int number) {
    if (line.find('=') == std::string::npos)
        return line;
    std::string error;
    const LineKind kind = sw::kag::KindOf(line);
    if (kind == LineKind::AtTag) {
        Tag tag;
        if (!sw::kag::ParseAtLine(line, tag, error))
            return line;
        NoteMedia(file, tag, number);
        std::string written;
        if (!RewriteTag(file, tag, written))
            return line;
        return line.substr(0, tag.begin) + "@" + written.substr(1, written.size() - 2);
    }
    std::vector<LineItem> items;
    if (kind != LineKind::Ordinary || !sw::kag::SplitLine(line, items, error))
        return line;
    std::string result = line;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (!it->isTag)
            continue;
        NoteMedia(file, it->tag, number);
        std::string written;
        if (RewriteTag(file, it->tag, written))
            result.replace(it->begin, it->end - it->begin, written);
    }
    return result;
}

std::vector<std::string>* MediaListFor(CSwSettings& settings, const std::string& path) {
    std::string parent = sw::paths::ToForwardSlashes(sw::paths::FolderOf(path));
    while (!parent.empty() && parent.back() == '/')
        parent.pop_back();
    const std::string folder = sw::cp932::ToLowerAscii(sw::paths::FileNameOf(parent));
    if (folder == "bgimage")
        return &settings.backcg;
    if (folder == "fgimage")
        return &settings.forecg;
    if (folder == "rule")
        return &settings.rulecg;
    if (folder == "bgm")
        return &settings.bgm;
    if (folder == "sound")
        return &settings.se;
    if (folder == "video")
        return &settings.movie;
    return &settings.othercg;
}

void CImporter::NoteMedia(const SourceFile& file, const Tag& tag, int number) {
    for (const sw::kag::Attribute& attribute : tag.attributes) {
        if (!IsMediaAttribute(attribute.name) || IsExpression(attribute.value) ||
            attribute.value == "true" || (attribute.name == "storage" && IsFlowTag(tag.name)))
            continue;
        const std::string found = ResolveMedia(attribute.value);
        if (found.empty()) {
            m_report.unresolvedMedia.push_back(Where(file.name, number) + ": " + attribute.value);
            continue;
        }
        if (!m_namedMedia.insert(found).second)
            continue;
        MediaListFor(m_doc.GetSettings(), found)->push_back(found);
    }
}

// The tags of `built`, one line of output, equal to `original` in name and
// attribute values (order and quoting aside).
bool WritesBack(const std::string& built, const std::vector<const Tag*>& original) {
    std::vector<Tag> tags;
    std::size_t start = 0;
    while (start < built.size()) {
        std::size_t end = std::min(built.find('\n', start), built.size());
        std::string line = built.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        for (Tag& tag : TagsOf(line))
            tags.push_back(std::move(tag));
        start = end + 1;
    }
    auto valuesOf = [](const Tag& tag) {
        std::multiset<std::pair<std::string, std::string>> values;
        for (const sw::kag::Attribute& attribute : tag.attributes)
            values.emplace(attribute.name, attribute.value);
        return values;
    };
    if (tags.size() != original.size())
        return false;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].name != original[i]->name || valuesOf(tags[i]) != valuesOf(*original[i]))
            return false;
    }
    return true;
}

bool IsCanonicalInteger(const std::string& value, std::int32_t& number) {
    char* end = nullptr;
    const long parsed = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX)
        return false;
    number = static_cast<std::int32_t>(parsed);
    return std::to_string(number) == value;
}

std::unique_ptr<CSwObj> CImporter::CellForLine(const std::string& line) {
    const std::string_view rest = sw::kag::WithoutLeadingTabs(line);
    if (rest.size() < 3 || rest.front() != '[' || rest.back() != ']')
        return nullptr;
    static const std::set<std::string, std::less<>> kTyped = {
        "backlay", "eval",       "clearvar",  "clearsysvar", "stopquake", "return",
        "stopbgm", "fadeoutbgm", "stopse",    "fadeoutse",   "current",   "quake",
        "image",   "playbgm",    "fadeinbgm", "playse",      "layopt",    "trans"};
    const std::size_t nameEnd = rest.find_first_of(" \t]");
    if (kTyped.count(sw::cp932::ToLowerAscii(rest.substr(1, nameEnd - 1))) == 0)
        return nullptr;
    std::vector<LineItem> items;
    std::string error;
    if (sw::kag::KindOf(line) != LineKind::Ordinary || !sw::kag::SplitLine(line, items, error) ||
        items.empty() || !items[0].isTag)
        return nullptr;
    const Tag& tag = items[0].tag;
    // A transition and its wait are one cell; every other cell is one tag.
    const bool withWait = tag.name == "trans" && items.size() == 2 && items[1].isTag &&
                          items[1].tag.name == "wt" && items[1].tag.attributes.empty();
    if (items.size() != (withWait ? 2u : 1u) || (tag.name == "trans" && !withWait))
        return nullptr;
    std::vector<const Tag*> tags{&tag};
    if (withWait)
        tags.push_back(&items[1].tag);
    for (const sw::kag::Attribute& attribute : tag.attributes) {
        if (IsExpression(attribute.value))
            return nullptr;
    }
    auto value = [&](const char* name) {
        const sw::kag::Attribute* attribute = tag.Find(name);
        return attribute ? attribute->value : std::string();
    };
    auto integer = [&](const char* name, std::int32_t& number) {
        return IsCanonicalInteger(value(name), number);
    };
    std::int32_t number = 0, second = 0;
    std::unique_ptr<CSwObj> made;
    bool media = false;
    auto command = [&](std::int32_t type) {
        made = CreateObject(type);
        return static_cast<CSwCommand*>(made.get());
    };
    const std::string& name = tag.name;
    if (name == "backlay") {
        command(SwType::BackLay)
            ->SetText(CSwBackLay::kLayer, value("layer").empty() ? "all" : value("layer"));
    } else if (name == "eval" && tag.attributes.size() == 1 && tag.Find("exp")) {
        command(SwType::Eval)->SetText(CSwEval::kFormula, value("exp"));
    } else if (name == "clearvar") {
        command(SwType::ClearUserVariables);
    } else if (name == "clearsysvar") {
        command(SwType::ClearSystemVariables);
    } else if (name == "stopquake") {
        command(SwType::StopQuake);
    } else if (name == "return") {
        command(SwType::Return);
    } else if (name == "stopbgm") {
        command(SwType::BgmStop);
    } else if (name == "fadeoutbgm" && integer("time", number)) {
        CSwCommand* stop = command(SwType::BgmStop);
        stop->SetInteger(stop->SlotOf("fadeout"), 1);
        stop->SetInteger(stop->SlotOf("time"), number);
    } else if ((name == "stopse" || name == "fadeoutse") && integer("buf", number)) {
        CSwCommand* stop = command(SwType::SeStop);
        stop->SetInteger(stop->SlotOf("bufno"), number);
        if (name == "fadeoutse") {
            stop->SetInteger(stop->SlotOf("fadeout"), 1);
            stop->SetInteger(stop->SlotOf("time"), integer("time", second) ? second : 0);
        }
    } else if (name == "current" && (value("page") == "fore" || value("page") == "back")) {
        CSwCommand* current = command(SwType::CurrentLayer);
        current->SetText(current->SlotOf("layer"), value("layer"));
        current->SetInteger(current->SlotOf("surface"), value("page") == "back" ? 1 : 0);
        current->SetInteger(current->SlotOf("withback"), value("withback") == "true" ? 1 : 0);
    } else if (name == "quake" && integer("time", number)) {
        CSwCommand* quake = command(SwType::Quake);
        quake->SetInteger(quake->SlotOf("time"), number);
        quake->SetInteger(quake->SlotOf("timemode"), value("timemode") == "delay"
                                                         ? CSwQuake::kCharacters
                                                         : CSwQuake::kMilliseconds);
        if (integer("hmax", second))
            quake->SetInteger(quake->SlotOf("hmax"), second);
        if (integer("vmax", second))
            quake->SetInteger(quake->SlotOf("vmax"), second);
        quake->SetInteger(quake->SlotOf("iswait"), 0);
    } else if (name == "layopt" && (value("page") == "fore" || value("page") == "back")) {
        CSwCommand* layer = command(SwType::Layer);
        layer->SetText(CSwLayer::kLayer, value("layer"));
        layer->SetInteger(CSwLayer::kSurface, value("page") == "back" ? 1 : 0);
        for (const auto& [key, slot] : {std::pair{"left", CSwLayer::kLeft},
                                        {"top", CSwLayer::kTop},
                                        {"opacity", CSwLayer::kOpacity}}) {
            if (integer(key, second) && second >= 0)
                layer->SetInteger(slot, second);
        }
        if (value("visible") == "true" || value("visible") == "false")
            layer->SetInteger(CSwLayer::kVisible, value("visible") == "true" ? 1 : 0);
    } else if (name == "trans" && integer("time", number) &&
               (value("method") == "crossfade" || value("method") == "scroll")) {
        CSwCommand* trans = command(SwType::Transition);
        trans->SetText(CSwTransition::kLayer, value("layer"));
        trans->SetInteger(CSwTransition::kChildren, value("children") == "true" ? 1 : 0);
        trans->SetInteger(CSwTransition::kTime, number);
        trans->SetInteger(CSwTransition::kMethod, value("method") == "crossfade"
                                                      ? CSwTransition::kCrossfade
                                                      : CSwTransition::kScroll);
        for (std::int32_t from = 0; from < 4; ++from) {
            if (value("from") == CSwTransition::FromName(from))
                trans->SetInteger(CSwTransition::kFrom, from);
        }
        for (std::int32_t stay = 0; stay < 3; ++stay) {
            if (value("stay") == CSwTransition::StayName(stay))
                trans->SetInteger(CSwTransition::kStay, stay);
        }
    } else {
        media = true;
    }
    if (!media) {
        CStringOutput built;
        if (made && made->Build(&built, nullptr) && WritesBack(built.Text(), tags))
            return made;
        return nullptr;
    }
    // Media cells write the copied file's name: only a storage that is that
    // name already comes back as written.
    const std::string storage = value("storage");
    const std::string found = storage.empty() ? std::string() : ResolveMedia(storage);
    if (found.empty() || sw::paths::FileNameOf(found) != storage)
        return nullptr;
    std::string expected;
    if (name == "image" && tag.attributes.size() == 3 && !value("layer").empty() &&
        (value("page") == "fore" || value("page") == "back")) {
        CSwCommand* image = command(SwType::ImageLoad);
        image->SetText(image->SlotOf("layer"), value("layer"));
        image->SetText(image->SlotOf("image"), found);
        image->SetInteger(image->SlotOf("surface"), value("page") == "back" ? 1 : 0);
        expected = sw::Format("[image layer=%s storage=\"%s\" page=%s]", value("layer").c_str(),
                              storage.c_str(), value("page").c_str());
    } else if ((name == "playbgm" && tag.attributes.size() == 2) ||
               (name == "fadeinbgm" && tag.attributes.size() == 3 && integer("time", number))) {
        CSwCommand* play = command(SwType::BgmPlay);
        play->SetText(play->SlotOf("storage"), found);
        play->SetInteger(play->SlotOf("loop"), value("loop") == "true" ? 1 : 0);
        play->SetInteger(play->SlotOf("fadein"), name == "fadeinbgm" ? 1 : 0);
        play->SetInteger(play->SlotOf("time"), number);
        expected = name == "playbgm"
                       ? sw::Format("[playbgm storage=\"%s\" loop=%s]", storage.c_str(),
                                    value("loop") == "true" ? "true" : "false")
                       : sw::Format("[fadeinbgm storage=\"%s\" loop=%s time=%d]", storage.c_str(),
                                    value("loop") == "true" ? "true" : "false", number);
    } else if (name == "playse" && tag.attributes.size() == 3 && integer("buf", second)) {
        CSwCommand* play = command(SwType::SePlay);
        play->SetText(play->SlotOf("storage"), found);
        play->SetInteger(play->SlotOf("bufno"), second);
        play->SetInteger(play->SlotOf("loop"), value("loop") == "true" ? 1 : 0);
        expected = sw::Format("[playse storage=\"%s\" buf=%d loop=%s]", storage.c_str(), second,
                              value("loop") == "true" ? "true" : "false");
    }
    if (made && WritesBack(expected, tags))
        return made;
    return nullptr;
}

void CImporter::Count(const CSwObj& cell) {
    const CommandTypeInfo* info = FindCommandType(cell.type);
    ++m_report.cellsByKind[info && info->listName ? info->listName : "?"];
}

void CImporter::MakeScenes() {
    std::int32_t id = 1;
    int total = 0;
    for (SourceFile& file : m_sources) {
        if (file.sections.empty())
            file.sections.emplace_back();
        for (Section& section : file.sections)
            section.sceneId = id++;
        total += static_cast<int>(file.sections.size());
    }
    CSwScene* lastTop = nullptr;
    int done = 0;
    for (SourceFile& file : m_sources) {
        CSwScene* previous = nullptr;
        for (Section& section : file.sections) {
            auto made = std::make_unique<CSwScene>();
            made->type = SwType::SceneChoice;
            made->id = section.sceneId;
            const std::string& shown = section.headline.empty() ? section.label : section.headline;
            made->title =
                previous == nullptr ? (shown.empty() ? file.name : file.name + " " + shown) : shown;
            made->recordablelabel = section.labelled && section.hasBar ? 1 : 0;
            made->x = static_cast<std::int32_t>(m_report.files.size()) * 160;
            // The opening scene is the one shown first.
            made->select = m_doc.GetSceneCount() == 0 ? 1 : 0;
            CSwScene* scene = m_doc.AdoptScene(std::move(made));
            if (previous) {
                scene->parent = previous;
                previous->child = scene;
                scene->y = previous->y + 80;
            } else if (lastTop) {
                lastTop->next = scene;
                scene->prev = lastTop;
            }
            if (!previous)
                lastTop = scene;
            previous = scene;
            if (section.labelled) {
                auto label = CreateObject(SwType::Label);
                auto* cell = static_cast<CSwCommand*>(label.get());
                cell->SetText(CSwLabel::kLabel, section.label);
                cell->SetText(CSwLabel::kHeadline, section.headline);
                Count(*label);
                scene->AddCell(std::move(label));
            }
            for (std::size_t u = 0; u < section.units.size(); ++u) {
                Unit& unit = section.units[u];
                std::unique_ptr<CSwObj> cell;
                if (unit.kind == UnitKind::Script) {
                    cell = CreateObject(SwType::Script);
                    static_cast<CSwCommand*>(cell.get())->SetText(CSwScript::kText, unit.text);
                } else if (unit.kind == UnitKind::Macro) {
                    std::string body;
                    std::size_t at = 0;
                    for (std::size_t n = 0; n < unit.bodyLines.size(); ++n) {
                        const std::size_t end =
                            std::min(unit.text.find('\n', at), unit.text.size());
                        body += (n == 0 ? "" : "\n") +
                                Rewrite(file, unit.text.substr(at, end - at), unit.bodyLines[n]);
                        at = end + 1;
                    }
                    cell = CreateObject(SwType::Macro);
                    auto* macro = static_cast<CSwCommand*>(cell.get());
                    macro->SetText(CSwMacro::kName, unit.name);
                    macro->SetText(CSwMacro::kText, body);
                } else {
                    std::string line = Rewrite(file, std::move(unit.text), unit.line);
                    cell = CellForLine(line);
                    // A transition whose wait stands on the next line.
                    Unit* next = u + 1 < section.units.size() ? &section.units[u + 1] : nullptr;
                    if (!cell && next && next->kind == UnitKind::Line &&
                        sw::kag::WithoutLeadingTabs(next->text) == "[wt]" &&
                        sw::kag::WithoutLeadingTabs(line).starts_with("[trans")) {
                        cell = CellForLine(line + "[wt]");
                        if (cell)
                            ++u;
                    }
                    if (!cell) {
                        cell = CreateObject(SwType::Tag);
                        auto* tag = static_cast<CSwCommand*>(cell.get());
                        tag->SetText(CSwTag::kTag, std::move(line));
                        tag->SetInteger(CSwTag::kLine, 1);
                        ++m_report.linesKeptAsText;
                    }
                }
                Count(*cell);
                scene->AddCell(std::move(cell));
            }
            scene->MarkChanged();
            ++m_report.scenes;
            if (m_options.progress)
                m_options.progress(static_cast<int>(m_sources.size()) + ++done,
                                   static_cast<int>(m_sources.size()) + total);
        }
    }
}

bool CImporter::Run(std::string& message) {
    const std::string& root = m_options.gameFolder;
    if (!sw::files::DirectoryExists(root)) {
        message = root + " はフォルダではありません。";
        return false;
    }
    std::string first;
    if (!m_options.firstFile.empty()) {
        first = sw::files::FileExists(m_options.firstFile)
                    ? m_options.firstFile
                    : m_files.Find(m_options.firstFile, ".ks");
        if (first.empty()) {
            message = m_options.firstFile + " が見つかりません。";
            return false;
        }
    }
    std::vector<std::string> scenario;
    for (const std::string& path : m_files.All()) {
        const std::string relative = sw::cp932::ToLowerAscii(RelativeTo(root, path));
        if (relative.starts_with("scenario/") && relative.ends_with(".ks")) {
            if (first.empty() && relative == "scenario/first.ks")
                first = path;
            scenario.push_back(path);
        }
    }
    if (first.empty()) {
        m_report.firstFileMissing = true;
        message = root + " に scenario/first.ks がありません。最初に読むファイルを指定して下さい。";
        return false;
    }
    Queue(first);
    for (const std::string& path : scenario)
        Queue(path);
    for (; m_read < m_sources.size(); ++m_read) {
        ReadFile(m_sources[m_read]);
        m_report.files.push_back(m_sources[m_read].name);
        if (m_options.progress)
            m_options.progress(static_cast<int>(m_read) + 1, static_cast<int>(m_sources.size()));
    }
    RenameCollisions();
    MakeScenes();
    for (const SourceFile& file : m_sources) {
        m_report.labelRenames.push_back(file.renames);
        m_report.mergedNames.push_back(sw::cp932::ToLowerAscii(sw::paths::FileNameOf(file.path)));
    }
    // What the game needs besides the files its cells name: listed per folder.
    std::map<std::string, int> unnamed;
    for (const std::string& path : m_files.All()) {
        if (m_byPath.count(path) != 0 || m_namedMedia.count(path) != 0)
            continue;
        const std::string relative = RelativeTo(root, path);
        const std::size_t slash = relative.find('/');
        ++unnamed[slash == std::string::npos ? relative : relative.substr(0, slash + 1)];
    }
    for (const auto& [folder, count] : unnamed)
        m_report.unnamedFiles.push_back(sw::Format("%s (%d)", folder.c_str(), count));
    if (CSwScene* top = m_doc.GetFirstTopScene(); top && !m_report.unnamedFiles.empty()) {
        std::string note = "取り込み元 " + root + " のうち、セルが名指ししないファイル:";
        for (const std::string& line : m_report.unnamedFiles)
            note += " " + line;
        top->comment = note;
    }
    return true;
}

} // namespace

namespace {

// What a game folder holds that is not the game's to copy: the player's
// saves, archives and the engine's own files.
bool LeftOutOfGameCopy(const std::string& relative) {
    const std::string lower = sw::cp932::ToLowerAscii(relative);
    if (lower.starts_with("savedata/"))
        return true;
    for (const char* extension : {".xp3", ".exe", ".dll", ".tpi", ".sav", ".ksd", ".kdt"}) {
        if (lower.ends_with(extension))
            return true;
    }
    return false;
}

void PrepareGameFolder(CScenewrightDoc& doc, const std::string& game, const std::string& folder,
                       KagImportReport& report) {
    std::string target = folder;
    if (!sw::paths::IsAbsolute(target))
        target = sw::paths::Join(sw::files::CurrentDirectory(), target);
    target = sw::paths::Normalize(target);
    // The original is only read, and a copy into itself would never end.
    if (sw::paths::IsInside(target, game) || sw::paths::IsInside(game, target)) {
        report.problems.push_back(sw::Format("%s は元のゲームのフォルダと重なるため、ゲームの"
                                             "ファイルを写しませんでした。",
                                             folder.c_str()));
        return;
    }
    std::string native;
    if (!sw::files::ToNativePath(game, native) || !sw::files::CreateDirectories(target))
        return;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(
             native, std::filesystem::directory_options::skip_permission_denied, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        // Links are not followed: a received game could point anywhere.
        if (it->is_symlink(error) || !it->is_regular_file(error))
            continue;
        std::string path;
        if (!sw::files::FromNativePath(it->path().string(), path))
            continue;
        std::string relative = path.substr(std::min(path.size(), game.size()));
        while (relative.starts_with('/'))
            relative.erase(0, 1);
        if (LeftOutOfGameCopy(relative))
            continue;
        const std::string copy = sw::paths::Join(target, relative);
        std::string refused;
        sw::files::CreateDirectories(sw::paths::FolderOf(copy));
        if (sw::files::IsUnchangedCopy(path, copy) ||
            sw::files::CopyBelowRoot(path, target, relative, &refused))
            ++report.filesCopied;
        else
            report.problems.push_back(
                sw::Format("%s を %s に写せませんでした。", path.c_str(), copy.c_str()));
    }
    doc.GetSettings().root = target;
    report.buildFolder = target;
}

} // namespace

bool ImportKagGame(CScenewrightDoc& doc, const KagImportOptions& options, KagImportReport& report,
                   std::string& message) {
    // Media paths are absolute in memory; the project file makes them relative.
    KagImportOptions absolute = options;
    if (!sw::paths::IsAbsolute(absolute.gameFolder))
        absolute.gameFolder = sw::paths::Join(sw::files::CurrentDirectory(), absolute.gameFolder);
    absolute.gameFolder = sw::paths::Normalize(absolute.gameFolder);
    if (sw::files::FileExists(absolute.firstFile) && !sw::paths::IsAbsolute(absolute.firstFile))
        absolute.firstFile = sw::paths::Normalize(
            sw::paths::Join(sw::files::CurrentDirectory(), absolute.firstFile));
    CImporter importer(doc, absolute, report);
    if (!importer.Run(message))
        return false;
    if (!options.buildFolder.empty())
        PrepareGameFolder(doc, absolute.gameFolder, options.buildFolder, report);
    return true;
}

std::vector<std::string> KagImportReportLines(const KagImportReport& report) {
    std::vector<std::string> lines;
    lines.push_back(sw::Format("読み込んだファイル: %zu", report.files.size()));
    for (const std::string& file : report.files)
        lines.push_back("  " + file);
    int cells = 0;
    for (const auto& [kind, count] : report.cellsByKind)
        cells += count;
    lines.push_back(sw::Format("シーン: %d、セル: %d", report.scenes, cells));
    for (const auto& [kind, count] : report.cellsByKind)
        lines.push_back(sw::Format("  %s: %d", kind.c_str(), count));
    lines.push_back(sw::Format("書かれたまま残した行: %d", report.linesKeptAsText));
    if (report.filesCopied > 0)
        lines.push_back(sw::Format("ゲームのファイル %d 個をゲームフォルダ %s に写しました。"
                                   "ビルドはここに書き出します。",
                                   report.filesCopied, report.buildFolder.c_str()));
    if (!report.renamedLabels.empty()) {
        lines.push_back(sw::Format("名前を変えたラベル: %zu", report.renamedLabels.size()));
        for (const std::string& line : report.renamedLabels)
            lines.push_back("  " + line);
    }
    if (!report.unresolvedMedia.empty()) {
        lines.push_back(sw::Format("見つからない素材: %zu", report.unresolvedMedia.size()));
        for (const std::string& line : report.unresolvedMedia)
            lines.push_back("  " + line);
    }
    if (!report.unnamedFiles.empty()) {
        lines.push_back(report.filesCopied > 0
                            ? "セルが名指ししないファイル (ゲームフォルダに写してあります):"
                            : "セルが名指ししないファイル (ゲームに要るものは手で置いて下さい):");
        for (const std::string& line : report.unnamedFiles)
            lines.push_back("  " + line);
    }
    return lines;
}
