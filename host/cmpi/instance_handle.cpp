#include "cmpi/instance_handle.h"

#include "cmpi/object_path_handle.h"
#include "cmpi/property_list.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"
#include "ovx/host/names.h"

#include <algorithm>

namespace ovx::host::detail {

namespace {

InstanceHandle& self(const CMPIInstance* instance) {
    return requireHandle<InstanceHandle>(instance, "CMPIInstance");
}

// Whether the class declares the property as a key, as far as the registry
// knows.
bool declaredKey(const RegistryPtr& registry, const std::string& className,
                 std::string_view property) {
    if (registry == nullptr) {
        return false;
    }
    for (const auto& decl : registry->lineage(className)) {
        if (const PropertyDecl* found = decl->findProperty(property)) {
            return found->isKey();
        }
    }
    return false;
}

CMPIStatus releaseInstance(CMPIInstance* instance) {
    return guardStatus([&] { release(self(instance)); });
}

CMPIInstance* cloneInstance(const CMPIInstance* instance, CMPIStatus* rc) {
    return guardValue<CMPIInstance*>(rc, nullptr, [&] {
        const InstanceHandle& handle = self(instance);
        InstanceHandle& copy =
            make<InstanceHandle>(callerArena(), handle.instance, handle.registry);
        copy.filter = handle.filter;
        return &copy;
    });
}

CMPIData getProperty(const CMPIInstance* instance, const char* name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const InstanceHandle& handle = self(instance);
        const Value* value = handle.instance.findProperty(requireText(name, "property name"));
        if (value == nullptr) {
            throw CimError(
                CMPI_RC_ERR_NO_SUCH_PROPERTY,
                "instance of " + handle.instance.className() + " has no property " + name);
        }
        return dataFrom(*value, handle.children(), handle.registry);
    });
}

CMPIData getPropertyAt(const CMPIInstance* instance, CMPICount index, CMPIString** name,
                       CMPIStatus* rc) {
    return guardData(rc, [&] {
        const InstanceHandle& handle = self(instance);
        if (index >= handle.instance.properties().size()) {
            throw CimError(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                           "property index " + std::to_string(index) + " is past the last of " +
                               std::to_string(handle.instance.properties().size()));
        }
        const auto& [propertyName, value] = handle.instance.properties().at(index);
        if (name != nullptr) {
            *name = newString(handle.children(), propertyName);
        }
        return dataFrom(value, handle.children(), handle.registry);
    });
}

CMPICount getPropertyCount(const CMPIInstance* instance, CMPIStatus* rc) {
    return guardValue<CMPICount>(
        rc, 0, [&] { return static_cast<CMPICount>(self(instance).instance.properties().size()); });
}

CMPIStatus setProperty(const CMPIInstance* instance, const char* name, const CMPIValue* value,
                       CMPIType type) {
    return guardStatus(
        [&] { self(instance).assign(requireText(name, "property name"), valueFrom(value, type)); });
}

CMPIObjectPath* getObjectPath(const CMPIInstance* instance, CMPIStatus* rc) {
    return guardValue<CMPIObjectPath*>(rc, nullptr, [&] {
        const InstanceHandle& handle = self(instance);
        return &make<ObjectPathHandle>(handle.children(), handle.instance.path(), handle.registry);
    });
}

CMPIStatus setPropertyFilter(CMPIInstance* instance, const char** propertyList,
                             const char** /*keys: the path knows its keys*/) {
    return guardStatus([&] { self(instance).applyFilter(propertyListFrom(propertyList)); });
}

CMPIStatus setObjectPath(CMPIInstance* instance, const CMPIObjectPath* path) {
    return guardStatus([&] {
        InstanceHandle& handle = self(instance);
        handle.instance.setPath(requireHandle<ObjectPathHandle>(path, "CMPIObjectPath").path);
    });
}

// The host does not track class origins; the value is set as by setProperty.
CMPIStatus setPropertyWithOrigin(const CMPIInstance* instance, const char* name,
                                 const CMPIValue* value, const CMPIType type,
                                 const char* /*origin*/) {
    return setProperty(instance, name, value, type);
}

}  // namespace

CMPIInstanceFT InstanceHandle::table = {CMPICurrentVersion, releaseInstance,      cloneInstance,
                                        getProperty,        getPropertyAt,        getPropertyCount,
                                        setProperty,        getObjectPath,        setPropertyFilter,
                                        setObjectPath,      setPropertyWithOrigin};

InstanceHandle::InstanceHandle(Instance value, RegistryPtr classes)
    : CMPIInstance{nullptr, &table}, instance(std::move(value)), registry(std::move(classes)) {
    hdl = static_cast<HandleBase*>(this);
}

bool InstanceHandle::admits(std::string_view name) const {
    if (!filter) {
        return true;
    }
    const bool listed = std::any_of(filter->begin(), filter->end(), [&](const std::string& entry) {
        return namesEqual(entry, name);
    });
    return listed || instance.path().findKey(name) != nullptr ||
           declaredKey(registry, instance.className(), name);
}

void InstanceHandle::assign(std::string_view name, Value value) {
    if (!admits(name)) {
        return;  // filtered out: the caller asked not to see it
    }
    const bool keyBinding = !value.isNull() && !value.isArray() && value.type() != CMPI_instance &&
                            (instance.path().findKey(name) != nullptr ||
                             declaredKey(registry, instance.className(), name));
    if (keyBinding) {
        ObjectPath path = instance.path();
        path.setKey(name, value);
        instance.setPath(std::move(path));
    }
    instance.setProperty(name, std::move(value));
}

void InstanceHandle::applyFilter(std::optional<std::vector<std::string>> names) {
    filter = std::move(names);
    if (!filter) {
        return;
    }
    std::vector<std::string> excluded;
    for (const auto& entry : instance.properties()) {
        if (!admits(entry.first)) {
            excluded.push_back(entry.first);
        }
    }
    for (const std::string& name : excluded) {
        instance.removeProperty(name);
    }
}

}  // namespace ovx::host::detail
