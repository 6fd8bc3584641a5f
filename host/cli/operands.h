// The operands of a verb, read against the class declarations: object
// paths with their keys typed, property assignments (Name=value) and method
// arguments typed from the class or method declaration, property lists.
#pragma once

#include "ovx/host/class_registry.h"
#include "ovx/host/named_values.h"
#include "ovx/host/object_path.h"
#include "ovx/host/router.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::cli {

// Parses a class or instance path and gives it the default namespace when
// it names none. Throws UsageError that quotes the text and points at the
// first character that does not fit.
host::ObjectPath pathFromOperand(std::string_view text, const std::string& defaultNamespace);

// Throws CimError(CMPI_RC_ERR_INVALID_CLASS) for a class the registry does
// not know.
void requireClass(const host::ClassRegistry& registry, std::string_view className);

// The declaration of a property, looked up from the class to its ancestors.
std::optional<host::PropertyDecl> findPropertyDecl(const host::ClassRegistry& registry,
                                                   std::string_view className,
                                                   std::string_view propertyName);

// Throws CimError(CMPI_RC_ERR_METHOD_NOT_FOUND) when neither the class nor
// an ancestor declares the method.
host::MethodDecl requireMethod(const host::ClassRegistry& registry, std::string_view className,
                               std::string_view methodName);

// Types every key by its property declaration, nested references too when
// their class is known. Throws CimError(CMPI_RC_ERR_INVALID_CLASS) for an
// unknown class and UsageError for a key that is no property of the class
// or whose value does not fit.
host::ObjectPath typedPath(const host::ClassRegistry& registry, host::ObjectPath path);

// Name=value operands typed by the class's property declarations. Throws
// UsageError for a malformed operand, an unknown or repeated property, or a
// value that does not fit.
host::NamedValues propertyAssignments(const host::ClassRegistry& registry,
                                      std::string_view className,
                                      const std::vector<std::string>& operands);

// Name=value operands typed by the method's In parameters. Throws
// UsageError as propertyAssignments does, and for an Out-only parameter.
host::Arguments methodArguments(const host::MethodDecl& method,
                                const std::vector<std::string>& operands);

// "A,B,C" as a property list; an empty text is the empty list (keys only).
// Throws UsageError for a name that is not a CIM identifier.
std::vector<std::string> propertyListFromText(std::string_view text);

// Throws UsageError for a name that is no property of the class nor of one
// of its subclasses (whose instances an enumeration also returns).
void checkPropertyList(const host::ClassRegistry& registry, std::string_view className,
                       const host::PropertyList& properties);

}  // namespace ovx::cli
