#include "format/XmlDocument.h"

#include "platform/Cp932.h"
#include "platform/TextOutput.h"

#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <algorithm>
#include <cctype>

namespace {

// The texts of a parsed document go back to CP932 one code point at a time:
// in raw-byte mode each code point below 0x100 is one original byte.
bool AppendCodePointAsCp932(std::uint32_t codePoint, std::string_view utf8Char, bool rawBytes,
                            std::string& out) {
    if (rawBytes && codePoint < 0x100) {
        out += static_cast<char>(codePoint);
        return true;
    }
    std::string converted;
    if (!sw::cp932::FromUtf8(utf8Char, converted))
        return false;
    out += converted;
    return true;
}

// Decodes UTF-8 from libxml2 into CP932. False when a character has no CP932
// form or the result is not valid CP932.
bool DecodeXmlText(const xmlChar* utf8, bool rawBytes, std::string& out) {
    out.clear();
    if (!utf8)
        return true;
    std::string_view text(reinterpret_cast<const char*>(utf8));
    out.reserve(text.size());
    bool ok = true;
    bool ascii = true;
    for (std::size_t pos = 0; pos < text.size();) {
        auto lead = static_cast<unsigned char>(text[pos]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++pos;
            continue;
        }
        ascii = false;
        std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        length = std::min(length, text.size() - pos);
        std::uint32_t codePoint = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t i = 1; i < length; ++i)
            codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
        if (!AppendCodePointAsCp932(codePoint, text.substr(pos, length), rawBytes, out)) {
            out += '?';
            ok = false;
        }
        pos += length;
    }
    return ok && (ascii || sw::cp932::IsValid(out));
}

std::string LowerAscii(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The encoding named by the XML declaration, lower-cased; "" without one.
std::string DeclaredEncoding(std::string_view bytes) {
    if (!bytes.starts_with("<?xml"))
        return std::string();
    std::string_view decl = bytes.substr(0, bytes.find("?>"));
    std::size_t at = decl.find("encoding");
    if (at == std::string_view::npos)
        return std::string();
    std::size_t quote = decl.find_first_of("\"'", at);
    if (quote == std::string_view::npos)
        return std::string();
    std::size_t end = decl.find(decl[quote], quote + 1);
    if (end == std::string_view::npos)
        return std::string();
    return LowerAscii(std::string(decl.substr(quote + 1, end - quote - 1)));
}

bool NamesShiftJis(const std::string& encoding) {
    static const char* const kNames[] = {"shift_jis",   "shift-jis", "sjis",
                                         "x-sjis",      "cp932",     "ms932",
                                         "windows-31j", "ms_kanji",  "csshiftjis"};
    return std::find(std::begin(kNames), std::end(kNames), encoding) != std::end(kNames);
}

// Each byte becomes the code point of the same value, so the parser sees
// well-formed UTF-8 and every text maps back to the original bytes.
std::string BytesAsUtf8(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size() + bytes.size() / 4);
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (b >> 6));
            utf8 += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return utf8;
}

// First line whose names or texts cannot be held as CP932; 0 when all can.
int FirstUndecodableLine(const xmlNode* node, bool rawBytes) {
    std::string scratch;
    for (; node; node = node->next) {
        bool fits = true;
        if (node->type == XML_ELEMENT_NODE)
            fits = DecodeXmlText(node->name, rawBytes, scratch);
        else if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
            fits = DecodeXmlText(node->content, rawBytes, scratch);
        if (!fits)
            return std::max(1, static_cast<int>(xmlGetLineNo(node)));
        if (node->type == XML_ELEMENT_NODE) {
            if (int line = FirstUndecodableLine(node->children, rawBytes))
                return line;
        }
    }
    return 0;
}

void CollectElements(const xmlNode* node, const char* name, bool rawBytes,
                     std::vector<CXmlNode>& found) {
    for (; node; node = node->next) {
        if (node->type != XML_ELEMENT_NODE)
            continue;
        if (xmlStrcmp(node->name, reinterpret_cast<const xmlChar*>(name)) == 0)
            found.emplace_back(node, rawBytes);
        CollectElements(node->children, name, rawBytes, found);
    }
}

const char kNoRootMessage[] = "ドキュメントが不正です(ルートが存在しない)。";

// The geta mark, for characters that are no CP932.
const char kReplacement[] = "\x81\xAC";

// How the parser is to take `bytes`; false, with `error` filled, for bytes
// that no parser is to see.
struct ParserInput {
    bool rawBytes = false;
    const char* encoding = nullptr;
    int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_HUGE |
                  XML_PARSE_BIG_LINES;
    // The bytes to parse: the input, or a copy with its bad characters replaced.
    std::string_view bytes;
    std::string replaced;
};

bool RefuseDocumentType(const ParserInput& input, CXmlDocument::Error& error);

bool PrepareInput(std::string_view bytes, ParserInput& input, CXmlDocument::Error& error) {
    error = CXmlDocument::Error{};
    input.bytes = bytes;
    input.rawBytes = NamesShiftJis(DeclaredEncoding(bytes));
    if (input.rawBytes) {
        std::size_t bad = 0;
        if (!sw::cp932::IsValid(bytes, &bad)) {
            // One bad byte must not cost the author the whole project.
            std::vector<std::size_t> offsets;
            input.replaced = sw::cp932::ReplaceInvalid(bytes, kReplacement, &offsets);
            input.bytes = input.replaced;
            std::size_t counted = 0;
            int line = 1;
            for (const std::size_t offset : offsets) {
                line += static_cast<int>(
                    std::count(bytes.begin() + static_cast<std::ptrdiff_t>(counted),
                               bytes.begin() + static_cast<std::ptrdiff_t>(offset), '\n'));
                counted = offset;
                if (error.replacedLines.empty() || error.replacedLines.back() != line)
                    error.replacedLines.push_back(line);
            }
        }
        input.encoding = "UTF-8";
        input.options |= XML_PARSE_IGNORE_ENC;
    }
    return !RefuseDocumentType(input, error);
}

void SetParseError(int line, CXmlDocument::Error& error) {
    error.line = line;
    error.message = kNoRootMessage;
    if (error.line > 0)
        error.message += sw::Format("(%d行目)", error.line);
}

std::string UndecodableMessage(int line) {
    return sw::Format("ドキュメントが不正です(%d行目に Shift_JIS で表せない文字があります)。",
                      line);
}

// Hands the parser the file a piece at a time, raw bytes carried as in
// BytesAsUtf8, so that no converted copy of the whole file is made.
struct StreamSource {
    std::string_view bytes;
    bool rawBytes = false;
    std::size_t pos = 0;
};

int ReadStreamSource(void* context, char* out, int length) {
    auto* source = static_cast<StreamSource*>(context);
    int filled = 0;
    while (filled + 1 < length && source->pos < source->bytes.size()) {
        const auto b = static_cast<unsigned char>(source->bytes[source->pos++]);
        if (b < 0x80 || !source->rawBytes) {
            out[filled++] = static_cast<char>(b);
        } else {
            out[filled++] = static_cast<char>(0xC0 | (b >> 6));
            out[filled++] = static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return filled;
}

int CloseStreamSource(void*) {
    return 0;
}

// What the first pass over the prolog saw.
struct PrologScan {
    bool documentType = false;
    int line = 0;
};

void OnDocumentType(void* context, const xmlChar*, const xmlChar*, const xmlChar*) {
    auto* parser = static_cast<xmlParserCtxtPtr>(context);
    auto* scan = static_cast<PrologScan*>(parser->_private);
    scan->documentType = true;
    scan->line = xmlSAX2GetLineNumber(context);
    xmlStopParser(parser);
}

void OnFirstElement(void* context, const xmlChar*, const xmlChar*, const xmlChar*, int,
                    const xmlChar**, int, int, const xmlChar**) {
    xmlStopParser(static_cast<xmlParserCtxtPtr>(context));
}

// True, with `error` filled, for a document with a document type
// declaration. Only the prolog is parsed, up to the root element, and the
// declaration is seen before anything in it is: its entities are never
// expanded.
bool RefuseDocumentType(const ParserInput& input, CXmlDocument::Error& error) {
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.internalSubset = OnDocumentType;
    handler.startElementNs = OnFirstElement;
    StreamSource source{input.bytes, input.rawBytes};
    xmlParserCtxtPtr parser =
        xmlCreateIOParserCtxt(&handler, nullptr, ReadStreamSource, CloseStreamSource, &source,
                              input.rawBytes ? XML_CHAR_ENCODING_UTF8 : XML_CHAR_ENCODING_NONE);
    if (!parser)
        return false;
    PrologScan scan;
    parser->_private = &scan;
    xmlCtxtUseOptions(parser, input.options);
    xmlParseDocument(parser);
    if (parser->myDoc)
        xmlFreeDoc(parser->myDoc);
    xmlFreeParserCtxt(parser);
    if (!scan.documentType)
        return false;
    error.line = std::max(1, scan.line);
    error.message = sw::Format("ドキュメントが不正です(%d行目に文書型宣言 DOCTYPE があります。"
                               "プロジェクトファイルには書けません)。",
                               error.line);
    return true;
}

// The line of `node` when its own name or text has no CP932 form, else 0.
int UndecodableLineOf(const xmlNode* node, bool rawBytes) {
    std::string scratch;
    bool fits = true;
    if (node->type == XML_ELEMENT_NODE)
        fits = DecodeXmlText(node->name, rawBytes, scratch);
    else if (node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE)
        fits = DecodeXmlText(node->content, rawBytes, scratch);
    return fits ? 0 : std::max(1, static_cast<int>(xmlGetLineNo(node)));
}

} // namespace

CXmlDocument::~CXmlDocument() {
    xmlFreeDoc(m_doc);
}

void CXmlDocument::InitializeParser() {
    static const bool initialized = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialized;
}

std::unique_ptr<CXmlDocument> CXmlDocument::Parse(std::string_view bytes, Error& error) {
    ParserInput input;
    if (!PrepareInput(bytes, input, error))
        return nullptr;
    const bool rawBytes = input.rawBytes;
    bytes = input.bytes;
    std::string buffer;
    if (rawBytes) {
        buffer = BytesAsUtf8(bytes);
        bytes = buffer;
    }
    const char* encoding = input.encoding;
    const int options = input.options;
    if (bytes.size() > static_cast<std::size_t>(INT32_MAX)) {
        error.message = kNoRootMessage;
        return nullptr;
    }

    xmlParserCtxtPtr context = xmlNewParserCtxt();
    if (!context) {
        error.message = kNoRootMessage;
        return nullptr;
    }
    xmlDocPtr doc = xmlCtxtReadMemory(context, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, encoding, options);
    if (!doc || !xmlDocGetRootElement(doc)) {
        const xmlError* last = xmlCtxtGetLastError(context);
        SetParseError(last ? last->line : 0, error);
        xmlFreeDoc(doc);
        xmlFreeParserCtxt(context);
        return nullptr;
    }
    xmlFreeParserCtxt(context);

    if (int line = FirstUndecodableLine(xmlDocGetRootElement(doc), rawBytes)) {
        error.line = line;
        error.message = UndecodableMessage(line);
        xmlFreeDoc(doc);
        return nullptr;
    }
    return std::unique_ptr<CXmlDocument>(new CXmlDocument(doc, rawBytes));
}

std::vector<CXmlNode> CXmlDocument::ElementsBelowRoot(const char* name) const {
    std::vector<CXmlNode> found;
    CollectElements(xmlDocGetRootElement(m_doc)->children, name, m_rawBytes, found);
    return found;
}

bool CXmlDocument::ForEachElementBelowRoot(std::string_view bytes, const char* name,
                                           const std::function<void(const CXmlNode&)>& visit,
                                           Error& error) {
    ParserInput input;
    if (!PrepareInput(bytes, input, error))
        return false;
    StreamSource source{input.bytes, input.rawBytes};
    xmlResetLastError();
    xmlTextReaderPtr reader = xmlReaderForIO(ReadStreamSource, CloseStreamSource, &source, nullptr,
                                             input.encoding, input.options);
    if (!reader) {
        error.message = kNoRootMessage;
        return false;
    }
    const auto* wanted = reinterpret_cast<const xmlChar*>(name);
    bool sawRoot = false;
    // The first undecodable text is reported only when the whole file parses,
    // as Parse gives a parse error precedence.
    int undecodableLine = 0;
    int read = xmlTextReaderRead(reader);
    while (read == 1) {
        const xmlNode* node = xmlTextReaderCurrentNode(reader);
        const int depth = xmlTextReaderDepth(reader);
        const bool opening = xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT;
        sawRoot |= opening && depth == 0;
        if (node && !undecodableLine &&
            xmlTextReaderNodeType(reader) != XML_READER_TYPE_END_ELEMENT)
            undecodableLine = UndecodableLineOf(node, input.rawBytes);
        if (!opening || depth == 0 || xmlStrcmp(node->name, wanted) != 0) {
            read = xmlTextReaderRead(reader);
            continue;
        }
        const xmlNode* element = xmlTextReaderExpand(reader);
        if (!element) {
            read = -1;
            break;
        }
        if (!undecodableLine)
            undecodableLine = FirstUndecodableLine(element->children, input.rawBytes);
        if (!undecodableLine) {
            visit(CXmlNode(element, input.rawBytes));
            std::vector<CXmlNode> nested;
            CollectElements(element->children, name, input.rawBytes, nested);
            for (const CXmlNode& inner : nested)
                visit(inner);
        }
        read = xmlTextReaderNext(reader);
    }
    xmlFreeTextReader(reader);
    if (read != 0 || !sawRoot) {
        const xmlError* last = xmlGetLastError();
        SetParseError(read != 0 && last ? last->line : 0, error);
        return false;
    }
    if (undecodableLine) {
        error.line = undecodableLine;
        error.message = UndecodableMessage(undecodableLine);
        return false;
    }
    return true;
}

std::string CXmlNode::Name() const {
    std::string name;
    DecodeXmlText(m_node->name, m_rawBytes, name);
    return name;
}

std::string CXmlNode::Text() const {
    std::string text;
    // A value element holds one text node, or none; no need to join copies.
    const xmlNode* only = m_node->children;
    if (!only || (only->type == XML_TEXT_NODE && !only->next)) {
        DecodeXmlText(only ? only->content : nullptr, m_rawBytes, text);
        return text;
    }
    xmlChar* content = xmlNodeGetContent(m_node);
    DecodeXmlText(content, m_rawBytes, text);
    xmlFree(content);
    return text;
}

int CXmlNode::Line() const {
    return static_cast<int>(xmlGetLineNo(m_node));
}

void CXmlNode::ForEachChildElement(const std::function<void(const CXmlNode&)>& visit) const {
    for (const xmlNode* child = m_node->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE)
            visit(CXmlNode(child, m_rawBytes));
    }
}
