#include "cmpi/array_handle.h"

#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"

namespace ovx::host::detail {

namespace {

ArrayHandle& self(const CMPIArray* array) {
    return requireHandle<ArrayHandle>(array, "CMPIArray");
}

void checkIndex(const ArrayHandle& handle, CMPICount index) {
    if (index >= handle.elements.size()) {
        throw CimError(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                       "index " + std::to_string(index) + " lies outside an array of " +
                           std::to_string(handle.elements.size()) + " elements");
    }
}

CMPIStatus releaseArray(CMPIArray* array) {
    return guardStatus([&] { release(self(array)); });
}

CMPIArray* cloneArray(const CMPIArray* array, CMPIStatus* rc) {
    return guardValue<CMPIArray*>(rc, nullptr, [&] {
        const ArrayHandle& handle = self(array);
        return &make<ArrayHandle>(callerArena(), handle.elementType, handle.elements,
                                  handle.registry);
    });
}

CMPICount getSize(const CMPIArray* array, CMPIStatus* rc) {
    return guardValue<CMPICount>(
        rc, 0, [&] { return static_cast<CMPICount>(self(array).elements.size()); });
}

CMPIType getSimpleType(const CMPIArray* array, CMPIStatus* rc) {
    return guardValue<CMPIType>(rc, CMPI_null, [&] { return self(array).elementType; });
}

CMPIData getElementAt(const CMPIArray* array, CMPICount index, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ArrayHandle& handle = self(array);
        checkIndex(handle, index);
        return dataFrom(handle.elements[index], handle.children(), handle.registry);
    });
}

CMPIStatus setElementAt(CMPIArray* array, CMPICount index, const CMPIValue* value, CMPIType type) {
    return guardStatus([&] {
        ArrayHandle& handle = self(array);
        checkIndex(handle, index);
        Value element = valueFrom(value, type);
        if (element.type() == CMPI_null) {
            element = Value::null(handle.elementType);
        } else if (element.type() != handle.elementType) {
            throw CimError(CMPI_RC_ERR_TYPE_MISMATCH, "a " + typeName(type) +
                                                          " value cannot go into a " +
                                                          typeName(handle.elementType) + " array");
        }
        handle.elements[index] = std::move(element);
    });
}

}  // namespace

CMPIArrayFT ArrayHandle::table = {CMPICurrentVersion, releaseArray, cloneArray,  getSize,
                                  getSimpleType,      getElementAt, setElementAt};

ArrayHandle::ArrayHandle(CMPIType type, std::vector<Value> items, RegistryPtr classes)
    : CMPIArray{nullptr, &table},
      elementType(type == CMPI_chars ? static_cast<CMPIType>(CMPI_string) : type),
      elements(std::move(items)),
      registry(std::move(classes)) {
    hdl = static_cast<HandleBase*>(this);
}

std::string ArrayHandle::describe() const {
    return toValue().toText();
}

}  // namespace ovx::host::detail
