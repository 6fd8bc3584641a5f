// Class declarations as read from MOF, resolved against their superclasses:
// every class carries its whole property and method set (inherited ones
// first, overrides in place), with keys, defaults and parameter directions.
#pragma once

#include "ovx/host/mof/source_error.h"
#include "ovx/host/value.h"

#include <cmpidt.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ovx::host::mof {

struct MofQualifier {
    std::string name;
    // A qualifier written without a value (Key, Association) holds true.
    Value value;
    // False for qualifiers subclasses do not inherit (Restricted flavor,
    // Abstract, Override).
    bool propagated = true;
    SourceLocation where;
};

using MofQualifiers = std::vector<MofQualifier>;

const MofQualifier* findQualifier(const MofQualifiers& qualifiers, std::string_view name);
// The qualifier's string value, or its string elements for an array.
std::vector<std::string> qualifierStrings(const MofQualifiers& qualifiers, std::string_view name);
// True when present with a true boolean value.
bool isQualifierTrue(const MofQualifiers& qualifiers, std::string_view name);

struct MofProperty {
    std::string name;
    CMPIType type = CMPI_string;  // with CMPI_ARRAY for arrays
    std::optional<std::uint32_t> arraySize;
    std::string referenceClass;  // for CMPI_ref
    // Inherited qualifiers merged with those of the latest declaration.
    MofQualifiers qualifiers;
    std::optional<Value> defaultValue;
    bool key = false;
    std::string classOrigin;     // class that introduced the property
    std::string declaringClass;  // class of the latest declaration (override)
    SourceLocation where;        // of the latest declaration

    bool isArray() const noexcept { return (type & CMPI_ARRAY) != 0; }
    bool isReference() const noexcept { return type == CMPI_ref; }
};

struct MofParameter {
    std::string name;
    CMPIType type = CMPI_string;
    std::optional<std::uint32_t> arraySize;
    std::string referenceClass;
    MofQualifiers qualifiers;
    bool in = true;  // In defaults to true, Out to false
    bool out = false;
    SourceLocation where;

    bool isArray() const noexcept { return (type & CMPI_ARRAY) != 0; }
};

struct MofMethod {
    std::string name;
    CMPIType returnType = CMPI_uint32;
    std::vector<MofParameter> parameters;
    MofQualifiers qualifiers;
    std::string classOrigin;
    std::string declaringClass;
    SourceLocation where;

    const MofParameter* findParameter(std::string_view name) const;
};

struct MofClass {
    std::string name;
    std::string superclass;  // empty for a root class
    std::string nameSpace;
    MofQualifiers qualifiers;  // as declared on this class
    bool association = false;  // declared here or inherited
    bool abstract = false;     // never inherited
    std::vector<MofProperty> properties;
    std::vector<MofMethod> methods;
    SourceLocation where;

    const MofProperty* findProperty(std::string_view name) const;
    const MofMethod* findMethod(std::string_view name) const;
    std::vector<std::string> keyNames() const;
    std::vector<const MofProperty*> references() const;
};

// Classes by namespace and name (both compared without regard to case).
class ClassSet {
  public:
    const MofClass* find(std::string_view nameSpace, std::string_view className) const;
    // Whether className is baseName or derives from it; false for an
    // unknown class.
    bool isA(std::string_view nameSpace, std::string_view className,
             std::string_view baseName) const;
    // Known classes deriving from name, directly or not, in load order.
    std::vector<const MofClass*> subclasses(std::string_view nameSpace,
                                            std::string_view name) const;

    // All classes in load order, or those of one namespace.
    std::vector<const MofClass*> classes() const;
    std::vector<const MofClass*> classes(std::string_view nameSpace) const;
    // In order of first appearance.
    std::vector<std::string> namespaces() const;
    std::size_t size() const noexcept { return ordered_.size(); }

    // Throws std::invalid_argument when the namespace already holds the
    // name; readers check superclasses before adding.
    void add(MofClass decl);

  private:
    std::vector<std::shared_ptr<const MofClass>> ordered_;
    std::unordered_map<std::string, std::shared_ptr<const MofClass>> byKey_;
};

}  // namespace ovx::host::mof
