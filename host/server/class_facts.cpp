#include "class_facts.h"

#include "ovx/host/names.h"

#include <algorithm>

namespace ovx::host::server {

ClassFacts::ClassFacts(const ClassRegistry& registry, std::string_view className)
    : lineage_(registry.lineage(className)) {}

std::vector<PropertyDecl> ClassFacts::effectiveProperties() const {
    std::vector<PropertyDecl> properties;
    for (const auto& decl : lineage_) {
        for (const PropertyDecl& property : decl->properties) {
            const bool shadowed = std::any_of(
                properties.begin(), properties.end(),
                [&](const PropertyDecl& seen) { return namesEqual(seen.name, property.name); });
            if (!shadowed) {
                properties.push_back(property);
            }
        }
    }
    return properties;
}

std::vector<std::string> ClassFacts::keyNames() const {
    std::vector<std::string> keys;
    for (const PropertyDecl& property : effectiveProperties()) {
        if (property.isKey()) {
            keys.push_back(property.name);
        }
    }
    return keys;
}

std::vector<ReferenceProperty> ClassFacts::references() const {
    std::vector<ReferenceProperty> references;
    for (const PropertyDecl& property : effectiveProperties()) {
        if (property.type == CMPI_ref) {
            references.push_back({property.name, property.referenceClass});
        }
    }
    return references;
}

bool ClassFacts::declaresProperties() const {
    return std::any_of(lineage_.begin(), lineage_.end(),
                       [](const auto& decl) { return !decl->properties.empty(); });
}

std::optional<PropertyDecl> ClassFacts::findProperty(std::string_view name) const {
    for (const auto& decl : lineage_) {
        if (const PropertyDecl* property = decl->findProperty(name)) {
            return *property;
        }
    }
    return std::nullopt;
}

std::optional<MethodDecl> ClassFacts::findMethod(std::string_view name) const {
    for (const auto& decl : lineage_) {
        if (const MethodDecl* method = decl->findMethod(name)) {
            return *method;
        }
    }
    return std::nullopt;
}

bool ClassFacts::declaresMethods() const {
    return std::any_of(lineage_.begin(), lineage_.end(),
                       [](const auto& decl) { return !decl->methods.empty(); });
}

}  // namespace ovx::host::server
