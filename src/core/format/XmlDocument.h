#pragma once

// A parsed project file. Files that declare Shift_JIS are decoded as CP932
// (NEC and IBM extensions, 0x5C a backslash), whatever the parser's own table
// for that name would do. A document type declaration is refused: our files
// never have one, and its entities could expand without bound. Texts of any
// length are read, since a save writes them.

#include "format/XmlNode.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct _xmlDoc;

class CXmlDocument {
public:
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    struct Error {
        // CP932 text for the user, ready to put in a message.
        std::string message;
        int line = 0;
        // Lines of a Shift_JIS file where a character that is not CP932 was
        // replaced by 〓; the file was read all the same.
        std::vector<int> replacedLines;
    };

    // Null on failure, with `error` filled.
    static std::unique_ptr<CXmlDocument> Parse(std::string_view bytes, Error& error);
    // Sets up the parser's shared state once; called before any thread but
    // the first parses (every document does it when made).
    static void InitializeParser();

    // Every element named `name` below the document element, at any depth,
    // in document order.
    std::vector<CXmlNode> ElementsBelowRoot(const char* name) const;

    // What Parse and ElementsBelowRoot give, one element at a time as soon as
    // it is read, so that a large file is never held whole as a tree. False
    // with `error` filled as Parse fills it; the elements already visited
    // then came from a file that is to be refused.
    static bool ForEachElementBelowRoot(std::string_view bytes, const char* name,
                                        const std::function<void(const CXmlNode&)>& visit,
                                        Error& error);

private:
    CXmlDocument(_xmlDoc* doc, bool rawBytes) : m_doc(doc), m_rawBytes(rawBytes) {}
    _xmlDoc* m_doc;
    bool m_rawBytes;
};
