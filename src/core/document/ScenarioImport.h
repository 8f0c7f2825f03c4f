#pragma once

// Turning a scenario written as plain text into cells: narration runs into
// message cells, "name「line」" into dialogue lines, "ＳＥ／cue" into a sound
// effect play and stop. Texts are CP932 bytes; every marker search steps
// over whole characters.

#include <string>
#include <string_view>
#include <vector>

class CSwSettings;

// True for a sound effect cue; `cue` is what follows the marker.
bool IsSoundEffectLine(std::string_view line, std::string& cue);

struct DialogueLine {
    std::string spoken;
    std::string note;
    std::string bracket; // the opening bracket, "" for none
    int speaker = -1;    // index among the characters
};

// True for a dialogue line. An unknown speaker is appended to the settings'
// characters, so a later line of the same speaker finds it.
bool ParseDialogueLine(CSwSettings& settings, std::string_view line, DialogueLine& dialogue);

// Index among the settings' characters whose full, first or last name is
// `name` (after the narrator and monologue marks are taken off), or -1.
int FindCharacterIndex(const CSwSettings& settings, std::string_view name);

// The lines of a scenario file as CP932, each with "\n" as its end whatever
// the file used. A UTF-8 file (with or without its byte-order mark) is
// converted. False with a message for the author naming the line that is
// neither CP932 nor convertible; then `lines` is empty.
bool ReadScenarioLines(std::string_view path, std::string_view contents,
                       std::vector<std::string>& lines, std::string& message);
