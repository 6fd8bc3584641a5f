// A class declaration as written, before it is checked against its
// superclass and the classes it refers to.
#pragma once

#include "ovx/host/mof/source_error.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ovx::host::mof::detail {

struct Literal {
    enum class Kind { Null, Boolean, Integer, Real, String, Char };
    Kind kind = Kind::Null;
    // Integer and Real as written; String and Char unescaped; Boolean
    // "true" or "false".
    std::string text;
    SourceLocation where;
};

struct Initializer {
    bool isArray = false;
    std::vector<Literal> elements;  // exactly one for a scalar
    SourceLocation where;
};

struct RawQualifier {
    std::string name;
    std::optional<Initializer> value;
    bool restricted = false;  // Restricted flavor given
    bool toSubclass = false;  // ToSubclass flavor given
    SourceLocation where;
};

struct RawType {
    std::string name;  // data type keyword, or the class of a reference
    bool reference = false;
    bool array = false;
    std::optional<std::uint32_t> arraySize;
    SourceLocation where;
};

struct RawProperty {
    std::vector<RawQualifier> qualifiers;
    RawType type;
    std::string name;
    SourceLocation where;
    std::optional<Initializer> defaultValue;
};

struct RawParameter {
    std::vector<RawQualifier> qualifiers;
    RawType type;
    std::string name;
    SourceLocation where;
};

struct RawMethod {
    std::vector<RawQualifier> qualifiers;
    RawType returnType;
    std::string name;
    SourceLocation where;
    std::vector<RawParameter> parameters;
};

struct RawClass {
    std::vector<RawQualifier> qualifiers;
    std::string name;
    SourceLocation where;
    std::string superclass;
    SourceLocation superclassWhere;
    std::string nameSpace;
    std::vector<RawProperty> properties;
    std::vector<RawMethod> methods;
};

}  // namespace ovx::host::mof::detail
