#include "cmpi/handle_identity.h"

#include "cmpi/args_handle.h"
#include "cmpi/array_handle.h"
#include "cmpi/context_handle.h"
#include "cmpi/datetime_handle.h"
#include "cmpi/enumeration_handle.h"
#include "cmpi/error_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/result_handle.h"
#include "cmpi/string_handle.h"

#include <cstddef>
#include <cstring>

namespace ovx::host::detail {

namespace {

// Every encapsulated object starts with { void* hdl; <table>* ft; }.
const void* tableOf(const void* object) noexcept {
    const void* table = nullptr;
    std::memcpy(&table, static_cast<const char*>(object) + offsetof(CMPIString, ft), sizeof table);
    return table;
}

template <typename Handle, typename Cmpi>
HandleBase* as(const void* object) noexcept {
    return static_cast<Handle*>(static_cast<Cmpi*>(const_cast<void*>(object)));
}

}  // namespace

HandleBase* identifyHandle(const void* object) noexcept {
    if (object == nullptr) {
        return nullptr;
    }
    const void* table = tableOf(object);
    if (table == &StringHandle::table) {
        return as<StringHandle, CMPIString>(object);
    }
    if (table == &ArrayHandle::table) {
        return as<ArrayHandle, CMPIArray>(object);
    }
    if (table == &EnumerationHandle::table) {
        return as<EnumerationHandle, CMPIEnumeration>(object);
    }
    if (table == &InstanceHandle::table) {
        return as<InstanceHandle, CMPIInstance>(object);
    }
    if (table == &ObjectPathHandle::table) {
        return as<ObjectPathHandle, CMPIObjectPath>(object);
    }
    if (table == &ArgsHandle::table) {
        return as<ArgsHandle, CMPIArgs>(object);
    }
    if (table == &DateTimeHandle::table) {
        return as<DateTimeHandle, CMPIDateTime>(object);
    }
    if (table == &ContextHandle::table) {
        return as<ContextHandle, CMPIContext>(object);
    }
    if (table == &ResultHandle::table) {
        return as<ResultHandle, CMPIResult>(object);
    }
    if (table == &ErrorHandle::table) {
        return as<ErrorHandle, CMPIError>(object);
    }
    return nullptr;
}

}  // namespace ovx::host::detail
