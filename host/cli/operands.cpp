#include "operands.h"

#include "typed_values.h"
#include "usage_error.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/names.h"

#include <algorithm>
#include <regex>

namespace ovx::cli {

namespace {

// The path parser names the offending position; a caret under it shows it.
std::string withCaret(std::string_view text, const std::string& message) {
    static const std::regex positionPattern(" at position ([0-9]+)$");
    std::smatch match;
    if (!std::regex_search(message, match, positionPattern)) {
        return message;
    }
    const std::size_t position = std::stoul(match[1].str());
    if (position > text.size() || text.find('\n') != std::string_view::npos) {
        return message;
    }
    return message + "\n  " + std::string(text) + "\n  " + std::string(position, ' ') + "^";
}

std::pair<std::string, std::string> splitAssignment(const std::string& operand, const char* kind) {
    const std::size_t equals = operand.find('=');
    if (equals == std::string::npos) {
        throw UsageError("expected " + std::string(kind) + "=value, got \"" + operand + "\"");
    }
    std::string name = operand.substr(0, equals);
    if (!host::isCimIdentifier(name)) {
        throw UsageError("\"" + name + "\" in \"" + operand + "\" is not a " + kind + " name");
    }
    return {std::move(name), operand.substr(equals + 1)};
}

bool isInParameter(const host::ParameterDecl& parameter) {
    const host::Qualifier* in = host::findQualifier(parameter.qualifiers, "In");
    return in == nullptr || host::hasTrueQualifier(parameter.qualifiers, "In");
}

std::string parameterNames(const host::MethodDecl& method) {
    std::string names;
    for (const auto& parameter : method.parameters) {
        if (isInParameter(parameter)) {
            names += (names.empty() ? "" : ", ") + parameter.name + " (" +
                     host::typeName(parameter.type) + ")";
        }
    }
    return names.empty() ? "none" : names;
}

host::Value typedKey(const host::ClassRegistry& registry, const host::Value& value, CMPIType type,
                     const std::string& what);

// Nested references of an unknown class stay as written: the provider
// they go to may still know them.
host::ObjectPath typedNestedPath(const host::ClassRegistry& registry, host::ObjectPath path) {
    if (!registry.contains(path.className())) {
        return path;
    }
    return typedPath(registry, std::move(path));
}

host::Value typedKey(const host::ClassRegistry& registry, const host::Value& value, CMPIType type,
                     const std::string& what) {
    host::Value typed = conformValue(value, type, what);
    if (typed.type() == CMPI_ref && !typed.isNull()) {
        return host::Value::reference(typedNestedPath(registry, typed.asReference()));
    }
    return typed;
}

bool declaredInLineageOrBelow(const host::ClassRegistry& registry, std::string_view className,
                              std::string_view propertyName) {
    if (findPropertyDecl(registry, className, propertyName)) {
        return true;
    }
    const auto subclasses = registry.subclasses(className);
    return std::any_of(subclasses.begin(), subclasses.end(), [&](const std::string& subclass) {
        return findPropertyDecl(registry, subclass, propertyName).has_value();
    });
}

}  // namespace

host::ObjectPath pathFromOperand(std::string_view text, const std::string& defaultNamespace) {
    host::ObjectPath path;
    try {
        path = host::ObjectPath::parse(text);
    } catch (const host::CimError& error) {
        throw UsageError(withCaret(text, error.what()));
    }
    if (path.nameSpace().empty()) {
        path.setNameSpace(defaultNamespace);
    }
    return path;
}

void requireClass(const host::ClassRegistry& registry, std::string_view className) {
    if (!registry.contains(className)) {
        throw host::CimError(CMPI_RC_ERR_INVALID_CLASS,
                             "the class " + std::string(className) + " is not known");
    }
}

std::optional<host::PropertyDecl> findPropertyDecl(const host::ClassRegistry& registry,
                                                   std::string_view className,
                                                   std::string_view propertyName) {
    for (const auto& decl : registry.lineage(className)) {
        if (const host::PropertyDecl* property = decl->findProperty(propertyName)) {
            return *property;
        }
    }
    return std::nullopt;
}

host::MethodDecl requireMethod(const host::ClassRegistry& registry, std::string_view className,
                               std::string_view methodName) {
    requireClass(registry, className);
    for (const auto& decl : registry.lineage(className)) {
        if (const host::MethodDecl* method = decl->findMethod(methodName)) {
            return *method;
        }
    }
    throw host::CimError(
        CMPI_RC_ERR_METHOD_NOT_FOUND,
        "the class " + std::string(className) + " has no method " + std::string(methodName));
}

host::ObjectPath typedPath(const host::ClassRegistry& registry, host::ObjectPath path) {
    requireClass(registry, path.className());
    host::ObjectPath typed = path;
    typed.clearKeys();
    for (const auto& [name, value] : path.keys()) {
        const auto property = findPropertyDecl(registry, path.className(), name);
        if (!property) {
            throw UsageError("the class " + path.className() + " has no property " + name +
                             " (in the path " + path.toString() + ")");
        }
        typed.setKey(property->name,
                     typedKey(registry, value, property->type, "the key " + property->name));
    }
    return typed;
}

host::NamedValues propertyAssignments(const host::ClassRegistry& registry,
                                      std::string_view className,
                                      const std::vector<std::string>& operands) {
    requireClass(registry, className);
    host::NamedValues assigned;
    for (const std::string& operand : operands) {
        const auto [name, text] = splitAssignment(operand, "property");
        const auto property = findPropertyDecl(registry, className, name);
        if (!property) {
            throw UsageError("the class " + std::string(className) + " has no property " + name);
        }
        if (assigned.contains(name)) {
            throw UsageError("the property " + property->name + " is given twice");
        }
        assigned.set(property->name,
                     valueFromText(text, property->type, "the property " + property->name));
    }
    return assigned;
}

host::Arguments methodArguments(const host::MethodDecl& method,
                                const std::vector<std::string>& operands) {
    host::Arguments arguments;
    for (const std::string& operand : operands) {
        const auto [name, text] = splitAssignment(operand, "parameter");
        const host::ParameterDecl* parameter = method.findParameter(name);
        if (parameter == nullptr) {
            throw UsageError("the method " + method.name + " has no parameter " + name +
                             "; its in-parameters: " + parameterNames(method));
        }
        if (!isInParameter(*parameter)) {
            throw UsageError("the parameter " + parameter->name + " of " + method.name +
                             " is an out-parameter and cannot be given");
        }
        if (arguments.contains(name)) {
            throw UsageError("the parameter " + parameter->name + " is given twice");
        }
        arguments.set(parameter->name,
                      valueFromText(text, parameter->type, "the parameter " + parameter->name));
    }
    return arguments;
}

std::vector<std::string> propertyListFromText(std::string_view text) {
    std::vector<std::string> names;
    if (text.empty()) {
        return names;
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        std::string_view name = text.substr(start, comma - start);
        while (!name.empty() && name.front() == ' ') {
            name.remove_prefix(1);
        }
        while (!name.empty() && name.back() == ' ') {
            name.remove_suffix(1);
        }
        if (!host::isCimIdentifier(name)) {
            throw UsageError("\"" + std::string(name) + "\" in the property list \"" +
                             std::string(text) + "\" is not a property name");
        }
        names.emplace_back(name);
        if (comma == std::string_view::npos) {
            return names;
        }
        start = comma + 1;
    }
}

void checkPropertyList(const host::ClassRegistry& registry, std::string_view className,
                       const host::PropertyList& properties) {
    if (!properties) {
        return;
    }
    for (const std::string& name : *properties) {
        if (!declaredInLineageOrBelow(registry, className, name)) {
            throw UsageError("the class " + std::string(className) + " has no property " + name);
        }
    }
}

}  // namespace ovx::cli
