#include "document/ProjectCheck.h"

#include "document/CellFields.h"
#include "document/DocumentUpdate.h"
#include "document/ScenewrightDoc.h"
#include "imaging/Decoders.h"
#include "model/cells/ParticleScript.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwTransition.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/KagTokenizer.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"
#include "platform/TjsSyntax.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <string_view>

namespace {

// Lines as the engine splits them: at CR, LF or CR LF. Neither byte can be
// the trail byte of a CP932 character.
std::vector<std::string_view> LinesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

// The engine ignores leading tabs (not blanks) before a line's first character.
std::string_view AfterTabs(std::string_view line) {
    const std::size_t first = line.find_first_not_of('\t');
    return first == std::string_view::npos ? std::string_view() : line.substr(first);
}

// Reads the inside of a tag as the engine does: a quote opens a value only
// where a value begins, and a backtick escapes the next character.
class CTagReader {
public:
    enum Step { kInside, kClosed, kOpening };
    Step Read(std::string_view text, std::size_t& pos) {
        const std::size_t length = sw::cp932::CharLength(text, pos);
        const char c = text[pos];
        pos += length;
        if (length != 1)
            return Taken();
        if (c == '`') {
            if (pos < text.size())
                pos += sw::cp932::CharLength(text, pos);
            return Taken();
        }
        if (m_quote != 0) {
            if (c == m_quote)
                m_quote = 0;
            return kInside;
        }
        if (m_valueStarts && (c == '"' || c == '\'')) {
            m_quote = c;
            m_valueStarts = false;
            return kInside;
        }
        if (c == '=') {
            m_valueStarts = true;
            return kInside;
        }
        if (c == ' ' || c == '\t')
            return kInside;
        m_valueStarts = false;
        if (c == ']')
            return kClosed;
        return c == '[' ? kOpening : kInside;
    }
    bool InQuote() const { return m_quote != 0; }

private:
    Step Taken() {
        m_valueStarts = false;
        return kInside;
    }
    char m_quote = 0;
    bool m_valueStarts = false;
};

struct BracketScan {
    bool unclosed = false; // a tag still open at the line end
    bool stray = false;    // a ']' that closes nothing
};

// One line of scenario text: "[[" is a literal '[', whose ']' needs no
// escape; any other '[' opens a tag, which must close on the same line.
BracketScan ScanTextLine(std::string_view line) {
    BracketScan scan;
    int literalOpenings = 0;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t length = sw::cp932::CharLength(line, pos);
        const char c = line[pos];
        if (length == 1 && c == '[' && pos + 1 < line.size() && line[pos + 1] == '[') {
            ++literalOpenings;
            pos += 2;
            continue;
        }
        pos += length;
        if (length != 1)
            continue;
        if (c == ']') {
            if (literalOpenings > 0)
                --literalOpenings;
            else
                scan.stray = true;
        } else if (c == '[') {
            CTagReader tag;
            CTagReader::Step step = CTagReader::kInside;
            while (pos < line.size() && step != CTagReader::kClosed)
                step = tag.Read(line, pos);
            if (step != CTagReader::kClosed) {
                scan.unclosed = true;
                return scan;
            }
        }
    }
    return scan;
}

// The content of a tag cell, written between one pair of brackets: it must
// neither close that tag early nor open another inside it.
bool IsWholeTagContent(std::string_view content) {
    if (content.find_first_of("\r\n") != std::string_view::npos)
        return false;
    CTagReader tag;
    std::size_t pos = 0;
    while (pos < content.size()) {
        if (tag.Read(content, pos) != CTagReader::kInside)
            return false;
    }
    return !tag.InQuote();
}

// A tag as the engine reads it: its name and attributes, lower-case names;
// an attribute without '=' is "true".
struct TagParts {
    std::string name;
    std::map<std::string, std::string> attributes;
};

TagParts ReadTag(std::string_view content) {
    TagParts tag;
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < content.size() && (content[pos] == ' ' || content[pos] == '\t'))
            ++pos;
    };
    // Up to a blank, '=' or the end, whole characters only.
    const auto word = [&] {
        const std::size_t start = pos;
        while (pos < content.size() && content[pos] != ' ' && content[pos] != '\t' &&
               content[pos] != '=')
            pos += sw::cp932::CharLength(content, pos);
        return std::string(content.substr(start, pos - start));
    };
    skipBlanks();
    tag.name = sw::cp932::ToLowerAscii(word());
    while (skipBlanks(), pos < content.size()) {
        const std::string key = sw::cp932::ToLowerAscii(word());
        skipBlanks();
        if (pos >= content.size() || content[pos] != '=') {
            tag.attributes[key] = "true";
            if (key.empty())
                ++pos;
            continue;
        }
        ++pos;
        skipBlanks();
        std::string value;
        const char quote = pos < content.size() ? content[pos] : 0;
        if (quote == '"' || quote == '\'') {
            ++pos;
            while (pos < content.size() && content[pos] != quote) {
                if (content[pos] == '`' && pos + 1 < content.size())
                    ++pos;
                const std::size_t length = sw::cp932::CharLength(content, pos);
                value.append(content.substr(pos, length));
                pos += length;
            }
            ++pos;
        } else {
            value = word();
        }
        tag.attributes[key] = value;
    }
    return tag;
}

// The tag contents (between the brackets, or after '@') of a whole line
// kept in a tag cell from an imported game.
std::vector<std::string> TagsOfKeptLine(std::string_view line) {
    std::vector<std::string> contents;
    std::string error;
    if (sw::kag::KindOf(line) == sw::kag::LineKind::AtTag) {
        const std::string_view rest = sw::kag::WithoutLeadingTabs(line);
        contents.emplace_back(rest.substr(1));
    } else if (std::vector<sw::kag::LineItem> items;
               sw::kag::KindOf(line) == sw::kag::LineKind::Ordinary &&
               sw::kag::SplitLine(line, items, error)) {
        for (const sw::kag::LineItem& item : items) {
            if (item.isTag)
                contents.emplace_back(line.substr(item.begin + 1, item.end - item.begin - 2));
        }
    }
    return contents;
}

bool IsKeptLine(const CSwObj& cell) {
    return cell.type == SwType::Tag && CellInteger(cell, "line", 0) != 0;
}

bool IsTextCell(const CSwObj& cell) {
    return cell.type == SwType::Message || cell.type == SwType::Dialogue;
}

const char* SceneKindName(std::int32_t type) {
    switch (type) {
    case SwType::SceneBranch:
        return "条件分岐";
    case SwType::SceneImageMap:
        return "イメージマップ";
    default:
        return "選択肢";
    }
}

// Cells after which the game goes on elsewhere, so a scene without children
// that holds one is no dead end.
bool LeavesScene(const CSwObj& cell) {
    if (cell.type == SwType::Shutdown || cell.type == SwType::Return)
        return true;
    if (cell.type != SwType::Tag)
        return false;
    const std::vector<std::string> contents = IsKeptLine(cell)
                                                  ? TagsOfKeptLine(CellText(cell, "tag"))
                                                  : std::vector<std::string>{CellText(cell, "tag")};
    for (const std::string& content : contents) {
        const std::string name = sw::cp932::ToLowerAscii(content);
        for (const char* leaving : {"jump", "call", "return", "gotostart", "close"}) {
            const std::string_view word(leaving);
            if (name.compare(0, word.size(), word) == 0 &&
                (name.size() == word.size() || name[word.size()] == ' ' ||
                 name[word.size()] == '\t'))
                return true;
        }
    }
    return false;
}

// Where a fault of TJS text stands, counted as the author counts: in
// characters, with the line only for text of several lines.
std::string FaultPlace(const TjsSyntaxFault& fault, std::string_view text) {
    if (fault.atEnd)
        return "最後";
    if (text.find_first_of("\r\n") != std::string_view::npos)
        return sw::Format("%d行%d文字目", fault.line, fault.column);
    return sw::Format("%d文字目", fault.column);
}

// A layer as the property dialogs name it.
std::string LayerLabel(const std::string& layer) {
    if (layer == "base")
        return "背景レイヤ";
    if (layer.compare(0, 7, "message") == 0)
        return "メッセージレイヤ" + layer.substr(7);
    if (!layer.empty() && layer.find_first_not_of("0123456789") == std::string::npos)
        return "前景レイヤ" + layer;
    return "レイヤ " + layer;
}

// The format the engine reads a picture as, by its extension; null for
// pictures our decoders do not read, which the check leaves alone.
const char* PictureFormatOf(std::string_view path) {
    const std::string extension = sw::cp932::ToLowerAscii(sw::paths::ExtensionOf(path));
    if (extension == ".bmp")
        return "BMP";
    if (extension == ".png")
        return "PNG";
    if (extension == ".jpg" || extension == ".jpeg")
        return "JPEG";
    return nullptr;
}

bool DecodesAs(const char* format, const std::string& path) {
    const std::string_view kind(format);
    if (kind == "BMP")
        return sw::imaging::DecodeBmp(path).has_value();
    if (kind == "PNG")
        return sw::imaging::DecodePng(path).has_value();
    return sw::imaging::DecodeJpeg(path).has_value();
}

// The particle expressions the plugin script computes, with the dialog's names.
const std::pair<const char*, const char*> kParticleExpressions[] = {
    {"expstartx", "表示開始Ｘ座標の式"},
    {"expstarty", "表示開始Ｙ座標の式"},
    {"expxvelo", "出現時のＸ方向速度の式"},
    {"expyvelo", "出現時のＹ方向速度の式"},
    {"expxaccel", "Ｘ方向加速度の式"},
    {"expyaccel", "Ｙ方向加速度の式"},
    {"expxmodaccel", "Ｘ方向加速度に移動毎に加える式"},
    {"expymodaccel", "Ｙ方向加速度に移動毎に加える式"},
};

class CProjectChecker {
public:
    explicit CProjectChecker(const CScenewrightDoc& doc) : m_doc(doc) {}

    std::vector<CheckFinding> Run() {
        CollectLabels();
        CollectBackPageTransitions();
        for (const auto& scene : m_doc.GetScenes()) {
            CheckScene(*scene);
            for (int i = 0; i < scene->GetCellCount(); ++i)
                CheckCell(*scene, i, *scene->GetCellAt(i));
        }
        CheckReachability();
        CheckCharacterUse();
        return std::move(m_findings);
    }

private:
    void Add(CheckKind kind, std::int32_t sceneId, int cell, std::string message) {
        m_findings.push_back(CheckFinding{kind, sceneId, cell, std::move(message)});
    }

    // Every label of the scenario by name, with the scene a jump to it
    // enters; the end label enters none.
    void CollectLabels() {
        m_labels.emplace(CSwScene::kEndLabel, nullptr);
        for (const auto& scene : m_doc.GetScenes()) {
            const std::string label = CSwScene::LabelOf(scene->id);
            m_labels.emplace(label, scene.get());
            if (scene->HasConditionalCells()) {
                m_labels.emplace(CSwScene::ExecLabelOf(scene->id), scene.get());
                m_labels.emplace(CSwScene::SkipLabelOf(scene->id), scene.get());
            }
            for (const auto& cell : scene->cells) {
                if (cell->type == SwType::Label)
                    m_labels.emplace("*" + CellText(*cell, "label"), scene.get());
            }
        }
    }

    // Text the engine compiles as TJS, named `what` as the author sees it.
    void CheckTjs(std::int32_t sceneId, int cell, const std::string& what, const std::string& text,
                  bool script) {
        const std::optional<TjsSyntaxFault> fault =
            script ? CheckTjsScript(text) : CheckTjsExpression(text);
        if (fault)
            Add(CheckKind::Error, sceneId, cell,
                sw::Format("%sの%s: %s", what.c_str(), FaultPlace(*fault, text).c_str(),
                           fault->message.c_str()));
    }

    // The way into a scene is edited on its parent, which shows these rows
    // with this scene's number.
    void CheckSceneExpressions(const CSwScene& scene) {
        const std::pair<std::string, const std::string*> fields[] = {
            {sw::Format("exp:%d移動時の式", scene.id), &scene.exp},
            {sw::Format("exp:%d実行条件の式", scene.id), &scene.expcond},
            {"実行条件の式", &scene.expmycond},
            {sw::Format("OnEnter:%dの式", scene.id), &scene.onenter},
            {sw::Format("OnLeave:%dの式", scene.id), &scene.onleave},
        };
        for (const auto& [what, text] : fields) {
            if (!text->empty())
                CheckTjs(scene.id, -1, what, *text, false);
        }
    }

    // Each expression stands in the plugin script as "name = expression;".
    void CheckParticleExpressions(const CSwScene& scene, int index, const CSwObj& cell) {
        for (const auto& [key, what] : kParticleExpressions) {
            const std::string& text = CellText(cell, key);
            if (text.empty())
                continue;
            const std::string placed = "v = " + text;
            std::optional<TjsSyntaxFault> fault = CheckTjsExpression(placed);
            if (!fault)
                continue;
            if (fault->line == 1)
                fault->column = std::max(1, fault->column - 4);
            Add(CheckKind::Error, scene.id, index,
                sw::Format("%sの%s: %s", what, FaultPlace(*fault, text).c_str(),
                           fault->message.c_str()));
        }
    }

    // A jump, call or link of a free tag within the scenario file: its
    // label must exist, and the scene it enters is reached.
    void CheckTagTarget(const CSwScene& scene, int index, const std::string& content) {
        const TagParts tag = ReadTag(content);
        if (tag.name != "jump" && tag.name != "call" && tag.name != "link")
            return;
        const auto storage = tag.attributes.find("storage");
        if (storage != tag.attributes.end() &&
            !sw::cp932::EqualsIgnoreAsciiCase(storage->second, "first.ks"))
            return; // another file's labels are not the project's
        const auto target = tag.attributes.find("target");
        // An expression or a macro argument names its label only at run time.
        if (target == tag.attributes.end() || target->second.empty() || target->second[0] == '&' ||
            target->second[0] == '%')
            return;
        const auto label = m_labels.find(target->second);
        if (label == m_labels.end()) {
            Add(CheckKind::Error, scene.id, index,
                sw::Format("[%s] の飛び先のラベル %s がありません。ラベル名を直すか、ラベルセルで"
                           "そのラベルを作ってください。",
                           tag.name.c_str(), target->second.c_str()));
            return;
        }
        if (label->second != nullptr)
            m_tagTargets.emplace(&scene, label->second);
    }

    void CheckScene(const CSwScene& scene) {
        CheckSceneExpressions(scene);
        if (scene.type == SwType::SceneLink) {
            CheckLinkTarget(scene);
            return;
        }
        const int children = CSwObj::GetChildCount(&scene);
        if (children == 0)
            CheckDeadEnd(scene);
        if (scene.type == SwType::SceneImageMap && children >= 2)
            CheckMapImage(scene);
        if (scene.type == SwType::SceneChoice && children >= 2) {
            // The links stand before the cells: clearing the layer erases them.
            for (int i = 0; i < scene.GetCellCount(); ++i) {
                const CSwObj& cell = *scene.GetCellAt(i);
                if (IsTextCell(cell) && CellInteger(cell, "clean", 0) != 0)
                    Add(CheckKind::Error, scene.id, i,
                        "選択肢のリンクの後でメッセージをクリアするため、リンクが消えて先へ進めませ"
                        "ん。"
                        "このセルの「メッセージをクリアしてから表示し、表示が終わったら改ページ待ち"
                        "す"
                        "る。」のチェックを外すか、この文章を親シーンに移してください。");
            }
        }
    }

    void CheckLinkTarget(const CSwScene& scene) {
        if (scene.linkto == nullptr)
            Add(CheckKind::Error, scene.id, -1, "他へのリンクに実体が指定されていません。");
        else if (scene.linkto == &scene || scene.linkto->type == SwType::SceneLink)
            Add(CheckKind::Error, scene.id, -1,
                sw::Format("他へのリンクの実体 シーン番号%d は実体として指定出来ません。",
                           scene.linkto->id));
    }

    void CheckDeadEnd(const CSwScene& scene) {
        // A procedure tree returns to where the right click came from.
        if (scene.Top()->procedure != 0)
            return;
        // A choice scene that the player reads and that leads nowhere is
        // where its story ends; a branch or a map without ways, or a scene
        // with nothing to show, is one the author left unfinished.
        bool shows = false;
        for (const auto& cell : scene.cells) {
            if (LeavesScene(*cell))
                return;
            shows = shows || IsTextCell(*cell);
        }
        if (scene.type == SwType::SceneChoice && shows)
            return;
        Add(CheckKind::Warning, scene.id, -1,
            sw::Format("%sシーンに子シーンが無いため、ここでゲームが止まります。",
                       SceneKindName(scene.type)));
    }

    void CheckMapImage(const CSwScene& scene) {
        if (scene.mapimage.empty()) {
            Add(CheckKind::Error, scene.id, -1, "イメージマップ画像が指定されていません。");
            return;
        }
        if (!CheckMediaFile(scene.id, -1, scene.mapimage))
            return;
        CheckPicture(scene.id, -1, scene.mapimage);
        const std::string folder = sw::paths::FolderOf(sw::paths::ToForwardSlashes(scene.mapimage));
        const std::string region = sw::paths::StemOf(scene.mapimage) + "_p.*";
        const std::vector<std::string> regions = sw::files::FindFiles(folder, region);
        if (regions.empty())
            Add(CheckKind::Error, scene.id, -1,
                sw::Format("イメージマップの領域画像 %s%s がありません。", folder.c_str(),
                           region.c_str()));
        for (const std::string& name : regions)
            CheckPicture(scene.id, -1, folder + name);
    }

    // A picture the engine cannot read stops the game. Ours read the same
    // formats, so each file is opened with them, once however often it is named.
    void CheckPicture(std::int32_t sceneId, int cell, const std::string& path) {
        const char* format = PictureFormatOf(path);
        if (format == nullptr)
            return;
        const auto [known, added] = m_readablePictures.try_emplace(path, true);
        if (added)
            known->second = DecodesAs(format, path);
        if (!known->second)
            Add(CheckKind::Error, sceneId, cell,
                sw::Format("画像 %s は %s として読めません。画像を %s 形式で保存し直してください。",
                           path.c_str(), format, format));
    }

    // False when the file is missing; remembers the name for the case check.
    // A project received from someone else should not silently carry
    // files from anywhere on this machine into a game that is shipped.
    void CheckInsideProject(std::int32_t sceneId, int cell, const std::string& path) {
        const std::string folder = m_doc.GetProjectFileFolder();
        if (folder.empty() ||
            sw::paths::Normalize(sw::paths::ToForwardSlashes(path)).starts_with(folder))
            return;
        Add(CheckKind::Warning, sceneId, cell,
            sw::Format("%s はプロジェクトファイルのフォルダの外にあり、ビルドでゲームにコピーされ"
                       "ます。ゲームに入れてよいファイルか確かめて下さい。",
                       path.c_str()));
    }

    bool CheckMediaFile(std::int32_t sceneId, int cell, const std::string& path) {
        if (!sw::files::FileExists(path)) {
            Add(CheckKind::Error, sceneId, cell,
                sw::Format("ファイル %s が見つかりません。", path.c_str()));
            return false;
        }
        CheckInsideProject(sceneId, cell, path);
        const std::string name = sw::paths::FileNameOf(sw::paths::ToForwardSlashes(path));
        const auto [earlier, added] = m_mediaNames.emplace(sw::cp932::ToLowerAscii(name), name);
        if (!added && earlier->second != name)
            Add(CheckKind::Warning, sceneId, cell,
                sw::Format("%s と %s は大文字と小文字だけが違う名前のため、"
                           "大文字と小文字を区別しないファイルシステムでは同じファイルになります。",
                           earlier->second.c_str(), name.c_str()));
        return true;
    }

    void CheckCell(const CSwScene& scene, int index, const CSwObj& cell) {
        CheckCellMedia(scene, index, cell);
        if (IsTextCell(cell))
            CheckSceneText(scene, index, cell);
        switch (cell.type) {
        case SwType::Layer:
            CheckBaseLayerSettings(scene, index, cell);
            break;
        case SwType::Transition:
            if (const auto fault = m_backPageFaults.find(&cell); fault != m_backPageFaults.end())
                Add(CheckKind::Error, scene.id, index, fault->second);
            break;
        case SwType::Tag:
            // A whole line kept from an imported game is scenario text.
            if (CellInteger(cell, "line", 0) != 0) {
                const std::string& line = CellText(cell, "tag");
                const std::size_t at = line.find_first_not_of('\t');
                const char first = at == std::string::npos ? ';' : line[at];
                if (first != ';' && first != '@' && ScanTextLine(line).unclosed)
                    Add(CheckKind::Error, scene.id, index, "行のタグの [ が閉じていません。");
                for (const std::string& content : TagsOfKeptLine(line))
                    CheckTagTarget(scene, index, content);
            } else if (!IsWholeTagContent(CellText(cell, "tag")))
                Add(CheckKind::Error, scene.id, index,
                    "タグの中身の [ ] または引用符が対応していません。引用符を閉じ、値の中の [ ] "
                    "や引用符には前に ` を付けてください。");
            else
                CheckTagTarget(scene, index, CellText(cell, "tag"));
            break;
        case SwType::Eval:
            // The engine evaluates an empty formula as nothing at all.
            if (sw::cp932::Trim(CellText(cell, "formula")).empty())
                Add(CheckKind::Warning, scene.id, index, "式が空のため、このセルは何もしません。");
            else
                CheckTjs(scene.id, index, "式", CellText(cell, "formula"), false);
            break;
        case SwType::Script:
            CheckScriptText(scene, index, CellText(cell, "text"));
            break;
        case SwType::Macro:
            if (sw::cp932::Trim(CellText(cell, "name")).empty())
                Add(CheckKind::Error, scene.id, index,
                    "マクロ名が空のため、エンジンがタグの書き方の誤りで止まります。マクロ名を書いて"
                    "くだ"
                    "さい。");
            CheckMacroBody(scene, index, CellText(cell, "text"));
            break;
        case SwType::Particle:
            CheckParticleClass(scene, index, CellText(cell, "classname"));
            CheckParticleExpressions(scene, index, cell);
            break;
        case SwType::Dialogue:
            m_usedCharacters.insert(CellInteger(cell, "charinf", -1));
            break;
        default:
            break;
        }
    }

    void CheckCellMedia(const CSwScene& scene, int index, const CSwObj& cell) {
        const auto* command = dynamic_cast<const CSwCommand*>(&cell);
        if (command == nullptr)
            return;
        const auto fields = command->Fields();
        for (std::size_t slot = 0; slot < fields.size(); ++slot) {
            const std::string& path = command->Text(slot);
            const bool isPath = fields[slot].kind == FieldKind::FilePath ||
                                (cell.type == SwType::Dialogue && slot == command->SlotOf("voice"));
            if (!isPath || path.empty())
                continue;
            if (cell.type == SwType::Particle) {
                CheckParticleImages(scene, index, path, CellInteger(cell, "count", 0));
                continue;
            }
            // Only the universal method reads its rule picture.
            const bool picture = cell.type == SwType::ImageLoad || cell.type == SwType::Transition;
            if (cell.type == SwType::Transition &&
                CellInteger(cell, "method", CSwTransition::kUniversal) != CSwTransition::kUniversal)
                continue;
            if (CheckMediaFile(scene.id, index, path) && picture)
                CheckPicture(scene.id, index, path);
        }
    }

    // The particle image field is a prefix of the images "<prefix>_0.*" up
    // to one below the count. The folder is listed once and the numbers
    // looked up until the first that is missing: a count may be far larger
    // than the images there are.
    void CheckParticleImages(const CSwScene& scene, int index, const std::string& prefix,
                             std::int32_t count) {
        const std::string folder = sw::paths::FolderOf(sw::paths::ToForwardSlashes(prefix));
        const std::string stem = ParticleImageBaseName(prefix);
        std::map<std::int64_t, std::vector<std::string>> images;
        const std::string pattern = sw::cp932::EscapeChars(stem, "*?[\\", '\\') + "_*";
        for (const std::string& name : sw::files::FindFiles(folder, pattern)) {
            const std::size_t digits = stem.size() + 1;
            const std::size_t dot = name.find('.', digits);
            if (dot == std::string::npos || dot == digits || dot - digits > 10 ||
                name.find_first_not_of("0123456789", digits) != dot)
                continue;
            images[std::stoll(name.substr(digits, dot - digits))].push_back(name);
        }
        for (std::int32_t i = 0; i < count; ++i) {
            const auto found = images.find(i);
            if (found == images.end()) {
                Add(CheckKind::Error, scene.id, index,
                    sw::Format("パーティクル画像 %s%s_%d.* が見つかりません。", folder.c_str(),
                               stem.c_str(), i));
                return;
            }
            for (const std::string& name : found->second) {
                CheckInsideProject(scene.id, index, folder + name);
                CheckPicture(scene.id, index, folder + name);
            }
        }
    }

    void CheckSceneText(const CSwScene& scene, int index, const CSwObj& cell) {
        const std::vector<std::string_view> lines = LinesOf(CellText(cell, "message"));
        // A dialogue line's first line follows its speaker's name and bracket.
        const bool firstLineFollowsText =
            cell.type == SwType::Dialogue &&
            (m_doc.GetSettings().GetCharacterAt(CellInteger(cell, "charinf", -1)) != nullptr ||
             (CellInteger(cell, "brackettype", 0) >= 0 &&
              CellInteger(cell, "brackettype", 0) <= 4));
        bool unclosed = false, stray = false, misread = false;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const BracketScan scan = ScanTextLine(lines[i]);
            unclosed = unclosed || scan.unclosed;
            stray = stray || scan.stray;
            const std::string_view start = AfterTabs(lines[i]);
            if ((i > 0 || !firstLineFollowsText) && !start.empty() &&
                (start[0] == '*' || start[0] == ';' || start[0] == '@'))
                misread = true;
        }
        if (unclosed)
            Add(CheckKind::Error, scene.id, index,
                "閉じていない [ があります（文字の [ は [[ と書きます）。");
        if (stray)
            Add(CheckKind::Warning, scene.id, index, "対応する [ の無い ] があります。");
        if (misread)
            Add(CheckKind::Warning, scene.id, index,
                "* ; @ で始まる行は、文章ではなくラベル、コメント、タグとして読まれます。");
    }

    void CheckScriptText(const CSwScene& scene, int index, const std::string& text) {
        for (const std::string_view line : LinesOf(text)) {
            const std::string lower = sw::cp932::ToLowerAscii(AfterTabs(line));
            if (lower == "[endscript]" || lower == "@endscript") {
                Add(CheckKind::Error, scene.id, index,
                    "[endscript] だけの行があるため、スクリプトがそこで終わってしまいます。");
                return;
            }
        }
        CheckTjs(scene.id, index, "スクリプト", text, true);
    }

    // The front page's base layer is the window's own, which the engine
    // refuses to make transparent in any degree or to hide. Of the back page
    // only a wholly transparent base is taken for the same fault, as the
    // transition that brings the page forward carries it there.
    void CheckBaseLayerSettings(const CSwScene& scene, int index, const CSwObj& cell) {
        if (CellText(cell, "layer") != "base")
            return;
        const bool front = CellInteger(cell, "surface", 0) != 1;
        const std::int32_t opacity = CellInteger(cell, "opacity", -1);
        if (opacity == 0 || (front && opacity > 0 && opacity != 255))
            Add(CheckKind::Error, scene.id, index,
                "背景レイヤは不透明度 255 のままでなければ、エンジンが止まります。不透明度を空欄"
                "（変えない）か 255 にしてください。");
        if (front && CellInteger(cell, "visible", 2) == 0)
            Add(CheckKind::Error, scene.id, index,
                "背景レイヤを非表示にすると、エンジンが止まります。「このレイヤを表示する。」のチェ"
                "ッ"
                "クを外さないでください。");
    }

    // The scenes as the build writes them: each tree of the top-level chain
    // in pre-order.
    std::vector<const CSwScene*> ScenesInBuildOrder() const {
        std::vector<const CSwScene*> order;
        std::set<const CSwObj*> seen;
        for (const CSwObj* top = m_doc.GetFirstTopScene(); top != nullptr && seen.count(top) == 0;
             top = top->next) {
            std::vector<const CSwObj*> pending{top};
            while (!pending.empty()) {
                const CSwObj* scene = pending.back();
                pending.pop_back();
                if (scene == nullptr || !SwType::IsScene(scene->type) || !seen.insert(scene).second)
                    continue;
                order.push_back(static_cast<const CSwScene*>(scene));
                const std::size_t first = pending.size();
                for (const CSwObj* child = CSwObj::GetFirstSibling(scene->child); child != nullptr;
                     child = child->next)
                    pending.push_back(child);
                std::reverse(pending.begin() + static_cast<std::ptrdiff_t>(first), pending.end());
            }
        }
        return order;
    }

    // A transition of one layer stops the engine (its two pages differ in
    // size) when a picture was loaded on the layer's back page since its last
    // transition and the front page was not copied to the back meanwhile.
    // Followed along the scenario in build order, across scenes.
    void CollectBackPageTransitions() {
        struct Pages {
            const CSwScene* loadScene = nullptr; // the last load on the back page
            int loadCell = -1;
            bool copied = false;
        };
        std::map<std::string, Pages> layers;
        bool allCopied = false; // since the last transition of the whole screen
        const auto pagesOf = [&](const std::string& layer) -> Pages& {
            const auto [pages, added] = layers.try_emplace(layer);
            if (added)
                pages->second.copied = allCopied;
            return pages->second;
        };
        for (const CSwScene* scene : ScenesInBuildOrder()) {
            for (int i = 0; i < scene->GetCellCount(); ++i) {
                const CSwObj& cell = *scene->GetCellAt(i);
                const std::string& layer = CellText(cell, "layer");
                if (cell.type == SwType::BackLay && layer == "all") {
                    allCopied = true;
                    for (auto& [name, pages] : layers)
                        pages.copied = true;
                } else if (cell.type == SwType::BackLay && !layer.empty()) {
                    pagesOf(layer).copied = true;
                } else if (cell.type == SwType::ImageLoad && CellInteger(cell, "surface", 0) != 0) {
                    Pages& pages = pagesOf(layer.empty() ? std::string("base") : layer);
                    pages.loadScene = scene;
                    pages.loadCell = i;
                } else if (cell.type == SwType::Transition && layer == "base" &&
                           CellInteger(cell, "children", 0) == 1) {
                    layers.clear();
                    allCopied = false;
                } else if (cell.type == SwType::Transition && !layer.empty()) {
                    Pages& pages = pagesOf(layer);
                    if (pages.loadScene != nullptr && !pages.copied)
                        m_backPageFaults.emplace(
                            &cell,
                            sw::Format(
                                "%sの裏画面に画像を読み込んだ後（シーン番号%d セル%d）、表画面を"
                                "裏画面にコピーしないまま画面を切り替えるため、表と裏の大きさが"
                                "違ってエンジンが止まります。画像読込の前に、このレイヤの「裏画"
                                "面へ転送」セルを置いてください。",
                                LayerLabel(layer).c_str(), pages.loadScene->id, pages.loadCell));
                    pages = Pages{};
                }
            }
        }
    }

    void CheckMacroBody(const CSwScene& scene, int index, const std::string& body) {
        bool label = false, script = false;
        for (const std::string_view line : LinesOf(body)) {
            const std::string lower = sw::cp932::ToLowerAscii(AfterTabs(line));
            label = label || (!lower.empty() && lower[0] == '*');
            script = script || lower.compare(0, 8, "@iscript") == 0 ||
                     sw::cp932::Find(lower, "[iscript") != std::string::npos;
        }
        if (label)
            Add(CheckKind::Error, scene.id, index, "マクロの中にラベルは書けません。");
        if (script)
            Add(CheckKind::Error, scene.id, index, "マクロの中に [iscript] は書けません。");
    }

    void CheckParticleClass(const CSwScene& scene, int index, const std::string& name) {
        if (!IsParticleClassName(name)) {
            Add(CheckKind::Error, scene.id, index,
                sw::Format(
                    "パーティクルのクラス名 %s は英字、数字、_ だけで、数字以外で始めてください。",
                    name.c_str()));
            return;
        }
        // The class names a plugin file: names differing in case collide too.
        const auto [earlier, added] =
            m_particleClasses.emplace(sw::cp932::ToLowerAscii(name), scene.id);
        if (!added)
            Add(CheckKind::Warning, scene.id, index,
                sw::Format("パーティクルのクラス名 %s はシーン番号%d でも使われています。",
                           name.c_str(), earlier->second));
    }

    // Everything the game can reach from the first top-level scene, and from
    // procedure trees, which a right click enters.
    void CheckReachability() {
        std::set<const CSwObj*> reached;
        std::vector<const CSwObj*> pending;
        const auto reach = [&](const CSwObj* scene) {
            if (scene != nullptr && reached.insert(scene).second)
                pending.push_back(scene);
        };
        reach(m_doc.GetFirstTopScene());
        for (const auto& scene : m_doc.GetScenes()) {
            if (scene->parent == nullptr && scene->procedure != 0)
                reach(scene.get());
        }
        while (!pending.empty()) {
            const auto* scene = static_cast<const CSwScene*>(pending.back());
            pending.pop_back();
            if (scene->type == SwType::SceneLink) {
                reach(CSwScene::ResolveTarget(const_cast<CSwScene*>(scene)));
                continue;
            }
            for (const CSwObj* child = scene->child; child != nullptr; child = child->next)
                reach(child);
            for (const auto& cell : scene->cells) {
                if (cell->type == SwType::RightClick)
                    reach(m_doc.FindScene(CellInteger(*cell, "callto_id", 0)));
            }
            const auto [first, last] = m_tagTargets.equal_range(scene);
            for (auto it = first; it != last; ++it)
                reach(it->second);
        }
        for (const auto& scene : m_doc.GetScenes()) {
            if (reached.count(scene.get()) == 0)
                Add(CheckKind::Warning, scene->id, -1,
                    "最初のシーンからたどり着けないシーンです。");
        }
    }

    void CheckCharacterUse() {
        const CSwSettings& settings = m_doc.GetSettings();
        for (int i = 0; i < settings.GetCharacterCount(); ++i) {
            if (m_usedCharacters.count(i) == 0)
                Add(CheckKind::Note, 0, -1,
                    sw::Format("キャラクター %s はどの会話にも使われていません。",
                               settings.GetCharacterAt(i)->FullName().c_str()));
        }
    }

    const CScenewrightDoc& m_doc;
    std::vector<CheckFinding> m_findings;
    std::map<std::string, std::string> m_mediaNames; // lower-case name to the first spelling
    std::map<std::string, std::int32_t> m_particleClasses;
    std::set<std::int32_t> m_usedCharacters;
    std::map<std::string, const CSwScene*> m_labels;
    std::map<std::string, bool> m_readablePictures;        // by path
    std::map<const CSwObj*, std::string> m_backPageFaults; // by transition cell
    std::multimap<const CSwObj*, const CSwScene*> m_tagTargets;
};

void AppendJsonString(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            out += sw::Format("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    out += '"';
}

} // namespace

std::vector<CheckFinding> CheckProject(const CScenewrightDoc& doc) {
    return CProjectChecker(doc).Run();
}

bool HasErrorFinding(const std::vector<CheckFinding>& findings) {
    for (const CheckFinding& finding : findings) {
        if (finding.kind == CheckKind::Error)
            return true;
    }
    return false;
}

const char* CheckKindName(CheckKind kind) {
    switch (kind) {
    case CheckKind::Error:
        return "error";
    case CheckKind::Warning:
        return "warning";
    case CheckKind::Note:
        break;
    }
    return "note";
}

std::string FindingLine(const CheckFinding& finding) {
    std::string place;
    if (finding.sceneId != 0)
        place = sw::Format("シーン番号%d", finding.sceneId);
    if (finding.cell >= 0)
        place += sw::Format(" セル%d", finding.cell);
    return std::string(CheckKindName(finding.kind)) + ": " + (place.empty() ? "" : place + ": ") +
           finding.message;
}

void PostFindings(CScenewrightDoc& doc, const std::vector<CheckFinding>& findings) {
    for (const CheckFinding& finding : findings) {
        const std::string line = FindingLine(finding);
        switch (finding.kind) {
        case CheckKind::Error:
            doc.PostLogLine(SwLog::Error, line.substr(line.find(' ') + 1));
            break;
        case CheckKind::Warning:
            doc.PostLogLine(SwLog::Warning, line.substr(line.find(' ') + 1));
            break;
        case CheckKind::Note:
            doc.PostLogLine(SwLog::Plain, line);
            break;
        }
    }
}

std::string FindingsJson(const std::vector<CheckFinding>& findings) {
    std::string out = "[";
    for (std::size_t i = 0; i < findings.size(); ++i) {
        const CheckFinding& finding = findings[i];
        out += i == 0 ? "\n" : ",\n";
        out += sw::Format("  {\"kind\": \"%s\", \"scene\": %d, \"cell\": %d, \"message\": ",
                          CheckKindName(finding.kind), finding.sceneId, finding.cell);
        AppendJsonString(out, sw::cp932::ToUtf8ForDisplay(finding.message));
        out += "}";
    }
    out += findings.empty() ? "]\n" : "\n]\n";
    return out;
}
