#include "ovx/host/mof/mof_reader.h"

#include "class_builder.h"
#include "lexer.h"
#include "raw_declarations.h"
#include "source_text.h"

#include "ovx/host/names.h"

#include <algorithm>
#include <utility>

namespace ovx::host::mof {

namespace fs = std::filesystem;
using detail::Initializer;
using detail::isNamespaceName;
using detail::Literal;
using detail::RawClass;
using detail::RawMethod;
using detail::RawParameter;
using detail::RawProperty;
using detail::RawQualifier;
using detail::RawType;
using detail::readSourceFile;
using detail::Token;
using detail::TokenKind;

namespace {

[[noreturn]] void fail(const SourceLocation& where, const std::string& message) {
    throw SourceError(where, message);
}

// Holds what one read has seen so far: classes not yet handed to the
// target set, the current namespace and the chain of open include files.
class ReadSession {
  public:
    ReadSession(const ClassSet& existing, const MofReadOptions& options)
        : existing_(existing), options_(options), nameSpace_(options.defaultNamespace) {
        if (!isNamespaceName(nameSpace_)) {
            throw std::invalid_argument("invalid default namespace \"" + nameSpace_ + "\"");
        }
    }

    void readFile(const fs::path& file, const fs::path& displayName,
                  const SourceLocation* includedFrom);
    void readText(std::string_view text, const std::string& displayName,
                  const fs::path& includeBase);
    void include(const std::string& name, const SourceLocation& where, const fs::path& includeBase);

    const std::string& nameSpace() const noexcept { return nameSpace_; }
    void setNameSpace(std::string nameSpace) { nameSpace_ = std::move(nameSpace); }

    void addClass(const RawClass& raw) {
        const detail::ClassLookup lookup = [this, &raw](std::string_view name) {
            return find(raw.nameSpace, name);
        };
        staged_.add(detail::buildClass(raw, lookup));
    }

    void commitTo(ClassSet& target) const {
        for (const MofClass* decl : staged_.classes()) {
            target.add(*decl);
        }
    }

  private:
    const MofClass* find(std::string_view nameSpace, std::string_view name) const {
        if (const MofClass* staged = staged_.find(nameSpace, name)) {
            return staged;
        }
        return existing_.find(nameSpace, name);
    }

    const ClassSet& existing_;
    const MofReadOptions& options_;
    ClassSet staged_;
    std::string nameSpace_;
    std::vector<fs::path> openFiles_;  // canonical, outermost first
};

class FileParser {
  public:
    FileParser(ReadSession& session, std::vector<Token> tokens, std::string fileName,
               fs::path includeBase)
        : session_(session),
          tokens_(std::move(tokens)),
          file_(std::move(fileName)),
          includeBase_(std::move(includeBase)) {}

    void run() {
        while (peek().kind != TokenKind::End) {
            parseProduction();
        }
    }

  private:
    const Token& peek(std::size_t ahead = 0) const {
        const std::size_t index = std::min(position_ + ahead, tokens_.size() - 1);
        return tokens_[index];
    }

    const Token& take() {
        const Token& token = tokens_[position_];
        if (position_ + 1 < tokens_.size()) {
            ++position_;
        }
        return token;
    }

    SourceLocation at(const Token& token) const {
        return SourceLocation{file_, token.line, token.column};
    }

    SourceLocation after(const Token& token) const {
        return SourceLocation{file_, token.endLine, token.endColumn};
    }

    [[noreturn]] void failAt(const Token& token, const std::string& message) const {
        fail(at(token), message + ", found " + token.describe());
    }

    bool acceptPunct(char punct) {
        if (peek().isPunct(punct)) {
            take();
            return true;
        }
        return false;
    }

    void expectPunct(char punct, const std::string& context) {
        if (!acceptPunct(punct)) {
            failAt(peek(), std::string("expected '") + punct + "' " + context);
        }
    }

    // A ';' that ends a declaration: a missing one is reported right after
    // the last token of the declaration, where it belongs.
    void expectTerminator(const std::string& declaration) {
        if (!acceptPunct(';')) {
            const Token& previous = tokens_[position_ == 0 ? 0 : position_ - 1];
            fail(after(previous),
                 "expected ';' after " + declaration + ", found " + peek().describe());
        }
    }

    const Token& expectIdentifier(const std::string& what) {
        if (peek().kind != TokenKind::Identifier) {
            failAt(peek(), "expected " + what);
        }
        return take();
    }

    void parseProduction() {
        if (peek().isPunct('#')) {
            parsePragma();
            return;
        }
        std::vector<RawQualifier> qualifiers;
        if (peek().isPunct('[')) {
            qualifiers = parseQualifierList();
        }
        const Token& keyword = peek();
        if (keyword.isKeyword("class")) {
            parseClass(std::move(qualifiers));
        } else if (keyword.isKeyword("qualifier") && qualifiers.empty()) {
            skipQualifierDeclaration();
        } else if (keyword.isKeyword("instance")) {
            fail(at(keyword), "instance declarations are not supported; only classes are read");
        } else {
            failAt(keyword, qualifiers.empty()
                                ? "expected a class declaration, a qualifier declaration or #pragma"
                                : "expected 'class' after the qualifier list");
        }
    }

    void parsePragma() {
        const Token& hash = take();
        const Token& pragma = peek();
        if (!pragma.isKeyword("pragma") || pragma.line != hash.line) {
            failAt(pragma, "expected 'pragma' after '#'");
        }
        take();
        const Token& name = expectIdentifier("a pragma name");
        expectPunct('(', "after #pragma " + name.text);
        const Token& parameterToken = peek();
        if (parameterToken.kind != TokenKind::String) {
            failAt(parameterToken, "expected a string parameter for #pragma " + name.text);
        }
        const std::string parameter = parseStrings();
        expectPunct(')', "after the parameter of #pragma " + name.text);
        if (name.isKeyword("include")) {
            session_.include(parameter, at(parameterToken), includeBase_);
        } else if (name.isKeyword("namespace")) {
            if (!isNamespaceName(parameter)) {
                fail(at(parameterToken),
                     "invalid namespace \"" + parameter + "\": expected names separated by '/'");
            }
            session_.setNameSpace(parameter);
        } else if (!name.isKeyword("locale") && !name.isKeyword("instancelocale") &&
                   !name.isKeyword("nonlocal") && !name.isKeyword("nonlocaltype") &&
                   !name.isKeyword("source") && !name.isKeyword("sourcetype")) {
            fail(at(name),
                 "unknown pragma " + name.text + "; expected include, namespace or locale");
        }
    }

    // Qualifier types and scopes are fixed by the CIM standard; a qualifier
    // declaration adds nothing the host uses.
    void skipQualifierDeclaration() {
        const Token& start = take();
        int depth = 0;
        for (;;) {
            const Token& token = peek();
            if (token.kind == TokenKind::End) {
                fail(at(start), "qualifier declaration is not closed by ';'");
            }
            take();
            if (token.isPunct('(') || token.isPunct('{') || token.isPunct('[')) {
                ++depth;
            } else if (token.isPunct(')') || token.isPunct('}') || token.isPunct(']')) {
                --depth;
            } else if (token.isPunct(';') && depth <= 0) {
                return;
            }
        }
    }

    std::vector<RawQualifier> parseQualifierList() {
        take();  // '['
        std::vector<RawQualifier> qualifiers;
        for (;;) {
            qualifiers.push_back(parseQualifier());
            if (acceptPunct(']')) {
                return qualifiers;
            }
            expectPunct(',', "or ']' in qualifier list");
        }
    }

    RawQualifier parseQualifier() {
        RawQualifier qualifier;
        const Token& name = expectIdentifier("a qualifier name");
        qualifier.name = name.text;
        qualifier.where = at(name);
        if (peek().isPunct('(')) {
            const Token& open = take();
            Initializer value;
            value.where = at(peek());
            value.elements.push_back(parseConstant());
            qualifier.value = std::move(value);
            if (!acceptPunct(')')) {
                failAt(peek(), "expected ')' to close the value of qualifier " + qualifier.name +
                                   " opened at " + at(open).toString());
            }
        } else if (peek().isPunct('{')) {
            qualifier.value = parseArrayInitializer();
        }
        if (acceptPunct(':')) {
            parseFlavors(qualifier);
        }
        return qualifier;
    }

    void parseFlavors(RawQualifier& qualifier) {
        static constexpr std::string_view kFlavors[] = {"EnableOverride", "DisableOverride",
                                                        "Restricted",     "ToSubclass",
                                                        "Translatable",   "ToInstance"};
        bool any = false;
        while (peek().kind == TokenKind::Identifier) {
            const Token& flavor = peek();
            const bool known =
                std::any_of(std::begin(kFlavors), std::end(kFlavors),
                            [&flavor](std::string_view f) { return flavor.isKeyword(f); });
            if (!known) {
                break;
            }
            qualifier.restricted = qualifier.restricted || flavor.isKeyword("Restricted");
            qualifier.toSubclass = qualifier.toSubclass || flavor.isKeyword("ToSubclass");
            take();
            any = true;
        }
        if (!any) {
            failAt(peek(),
                   "expected a flavor (EnableOverride, DisableOverride, Restricted, "
                   "ToSubclass, Translatable) after ':'");
        }
    }

    std::string parseStrings() {
        std::string text;
        while (peek().kind == TokenKind::String) {
            text += take().text;
        }
        return text;
    }

    Literal parseConstant() {
        const Token& token = peek();
        Literal literal;
        literal.where = at(token);
        switch (token.kind) {
            case TokenKind::Integer:
                literal.kind = Literal::Kind::Integer;
                literal.text = take().text;
                return literal;
            case TokenKind::Real:
                literal.kind = Literal::Kind::Real;
                literal.text = take().text;
                return literal;
            case TokenKind::String:
                literal.kind = Literal::Kind::String;
                literal.text = parseStrings();
                return literal;
            case TokenKind::Char:
                literal.kind = Literal::Kind::Char;
                literal.text = take().text;
                return literal;
            case TokenKind::Identifier:
                if (token.isKeyword("true") || token.isKeyword("false")) {
                    literal.kind = Literal::Kind::Boolean;
                    literal.text = token.isKeyword("true") ? "true" : "false";
                    take();
                    return literal;
                }
                if (token.isKeyword("null")) {
                    literal.kind = Literal::Kind::Null;
                    take();
                    return literal;
                }
                break;
            default:
                break;
        }
        failAt(token, "expected a value (number, string, character, true, false or null)");
    }

    Initializer parseArrayInitializer() {
        Initializer initializer;
        initializer.isArray = true;
        const Token& open = take();  // '{'
        initializer.where = at(open);
        if (acceptPunct('}')) {
            return initializer;
        }
        for (;;) {
            initializer.elements.push_back(parseConstant());
            if (acceptPunct('}')) {
                return initializer;
            }
            if (!acceptPunct(',')) {
                failAt(peek(),
                       "expected ',' or '}' in the value list opened at " + at(open).toString());
            }
        }
    }

    Initializer parseInitializer() {
        if (peek().isPunct('{')) {
            return parseArrayInitializer();
        }
        Initializer initializer;
        initializer.where = at(peek());
        initializer.elements.push_back(parseConstant());
        return initializer;
    }

    void parseArraySuffix(RawType& type) {
        if (!acceptPunct('[')) {
            return;
        }
        type.array = true;
        if (peek().kind == TokenKind::Integer) {
            const Token& size = take();
            const bool decimal = !size.text.empty() &&
                                 size.text.find_first_not_of("0123456789") == std::string::npos;
            if (!decimal || size.text[0] == '0' || size.text.size() > 9) {
                fail(at(size), "array size must be a positive decimal number below 10^9");
            }
            type.arraySize = static_cast<std::uint32_t>(std::stoul(size.text));
        }
        expectPunct(']', "to close the array brackets");
    }

    void parseClass(std::vector<RawQualifier> qualifiers) {
        take();  // 'class'
        RawClass raw;
        raw.qualifiers = std::move(qualifiers);
        const Token& name = expectIdentifier("a class name after 'class'");
        raw.name = name.text;
        raw.where = at(name);
        raw.nameSpace = session_.nameSpace();
        if (acceptPunct(':')) {
            const Token& superclass = expectIdentifier("a superclass name after ':'");
            raw.superclass = superclass.text;
            raw.superclassWhere = at(superclass);
        }
        expectPunct('{', "to open the body of class " + raw.name);
        while (!acceptPunct('}')) {
            if (peek().kind == TokenKind::End) {
                failAt(peek(), "expected '}' to close class " + raw.name);
            }
            parseFeature(raw);
        }
        expectTerminator("the body of class " + raw.name);
        session_.addClass(raw);
    }

    RawType parseTypeStart(const std::string& what) {
        const Token& typeToken = expectIdentifier(what);
        RawType type;
        type.name = typeToken.text;
        type.where = at(typeToken);
        if (peek().isKeyword("ref")) {
            take();
            type.reference = true;
        }
        return type;
    }

    void parseFeature(RawClass& raw) {
        std::vector<RawQualifier> qualifiers;
        if (peek().isPunct('[')) {
            qualifiers = parseQualifierList();
        }
        RawType type = parseTypeStart("a property, reference or method declaration");
        const Token& name = expectIdentifier(type.reference ? "a reference name after REF"
                                                            : "a name after type " + type.name);
        if (peek().isPunct('(')) {
            RawMethod method;
            method.qualifiers = std::move(qualifiers);
            method.returnType = std::move(type);
            method.name = name.text;
            method.where = at(name);
            parseParameters(method);
            expectTerminator("method declaration");
            raw.methods.push_back(std::move(method));
            return;
        }
        RawProperty property;
        property.qualifiers = std::move(qualifiers);
        property.name = name.text;
        property.where = at(name);
        parseArraySuffix(type);
        property.type = std::move(type);
        if (acceptPunct('=')) {
            property.defaultValue = parseInitializer();
        }
        expectTerminator(property.type.reference ? "reference declaration"
                                                 : "property declaration");
        raw.properties.push_back(std::move(property));
    }

    void parseParameters(RawMethod& method) {
        const Token& open = take();  // '('
        if (acceptPunct(')')) {
            return;
        }
        for (;;) {
            RawParameter parameter;
            if (peek().isPunct('[')) {
                parameter.qualifiers = parseQualifierList();
            }
            parameter.type = parseTypeStart("a parameter type");
            const Token& name = expectIdentifier("a parameter name");
            parameter.name = name.text;
            parameter.where = at(name);
            parseArraySuffix(parameter.type);
            if (peek().isPunct('=')) {
                failAt(peek(), "parameters cannot have default values; expected ',' or ')'");
            }
            method.parameters.push_back(std::move(parameter));
            if (acceptPunct(')')) {
                return;
            }
            if (!acceptPunct(',')) {
                failAt(peek(), "expected ',' or ')' in the parameter list of " + method.name +
                                   " opened at " + at(open).toString());
            }
        }
    }

    ReadSession& session_;
    std::vector<Token> tokens_;
    std::string file_;
    fs::path includeBase_;
    std::size_t position_ = 0;
};

void ReadSession::readFile(const fs::path& file, const fs::path& displayName,
                           const SourceLocation* includedFrom) {
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(file, error);
    const fs::path identity = error ? file : canonical;
    for (const fs::path& open : openFiles_) {
        if (open == identity) {
            fail(includedFrom != nullptr ? *includedFrom
                                         : SourceLocation{displayName.string(), 0, 0},
                 "file " + displayName.string() + " includes itself");
        }
    }
    if (fs::is_directory(file, error)) {
        if (includedFrom != nullptr) {
            fail(*includedFrom, displayName.string() + " is a directory, not a MOF file");
        }
        fail(SourceLocation{displayName.string(), 0, 0}, "is a directory, not a MOF file");
    }
    const std::string text = readSourceFile(file, displayName.string(), includedFrom);
    openFiles_.push_back(identity);
    readText(text, displayName.string(), displayName.parent_path());
    openFiles_.pop_back();
}

void ReadSession::readText(std::string_view text, const std::string& displayName,
                           const fs::path& includeBase) {
    FileParser(*this, detail::tokenize(text, displayName), displayName, includeBase).run();
}

void ReadSession::include(const std::string& name, const SourceLocation& where,
                          const fs::path& includeBase) {
    if (name.empty()) {
        fail(where, "#pragma include needs a file name");
    }
    const fs::path requested(name);
    std::vector<fs::path> candidates;
    if (requested.is_absolute()) {
        candidates.push_back(requested);
    } else {
        candidates.push_back((includeBase / requested).lexically_normal());
        for (const fs::path& directory : options_.includePath) {
            candidates.push_back((directory / requested).lexically_normal());
        }
    }
    for (const fs::path& candidate : candidates) {
        std::error_code error;
        if (fs::exists(candidate, error)) {
            readFile(candidate, candidate, &where);
            return;
        }
    }
    std::string looked;
    for (const fs::path& candidate : candidates) {
        looked += (looked.empty() ? "" : ", ") + candidate.string();
    }
    fail(where, "cannot find included file \"" + name + "\" (looked for " + looked + ")");
}

}  // namespace

MofReader::MofReader(ClassSet& classes, MofReadOptions options)
    : classes_(classes), options_(std::move(options)) {}

void MofReader::readFile(const std::filesystem::path& file) {
    ReadSession session(classes_, options_);
    session.readFile(file, file, nullptr);
    session.commitTo(classes_);
}

void MofReader::readText(std::string_view text, const std::string& sourceName) {
    ReadSession session(classes_, options_);
    session.readText(text, sourceName, fs::path());
    session.commitTo(classes_);
}

ClassSet readMofFiles(const std::vector<std::filesystem::path>& files,
                      const MofReadOptions& options) {
    ClassSet classes;
    MofReader reader(classes, options);
    for (const fs::path& file : files) {
        reader.readFile(file);
    }
    return classes;
}

}  // namespace ovx::host::mof
