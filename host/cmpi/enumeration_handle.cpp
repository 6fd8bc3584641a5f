#include "cmpi/enumeration_handle.h"

#include "cmpi/array_handle.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"

namespace ovx::host::detail {

namespace {

EnumerationHandle& self(const CMPIEnumeration* enumeration) {
    return requireHandle<EnumerationHandle>(enumeration, "CMPIEnumeration");
}

CMPIStatus releaseEnumeration(CMPIEnumeration* enumeration) {
    return guardStatus([&] { release(self(enumeration)); });
}

CMPIEnumeration* cloneEnumeration(const CMPIEnumeration* enumeration, CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const EnumerationHandle& handle = self(enumeration);
        EnumerationHandle& copy = make<EnumerationHandle>(callerArena(), handle.elementType,
                                                          handle.items, handle.registry);
        copy.next = handle.next;
        return &copy;
    });
}

CMPIData getNext(const CMPIEnumeration* enumeration, CMPIStatus* rc) {
    return guardData(rc, [&] {
        EnumerationHandle& handle = self(enumeration);
        if (handle.next >= handle.items.size()) {
            throw CimError(CMPI_RC_ERR_NOT_FOUND, "the enumeration has no more elements");
        }
        const Value& item = handle.items[handle.next];
        CMPIData data = dataFrom(item, handle.children(), handle.registry);
        ++handle.next;
        return data;
    });
}

CMPIBoolean hasNext(const CMPIEnumeration* enumeration, CMPIStatus* rc) {
    return guardValue<CMPIBoolean>(rc, 0, [&] {
        const EnumerationHandle& handle = self(enumeration);
        return handle.next < handle.items.size() ? 1 : 0;
    });
}

CMPIArray* toArray(const CMPIEnumeration* enumeration, CMPIStatus* rc) {
    return guardValue<CMPIArray*>(rc, nullptr, [&] {
        const EnumerationHandle& handle = self(enumeration);
        return &make<ArrayHandle>(handle.children(), handle.elementType, handle.items,
                                  handle.registry);
    });
}

}  // namespace

CMPIEnumerationFT EnumerationHandle::table = {
    CMPICurrentVersion, releaseEnumeration, cloneEnumeration, getNext, hasNext, toArray};

EnumerationHandle::EnumerationHandle(CMPIType type, std::vector<Value> values, RegistryPtr classes)
    : CMPIEnumeration{nullptr, &table},
      elementType(type),
      items(std::move(values)),
      registry(std::move(classes)) {
    hdl = static_cast<HandleBase*>(this);
}

std::string EnumerationHandle::describe() const {
    std::string text = "{";
    for (std::size_t i = 0; i < items.size(); ++i) {
        text += (i == 0 ? "" : ",") + items[i].toText();
    }
    return text + "}";
}

CMPIEnumeration* newEnumeration(Arena& arena, CMPIType elementType, std::vector<Value> items,
                                RegistryPtr registry) {
    return &make<EnumerationHandle>(arena, elementType, std::move(items), std::move(registry));
}

}  // namespace ovx::host::detail
