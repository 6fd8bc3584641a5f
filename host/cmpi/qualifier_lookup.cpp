#include "cmpi/qualifier_lookup.h"

#include "ovx/host/cim_error.h"

#include <string>

namespace ovx::host::detail {

namespace {

using Lineage = std::vector<std::shared_ptr<const ClassDecl>>;

Lineage lineageOf(const ClassRegistry* registry, std::string_view className) {
    if (registry == nullptr) {
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "the host has no class declarations");
    }
    Lineage lineage = registry->lineage(className);
    if (lineage.empty()) {
        throw CimError(CMPI_RC_ERR_NOT_FOUND, "class " + std::string(className) + " is not known");
    }
    return lineage;
}

// Walks the declarations of one element (the class itself, a property, a
// method or a parameter) from the nearest class up; the nearest supplies any
// of its qualifiers, farther ones only those that propagate.
Value inheritedQualifier(const std::vector<const Qualifiers*>& declarations,
                         std::string_view qualifier, const std::string& where) {
    for (std::size_t i = 0; i < declarations.size(); ++i) {
        const Qualifier* found = findQualifier(*declarations[i], qualifier);
        if (found != nullptr && (i == 0 || found->propagated)) {
            return found->value;
        }
    }
    throw CimError(CMPI_RC_ERR_NOT_FOUND, where + " has no qualifier " + std::string(qualifier));
}

}  // namespace

Value classQualifier(const ClassRegistry* registry, std::string_view className,
                     std::string_view qualifier) {
    std::vector<const Qualifiers*> declarations;
    const Lineage lineage = lineageOf(registry, className);
    for (const auto& decl : lineage) {
        declarations.push_back(&decl->qualifiers);
    }
    return inheritedQualifier(declarations, qualifier, "class " + std::string(className));
}

Value propertyQualifier(const ClassRegistry* registry, std::string_view className,
                        std::string_view property, std::string_view qualifier) {
    std::vector<const Qualifiers*> declarations;
    const Lineage lineage = lineageOf(registry, className);
    for (const auto& decl : lineage) {
        if (const PropertyDecl* found = decl->findProperty(property)) {
            declarations.push_back(&found->qualifiers);
        }
    }
    const std::string where = std::string(className) + "." + std::string(property);
    if (declarations.empty()) {
        throw CimError(CMPI_RC_ERR_NO_SUCH_PROPERTY, "no property " + where);
    }
    return inheritedQualifier(declarations, qualifier, "property " + where);
}

Value methodQualifier(const ClassRegistry* registry, std::string_view className,
                      std::string_view method, std::string_view qualifier) {
    std::vector<const Qualifiers*> declarations;
    const Lineage lineage = lineageOf(registry, className);
    for (const auto& decl : lineage) {
        if (const MethodDecl* found = decl->findMethod(method)) {
            declarations.push_back(&found->qualifiers);
        }
    }
    const std::string where = std::string(className) + "." + std::string(method) + "()";
    if (declarations.empty()) {
        throw CimError(CMPI_RC_ERR_METHOD_NOT_FOUND, "no method " + where);
    }
    return inheritedQualifier(declarations, qualifier, "method " + where);
}

Value parameterQualifier(const ClassRegistry* registry, std::string_view className,
                         std::string_view method, std::string_view parameter,
                         std::string_view qualifier) {
    std::vector<const Qualifiers*> declarations;
    bool methodSeen = false;
    const Lineage lineage = lineageOf(registry, className);
    for (const auto& decl : lineage) {
        if (const MethodDecl* found = decl->findMethod(method)) {
            methodSeen = true;
            if (const ParameterDecl* param = found->findParameter(parameter)) {
                declarations.push_back(&param->qualifiers);
            }
        }
    }
    const std::string where = std::string(className) + "." + std::string(method) + "()";
    if (!methodSeen) {
        throw CimError(CMPI_RC_ERR_METHOD_NOT_FOUND, "no method " + where);
    }
    if (declarations.empty()) {
        throw CimError(CMPI_RC_ERR_NOT_FOUND,
                       "method " + where + " has no parameter " + std::string(parameter));
    }
    return inheritedQualifier(declarations, qualifier,
                              "parameter " + std::string(parameter) + " of " + where);
}

}  // namespace ovx::host::detail
