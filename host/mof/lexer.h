// Splits MOF text into tokens, each with its line and column. Keywords are
// identifiers; the parser tells them apart without regard to case.
#pragma once

#include "ovx/host/mof/source_error.h"

#include <string>
#include <string_view>
#include <vector>

namespace ovx::host::mof::detail {

enum class TokenKind { Identifier, String, Char, Integer, Real, Punct, End };

struct Token {
    TokenKind kind = TokenKind::End;
    // Identifier and number: as written. String and char: the unescaped
    // text (UTF-8). Punct: the one character.
    std::string text;
    unsigned line = 0;
    unsigned column = 0;
    // Just past the token: where a missing ';' after it belongs.
    unsigned endLine = 0;
    unsigned endColumn = 0;

    bool isPunct(char punct) const noexcept {
        return kind == TokenKind::Punct && text.size() == 1 && text[0] == punct;
    }
    bool isKeyword(std::string_view word) const noexcept;
    // For messages: "'class'", "string \"abc\"", "end of file".
    std::string describe() const;
};

// Throws SourceError on an unterminated comment, string or char literal, a
// malformed number or escape, or a character MOF does not use.
std::vector<Token> tokenize(std::string_view text, const std::string& fileName);

}  // namespace ovx::host::mof::detail
