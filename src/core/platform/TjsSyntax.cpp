#include "platform/TjsSyntax.h"

#include "platform/Cp932.h"
#include "platform/TextOutput.h"

#include <deque>

namespace {

enum class TokenKind {
    End,
    Word, // a name or a reserved word
    Constant,
    Operator,
    Broken, // text the engine cannot read as a token; `message` says why
    GiveUp, // text beyond what the check follows
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::string_view text; // as written
    std::string_view op;   // operators: the operator, "=>" read as the ',' it stands for
    std::size_t offset = 0;
    int line = 1;
    int column = 1;
    std::string message; // Broken only
};

// Longest first, so that the first match is the engine's.
constexpr std::string_view kOperators[] = {
    ">>>=", ">>>", ">>=", "<<=", "<->", "===", "!==", "&&=", "||=", "...", ">>", ">=",
    "<=",   "<<",  "==",  "=>",  "!=",  "&&",  "&=",  "||",  "|=",  "++",  "+=", "-=",
    "--",   "*=",  "/=",  "\\=", "%=",  "^=",  ">",   "<",   "=",   "!",   "&",  "|",
    ".",    "+",   "-",   "*",   "/",   "\\",  "%",   "^",   "[",   "]",   "(",  ")",
    "~",    "?",   ":",   ",",   ";",   "{",   "}",   "#",   "$",
};

constexpr std::string_view kReservedWords[] = {
    "break",       "continue",   "const",      "catch",        "class",     "case",     "debugger",
    "default",     "delete",     "do",         "extends",      "export",    "enum",     "else",
    "function",    "finally",    "false",      "for",          "global",    "getter",   "goto",
    "incontextof", "invalidate", "instanceof", "isvalid",      "import",    "int",      "in",
    "if",          "null",       "new",        "octet",        "protected", "property", "private",
    "public",      "return",     "real",       "synchronized", "switch",    "static",   "setter",
    "string",      "super",      "typeof",     "throw",        "this",      "true",     "try",
    "void",        "var",        "while",      "NaN",          "Infinity",  "with",
};

bool IsReserved(std::string_view word) {
    for (std::string_view reserved : kReservedWords) {
        if (word == reserved)
            return true;
    }
    return false;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsOctalDigit(char c) {
    return c >= '0' && c <= '7';
}
bool IsBinaryDigit(char c) {
    return c == '0' || c == '1';
}
// Every character beyond ASCII counts as a letter, as the engine has it.
bool IsWordStart(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x80 || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsWordPart(char c) {
    return IsWordStart(c) || IsDigit(c);
}

class CLexer {
public:
    CLexer(std::string_view text, bool script) : m_text(text) {
        // A script may begin like a shell script; the engine reads that line as a comment.
        if (script && text.substr(0, 2) == "#!")
            SkipLine();
    }

    const Token& Peek(std::size_t ahead = 0) {
        while (m_ahead.size() <= ahead)
            m_ahead.push_back(Scan());
        return m_ahead[ahead];
    }

    Token Take() {
        Peek();
        Token token = std::move(m_ahead.front());
        m_ahead.pop_front();
        return token;
    }

    // Reads `slash`, the "/" or "/=" that stands first in the tokens ahead,
    // and what follows it as a regular expression, which only the parser
    // can tell from a division.
    Token TakeRegExp(const Token& slash) {
        m_ahead.clear();
        m_pos = slash.offset;
        m_line = slash.line;
        m_column = slash.column;
        Token token = Start();
        Step();
        bool escaped = false;
        for (;;) {
            if (AtEnd())
                return Broken(token, "正規表現の / が閉じていません。最後に / を書いてください。");
            const char c = At(0);
            if (c == '/' && !escaped)
                break;
            escaped = c == '\\' && !escaped;
            Step();
        }
        Step();
        while (At(0) >= 'a' && At(0) <= 'z')
            Step();
        return Finish(token, TokenKind::Constant);
    }

private:
    bool AtEnd() const { return m_pos >= m_text.size(); }
    char At(std::size_t ahead) const {
        return m_pos + ahead < m_text.size() ? m_text[m_pos + ahead] : '\0';
    }

    // One character: a CP932 double-byte character is one column, CR LF
    // one line end.
    void Step() {
        if (AtEnd())
            return;
        const char c = m_text[m_pos];
        if (c == '\r' && At(1) == '\n') {
            ++m_pos;
            return;
        }
        if (c == '\r' || c == '\n') {
            ++m_pos;
            ++m_line;
            m_column = 1;
            return;
        }
        m_pos += sw::cp932::CharLength(m_text, m_pos);
        ++m_column;
    }

    void SkipLine() {
        while (!AtEnd() && At(0) != '\n' && At(0) != '\r')
            Step();
    }

    Token Start() const {
        Token token;
        token.offset = m_pos;
        token.line = m_line;
        token.column = m_column;
        return token;
    }

    Token Finish(Token token, TokenKind kind) const {
        token.kind = kind;
        token.text = m_text.substr(token.offset, m_pos - token.offset);
        return token;
    }

    static Token Broken(Token token, std::string message) {
        token.kind = TokenKind::Broken;
        token.message = std::move(message);
        return token;
    }

    void SkipSpaces() {
        while (!AtEnd() && IsSpace(At(0)))
            Step();
    }

    // Blanks and comments; false with `broken` set for a comment left open.
    bool SkipBlanks(Token& broken) {
        for (;;) {
            SkipSpaces();
            if (At(0) == '/' && At(1) == '/') {
                SkipLine();
                continue;
            }
            if (At(0) != '/' || At(1) != '*')
                return true;
            // Block comments nest.
            const Token start = Start();
            Step();
            Step();
            int level = 0;
            for (;;) {
                if (AtEnd()) {
                    broken = Broken(start, "コメントの /* が閉じていません。*/ を書いてください。");
                    return false;
                }
                if (At(0) == '/' && At(1) == '*')
                    ++level;
                if (At(0) == '*' && At(1) == '/') {
                    if (level == 0) {
                        Step();
                        Step();
                        break;
                    }
                    --level;
                }
                Step();
            }
        }
    }

    Token Scan() {
        Token broken;
        if (!SkipBlanks(broken))
            return broken;
        Token token = Start();
        if (AtEnd())
            return token;
        const char c = At(0);
        if (IsDigit(c) || (c == '.' && IsDigit(At(1))))
            return ScanNumber(token);
        if (c == '"' || c == '\'')
            return ScanString(token);
        if (c == '@')
            return ScanAt(token);
        if (c == '<' && At(1) == '%')
            return ScanOctets(token);
        for (std::string_view op : kOperators) {
            if (m_text.compare(m_pos, op.size(), op) != 0)
                continue;
            for (std::size_t i = 0; i < op.size(); ++i)
                Step();
            token = Finish(token, TokenKind::Operator);
            token.op = op == "=>" ? std::string_view(",") : op;
            return token;
        }
        if (IsWordStart(c)) {
            while (!AtEnd() && IsWordPart(At(0)))
                Step();
            return Finish(token, TokenKind::Word);
        }
        Step();
        const std::string shown(m_text.substr(token.offset, m_pos - token.offset));
        return Broken(
            token,
            sw::Format("「%s」は TJS では使えない文字です。消すか、文字列の中に書いてください。",
                       IsSpace(c) || static_cast<unsigned char>(c) < 0x20
                           ? sw::Format("\\x%02X", static_cast<unsigned char>(c)).c_str()
                           : shown.c_str()));
    }

    // Digits, at most one point and one exponent, which may be signed and
    // stand apart from its mark; false when nothing was taken.
    template <typename IsValidDigit> bool TakeNumber(IsValidDigit valid, char exponentMark) {
        bool point = false, exponent = false, taken = false;
        for (;;) {
            const char c = At(0);
            if (valid(c)) {
                Step();
            } else if (c == '.' && !point && !exponent) {
                point = true;
                Step();
            } else if ((c == exponentMark || c == exponentMark - 'a' + 'A') && !exponent) {
                exponent = true;
                Step();
                SkipSpaces();
                if (At(0) == '+' || At(0) == '-') {
                    Step();
                    SkipSpaces();
                }
            } else {
                return taken;
            }
            taken = true;
        }
    }

    Token ScanNumber(Token token) {
        bool read = true;
        const char mark = At(1);
        if (At(0) == '0' && (mark == 'x' || mark == 'X')) {
            Step();
            Step();
            read = TakeNumber(IsHexDigit, 'p');
        } else if (At(0) == '0' && (mark == 'b' || mark == 'B')) {
            Step();
            Step();
            read = TakeNumber(IsBinaryDigit, 'p');
        } else if (At(0) == '0' && (mark == 'p' || mark == 'P')) {
            Step();
            Step();
            read = false;
        } else if (At(0) == '0' && mark != '.' && mark != 'e' && mark != 'E') {
            TakeNumber(IsOctalDigit, 'p');
        } else {
            TakeNumber(IsDigit, 'e');
        }
        if (!read) {
            const std::string written(m_text.substr(token.offset, m_pos - token.offset));
            return Broken(token,
                          sw::Format("数値 %s の書き方が正しくありません。", written.c_str()));
        }
        return Finish(token, TokenKind::Constant);
    }

    // From an opening quote past its closing one; a backslash escapes the
    // next character. False at the end of the text.
    bool SkipQuoted(char quote) {
        Step();
        for (;;) {
            if (AtEnd())
                return false;
            const char c = At(0);
            Step();
            if (c == '\\') {
                if (AtEnd())
                    return false;
                Step();
            } else if (c == quote) {
                return true;
            }
        }
    }

    static std::string UnclosedQuote(char quote) {
        return sw::Format("文字列の %c が閉じていません。文字列の最後に %c を書いてください。",
                          quote, quote);
    }

    // Literals of the same quote with only blanks between them are one.
    bool JoinsNextLiteral(char quote) {
        const std::size_t pos = m_pos;
        const int line = m_line, column = m_column;
        SkipSpaces();
        if (At(0) == quote)
            return true;
        m_pos = pos;
        m_line = line;
        m_column = column;
        return false;
    }

    Token ScanString(Token token) {
        const char quote = At(0);
        do {
            if (!SkipQuoted(quote))
                return Broken(token, UnclosedQuote(quote));
        } while (JoinsNextLiteral(quote));
        return Finish(token, TokenKind::Constant);
    }

    Token ScanAt(Token token) {
        const std::size_t pos = m_pos;
        const int line = m_line, column = m_column;
        Step();
        SkipSpaces();
        if (At(0) == '"' || At(0) == '\'')
            return ScanEmbeddable(token);
        m_pos = pos;
        m_line = line;
        m_column = column;
        // The preprocessor compiles one branch of an @if and not the other;
        // which one depends on values the check does not have.
        for (std::string_view directive : {"@set", "@if", "@endif"}) {
            if (m_text.compare(m_pos, directive.size(), directive) == 0) {
                token.kind = TokenKind::GiveUp;
                return token;
            }
        }
        Step();
        return Broken(token,
                      "「@」は TJS では使えない文字です。消すか、文字列の中に書いてください。");
    }

    // @"text &expression; text ${expression} text": the expressions are
    // passed over, not checked.
    Token ScanEmbeddable(Token token) {
        const char quote = At(0);
        do {
            Step();
            for (;;) {
                if (AtEnd())
                    return Broken(token, UnclosedQuote(quote));
                const char c = At(0);
                if (c == quote)
                    break;
                if (c == '\\') {
                    Step();
                    Step();
                } else if (c == '&') {
                    Step();
                    if (!SkipEmbedded(';'))
                        return Broken(token, UnclosedQuote(quote));
                } else if (c == '$' && At(1) == '{') {
                    Step();
                    Step();
                    if (!SkipEmbedded('}'))
                        return Broken(token, UnclosedQuote(quote));
                } else {
                    Step();
                }
            }
            Step();
        } while (JoinsNextLiteral(quote));
        return Finish(token, TokenKind::Constant);
    }

    bool SkipEmbedded(char end) {
        int depth = 0;
        while (!AtEnd()) {
            const char c = At(0);
            if (c == '"' || c == '\'') {
                if (!SkipQuoted(c))
                    return false;
                continue;
            }
            if (depth == 0 && c == end) {
                Step();
                return true;
            }
            if (c == '(' || c == '[' || c == '{')
                ++depth;
            else if ((c == ')' || c == ']' || c == '}') && depth > 0)
                --depth;
            Step();
        }
        return false;
    }

    Token ScanOctets(Token token) {
        Step();
        Step();
        while (!(At(0) == '%' && At(1) == '>')) {
            if (AtEnd())
                return Broken(token, "<% が閉じていません。最後に %> を書いてください。");
            Step();
        }
        Step();
        Step();
        return Finish(token, TokenKind::Constant);
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
    int m_line = 1;
    int m_column = 1;
    std::deque<Token> m_ahead;
};

// Recursive descent over the engine's grammar. Every step returns false
// once the outcome is settled: a fault found, or the text given up on.
class CParser {
public:
    CParser(CLexer& lexer, std::size_t shownLength, bool expression)
        : m_lexer(lexer), m_shownLength(shownLength), m_expression(expression) {}

    bool Program() {
        while (Peek().kind != TokenKind::End) {
            if (!Statement())
                return false;
        }
        return true;
    }

    // Set after Program returned false; empty when the text was given up on.
    const std::optional<TjsSyntaxFault>& Fault() const { return m_fault; }

private:
    // Deeper than this the check stops following, lest the stack run out.
    static constexpr int kMaxDepth = 200;

    class CDepth {
    public:
        explicit CDepth(CParser& parser) : m_parser(parser) { ++m_parser.m_depth; }
        ~CDepth() { --m_parser.m_depth; }
        bool Exceeded() const { return m_parser.m_depth > kMaxDepth; }

    private:
        CParser& m_parser;
    };

    const Token& Peek(std::size_t ahead = 0) { return m_lexer.Peek(ahead); }
    Token Take() { return m_lexer.Take(); }
    bool IsOp(std::string_view op, std::size_t ahead = 0) {
        const Token& token = Peek(ahead);
        return token.kind == TokenKind::Operator && token.op == op;
    }
    bool IsWord(std::string_view word, std::size_t ahead = 0) {
        const Token& token = Peek(ahead);
        return token.kind == TokenKind::Word && token.text == word;
    }
    bool IsName(std::size_t ahead = 0) {
        const Token& token = Peek(ahead);
        return token.kind == TokenKind::Word && !IsReserved(token.text);
    }
    bool AtEnd(const Token& token) const {
        return token.kind == TokenKind::End || token.offset >= m_shownLength;
    }

    // The token a message quotes, shortened when long.
    static std::string Shown(const Token& token) {
        constexpr int kLongest = 16;
        std::string shown;
        int characters = 0;
        for (std::size_t pos = 0; pos < token.text.size();) {
            if (characters++ == kLongest)
                return shown + "…";
            const std::size_t length = sw::cp932::CharLength(token.text, pos);
            shown.append(token.text.substr(pos, length));
            pos += length;
        }
        return shown;
    }

    // Settles the outcome at the token ahead; a token the lexer could not
    // read, or gave up on, speaks for itself.
    bool Fail(const std::string& message, const std::string& atEndMessage) {
        const Token& token = Peek();
        if (token.kind == TokenKind::GiveUp)
            return false;
        TjsSyntaxFault fault;
        fault.line = token.line;
        fault.column = token.column;
        fault.atEnd = AtEnd(token) && token.kind != TokenKind::Broken;
        fault.message = token.kind == TokenKind::Broken ? token.message
                        : fault.atEnd                   ? atEndMessage
                                                        : message;
        m_fault = std::move(fault);
        return false;
    }

    bool Unexpected() {
        return Fail(sw::Format("ここに「%s」は書けません。", Shown(Peek()).c_str()),
                    "途中で終わっています。続きを書いてください。");
    }

    bool ValueMissing() {
        return Fail(
            sw::Format("「%s」の前に値が必要です。値を書くか、余分な演算子を消してください。",
                       Shown(Peek()).c_str()),
            "値が必要な所で終わっています。演算子の後に値を書くか、余分な演算子を消して"
            "ください。");
    }

    bool Expect(std::string_view op) {
        if (IsOp(op)) {
            Take();
            return true;
        }
        const std::string wanted(op);
        return Fail(sw::Format("「%s」が必要な所に「%s」があります。", wanted.c_str(),
                               Shown(Peek()).c_str()),
                    sw::Format("「%s」が必要な所で終わっています。", wanted.c_str()));
    }

    bool ExpectWord(std::string_view word) {
        if (IsWord(word)) {
            Take();
            return true;
        }
        return Expect(word);
    }

    bool ExpectClosing(std::string_view open, std::string_view close) {
        if (IsOp(close)) {
            Take();
            return true;
        }
        const std::string opening(open), closing(close);
        return Fail(
            sw::Format("「%s」を閉じる「%s」が必要な所に「%s」があります。括弧の対応を直して"
                       "ください。",
                       opening.c_str(), closing.c_str(), Shown(Peek()).c_str()),
            sw::Format("「%s」を閉じる「%s」がありません。「%s」を書いてください。",
                       opening.c_str(), closing.c_str(), closing.c_str()));
    }

    bool ExpectName() {
        if (IsName()) {
            Take();
            return true;
        }
        return Fail(sw::Format("名前が必要な所に「%s」があります。", Shown(Peek()).c_str()),
                    "名前が必要な所で終わっています。");
    }

    bool ExpectSemicolon() {
        if (IsOp(";")) {
            Take();
            return true;
        }
        for (const auto& [open, close] : {std::pair{"(", ")"}, {"[", "]"}, {"{", "}"}}) {
            if (IsOp(close))
                return Fail(sw::Format("「%s」に対応する「%s」がありません。余分な「%s」を消すか、"
                                       "「%s」を書き足してください。",
                                       close, open, close, open),
                            "");
        }
        return Fail(sw::Format("「%s」の前に「;」か演算子が必要です。", Shown(Peek()).c_str()),
                    m_expression ? "式の最後の // のコメントが、式の終わりまで隠してしまいます。"
                                   "// のコメントを消すか /* */ で囲んでください。"
                                 : "最後の文の後に「;」が必要です。");
    }

    bool Statement() {
        const CDepth depth(*this);
        if (depth.Exceeded())
            return false;
        const Token& token = Peek();
        if (token.kind == TokenKind::Broken || token.kind == TokenKind::GiveUp ||
            token.kind == TokenKind::End)
            return Fail("", "文が必要な所で終わっています。続きを書いてください。");
        if (IsOp(";")) {
            Take();
            return true;
        }
        if (IsOp("{"))
            return Block();
        if (token.kind == TokenKind::Word) {
            const std::string_view word = token.text;
            if (word == "if")
                return If();
            if (word == "while") {
                Take();
                return Condition() && Statement();
            }
            if (word == "do") {
                Take();
                return Statement() && ExpectWord("while") && Condition() && ExpectSemicolon();
            }
            if (word == "for")
                return For();
            if (word == "break" || word == "continue" || word == "debugger") {
                Take();
                return ExpectSemicolon();
            }
            if (word == "var" || word == "const") {
                Take();
                return Variables() && ExpectSemicolon();
            }
            if (word == "function" && IsName(1)) {
                Take();
                Take();
                return Function();
            }
            if (word == "property")
                return Property();
            if (word == "class")
                return Class();
            if (word == "return") {
                Take();
                return (IsOp(";") || Expression()) && ExpectSemicolon();
            }
            if (word == "switch") {
                Take();
                return Condition() && Block();
            }
            if (word == "with") {
                Take();
                return Condition() && Statement();
            }
            if (word == "case") {
                Take();
                return Expression() && Expect(":");
            }
            if (word == "default") {
                Take();
                return Expect(":");
            }
            if (word == "try")
                return Try();
            if (word == "throw") {
                Take();
                return Expression() && ExpectSemicolon();
            }
        }
        return Expression() && ExpectSemicolon();
    }

    bool Block() {
        if (!Expect("{"))
            return false;
        while (!IsOp("}")) {
            if (Peek().kind == TokenKind::End)
                return ExpectClosing("{", "}");
            if (!Statement())
                return false;
        }
        Take();
        return true;
    }

    // "(" expression ")", as after if, while, switch and with.
    bool Condition() { return Expect("(") && Expression() && ExpectClosing("(", ")"); }

    bool If() {
        Take();
        if (!Condition() || !Statement())
            return false;
        if (!IsWord("else"))
            return true;
        Take();
        return Statement();
    }

    bool For() {
        Take();
        if (!Expect("("))
            return false;
        if (IsWord("var") || IsWord("const")) {
            Take();
            if (!Variables())
                return false;
        } else if (!IsOp(";") && !Expression()) {
            return false;
        }
        if (!Expect(";") || (!IsOp(";") && !Expression()) || !Expect(";"))
            return false;
        if (!IsOp(")") && !Expression())
            return false;
        return ExpectClosing("(", ")") && Statement();
    }

    // ": type", which newer engines accept and ignore.
    bool OptionalType() {
        if (!IsOp(":"))
            return true;
        Take();
        if (Peek().kind != TokenKind::Word)
            return ExpectName();
        Take();
        return true;
    }

    bool Variables() {
        for (;;) {
            if (!ExpectName() || !OptionalType())
                return false;
            if (IsOp("=")) {
                Take();
                if (!Assignment())
                    return false;
            }
            if (!IsOp(","))
                return true;
            Take();
        }
    }

    // After "function" and its name, if any: the parameters and the body.
    bool Function() {
        if (IsOp("(")) {
            Take();
            while (!IsOp(")")) {
                if (IsOp("*")) {
                    Take();
                } else {
                    if (!ExpectName() || !OptionalType())
                        return false;
                    if (IsOp("*")) {
                        Take();
                    } else if (IsOp("=")) {
                        Take();
                        if (!Assignment())
                            return false;
                    }
                }
                if (IsOp(","))
                    Take();
                else if (!IsOp(")"))
                    return ExpectClosing("(", ")");
            }
            Take();
        }
        return OptionalType() && Block();
    }

    bool Property() {
        Take();
        if (!ExpectName() || !Expect("{"))
            return false;
        int handlers = 0;
        for (; !IsOp("}"); ++handlers) {
            if (IsWord("getter")) {
                Take();
                if (IsOp("(")) {
                    Take();
                    if (!ExpectClosing("(", ")"))
                        return false;
                }
                if (!OptionalType() || !Block())
                    return false;
            } else if (IsWord("setter")) {
                Take();
                if (!Expect("(") || !ExpectName() || !OptionalType() || !ExpectClosing("(", ")") ||
                    !Block())
                    return false;
            } else {
                return Fail(sw::Format("property の中には getter か setter を書いてください"
                                       "（「%s」は書けません）。",
                                       Shown(Peek()).c_str()),
                            "property の「{」を閉じる「}」がありません。");
            }
        }
        if (handlers == 0)
            return Fail("property の中には getter か setter を書いてください。", "");
        Take();
        return true;
    }

    bool Class() {
        Take();
        if (!ExpectName())
            return false;
        if (IsWord("extends")) {
            do {
                Take();
                if (!Assignment())
                    return false;
            } while (IsOp(","));
        }
        return Block();
    }

    bool Try() {
        Take();
        if (!Statement() || !ExpectWord("catch"))
            return false;
        if (IsOp("(")) {
            Take();
            if (IsName())
                Take();
            if (!ExpectClosing("(", ")"))
                return false;
        }
        return Statement();
    }

    // A whole expression: commas, then an "if" that makes it conditional.
    bool Expression() {
        if (!Assignment())
            return false;
        while (IsOp(",")) {
            Take();
            if (!Assignment())
                return false;
        }
        if (!IsWord("if"))
            return true;
        Take();
        return Expression();
    }

    bool Assignment() {
        if (!Conditional())
            return false;
        for (std::string_view op : {"=", "<->", "&=", "|=", "^=", "-=", "+=", "%=", "/=", "\\=",
                                    "*=", "||=", "&&=", ">>=", "<<=", ">>>="}) {
            if (IsOp(op)) {
                Take();
                return Assignment();
            }
        }
        return true;
    }

    bool Conditional() {
        if (!Binary(0))
            return false;
        if (!IsOp("?"))
            return true;
        Take();
        return Conditional() && Expect(":") && Conditional();
    }

    // Binary operators, loosest first.
    bool Binary(std::size_t level) {
        static constexpr std::string_view kLevels[][4] = {
            {"||"},
            {"&&"},
            {"|"},
            {"^"},
            {"&"},
            {"!=", "==", "!==", "==="},
            {"<", ">", "<=", ">="},
            {">>", "<<", ">>>"},
            {"+", "-"},
            {"%", "/", "\\", "*"},
        };
        if (level == std::size(kLevels))
            return Unary();
        if (!Binary(level + 1))
            return false;
        for (;;) {
            bool found = false;
            for (std::string_view op : kLevels[level])
                found = found || (!op.empty() && IsOp(op));
            if (!found)
                return true;
            Take();
            if (!Binary(level + 1))
                return false;
        }
    }

    bool Unary() {
        const CDepth depth(*this);
        if (depth.Exceeded())
            return false;
        for (std::string_view op : {"!", "~", "--", "++", "#", "$", "+", "-", "&", "*"}) {
            if (IsOp(op)) {
                Take();
                return Unary();
            }
        }
        for (std::string_view word :
             {"invalidate", "isvalid", "delete", "typeof", "int", "real", "string"}) {
            if (IsWord(word)) {
                Take();
                return Unary();
            }
        }
        if (IsOp("(") && (IsWord("int", 1) || IsWord("real", 1) || IsWord("string", 1)) &&
            IsOp(")", 2)) {
            Take();
            Take();
            Take();
            return Unary();
        }
        if (IsWord("new")) {
            Take();
            bool call = false;
            if (!Postfix(call))
                return false;
            if (!call)
                return Fail(
                    sw::Format("new の後のクラスには ( ) で引数を付けてください（「%s」の前）。",
                               Shown(Peek()).c_str()),
                    "new の後のクラスには ( ) で引数を付けてください。");
            return true;
        }
        if (!InContextOf())
            return false;
        if (IsWord("isvalid")) {
            Take();
        } else if (IsWord("instanceof")) {
            Take();
            return Unary();
        }
        return true;
    }

    bool InContextOf() {
        bool call = false;
        if (!Postfix(call))
            return false;
        if (!IsWord("incontextof"))
            return true;
        Take();
        return InContextOf();
    }

    // A value and what follows it: members, indexes, calls, ++, -- and the
    // ! that evaluates a string. `call` tells whether the last was a call.
    bool Postfix(bool& call) {
        if (!Primary())
            return false;
        call = false;
        for (;;) {
            if (IsOp("[")) {
                Take();
                if (!Expression() || !ExpectClosing("[", "]"))
                    return false;
                call = false;
            } else if (IsOp("(")) {
                Take();
                if (!Arguments())
                    return false;
                call = true;
            } else if (IsOp(".")) {
                Take();
                if (!Member())
                    return false;
                call = false;
            } else if (IsOp("++") || IsOp("--") || IsOp("!")) {
                Take();
                call = false;
            } else {
                return true;
            }
        }
    }

    // After ".": any word, reserved ones too.
    bool Member() {
        if (Peek().kind == TokenKind::Word) {
            Take();
            return true;
        }
        return Fail(
            sw::Format("「.」の後に名前が必要な所に「%s」があります。", Shown(Peek()).c_str()),
            "「.」の後に名前が必要な所で終わっています。");
    }

    bool Arguments() {
        if (IsOp("...")) {
            Take();
            return ExpectClosing("(", ")");
        }
        for (;;) {
            // An argument may be left out, or be a lone '*' that passes the
            // caller's arguments on.
            if (IsOp("*") && (IsOp(")", 1) || IsOp(",", 1)))
                Take();
            else if (!IsOp(",") && !IsOp(")") && !Assignment())
                return false;
            if (IsOp(",")) {
                Take();
                continue;
            }
            return ExpectClosing("(", ")");
        }
    }

    bool Primary() {
        const Token& token = Peek();
        if (token.kind == TokenKind::Constant) {
            Take();
            return true;
        }
        if (token.kind == TokenKind::Word) {
            if (!IsReserved(token.text)) {
                Take();
                return true;
            }
            for (std::string_view word :
                 {"this", "super", "global", "void", "true", "false", "null", "NaN", "Infinity"}) {
                if (token.text == word) {
                    Take();
                    return true;
                }
            }
            if (token.text == "function") {
                Take();
                return Function();
            }
            return Fail(sw::Format("値が必要な所に「%s」は書けません。", Shown(token).c_str()), "");
        }
        if (IsOp("(") && IsWord("const", 1) && IsOp(")", 2)) {
            Take();
            Take();
            Take();
            if (IsOp("["))
                return Array();
            if (IsOp("%") && IsOp("[", 1))
                return Dictionary();
            return Fail(sw::Format("(const) の後には [ ] か %%[ ] が必要な所に「%s」があります。",
                                   Shown(Peek()).c_str()),
                        "(const) の後には [ ] か %[ ] が必要です。");
        }
        if (IsOp("(")) {
            Take();
            return Expression() && ExpectClosing("(", ")");
        }
        if (IsOp("["))
            return Array();
        if (IsOp("%") && IsOp("[", 1))
            return Dictionary();
        if (IsOp(".")) {
            Take();
            return Member();
        }
        if (IsOp("/") || IsOp("/=")) {
            const Token slash = Peek();
            const Token regexp = m_lexer.TakeRegExp(slash);
            if (regexp.kind != TokenKind::Broken)
                return true;
            m_fault = TjsSyntaxFault{regexp.line, regexp.column, false, regexp.message};
            return false;
        }
        for (const char* close : {")", "]", "}"}) {
            if (IsOp(close))
                return Fail(
                    sw::Format("「%s」の前に値が必要です。値を書くか、余分な「%s」を消してくだ"
                               "さい。",
                               close, close),
                    "");
        }
        return ValueMissing();
    }

    bool Array() {
        Take();
        for (;;) {
            if (IsOp(",")) {
                Take();
                continue;
            }
            if (IsOp("]")) {
                Take();
                return true;
            }
            if (!Assignment())
                return false;
            if (!IsOp(","))
                return ExpectClosing("[", "]");
        }
    }

    bool Dictionary() {
        Take();
        Take();
        if (IsOp(",") && IsOp("]", 1))
            Take();
        for (;;) {
            if (IsOp("]")) {
                Take();
                return true;
            }
            if (IsName() && IsOp(":", 1)) {
                Take();
                Take();
            } else if (!Assignment() || !Expect(",")) {
                return false;
            }
            if (!Assignment())
                return false;
            if (IsOp(","))
                Take();
            else if (!IsOp("]"))
                return ExpectClosing("%[", "]");
        }
    }

    CLexer& m_lexer;
    std::size_t m_shownLength;
    bool m_expression;
    int m_depth = 0;
    std::optional<TjsSyntaxFault> m_fault;
};

std::optional<TjsSyntaxFault> Check(std::string_view text, std::size_t shownLength,
                                    bool expression) {
    CLexer lexer(text, !expression);
    CParser parser(lexer, shownLength, expression);
    if (parser.Program())
        return std::nullopt;
    return parser.Fault();
}

} // namespace

std::optional<TjsSyntaxFault> CheckTjsScript(std::string_view text) {
    return Check(text, text.size(), false);
}

std::optional<TjsSyntaxFault> CheckTjsExpression(std::string_view text) {
    const std::string compiled = std::string(text) + ";";
    return Check(compiled, text.size(), true);
}
