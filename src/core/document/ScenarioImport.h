#pragma once

// Turning a scenario written as plain text into cells: narration runs into
// message cells, "name「line」" into dialogue lines, "ＳＥ／cue" into a sound
// effect play and stop. Texts are CP932 bytes; every marker search steps
// over whole characters.

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CSwCharacter;
class CSwSettings;

// True for a sound effect cue; `cue` is what follows the marker.
bool IsSoundEffectLine(std::string_view line, std::string& cue);

struct DialogueLine {
    std::string spoken;
    std::string note;
    std::string bracket; // the opening bracket, "" for none
    int speaker = -1;    // index among the characters
};

// The settings' characters by name, for the many lookups of one import:
// FindCharacterIndex's answer without a walk through every character.
class CCharacterIndex {
public:
    explicit CCharacterIndex(const CSwSettings& settings);
    int Find(std::string_view name) const;
    // A character appended to the settings as the `index`-th.
    void Add(const CSwCharacter& character, int index);

private:
    std::unordered_map<std::string, int> m_byName;
    int m_count = 0;
    friend bool ParseDialogueLine(CSwSettings&, std::string_view, DialogueLine&, CCharacterIndex*);
};

// True for a dialogue line. An unknown speaker is appended to the settings'
// characters, so a later line of the same speaker finds it. `index`, when
// given, is the settings' index and is kept up to date.
bool ParseDialogueLine(CSwSettings& settings, std::string_view line, DialogueLine& dialogue,
                       CCharacterIndex* index = nullptr);

// Index among the settings' characters whose full, first or last name is
// `name` (after the narrator and monologue marks are taken off), or -1.
int FindCharacterIndex(const CSwSettings& settings, std::string_view name);

// The lines of a scenario file as CP932, each with "\n" as its end whatever
// the file used. A UTF-8 file (with or without its byte-order mark) is
// converted. False with a message for the author naming the line that is
// neither CP932 nor convertible, or that holds a control character other
// than a tab (no project file can hold one); then `lines` is empty.
bool ReadScenarioLines(std::string_view path, std::string_view contents,
                       std::vector<std::string>& lines, std::string& message);
