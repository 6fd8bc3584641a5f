#include "ovx/host/cim_error.h"
#include "ovx/host/names.h"
#include "ovx/host/object_path.h"

#include <charconv>
#include <optional>

namespace ovx::host {

namespace {

bool isSpace(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameChar(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

bool isNamespaceChar(char c) noexcept {
    return isNameChar(c) || c == '/' || c == '.' || c == '-';
}

class PathParser {
  public:
    explicit PathParser(std::string_view text) : text_(text) {}

    ObjectPath parse() {
        ObjectPath path;
        skipSpaces();
        if (lookingAt("//")) {
            position_ += 2;
            path.setHost(readHost());
        }
        if (const auto colon = namespaceEnd()) {
            path.setNameSpace(readNamespace(*colon));
        }
        path.setClassName(readName("a class name"));
        if (!atEnd() && text_[position_] == '.') {
            ++position_;
            readKeys(path);
        }
        skipSpaces();
        if (!atEnd()) {
            fail("unexpected character '" + std::string(1, text_[position_]) + "'");
        }
        return path;
    }

  private:
    [[noreturn]] void fail(const std::string& reason) const {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                       "malformed object path \"" + std::string(text_) + "\": " + reason +
                           " at position " + std::to_string(position_));
    }

    bool atEnd() const noexcept { return position_ >= text_.size(); }

    bool lookingAt(std::string_view prefix) const noexcept {
        return text_.substr(position_, prefix.size()) == prefix;
    }

    void skipSpaces() noexcept {
        while (!atEnd() && isSpace(text_[position_])) {
            ++position_;
        }
    }

    std::string readHost() {
        const std::size_t start = position_;
        const std::size_t slash = text_.find('/', start);
        if (slash == std::string_view::npos || slash == start) {
            fail("expected a host name followed by '/'");
        }
        position_ = slash + 1;
        return std::string(text_.substr(start, slash - start));
    }

    // A ':' before any '=' or '"' ends a namespace.
    std::optional<std::size_t> namespaceEnd() const {
        const std::size_t stop = text_.find_first_of(":=\"", position_);
        if (stop == std::string_view::npos || text_[stop] != ':') {
            return std::nullopt;
        }
        return stop;
    }

    std::string readNamespace(std::size_t colon) {
        if (colon == position_) {
            fail("expected a namespace before ':'");
        }
        const std::size_t start = position_;
        for (; position_ < colon; ++position_) {
            if (!isNamespaceChar(text_[position_])) {
                fail("unexpected character '" + std::string(1, text_[position_]) +
                     "' in the namespace");
            }
        }
        position_ = colon + 1;
        return std::string(text_.substr(start, colon - start));
    }

    std::string readName(const char* what) {
        const std::size_t start = position_;
        while (!atEnd() && isNameChar(text_[position_])) {
            ++position_;
        }
        const std::string_view name = text_.substr(start, position_ - start);
        if (!isCimIdentifier(name)) {
            position_ = start;
            fail(std::string("expected ") + what);
        }
        return std::string(name);
    }

    void readKeys(ObjectPath& path) {
        while (true) {
            skipSpaces();
            const std::size_t nameStart = position_;
            const std::string name = readName("a key name");
            if (path.findKey(name) != nullptr) {
                position_ = nameStart;
                fail("duplicate key " + name);
            }
            skipSpaces();
            if (atEnd() || text_[position_] != '=') {
                fail("expected '=' after key " + name);
            }
            ++position_;
            skipSpaces();
            path.setKey(name, readValue());
            skipSpaces();
            if (atEnd() || text_[position_] != ',') {
                return;
            }
            ++position_;
        }
    }

    Value readValue() {
        if (atEnd()) {
            fail("expected a key value");
        }
        if (text_[position_] == '"') {
            return quotedValue(readQuoted());
        }
        return readBare();
    }

    std::string readQuoted() {
        ++position_;  // opening quote
        std::string value;
        while (!atEnd()) {
            const char c = text_[position_];
            if (c == '"') {
                ++position_;
                return value;
            }
            if (c == '\\') {
                ++position_;
                if (atEnd() || (text_[position_] != '"' && text_[position_] != '\\')) {
                    fail("expected '\"' or '\\' after '\\'");
                }
            }
            value += text_[position_];
            ++position_;
        }
        fail("missing closing '\"'");
    }

    // Quoted text that reads as an instance path is a reference.
    static Value quotedValue(std::string text) {
        if (text.find('=') != std::string::npos) {
            try {
                ObjectPath nested = PathParser(text).parse();
                if (!nested.keys().empty()) {
                    return Value::reference(std::move(nested));
                }
            } catch (const CimError&) {
                // plain text after all
            }
        }
        return Value::string(std::move(text));
    }

    Value readBare() {
        const std::size_t start = position_;
        while (!atEnd() && text_[position_] != ',' && !isSpace(text_[position_])) {
            ++position_;
        }
        const std::string_view token = text_.substr(start, position_ - start);
        if (namesEqual(token, "TRUE") || namesEqual(token, "FALSE")) {
            return Value::boolean(namesEqual(token, "TRUE"));
        }
        if (namesEqual(token, "NULL")) {
            return Value::null(CMPI_string);
        }
        if (auto number = numberFrom(token)) {
            return *std::move(number);
        }
        position_ = start;
        fail(token.empty() ? "expected a key value"
                           : "expected a quoted string, a number, TRUE or FALSE");
    }

    static std::optional<Value> numberFrom(std::string_view token) {
        const char* first = token.data();
        const char* last = token.data() + token.size();
        if (first != last && *first == '+') {
            ++first;
        }
        if (first == last) {
            return std::nullopt;
        }
        std::int64_t signedValue = 0;
        auto result = std::from_chars(first, last, signedValue);
        if (result.ec == std::errc() && result.ptr == last) {
            return Value::sint64(signedValue);
        }
        std::uint64_t unsignedValue = 0;
        result = std::from_chars(first, last, unsignedValue);
        if (result.ec == std::errc() && result.ptr == last) {
            return Value::uint64(unsignedValue);
        }
        double real = 0;
        result = std::from_chars(first, last, real);
        if (result.ec == std::errc() && result.ptr == last) {
            return Value::real64(real);
        }
        return std::nullopt;
    }

    std::string_view text_;
    std::size_t position_ = 0;
};

}  // namespace

ObjectPath ObjectPath::parse(std::string_view text) {
    return PathParser(text).parse();
}

}  // namespace ovx::host
