#include "ovx/host/class_registry.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/names.h"

#include <mutex>

namespace ovx::host {

namespace {

template <typename Decl>
const Decl* findByName(const std::vector<Decl>& decls, std::string_view name) {
    for (const Decl& decl : decls) {
        if (namesEqual(decl.name, name)) {
            return &decl;
        }
    }
    return nullptr;
}

}  // namespace

const Qualifier* findQualifier(const Qualifiers& qualifiers, std::string_view name) {
    return findByName(qualifiers, name);
}

bool hasTrueQualifier(const Qualifiers& qualifiers, std::string_view name) {
    const Qualifier* qualifier = findQualifier(qualifiers, name);
    if (qualifier == nullptr) {
        return false;
    }
    // A boolean qualifier named without a value means true.
    return qualifier->value.isNull() ||
           (qualifier->value.type() == CMPI_boolean && qualifier->value.asBoolean());
}

const ParameterDecl* MethodDecl::findParameter(std::string_view name) const {
    return findByName(parameters, name);
}

const PropertyDecl* ClassDecl::findProperty(std::string_view name) const {
    return findByName(properties, name);
}

const MethodDecl* ClassDecl::findMethod(std::string_view name) const {
    return findByName(methods, name);
}

void ClassRegistry::add(ClassDecl decl) {
    if (!isCimIdentifier(decl.name)) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                       "\"" + decl.name + "\" is not a valid class name");
    }
    if (!decl.superclass.empty() && !isCimIdentifier(decl.superclass)) {
        throw CimError(CMPI_RC_ERR_INVALID_SUPERCLASS,
                       "\"" + decl.superclass + "\" is not a valid superclass name");
    }
    std::unique_lock lock(mutex_);
    if (findLocked(decl.name) != nullptr) {
        throw CimError(CMPI_RC_ERR_ALREADY_EXISTS, "class " + decl.name + " is already defined");
    }
    if (!decl.superclass.empty() && isALocked(decl.superclass, decl.name)) {
        throw CimError(CMPI_RC_ERR_INVALID_SUPERCLASS,
                       "class " + decl.name + " cannot derive from " + decl.superclass +
                           ", which derives from it");
    }
    auto shared = std::make_shared<const ClassDecl>(std::move(decl));
    byName_.emplace(foldName(shared->name), shared);
    inOrder_.push_back(std::move(shared));
}

std::shared_ptr<const ClassDecl> ClassRegistry::find(std::string_view name) const {
    std::shared_lock lock(mutex_);
    return findLocked(name);
}

std::shared_ptr<const ClassDecl> ClassRegistry::findLocked(std::string_view name) const {
    const auto it = byName_.find(foldName(name));
    return it == byName_.end() ? nullptr : it->second;
}

bool ClassRegistry::isA(std::string_view className, std::string_view baseName) const {
    std::shared_lock lock(mutex_);
    return isALocked(className, baseName);
}

// Adding refuses loops, so the walk ends; the step bound is a second guard.
bool ClassRegistry::isALocked(std::string_view className, std::string_view baseName) const {
    std::string current(className);
    for (std::size_t steps = 0; steps <= inOrder_.size(); ++steps) {
        if (namesEqual(current, baseName)) {
            return true;
        }
        const auto decl = findLocked(current);
        if (decl == nullptr || decl->superclass.empty()) {
            return false;
        }
        current = decl->superclass;
    }
    return false;
}

std::vector<std::shared_ptr<const ClassDecl>> ClassRegistry::lineage(std::string_view name) const {
    std::shared_lock lock(mutex_);
    std::vector<std::shared_ptr<const ClassDecl>> chain;
    auto decl = findLocked(name);
    while (decl != nullptr && chain.size() <= inOrder_.size()) {
        chain.push_back(decl);
        decl = decl->superclass.empty() ? nullptr : findLocked(decl->superclass);
    }
    return chain;
}

std::vector<std::string> ClassRegistry::subclasses(std::string_view name) const {
    std::shared_lock lock(mutex_);
    std::vector<std::string> names;
    for (const auto& decl : inOrder_) {
        if (!namesEqual(decl->name, name) && isALocked(decl->name, name)) {
            names.push_back(decl->name);
        }
    }
    return names;
}

std::vector<std::shared_ptr<const ClassDecl>> ClassRegistry::all() const {
    std::shared_lock lock(mutex_);
    return inOrder_;
}

std::size_t ClassRegistry::size() const {
    std::shared_lock lock(mutex_);
    return inOrder_.size();
}

}  // namespace ovx::host
