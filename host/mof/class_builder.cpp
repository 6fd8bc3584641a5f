#include "class_builder.h"

#include "literals.h"

#include "ovx/host/names.h"

#include <algorithm>
#include <utility>

namespace ovx::host::mof::detail {

namespace {

[[noreturn]] void fail(const SourceLocation& where, const std::string& message) {
    throw SourceError(where, message);
}

// Qualifiers that describe one declaration only and never reach subclasses.
bool propagatesByDefault(std::string_view name) {
    return !namesEqual(name, "Abstract") && !namesEqual(name, "Override");
}

MofQualifiers convertQualifiers(const std::vector<RawQualifier>& raw) {
    MofQualifiers qualifiers;
    for (const RawQualifier& qualifier : raw) {
        if (const MofQualifier* earlier = findQualifier(qualifiers, qualifier.name)) {
            fail(qualifier.where, "duplicate qualifier " + qualifier.name + " (first given at " +
                                      earlier->where.toString() + ")");
        }
        MofQualifier converted;
        converted.name = qualifier.name;
        converted.value = qualifierValue(qualifier);
        converted.propagated =
            !qualifier.restricted && (qualifier.toSubclass || propagatesByDefault(qualifier.name));
        converted.where = qualifier.where;
        qualifiers.push_back(std::move(converted));
    }
    return qualifiers;
}

// Inherited qualifiers that propagate, each replaced by a qualifier of the
// same name given on the new declaration.
MofQualifiers mergeQualifiers(const MofQualifiers& inherited, const MofQualifiers& own) {
    MofQualifiers merged;
    for (const MofQualifier& qualifier : inherited) {
        if (qualifier.propagated && findQualifier(own, qualifier.name) == nullptr) {
            merged.push_back(qualifier);
        }
    }
    merged.insert(merged.end(), own.begin(), own.end());
    return merged;
}

// An explicit boolean qualifier: true, false, or absent.
std::optional<bool> booleanQualifier(const MofQualifiers& qualifiers, std::string_view name) {
    const MofQualifier* qualifier = findQualifier(qualifiers, name);
    if (qualifier == nullptr) {
        return std::nullopt;
    }
    if (qualifier->value.type() != CMPI_boolean || qualifier->value.isNull()) {
        fail(qualifier->where, "qualifier " + qualifier->name + " takes true or false");
    }
    return qualifier->value.asBoolean();
}

template <typename Decl>
Decl* findByName(std::vector<Decl>& decls, std::string_view name) {
    const auto it = std::find_if(decls.begin(), decls.end(),
                                 [name](const Decl& decl) { return namesEqual(decl.name, name); });
    return it == decls.end() ? nullptr : &*it;
}

bool isSchemaQualifiedName(std::string_view name) {
    const std::size_t underscore = name.find('_');
    return underscore != std::string_view::npos && underscore > 0 && underscore + 1 < name.size() &&
           isCimIdentifier(name);
}

class Builder {
  public:
    Builder(const RawClass& raw, const ClassLookup& lookup) : raw_(raw), lookup_(lookup) {}

    MofClass build() {
        checkName();
        result_.name = raw_.name;
        result_.nameSpace = raw_.nameSpace;
        result_.where = raw_.where;
        result_.qualifiers = convertQualifiers(raw_.qualifiers);
        resolveSuperclass();
        resolveClassFlags();
        for (const RawProperty& property : raw_.properties) {
            addProperty(property);
        }
        for (const RawMethod& method : raw_.methods) {
            addMethod(method);
        }
        checkAssociationShape();
        return std::move(result_);
    }

  private:
    void checkName() const {
        if (const MofClass* existing = lookup_(raw_.name)) {
            fail(raw_.where,
                 "class " + raw_.name + " is already defined at " + existing->where.toString());
        }
        if (!isSchemaQualifiedName(raw_.name)) {
            fail(raw_.where,
                 "class name " + raw_.name + " needs a schema prefix, as in Schema_ClassName");
        }
    }

    void resolveSuperclass() {
        if (raw_.superclass.empty()) {
            return;
        }
        superclass_ = lookup_(raw_.superclass);
        if (superclass_ == nullptr) {
            fail(raw_.superclassWhere,
                 "unknown superclass " + raw_.superclass + " of class " + raw_.name);
        }
        result_.superclass = superclass_->name;
        result_.properties = superclass_->properties;
        result_.methods = superclass_->methods;
        for (MofProperty& property : result_.properties) {
            property.qualifiers = mergeQualifiers(property.qualifiers, {});
        }
        for (MofMethod& method : result_.methods) {
            method.qualifiers = mergeQualifiers(method.qualifiers, {});
        }
        inheritedKeys_ = std::any_of(result_.properties.begin(), result_.properties.end(),
                                     [](const MofProperty& property) { return property.key; });
    }

    void resolveClassFlags() {
        const std::optional<bool> association = booleanQualifier(result_.qualifiers, "Association");
        const bool inheritedAssociation = superclass_ != nullptr && superclass_->association;
        if (inheritedAssociation && association == false) {
            fail(findQualifier(result_.qualifiers, "Association")->where,
                 "class " + raw_.name + " derives from the association " + superclass_->name +
                     " and cannot stop being an association");
        }
        if (association == true && superclass_ != nullptr && !inheritedAssociation) {
            fail(findQualifier(result_.qualifiers, "Association")->where,
                 "association " + raw_.name + " cannot derive from " + superclass_->name +
                     ", which is not an association");
        }
        result_.association = inheritedAssociation || association.value_or(false);
        result_.abstract = booleanQualifier(result_.qualifiers, "Abstract").value_or(false);
    }

    // Whether className (possibly the class being built) is baseName or
    // derives from it.
    bool derivesFrom(std::string_view className, std::string_view baseName) const {
        std::string current(className);
        if (namesEqual(current, raw_.name)) {
            if (namesEqual(current, baseName)) {
                return true;
            }
            current = raw_.superclass;
        }
        while (!current.empty()) {
            if (namesEqual(current, baseName)) {
                return true;
            }
            const MofClass* decl = lookup_(current);
            if (decl == nullptr) {
                return false;
            }
            current = decl->superclass;
        }
        return false;
    }

    struct ResolvedType {
        CMPIType type = CMPI_null;
        std::string referenceClass;
    };

    ResolvedType resolveType(const RawType& raw, const std::string& featureName,
                             bool allowReference) const {
        ResolvedType resolved;
        if (raw.reference) {
            if (!allowReference) {
                fail(raw.where, "a method cannot return a reference");
            }
            if (namesEqual(raw.name, raw_.name)) {
                resolved.referenceClass = raw_.name;
            } else if (const MofClass* target = lookup_(raw.name)) {
                resolved.referenceClass = target->name;
            } else {
                fail(raw.where, "unknown class " + raw.name + " in reference " + featureName);
            }
            resolved.type = CMPI_ref;
        } else {
            resolved.type = dataTypeFromKeyword(raw.name);
            if (resolved.type == CMPI_null) {
                fail(raw.where, "unknown data type " + raw.name +
                                    " (a reference is written ClassName REF name)");
            }
        }
        if (raw.array) {
            resolved.type = static_cast<CMPIType>(resolved.type | CMPI_ARRAY);
        }
        return resolved;
    }

    // The Override qualifier of a declaration: absent, or naming the
    // declaration itself.
    const MofQualifier* overrideQualifier(const MofQualifiers& own, const std::string& name) const {
        const MofQualifier* qualifier = findQualifier(own, "Override");
        if (qualifier == nullptr) {
            return nullptr;
        }
        if (qualifier->value.type() != CMPI_string || qualifier->value.isNull() ||
            !namesEqual(qualifier->value.asString(), name)) {
            fail(qualifier->where,
                 "Override on " + name + " must name it: Override(\"" + name + "\")");
        }
        return qualifier;
    }

    bool compatibleType(const ResolvedType& mine, CMPIType inheritedType,
                        const std::string& inheritedReference) const {
        if (mine.type != inheritedType) {
            return false;
        }
        return mine.type != CMPI_ref && mine.type != (CMPI_ref | CMPI_ARRAY)
                   ? true
                   : derivesFrom(mine.referenceClass, inheritedReference);
    }

    static std::string describeType(CMPIType type, const std::string& referenceClass) {
        if ((type & ~CMPI_ARRAY) == CMPI_ref) {
            return referenceClass + " REF" + ((type & CMPI_ARRAY) != 0 ? "[]" : "");
        }
        return typeName(type);
    }

    void addProperty(const RawProperty& raw) {
        for (const RawProperty& other : raw_.properties) {
            if (&other == &raw) {
                break;
            }
            if (namesEqual(other.name, raw.name)) {
                fail(raw.where, "duplicate property " + raw.name + " in class " + raw_.name +
                                    " (first declared at " + other.where.toString() + ")");
            }
        }
        if (raw.type.reference && !result_.association) {
            fail(raw.where, "reference " + raw.name + " is declared in class " + raw_.name +
                                ", which is not an association");
        }
        if (raw.type.reference && raw.type.array) {
            fail(raw.type.where, "a reference property cannot be an array");
        }
        const ResolvedType type = resolveType(raw.type, raw.name, true);
        const MofQualifiers own = convertQualifiers(raw.qualifiers);
        const MofQualifier* overriding = overrideQualifier(own, raw.name);
        MofProperty* inherited = findByName(result_.properties, raw.name);
        if (inherited != nullptr && overriding == nullptr) {
            fail(raw.where, "property " + raw.name + " is inherited from " +
                                inherited->declaringClass + "; redeclaring it needs Override(\"" +
                                raw.name + "\")");
        }
        if (inherited == nullptr && overriding != nullptr) {
            fail(overriding->where,
                 "class " + raw_.name + " inherits no property " + raw.name + " to override");
        }
        if (inherited != nullptr &&
            !compatibleType(type, inherited->type, inherited->referenceClass)) {
            fail(raw.type.where, "override of " + raw.name + " must keep the type " +
                                     describeType(inherited->type, inherited->referenceClass) +
                                     (inherited->isReference() ? " (or refer to a subclass)" : "") +
                                     ", not " + describeType(type.type, type.referenceClass));
        }

        MofProperty property;
        property.name = raw.name;
        property.type = type.type;
        property.arraySize = raw.type.arraySize;
        property.referenceClass = type.referenceClass;
        property.qualifiers =
            inherited != nullptr ? mergeQualifiers(inherited->qualifiers, own) : own;
        property.key = resolveKey(raw, own, inherited);
        property.classOrigin = inherited != nullptr ? inherited->classOrigin : raw_.name;
        property.declaringClass = raw_.name;
        property.where = raw.where;
        // A redeclaration without a value has none, as in sfcb's compiler: an
        // override drops the initial value it does not restate.
        if (raw.defaultValue) {
            property.defaultValue = valueForType(*raw.defaultValue, type.type, raw.type.arraySize);
        }
        // A redeclared property takes its place in this class's own order, so
        // keys follow the order the class writes them in.
        if (inherited != nullptr) {
            result_.properties.erase(result_.properties.begin() +
                                     (inherited - result_.properties.data()));
        }
        result_.properties.push_back(std::move(property));
    }

    bool resolveKey(const RawProperty& raw, const MofQualifiers& own,
                    const MofProperty* inherited) const {
        const std::optional<bool> declared = booleanQualifier(own, "Key");
        const bool inheritedKey = inherited != nullptr && inherited->key;
        if (inheritedKey && declared == false) {
            fail(findQualifier(own, "Key")->where, "property " + raw.name + " is a key of " +
                                                       inherited->declaringClass +
                                                       " and stays one in subclasses");
        }
        if (declared == true && !inheritedKey) {
            if (inheritedKeys_) {
                fail(findQualifier(own, "Key")->where,
                     "class " + raw_.name + " cannot add key " + raw.name + ": superclass " +
                         superclass_->name + " already defines the keys");
            }
            if (raw.type.array) {
                fail(findQualifier(own, "Key")->where, "key " + raw.name + " cannot be an array");
            }
        }
        return inheritedKey || declared.value_or(false);
    }

    MofParameter buildParameter(const RawParameter& raw) const {
        MofParameter parameter;
        parameter.name = raw.name;
        const ResolvedType type = resolveType(raw.type, raw.name, true);
        parameter.type = type.type;
        parameter.arraySize = raw.type.arraySize;
        parameter.referenceClass = type.referenceClass;
        parameter.qualifiers = convertQualifiers(raw.qualifiers);
        parameter.in = booleanQualifier(parameter.qualifiers, "In").value_or(true);
        parameter.out = booleanQualifier(parameter.qualifiers, "Out").value_or(false);
        parameter.where = raw.where;
        if (!parameter.in && !parameter.out) {
            fail(raw.where, "parameter " + raw.name + " is neither In nor Out");
        }
        return parameter;
    }

    void checkParametersMatch(const RawMethod& raw, const std::vector<MofParameter>& mine,
                              const MofMethod& inherited) const {
        if (mine.size() != inherited.parameters.size()) {
            fail(raw.where, "override of method " + raw.name + " must keep its " +
                                std::to_string(inherited.parameters.size()) + " parameters");
        }
        for (const MofParameter& parameter : mine) {
            const MofParameter* original = inherited.findParameter(parameter.name);
            if (original == nullptr) {
                fail(parameter.where, "method " + raw.name + " of " + inherited.declaringClass +
                                          " has no parameter " + parameter.name);
            }
            const ResolvedType resolved{parameter.type, parameter.referenceClass};
            if (!compatibleType(resolved, original->type, original->referenceClass)) {
                fail(parameter.where,
                     "override of parameter " + parameter.name + " must keep the type " +
                         describeType(original->type, original->referenceClass) + ", not " +
                         describeType(parameter.type, parameter.referenceClass));
            }
            if (parameter.in != original->in || parameter.out != original->out) {
                fail(parameter.where, "override of parameter " + parameter.name +
                                          " must keep its In and Out directions");
            }
        }
    }

    void addMethod(const RawMethod& raw) {
        for (const RawMethod& other : raw_.methods) {
            if (&other == &raw) {
                break;
            }
            if (namesEqual(other.name, raw.name)) {
                fail(raw.where, "duplicate method " + raw.name + " in class " + raw_.name +
                                    " (first declared at " + other.where.toString() + ")");
            }
        }
        if (raw.returnType.array) {
            fail(raw.returnType.where, "a method cannot return an array");
        }
        const ResolvedType returnType = resolveType(raw.returnType, raw.name, false);
        std::vector<MofParameter> parameters;
        for (const RawParameter& rawParameter : raw.parameters) {
            for (const MofParameter& earlier : parameters) {
                if (namesEqual(earlier.name, rawParameter.name)) {
                    fail(rawParameter.where,
                         "duplicate parameter " + rawParameter.name + " in method " + raw.name);
                }
            }
            parameters.push_back(buildParameter(rawParameter));
        }
        const MofQualifiers own = convertQualifiers(raw.qualifiers);
        const MofQualifier* overriding = overrideQualifier(own, raw.name);
        MofMethod* inherited = findByName(result_.methods, raw.name);
        if (inherited != nullptr && overriding == nullptr) {
            fail(raw.where, "method " + raw.name + " is inherited from " +
                                inherited->declaringClass + "; redeclaring it needs Override(\"" +
                                raw.name + "\")");
        }
        if (inherited == nullptr && overriding != nullptr) {
            fail(overriding->where,
                 "class " + raw_.name + " inherits no method " + raw.name + " to override");
        }
        if (inherited != nullptr) {
            if (returnType.type != inherited->returnType) {
                fail(raw.returnType.where, "override of method " + raw.name +
                                               " must keep the return type " +
                                               typeName(inherited->returnType));
            }
            checkParametersMatch(raw, parameters, *inherited);
        }

        MofMethod method;
        method.name = raw.name;
        method.returnType = returnType.type;
        method.parameters = std::move(parameters);
        method.qualifiers =
            inherited != nullptr ? mergeQualifiers(inherited->qualifiers, own) : own;
        method.classOrigin = inherited != nullptr ? inherited->classOrigin : raw_.name;
        method.declaringClass = raw_.name;
        method.where = raw.where;
        if (inherited != nullptr) {
            result_.methods.erase(result_.methods.begin() + (inherited - result_.methods.data()));
        }
        result_.methods.push_back(std::move(method));
    }

    void checkAssociationShape() const {
        if (result_.association && result_.references().size() < 2) {
            fail(raw_.where, "association " + raw_.name + " needs at least two references");
        }
    }

    const RawClass& raw_;
    const ClassLookup& lookup_;
    const MofClass* superclass_ = nullptr;
    bool inheritedKeys_ = false;
    MofClass result_;
};

}  // namespace

MofClass buildClass(const RawClass& raw, const ClassLookup& lookup) {
    return Builder(raw, lookup).build();
}

}  // namespace ovx::host::mof::detail
