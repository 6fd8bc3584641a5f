#include "cmpi/object_path_handle.h"

#include "cmpi/qualifier_lookup.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"

namespace ovx::host::detail {

namespace {

ObjectPathHandle& self(const CMPIObjectPath* path) {
    return requireHandle<ObjectPathHandle>(path, "CMPIObjectPath");
}

CMPIString* childString(const ObjectPathHandle& handle, std::string text) {
    return newString(handle.children(), std::move(text));
}

CMPIData keyData(const ObjectPathHandle& handle, const Value& value) {
    CMPIData data = dataFrom(value, handle.children(), handle.registry);
    data.state = static_cast<CMPIValueState>(data.state | CMPI_keyValue);
    return data;
}

CMPIData qualifierData(const ObjectPathHandle& handle, const Value& value) {
    return dataFrom(value, handle.children(), handle.registry);
}

CMPIStatus releasePath(CMPIObjectPath* path) {
    return guardStatus([&] { release(self(path)); });
}

CMPIObjectPath* clonePath(const CMPIObjectPath* path, CMPIStatus* rc) {
    return guardValue<CMPIObjectPath*>(rc, nullptr, [&] {
        const ObjectPathHandle& handle = self(path);
        return &make<ObjectPathHandle>(callerArena(), handle.path, handle.registry);
    });
}

CMPIStatus setNameSpace(CMPIObjectPath* path, const char* nameSpace) {
    return guardStatus(
        [&] { self(path).path.setNameSpace(nameSpace == nullptr ? "" : nameSpace); });
}

CMPIString* getNameSpace(const CMPIObjectPath* path, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        const ObjectPathHandle& handle = self(path);
        return childString(handle, handle.path.nameSpace());
    });
}

CMPIStatus setHostname(CMPIObjectPath* path, const char* host) {
    return guardStatus([&] { self(path).path.setHost(host == nullptr ? "" : host); });
}

CMPIString* getHostname(const CMPIObjectPath* path, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        const ObjectPathHandle& handle = self(path);
        return childString(handle, handle.path.host());
    });
}

CMPIStatus setClassName(CMPIObjectPath* path, const char* className) {
    return guardStatus([&] { self(path).path.setClassName(requireText(className, "class name")); });
}

CMPIString* getClassName(const CMPIObjectPath* path, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        const ObjectPathHandle& handle = self(path);
        return childString(handle, handle.path.className());
    });
}

CMPIStatus addKey(CMPIObjectPath* path, const char* name, const CMPIValue* value,
                  const CMPIType type) {
    return guardStatus([&] {
        ObjectPathHandle& handle = self(path);
        handle.path.setKey(requireText(name, "key name"), valueFrom(value, type));
    });
}

CMPIData getKey(const CMPIObjectPath* path, const char* name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ObjectPathHandle& handle = self(path);
        const Value* key = handle.path.findKey(requireText(name, "key name"));
        if (key == nullptr) {
            throw CimError(CMPI_RC_ERR_NOT_FOUND, "the path has no key " + std::string(name));
        }
        return keyData(handle, *key);
    });
}

CMPIData getKeyAt(const CMPIObjectPath* path, CMPICount index, CMPIString** name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ObjectPathHandle& handle = self(path);
        const auto& [keyName, key] = handle.path.keys().at(index);
        if (name != nullptr) {
            *name = childString(handle, keyName);
        }
        return keyData(handle, key);
    });
}

CMPICount getKeyCount(const CMPIObjectPath* path, CMPIStatus* rc) {
    return guardValue<CMPICount>(
        rc, 0, [&] { return static_cast<CMPICount>(self(path).path.keys().size()); });
}

CMPIStatus setNameSpaceFromObjectPath(CMPIObjectPath* path, const CMPIObjectPath* source) {
    return guardStatus([&] {
        ObjectPathHandle& target = self(path);
        target.path.setNameSpace(self(source).path.nameSpace());
    });
}

CMPIStatus setHostAndNameSpaceFromObjectPath(CMPIObjectPath* path, const CMPIObjectPath* source) {
    return guardStatus([&] {
        ObjectPathHandle& target = self(path);
        const ObjectPath& from = self(source).path;
        target.path.setNameSpace(from.nameSpace());
        target.path.setHost(from.host());
    });
}

CMPIData getClassQualifier(const CMPIObjectPath* path, const char* qualifier, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ObjectPathHandle& handle = self(path);
        return qualifierData(handle, classQualifier(handle.registry.get(), handle.path.className(),
                                                    requireText(qualifier, "qualifier name")));
    });
}

CMPIData getPropertyQualifier(const CMPIObjectPath* path, const char* property,
                              const char* qualifier, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ObjectPathHandle& handle = self(path);
        return qualifierData(handle,
                             propertyQualifier(handle.registry.get(), handle.path.className(),
                                               requireText(property, "property name"),
                                               requireText(qualifier, "qualifier name")));
    });
}

CMPIData getMethodQualifier(const CMPIObjectPath* path, const char* method, const char* qualifier,
                            CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ObjectPathHandle& handle = self(path);
        return qualifierData(handle, methodQualifier(handle.registry.get(), handle.path.className(),
                                                     requireText(method, "method name"),
                                                     requireText(qualifier, "qualifier name")));
    });
}

CMPIData getParameterQualifier(const CMPIObjectPath* path, const char* method,
                               const char* parameter, const char* qualifier, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ObjectPathHandle& handle = self(path);
        return qualifierData(handle,
                             parameterQualifier(handle.registry.get(), handle.path.className(),
                                                requireText(method, "method name"),
                                                requireText(parameter, "parameter name"),
                                                requireText(qualifier, "qualifier name")));
    });
}

CMPIString* pathToString(const CMPIObjectPath* path, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        const ObjectPathHandle& handle = self(path);
        return childString(handle, handle.path.toString());
    });
}

}  // namespace

CMPIObjectPathFT ObjectPathHandle::table = {CMPICurrentVersion,
                                            releasePath,
                                            clonePath,
                                            setNameSpace,
                                            getNameSpace,
                                            setHostname,
                                            getHostname,
                                            setClassName,
                                            getClassName,
                                            addKey,
                                            getKey,
                                            getKeyAt,
                                            getKeyCount,
                                            setNameSpaceFromObjectPath,
                                            setHostAndNameSpaceFromObjectPath,
                                            getClassQualifier,
                                            getPropertyQualifier,
                                            getMethodQualifier,
                                            getParameterQualifier,
                                            pathToString};

ObjectPathHandle::ObjectPathHandle(ObjectPath value, RegistryPtr classes)
    : CMPIObjectPath{nullptr, &table}, path(std::move(value)), registry(std::move(classes)) {
    hdl = static_cast<HandleBase*>(this);
}

}  // namespace ovx::host::detail
