#pragma once

// Find and replace across the project's texts: scene titles, hints and
// expressions, every text field of every cell (messages, dialogue, tags,
// scripts, formulas) and every comment. Paths are never searched: a
// replaced path would silently point at another file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CScenewrightDoc;

struct SearchOptions {
    bool matchCase = false; // false: ASCII letters match either case
    // A match that begins (ends) with a letter, digit or '_' must not have
    // one of those just before (after) it.
    bool wholeWord = false;
};

struct TextMatch {
    std::int32_t sceneId = 0;
    int cell = -1;          // -1 for a field of the scene itself
    std::string field;      // the project-file key of the field
    std::size_t offset = 0; // bytes into the field's text
    std::size_t length = 0;
    std::string line; // the line of the text holding the match, CP932
};

// Every match, scene by scene in the order of the scene array; matches
// begin and end on whole CP932 characters and do not overlap.
std::vector<TextMatch> FindText(const CScenewrightDoc& doc, std::string_view needle,
                                SearchOptions options);

// Replaces `match` when its field still holds `needle` there; one edit.
bool ReplaceMatch(CScenewrightDoc& doc, const TextMatch& match, std::string_view needle,
                  std::string_view replacement, SearchOptions options);
// Replaces every match as one edit; the number replaced.
int ReplaceAll(CScenewrightDoc& doc, std::string_view needle, std::string_view replacement,
               SearchOptions options);
