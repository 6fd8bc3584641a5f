#include "ovx/host/cim_error.h"
#include "ovx/host/mof/mof_reader.h"
#include "ovx/host/names.h"

#include <algorithm>

namespace ovx::host::mof {

namespace {

Qualifiers convertQualifiers(const MofQualifiers& qualifiers) {
    Qualifiers converted;
    converted.reserve(qualifiers.size());
    for (const MofQualifier& qualifier : qualifiers) {
        converted.push_back(Qualifier{qualifier.name, qualifier.value, qualifier.propagated});
    }
    return converted;
}

// Replaces a boolean qualifier, or adds it, so the registry sees what the
// reader resolved rather than what one declaration happened to spell out.
void setBooleanQualifier(Qualifiers& qualifiers, std::string_view name, bool value) {
    qualifiers.erase(
        std::remove_if(qualifiers.begin(), qualifiers.end(),
                       [name](const Qualifier& q) { return namesEqual(q.name, name); }),
        qualifiers.end());
    qualifiers.push_back(Qualifier{std::string(name), Value::boolean(value), true});
}

PropertyDecl toPropertyDecl(const MofProperty& property) {
    PropertyDecl decl;
    decl.name = property.name;
    decl.type = property.type;
    decl.referenceClass = property.referenceClass;
    decl.qualifiers = convertQualifiers(property.qualifiers);
    if (property.key) {
        setBooleanQualifier(decl.qualifiers, "Key", true);
    }
    return decl;
}

MethodDecl toMethodDecl(const MofMethod& method) {
    MethodDecl decl;
    decl.name = method.name;
    decl.returnType = method.returnType;
    decl.qualifiers = convertQualifiers(method.qualifiers);
    for (const MofParameter& parameter : method.parameters) {
        ParameterDecl converted;
        converted.name = parameter.name;
        converted.type = parameter.type;
        converted.referenceClass = parameter.referenceClass;
        converted.qualifiers = convertQualifiers(parameter.qualifiers);
        setBooleanQualifier(converted.qualifiers, "In", parameter.in);
        setBooleanQualifier(converted.qualifiers, "Out", parameter.out);
        decl.parameters.push_back(std::move(converted));
    }
    return decl;
}

}  // namespace

ClassDecl toClassDecl(const MofClass& decl) {
    ClassDecl converted;
    converted.name = decl.name;
    converted.superclass = decl.superclass;
    converted.qualifiers = convertQualifiers(decl.qualifiers);
    if (decl.association) {
        setBooleanQualifier(converted.qualifiers, "Association", true);
    }
    for (const MofProperty& property : decl.properties) {
        if (namesEqual(property.declaringClass, decl.name)) {
            converted.properties.push_back(toPropertyDecl(property));
            if (property.defaultValue) {
                converted.defaults.emplace_back(property.name, *property.defaultValue);
            }
        }
    }
    for (const MofMethod& method : decl.methods) {
        if (namesEqual(method.declaringClass, decl.name)) {
            converted.methods.push_back(toMethodDecl(method));
        }
    }
    return converted;
}

std::size_t addToRegistry(const ClassSet& classes, std::string_view nameSpace,
                          ClassRegistry& registry) {
    const std::vector<const MofClass*> selected = classes.classes(nameSpace);
    for (const MofClass* decl : selected) {
        if (registry.contains(decl->name)) {
            throw CimError(CMPI_RC_ERR_ALREADY_EXISTS, "class " + decl->name + " (" +
                                                           decl->where.toString() +
                                                           ") is already in the class registry");
        }
    }
    for (const MofClass* decl : selected) {
        registry.add(toClassDecl(*decl));
    }
    return selected.size();
}

std::size_t loadMofIntoRegistry(const std::vector<std::filesystem::path>& files,
                                ClassRegistry& registry, const MofReadOptions& options) {
    const ClassSet classes = readMofFiles(files, options);
    return addToRegistry(classes, options.defaultNamespace, registry);
}

}  // namespace ovx::host::mof
