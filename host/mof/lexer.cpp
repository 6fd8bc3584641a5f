#include "lexer.h"

#include "ovx/host/names.h"

#include <cctype>
#include <cstdint>
#include <utility>

namespace ovx::host::mof::detail {

bool Token::isKeyword(std::string_view word) const noexcept {
    return kind == TokenKind::Identifier && namesEqual(text, word);
}

std::string Token::describe() const {
    switch (kind) {
        case TokenKind::Identifier:
            return "'" + text + "'";
        case TokenKind::String:
            return "string \"" + text + "\"";
        case TokenKind::Char:
            return "character literal";
        case TokenKind::Integer:
        case TokenKind::Real:
            return "number " + text;
        case TokenKind::Punct:
            return "'" + text + "'";
        case TokenKind::End:
            break;
    }
    return "end of file";
}

namespace {

bool isIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool isIdentifierChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

Token makeToken(TokenKind kind, std::string text, unsigned line, unsigned column) {
    Token token;
    token.kind = kind;
    token.text = std::move(text);
    token.line = line;
    token.column = column;
    return token;
}

void appendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

class Scanner {
  public:
    Scanner(std::string_view text, const std::string& fileName) : text_(text), file_(fileName) {}

    std::vector<Token> run() {
        std::vector<Token> tokens;
        for (;;) {
            skipBlanksAndComments();
            if (atEnd()) {
                Token end = makeToken(TokenKind::End, "", line_, column_);
                end.endLine = line_;
                end.endColumn = column_;
                tokens.push_back(std::move(end));
                return tokens;
            }
            Token token = scanToken();
            token.endLine = line_;
            token.endColumn = column_;
            tokens.push_back(std::move(token));
        }
    }

  private:
    bool atEnd() const { return pos_ >= text_.size(); }
    char peek(std::size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }

    char advance() {
        const char c = text_[pos_++];
        if (c == '\n') {
            ++line_;
            column_ = 1;
        } else {
            ++column_;
        }
        return c;
    }

    [[noreturn]] void fail(unsigned line, unsigned column, const std::string& message) const {
        throw SourceError(SourceLocation{file_, line, column}, message);
    }

    void skipBlanksAndComments() {
        while (!atEnd()) {
            const char c = peek();
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v') {
                advance();
            } else if (c == '/' && peek(1) == '/') {
                while (!atEnd() && peek() != '\n') {
                    advance();
                }
            } else if (c == '/' && peek(1) == '*') {
                const unsigned line = line_;
                const unsigned column = column_;
                advance();
                advance();
                while (!(peek() == '*' && peek(1) == '/')) {
                    if (atEnd()) {
                        fail(line, column, "unterminated comment");
                    }
                    advance();
                }
                advance();
                advance();
            } else {
                return;
            }
        }
    }

    Token scanToken() {
        const unsigned line = line_;
        const unsigned column = column_;
        const char c = peek();
        if (isIdentifierStart(c)) {
            std::string word;
            while (!atEnd() && isIdentifierChar(peek())) {
                word += advance();
            }
            return makeToken(TokenKind::Identifier, std::move(word), line, column);
        }
        if (isDigit(c) || ((c == '+' || c == '-' || c == '.') && startsNumberAfterSign())) {
            return scanNumber(line, column);
        }
        if (c == '"') {
            return makeToken(TokenKind::String, scanQuoted('"', line, column), line, column);
        }
        if (c == '\'') {
            std::string value = scanQuoted('\'', line, column);
            if (value.empty()) {
                fail(line, column, "empty character literal");
            }
            const auto lead = static_cast<unsigned char>(value[0]);
            const std::size_t expected = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            if (value.size() != expected) {
                fail(line, column, "a character literal holds exactly one character");
            }
            return makeToken(TokenKind::Char, std::move(value), line, column);
        }
        static constexpr std::string_view kPunctuation = "{}()[];,:=#";
        if (kPunctuation.find(c) != std::string_view::npos) {
            advance();
            return makeToken(TokenKind::Punct, std::string(1, c), line, column);
        }
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) {
            fail(line, column,
                 "unexpected character (code " + std::to_string(static_cast<unsigned char>(c)) +
                     ")");
        }
        fail(line, column, std::string("unexpected character '") + c + "'");
    }

    bool startsNumberAfterSign() const {
        if (peek() == '.') {
            return isDigit(peek(1));
        }
        return isDigit(peek(1)) || (peek(1) == '.' && isDigit(peek(2)));
    }

    Token scanNumber(unsigned line, unsigned column) {
        std::string text;
        if (peek() == '+' || peek() == '-') {
            text += advance();
        }
        bool real = false;
        if (peek() == '0' && (peek(1) == 'x' || peek(1) == 'X')) {
            text += advance();
            text += advance();
            if (!std::isxdigit(static_cast<unsigned char>(peek()))) {
                fail(line, column, "hexadecimal number without digits");
            }
            while (std::isxdigit(static_cast<unsigned char>(peek()))) {
                text += advance();
            }
        } else {
            while (isDigit(peek())) {
                text += advance();
            }
            if (peek() == '.' && isDigit(peek(1))) {
                real = true;
                text += advance();
                while (isDigit(peek())) {
                    text += advance();
                }
            }
            if ((peek() == 'e' || peek() == 'E') &&
                (isDigit(peek(1)) || ((peek(1) == '+' || peek(1) == '-') && isDigit(peek(2))))) {
                real = true;
                text += advance();
                if (peek() == '+' || peek() == '-') {
                    text += advance();
                }
                while (isDigit(peek())) {
                    text += advance();
                }
            } else if (!real && (peek() == 'b' || peek() == 'B') && !isIdentifierChar(peek(1))) {
                text += advance();
            }
        }
        if (isIdentifierChar(peek()) || peek() == '.') {
            fail(line, column, "malformed number '" + text + peek() + "...'");
        }
        return makeToken(real ? TokenKind::Real : TokenKind::Integer, std::move(text), line,
                         column);
    }

    std::string scanQuoted(char quote, unsigned line, unsigned column) {
        const char* what = quote == '"' ? "unterminated string" : "unterminated character literal";
        advance();
        std::string value;
        for (;;) {
            if (atEnd() || peek() == '\n') {
                fail(line, column, what);
            }
            const char c = advance();
            if (c == quote) {
                return value;
            }
            if (c == '\\') {
                scanEscape(value);
            } else {
                value += c;
            }
        }
    }

    void scanEscape(std::string& value) {
        const unsigned line = line_;
        const unsigned column = column_ - 1;
        if (atEnd()) {
            fail(line, column, "unterminated escape sequence");
        }
        const char c = advance();
        switch (c) {
            case 'b':
                value += '\b';
                return;
            case 't':
                value += '\t';
                return;
            case 'n':
                value += '\n';
                return;
            case 'f':
                value += '\f';
                return;
            case 'r':
                value += '\r';
                return;
            case '"':
            case '\'':
            case '\\':
                value += c;
                return;
            case 'x':
            case 'X': {
                std::uint32_t codePoint = 0;
                int digits = 0;
                while (digits < 4 && std::isxdigit(static_cast<unsigned char>(peek()))) {
                    const char digit = advance();
                    codePoint =
                        codePoint * 16 +
                        static_cast<std::uint32_t>(
                            isDigit(digit)
                                ? digit - '0'
                                : std::tolower(static_cast<unsigned char>(digit)) - 'a' + 10);
                    ++digits;
                }
                if (digits == 0) {
                    fail(line, column, "\\x escape without hexadecimal digits");
                }
                if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
                    fail(line, column, "\\x escape names a UTF-16 surrogate");
                }
                appendUtf8(value, codePoint);
                return;
            }
            default:
                fail(line, column, std::string("unknown escape sequence '\\") + c + "'");
        }
    }

    std::string_view text_;
    const std::string& file_;
    std::size_t pos_ = 0;
    unsigned line_ = 1;
    unsigned column_ = 1;
};

}  // namespace

std::vector<Token> tokenize(std::string_view text, const std::string& fileName) {
    return Scanner(text, fileName).run();
}

}  // namespace ovx::host::mof::detail
