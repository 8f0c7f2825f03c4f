#pragma once

#include "format/XmlDocument.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

// Parses `body` inside a Shift_JIS document and hands out its first element
// named `name`.
class ParsedElement {
public:
    ParsedElement(const std::string& body, const char* name) {
        CXmlDocument::Error error;
        m_doc =
            CXmlDocument::Parse("<?xml version=\"1.0\" encoding=\"Shift_JIS\" ?>\n<SwStrage>\n" +
                                    body + "</SwStrage>\n",
                                error);
        EXPECT_TRUE(m_doc) << error.message;
        if (m_doc) {
            auto found = m_doc->ElementsBelowRoot(name);
            EXPECT_FALSE(found.empty());
            if (!found.empty())
                m_node = std::make_unique<CXmlNode>(found.front());
        }
    }
    const CXmlNode& Node() const { return *m_node; }
    bool Ok() const { return m_node != nullptr; }

private:
    std::unique_ptr<CXmlDocument> m_doc;
    std::unique_ptr<CXmlNode> m_node;
};
