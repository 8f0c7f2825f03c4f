#include "platform/KagTokenizer.h"

#include "platform/Cp932.h"

namespace sw::kag {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Parses a tag body from `pos` to `]` (or the line end when `bracketed` is
// false); `pos` ends after the closing bracket.
bool ParseTag(std::string_view line, std::size_t& pos, bool bracketed, Tag& tag,
              std::string& error) {
    auto atEnd = [&] { return pos >= line.size() || (bracketed && line[pos] == ']'); };
    auto skipBlanks = [&] {
        while (pos < line.size() && IsBlank(line[pos]))
            ++pos;
    };
    skipBlanks();
    const std::size_t nameBegin = pos;
    while (!atEnd() && !IsBlank(line[pos]))
        pos += cp932::CharLength(line, pos);
    tag.name = cp932::ToLowerAscii(line.substr(nameBegin, pos - nameBegin));
    if (tag.name.empty()) {
        error = "タグ名がありません。";
        return false;
    }
    for (;;) {
        skipBlanks();
        if (atEnd())
            break;
        Attribute attribute;
        const std::size_t attributeBegin = pos;
        while (!atEnd() && !IsBlank(line[pos]) && line[pos] != '=')
            pos += cp932::CharLength(line, pos);
        attribute.name = cp932::ToLowerAscii(line.substr(attributeBegin, pos - attributeBegin));
        std::size_t afterName = pos;
        skipBlanks();
        if (pos < line.size() && line[pos] == '=') {
            ++pos;
            skipBlanks();
            if (atEnd()) {
                error = "属性 " + attribute.name + " の値がありません。";
                return false;
            }
            const char quote = line[pos];
            if (quote == '"' || quote == '\'') {
                attribute.quoted = true;
                ++pos;
                while (pos < line.size() && line[pos] != quote) {
                    if (line[pos] == '`' && pos + 1 < line.size())
                        ++pos;
                    const std::size_t length = cp932::CharLength(line, pos);
                    attribute.value.append(line.substr(pos, length));
                    pos += length;
                }
                if (pos >= line.size()) {
                    error = "属性 " + attribute.name + " の引用符が閉じていません。";
                    return false;
                }
                ++pos;
            } else {
                while (!atEnd() && !IsBlank(line[pos])) {
                    if (line[pos] == '`' && pos + 1 < line.size())
                        ++pos;
                    const std::size_t length = cp932::CharLength(line, pos);
                    attribute.value.append(line.substr(pos, length));
                    pos += length;
                }
            }
            afterName = pos;
        } else {
            pos = afterName;
            attribute.value = "true";
        }
        attribute.raw = std::string(line.substr(attributeBegin, afterName - attributeBegin));
        if (attribute.name.empty()) {
            error = "属性名がありません。";
            return false;
        }
        tag.attributes.push_back(std::move(attribute));
    }
    if (bracketed) {
        if (pos >= line.size()) {
            error = "タグの [ が閉じていません。";
            return false;
        }
        ++pos;
    }
    return true;
}

} // namespace

const Attribute* Tag::Find(std::string_view wanted) const {
    // A name given twice: the engine takes the later value.
    for (auto it = attributes.rbegin(); it != attributes.rend(); ++it) {
        if (it->name == wanted)
            return &*it;
    }
    return nullptr;
}

std::string Tag::Written(std::string_view dropName, std::string_view add) const {
    std::string written = "[" + name;
    for (const Attribute& attribute : attributes) {
        if (attribute.name != dropName)
            written += " " + attribute.raw;
    }
    if (!add.empty())
        written += " " + std::string(add);
    return written + "]";
}

std::string_view WithoutLeadingTabs(std::string_view line) {
    std::size_t pos = 0;
    while (pos < line.size() && line[pos] == '\t')
        ++pos;
    return line.substr(pos);
}

LineKind KindOf(std::string_view line) {
    const std::string_view rest = WithoutLeadingTabs(line);
    if (rest.empty())
        return LineKind::Blank;
    switch (rest[0]) {
    case ';':
        return LineKind::Comment;
    case '*':
        return LineKind::Label;
    case '@':
        return LineKind::AtTag;
    }
    return LineKind::Ordinary;
}

void SplitLabel(std::string_view line, std::string& name, std::string& headline, bool& hasBar) {
    const std::string_view rest = WithoutLeadingTabs(line).substr(1);
    const std::size_t bar = cp932::Find(rest, "|");
    hasBar = bar != std::string_view::npos;
    name = std::string(rest.substr(0, bar));
    headline = hasBar ? std::string(rest.substr(bar + 1)) : std::string();
}

bool SplitLine(std::string_view line, std::vector<LineItem>& items, std::string& error) {
    items.clear();
    std::size_t pos = line.size() - WithoutLeadingTabs(line).size();
    LineItem text;
    auto flushText = [&](std::size_t end) {
        if (text.text.empty())
            return;
        text.end = end;
        items.push_back(std::move(text));
        text = LineItem();
    };
    while (pos < line.size()) {
        if (line[pos] == '[' && pos + 1 < line.size() && line[pos + 1] == '[') {
            if (text.text.empty())
                text.begin = pos;
            text.text += '[';
            pos += 2;
            continue;
        }
        if (line[pos] == '[') {
            flushText(pos);
            LineItem item;
            item.isTag = true;
            item.begin = pos;
            ++pos;
            if (!ParseTag(line, pos, true, item.tag, error))
                return false;
            item.end = pos;
            item.tag.begin = item.begin;
            item.tag.end = pos;
            items.push_back(std::move(item));
            continue;
        }
        if (text.text.empty())
            text.begin = pos;
        const std::size_t length = cp932::CharLength(line, pos);
        text.text.append(line.substr(pos, length));
        pos += length;
    }
    flushText(pos);
    return true;
}

bool ParseAtLine(std::string_view line, Tag& tag, std::string& error) {
    const std::string_view rest = WithoutLeadingTabs(line);
    std::size_t pos = line.size() - rest.size() + 1;
    tag.begin = pos - 1;
    if (!ParseTag(line, pos, false, tag, error))
        return false;
    tag.end = line.size();
    return true;
}

bool IsScriptStart(std::string_view line) {
    const std::string_view rest = WithoutLeadingTabs(line);
    return rest == "[iscript]" || rest == "@iscript";
}

bool IsScriptEnd(std::string_view line) {
    const std::string_view rest = WithoutLeadingTabs(line);
    return rest == "[endscript]" || rest == "@endscript";
}

} // namespace sw::kag
