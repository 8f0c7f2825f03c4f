#include "document/ScenarioImport.h"

#include "document/ProjectEdit.h"
#include "document/ScenewrightDoc.h"
#include "model/SwSettings.h"
#include "model/cells/CreateObject.h"
#include "model/cells/SwCharacter.h"
#include "model/cells/SwCommand.h"
#include "model/cells/SwDialogue.h"
#include "platform/Cp932.h"
#include "platform/Files.h"
#include "platform/TextOutput.h"

#include <algorithm>

namespace {

using sw::cp932::EndsWith;
using sw::cp932::Find;
using sw::cp932::StartsWith;
using sw::cp932::Trim;
using sw::cp932::TrimStart;

const char kOpenSpeech[] = "「";
const char kCloseSpeech[] = "」";
const char kOpenThought[] = "（";
const char kCloseThought[] = "）";
constexpr std::size_t kWide = 2; // bytes of a full-width marker

// "name（note）..." or "（note）..." handling shared by both line shapes: the
// note between the first "（" at or after `earliest` and the first "）".
bool TakeNote(std::string& line, std::size_t earliestOpen, bool openMustLead, std::string& note) {
    const std::size_t open = Find(line, kOpenThought);
    const std::size_t close = Find(line, kCloseThought);
    if (open == std::string::npos || close == std::string::npos || open < earliestOpen ||
        (openMustLead && open != 0) || close < open + kWide || close + kWide >= line.size())
        return false;
    note = line.substr(open + kWide, close - open - kWide);
    line.erase(open, close + kWide - open);
    return true;
}

// `text` without its enclosing pair, when it has it.
bool Unwrap(std::string_view text, const char* open, const char* close, std::string& inner) {
    if (!StartsWith(text, open) || !EndsWith(text.substr(kWide), close))
        return false;
    inner = text.substr(kWide, text.size() - 2 * kWide);
    return true;
}

// The speaker of a line "name<blank>text", with the rest left in `line`.
bool ParseSeparatedSpeaker(std::string& line, DialogueLine& dialogue, std::string& speaker) {
    const std::size_t blank = line.find_first_of(" \t");
    speaker = line.substr(0, blank);
    line = std::string(TrimStart(std::string_view(line).substr(blank), " \t"));
    TakeNote(line, 0, true, dialogue.note);
    if (StartsWith(line, kOpenSpeech)) {
        dialogue.bracket = kOpenSpeech;
        return Unwrap(line, kOpenSpeech, kCloseSpeech, dialogue.spoken);
    }
    if (StartsWith(line, kOpenThought)) {
        dialogue.bracket = kOpenThought;
        return Unwrap(line, kOpenThought, kCloseThought, dialogue.spoken);
    }
    dialogue.spoken = line;
    return true;
}

// The speaker of a line "name「text」" or "name（text）".
bool ParseAdjoinedSpeaker(std::string& line, DialogueLine& dialogue, std::string& speaker) {
    TakeNote(line, 1, false, dialogue.note);
    for (const char* open : {kOpenSpeech, kOpenThought}) {
        const std::size_t at = Find(line, open);
        if (at == std::string::npos || at == 0)
            continue;
        speaker = line.substr(0, at);
        dialogue.bracket = open;
        const char* close = open == kOpenSpeech ? kCloseSpeech : kCloseThought;
        return Unwrap(std::string_view(line).substr(at), open, close, dialogue.spoken);
    }
    return false;
}

bool NameMatches(const std::string& candidate, std::string_view name) {
    return !candidate.empty() && candidate == name;
}

std::string LineNumberMessage(std::string_view path, std::size_t line, const char* problem) {
    return std::string(path) + " の " + std::to_string(line) + " 行目" + problem +
           "インポートを中止しました。";
}

std::size_t LineOfOffset(std::string_view text, std::size_t offset) {
    return 1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + offset, '\n'));
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Unified line ends: CR LF and lone CR become "\n".
std::string WithNewlines(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r')
            result += text[i];
        else if (i + 1 >= text.size() || text[i + 1] != '\n')
            result += '\n';
    }
    return result;
}

std::unique_ptr<CSwCommand> NewCell(std::int32_t type) {
    std::unique_ptr<CSwObj> cell = CreateObject(type);
    return std::unique_ptr<CSwCommand>(static_cast<CSwCommand*>(cell.release()));
}

void SetTextField(CSwCommand& cell, std::string_view key, std::string_view value) {
    if (const std::size_t slot = cell.SlotOf(key); slot < cell.Fields().size())
        cell.SetText(slot, value);
}

void SetIntegerField(CSwCommand& cell, std::string_view key, std::int32_t value) {
    if (const std::size_t slot = cell.SlotOf(key); slot < cell.Fields().size())
        cell.SetInteger(slot, value);
}

} // namespace

bool IsSoundEffectLine(std::string_view line, std::string& cue) {
    line = Trim(line, " \t\n");
    for (const char* prefix : {"ＳＥ／", "SE/", "○ＳＥ"}) {
        if (StartsWith(line, prefix)) {
            cue = TrimStart(line.substr(std::string_view(prefix).size()), " \t\n");
            return true;
        }
    }
    return false;
}

bool ParseDialogueLine(CSwSettings& settings, std::string_view text, DialogueLine& dialogue,
                       CCharacterIndex* index) {
    dialogue = DialogueLine();
    std::string line(Trim(text, " \t\n"));
    std::string speaker;
    const std::size_t blank = line.find_first_of(" \t");
    const bool parsed = blank != std::string::npos && blank > 0
                            ? ParseSeparatedSpeaker(line, dialogue, speaker)
                            : ParseAdjoinedSpeaker(line, dialogue, speaker);
    if (!parsed || StartsWith(speaker, "●Ｓ") || StartsWith(speaker, "＃")) {
        dialogue = DialogueLine();
        return false;
    }
    dialogue.speaker = index ? index->Find(speaker) : FindCharacterIndex(settings, speaker);
    if (dialogue.speaker < 0) {
        auto character = std::make_unique<CSwCharacter>();
        character->SetText(CSwCharacter::kFirstName, speaker);
        const CSwCharacter& added = *character;
        settings.AddCharacter(std::move(character));
        if (index) {
            dialogue.speaker = index->m_count;
            index->Add(added, index->m_count);
        } else {
            dialogue.speaker = settings.GetCharacterCount() - 1;
        }
    }
    return true;
}

namespace {

// `name` without the narrator and monologue marks, each taken off once.
std::string_view WithoutMarks(std::string_view name) {
    for (const char* suffix : {"（ＮＡ）", "(ＮＡ)", "(NA)", "＜Ｍ＞", "<Ｍ>", "<M>"}) {
        if (name.size() > std::string_view(suffix).size() && EndsWith(name, suffix))
            name.remove_suffix(std::string_view(suffix).size());
    }
    return name;
}

} // namespace

int FindCharacterIndex(const CSwSettings& settings, std::string_view name) {
    name = WithoutMarks(name);
    int index = 0;
    for (const auto& object : settings.characters) {
        if (object->type != SwType::Character)
            continue;
        const auto& character = static_cast<const CSwCharacter&>(*object);
        if (NameMatches(character.FullName(), name) || NameMatches(character.firstname(), name) ||
            NameMatches(character.lastname(), name))
            return index;
        ++index;
    }
    return -1;
}

CCharacterIndex::CCharacterIndex(const CSwSettings& settings) {
    for (const auto& object : settings.characters) {
        if (object->type == SwType::Character)
            Add(static_cast<const CSwCharacter&>(*object), m_count);
    }
}

void CCharacterIndex::Add(const CSwCharacter& character, int index) {
    // The first character that has a name keeps it, as the walk finds it.
    for (const std::string& name :
         {character.FullName(), character.firstname(), character.lastname()}) {
        if (!name.empty())
            m_byName.emplace(name, index);
    }
    m_count = std::max(m_count, index + 1);
}

int CCharacterIndex::Find(std::string_view name) const {
    const auto found = m_byName.find(std::string(WithoutMarks(name)));
    return found == m_byName.end() ? -1 : found->second;
}

bool ReadScenarioLines(std::string_view path, std::string_view contents,
                       std::vector<std::string>& lines, std::string& message) {
    lines.clear();
    std::string text;
    const bool byteOrderMark = StartsWith(contents, "\xEF\xBB\xBF");
    if (byteOrderMark)
        contents.remove_prefix(3);
    std::size_t bad = 0;
    // CP932 Japanese is almost never valid UTF-8, so a file that is valid
    // UTF-8 with non-ASCII text was written as UTF-8.
    if (byteOrderMark || (!IsAscii(contents) && sw::cp932::IsValidUtf8(contents))) {
        if (!sw::cp932::FromUtf8(contents, text, &bad)) {
            message = LineNumberMessage(path, LineOfOffset(contents, bad),
                                        "に Shift_JIS で表せない文字があります。");
            return false;
        }
    } else if (!sw::cp932::IsValid(contents, &bad)) {
        message = LineNumberMessage(path, LineOfOffset(contents, bad),
                                    "は Shift_JIS の文字として読めません。");
        return false;
    } else {
        text = contents;
    }
    text = WithNewlines(text);
    // Control bytes are never trail bytes.
    const auto control = std::find_if(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b < 0x20 && b != '\t' && b != '\n';
    });
    if (control != text.end()) {
        const auto offset = static_cast<std::size_t>(control - text.begin());
        message = LineNumberMessage(
            path, LineOfOffset(text, offset),
            sw::Format("に制御文字 (0x%02X) があります。", static_cast<unsigned char>(*control))
                .c_str());
        return false;
    }
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = std::min(text.find('\n', start), text.size() - 1) + 1;
        lines.push_back(text.substr(start, end - start));
        start = end;
    }
    return true;
}

bool CScenewrightDoc::ImportScenarioText(const char* path) {
    if (path == nullptr)
        return false;
    std::vector<std::string> lines;
    std::string failure;
    std::string contents;
    sw::files::ReadProblem problem = sw::files::ReadProblem::None;
    if (!sw::files::FileExists(path)) {
        // A folder, pipe or device under the name is said to be one.
        failure = sw::files::ReadWholeFile(path, contents, 0, &problem) ||
                          problem != sw::files::ReadProblem::NotRegular
                      ? std::string(" ") + path + " が存在しません。"
                      : sw::files::ReadProblemMessage(problem, path, sw::files::kTextFileLimit);
    } else if (GetCurrentScene() == nullptr) {
        failure = "インポート先のセルを選択して下さい。";
        if (m_host)
            m_host->ShowError(failure);
    } else if (!sw::files::ReadWholeFile(path, contents, sw::files::kTextFileLimit, &problem)) {
        failure = problem == sw::files::ReadProblem::TooLarge ||
                          problem == sw::files::ReadProblem::NotRegular
                      ? sw::files::ReadProblemMessage(problem, path, sw::files::kTextFileLimit)
                      : std::string("読み込みモードで ") + path + " が開けません。";
        if (m_host)
            m_host->ShowError("ファイルが開けません。");
    } else if (!ReadScenarioLines(path, contents, lines, failure)) {
        if (m_host)
            m_host->ShowError(failure);
    }
    if (!failure.empty()) {
        PostLogLine(SwLog::Error, failure);
        return false;
    }
    // New speakers join the character list in the same step.
    CProjectEdit edit(*this, SwEdit::ImportScenario);
    edit.TouchCellList(*GetCurrentScene());
    edit.TouchSettings();
    ImportLines(*GetCurrentScene(), lines);
    edit.Commit();
    return true;
}

void CScenewrightDoc::ImportLines(CSwScene& scene, const std::vector<std::string>& lines) {
    CCharacterIndex speakers(m_settings);
    std::string narration;
    auto flush = [&] {
        if (narration.empty())
            return;
        auto message = NewCell(SwType::Message);
        SetTextField(*message, "message", narration);
        scene.AddCell(std::move(message));
        narration.clear();
    };
    for (const std::string& line : lines) {
        std::string cue;
        DialogueLine dialogue;
        if (IsSoundEffectLine(line, cue)) {
            flush();
            auto play = NewCell(SwType::SePlay);
            play->comment = cue;
            scene.AddCell(std::move(play));
            scene.AddCell(NewCell(SwType::SeStop));
        } else if (ParseDialogueLine(m_settings, line, dialogue, &speakers)) {
            flush();
            auto cell = NewCell(SwType::Dialogue);
            SetTextField(*cell, "message", dialogue.spoken);
            if (dialogue.speaker >= 0)
                SetIntegerField(*cell, "charinf", dialogue.speaker);
            SetIntegerField(*cell, "brackettype", CSwDialogue::BracketTypeOf(dialogue.bracket));
            cell->comment = dialogue.note;
            scene.AddCell(std::move(cell));
        } else {
            narration += narration.empty() ? line : "[l][r]" + line;
        }
    }
    flush();
}
