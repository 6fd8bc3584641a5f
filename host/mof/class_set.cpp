#include "ovx/host/mof/class_set.h"

#include "ovx/host/names.h"

#include <algorithm>
#include <stdexcept>

namespace ovx::host::mof {

namespace {

template <typename Decl>
const Decl* findByName(const std::vector<Decl>& decls, std::string_view name) {
    const auto it = std::find_if(decls.begin(), decls.end(),
                                 [name](const Decl& decl) { return namesEqual(decl.name, name); });
    return it == decls.end() ? nullptr : &*it;
}

std::string classKey(std::string_view nameSpace, std::string_view className) {
    return foldName(nameSpace) + ':' + foldName(className);
}

}  // namespace

const MofQualifier* findQualifier(const MofQualifiers& qualifiers, std::string_view name) {
    return findByName(qualifiers, name);
}

std::vector<std::string> qualifierStrings(const MofQualifiers& qualifiers, std::string_view name) {
    std::vector<std::string> strings;
    const MofQualifier* qualifier = findQualifier(qualifiers, name);
    if (qualifier == nullptr || qualifier->value.isNull()) {
        return strings;
    }
    if (qualifier->value.type() == CMPI_string) {
        strings.push_back(qualifier->value.asString());
    } else if (qualifier->value.type() == (CMPI_string | CMPI_ARRAY)) {
        for (const Value& element : qualifier->value.elements()) {
            strings.push_back(element.isNull() ? std::string() : element.asString());
        }
    }
    return strings;
}

bool isQualifierTrue(const MofQualifiers& qualifiers, std::string_view name) {
    const MofQualifier* qualifier = findQualifier(qualifiers, name);
    return qualifier != nullptr && qualifier->value.type() == CMPI_boolean &&
           !qualifier->value.isNull() && qualifier->value.asBoolean();
}

const MofParameter* MofMethod::findParameter(std::string_view name) const {
    return findByName(parameters, name);
}

const MofProperty* MofClass::findProperty(std::string_view name) const {
    return findByName(properties, name);
}

const MofMethod* MofClass::findMethod(std::string_view name) const {
    return findByName(methods, name);
}

std::vector<std::string> MofClass::keyNames() const {
    std::vector<std::string> names;
    for (const MofProperty& property : properties) {
        if (property.key) {
            names.push_back(property.name);
        }
    }
    return names;
}

std::vector<const MofProperty*> MofClass::references() const {
    std::vector<const MofProperty*> found;
    for (const MofProperty& property : properties) {
        if (property.isReference()) {
            found.push_back(&property);
        }
    }
    return found;
}

const MofClass* ClassSet::find(std::string_view nameSpace, std::string_view className) const {
    const auto it = byKey_.find(classKey(nameSpace, className));
    return it == byKey_.end() ? nullptr : it->second.get();
}

bool ClassSet::isA(std::string_view nameSpace, std::string_view className,
                   std::string_view baseName) const {
    const MofClass* current = find(nameSpace, className);
    while (current != nullptr) {
        if (namesEqual(current->name, baseName)) {
            return true;
        }
        current = current->superclass.empty() ? nullptr : find(nameSpace, current->superclass);
    }
    return false;
}

std::vector<const MofClass*> ClassSet::subclasses(std::string_view nameSpace,
                                                  std::string_view name) const {
    std::vector<const MofClass*> found;
    for (const auto& decl : ordered_) {
        if (namesEqual(decl->nameSpace, nameSpace) && !namesEqual(decl->name, name) &&
            isA(nameSpace, decl->name, name)) {
            found.push_back(decl.get());
        }
    }
    return found;
}

std::vector<const MofClass*> ClassSet::classes() const {
    std::vector<const MofClass*> all;
    all.reserve(ordered_.size());
    for (const auto& decl : ordered_) {
        all.push_back(decl.get());
    }
    return all;
}

std::vector<const MofClass*> ClassSet::classes(std::string_view nameSpace) const {
    std::vector<const MofClass*> matching;
    for (const auto& decl : ordered_) {
        if (namesEqual(decl->nameSpace, nameSpace)) {
            matching.push_back(decl.get());
        }
    }
    return matching;
}

std::vector<std::string> ClassSet::namespaces() const {
    std::vector<std::string> names;
    for (const auto& decl : ordered_) {
        const bool known = std::any_of(names.begin(), names.end(), [&decl](const std::string& n) {
            return namesEqual(n, decl->nameSpace);
        });
        if (!known) {
            names.push_back(decl->nameSpace);
        }
    }
    return names;
}

void ClassSet::add(MofClass decl) {
    std::string key = classKey(decl.nameSpace, decl.name);
    if (byKey_.count(key) != 0) {
        throw std::invalid_argument("class " + decl.name + " is already defined in namespace " +
                                    decl.nameSpace);
    }
    auto shared = std::make_shared<const MofClass>(std::move(decl));
    byKey_.emplace(std::move(key), shared);
    ordered_.push_back(std::move(shared));
}

}  // namespace ovx::host::mof
