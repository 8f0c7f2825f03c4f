#pragma once

// Reading KAG scenario lines as the engine reads them: labels, comments,
// one-tag "@" lines, and lines of text with tags in brackets. Texts are CP932
// bytes; every search steps over whole characters, as a trail byte may be
// '[', ']', '`' or '|'.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sw::kag {

struct Attribute {
    std::string name;  // lower case
    std::string value; // unquoted and unescaped; "true" for a bare name
    std::string raw;   // as written, from the name to the end of the value
    bool quoted = false;
};

struct Tag {
    std::string name; // lower case
    std::vector<Attribute> attributes;
    std::size_t begin = 0, end = 0; // bytes of the line, brackets included
    // The attribute the engine reads under `name`: the last one given.
    const Attribute* Find(std::string_view name) const;
    // The tag written again: name and attributes as written, `drop` left out.
    std::string Written(std::string_view dropName = {}, std::string_view add = {}) const;
};

struct LineItem {
    bool isTag = false;
    std::string text; // text items: the shown text ("[[" read as "[")
    Tag tag;
    std::size_t begin = 0, end = 0;
};

enum class LineKind { Blank, Comment, Label, AtTag, Ordinary };

// The kind of a line without its end; leading tabs are ignored, as the
// engine ignores them.
LineKind KindOf(std::string_view line);
std::string_view WithoutLeadingTabs(std::string_view line);

// "*name|headline": the name and the headline; `hasBar` tells whether the
// label is a save point.
void SplitLabel(std::string_view line, std::string& name, std::string& headline, bool& hasBar);

// The tags and texts of an ordinary line. False with `error` (in the
// author's words) for an unclosed bracket or quote or a tag without name.
bool SplitLine(std::string_view line, std::vector<LineItem>& items, std::string& error);
// The tag of an "@" line.
bool ParseAtLine(std::string_view line, Tag& tag, std::string& error);

// True for a line that opens or closes a script block, alone on its line.
bool IsScriptStart(std::string_view line);
bool IsScriptEnd(std::string_view line);

} // namespace sw::kag
