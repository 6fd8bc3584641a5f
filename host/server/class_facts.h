// What the server needs to know about a class from the registry, with
// inherited declarations resolved: the nearest declaration of a name wins.
#pragma once

#include "ovx/host/class_registry.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::host::server {

struct ReferenceProperty {
    std::string name;
    std::string referenceClass;  // empty when the declaration names none
};

class ClassFacts {
  public:
    // Empty when the class is unknown.
    ClassFacts(const ClassRegistry& registry, std::string_view className);

    bool known() const noexcept { return !lineage_.empty(); }
    const ClassDecl& decl() const { return *lineage_.front(); }

    std::vector<std::string> keyNames() const;
    std::vector<ReferenceProperty> references() const;
    // Whether any class of the lineage declares properties at all: without
    // them nothing can be said about keys or references.
    bool declaresProperties() const;
    std::optional<PropertyDecl> findProperty(std::string_view name) const;
    std::optional<MethodDecl> findMethod(std::string_view name) const;
    bool declaresMethods() const;

  private:
    // Each property name once, at its nearest declaration.
    std::vector<PropertyDecl> effectiveProperties() const;

    std::vector<std::shared_ptr<const ClassDecl>> lineage_;
};

}  // namespace ovx::host::server
