#pragma once

// One node of a parsed project file, as the object readers see it: a name and
// a text content, both CP932, and the child elements in document order.

#include <functional>
#include <string>

struct _xmlNode;

class CXmlNode {
public:
    // `rawBytes`: the document was parsed from CP932 bytes carried one byte
    // per character, so that every text comes back byte for byte.
    CXmlNode(const _xmlNode* node, bool rawBytes) : m_node(node), m_rawBytes(rawBytes) {}

    std::string Name() const;
    // The text of all descendants joined, with entities resolved.
    std::string Text() const;
    int Line() const;
    void ForEachChildElement(const std::function<void(const CXmlNode&)>& visit) const;

private:
    const _xmlNode* m_node;
    bool m_rawBytes;
};
