// The class declarations the host knows: name and superclass always, and
// whatever a schema reader adds (qualifiers, properties, methods).
#pragma once

#include "ovx/host/value.h"

#include <cmpidt.h>

#include <memory>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace ovx::host {

struct Qualifier {
    std::string name;
    Value value;
    // Whether subclasses inherit it (the ToSubclass flavor); Abstract, for
    // one, does not propagate.
    bool propagated = true;
};

using Qualifiers = std::vector<Qualifier>;

const Qualifier* findQualifier(const Qualifiers& qualifiers, std::string_view name);
// True when the qualifier is present with a true (or null) boolean value.
bool hasTrueQualifier(const Qualifiers& qualifiers, std::string_view name);

struct PropertyDecl {
    std::string name;
    CMPIType type = CMPI_string;  // CMPI_ARRAY set for array properties
    std::string referenceClass;   // for CMPI_ref properties
    Qualifiers qualifiers;

    bool isArray() const noexcept { return (type & CMPI_ARRAY) != 0; }
    bool isKey() const { return hasTrueQualifier(qualifiers, "Key"); }
};

struct ParameterDecl {
    std::string name;
    CMPIType type = CMPI_string;
    std::string referenceClass;
    Qualifiers qualifiers;
};

struct MethodDecl {
    std::string name;
    CMPIType returnType = CMPI_uint32;
    std::vector<ParameterDecl> parameters;
    Qualifiers qualifiers;

    const ParameterDecl* findParameter(std::string_view name) const;
};

struct ClassDecl {
    std::string name;
    std::string superclass;  // empty for a root class
    Qualifiers qualifiers;
    std::vector<PropertyDecl> properties;  // declared or overridden here
    std::vector<MethodDecl> methods;
    // Initial values of properties of `properties`, by name: what a new
    // instance of the class starts with.
    std::vector<std::pair<std::string, Value>> defaults;

    bool isAssociation() const { return hasTrueQualifier(qualifiers, "Association"); }
    bool isAbstract() const { return hasTrueQualifier(qualifiers, "Abstract"); }
    const PropertyDecl* findProperty(std::string_view name) const;
    const MethodDecl* findMethod(std::string_view name) const;
};

// Safe for concurrent readers; writers take an exclusive lock.
class ClassRegistry {
  public:
    // Throws CimError: CMPI_RC_ERR_INVALID_PARAMETER for a name that is not a
    // CIM identifier, CMPI_RC_ERR_ALREADY_EXISTS for a known name,
    // CMPI_RC_ERR_INVALID_SUPERCLASS when the superclass chain would loop.
    // The superclass need not be known yet.
    void add(ClassDecl decl);

    std::shared_ptr<const ClassDecl> find(std::string_view name) const;
    bool contains(std::string_view name) const { return find(name) != nullptr; }

    // Whether className is baseName or derives from it through known
    // classes. A class is its own base, known or not.
    bool isA(std::string_view className, std::string_view baseName) const;

    // The class followed by its known ancestors, nearest first; empty when
    // the class is unknown.
    std::vector<std::shared_ptr<const ClassDecl>> lineage(std::string_view name) const;

    // Names of all known classes deriving from name, directly or not, in
    // the order they were added.
    std::vector<std::string> subclasses(std::string_view name) const;

    // All declarations in the order they were added.
    std::vector<std::shared_ptr<const ClassDecl>> all() const;
    std::size_t size() const;

  private:
    std::shared_ptr<const ClassDecl> findLocked(std::string_view name) const;
    bool isALocked(std::string_view className, std::string_view baseName) const;

    mutable std::shared_mutex mutex_;
    std::unordered_map<std::string, std::shared_ptr<const ClassDecl>> byName_;
    std::vector<std::shared_ptr<const ClassDecl>> inOrder_;
};

}  // namespace ovx::host
