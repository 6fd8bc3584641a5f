#include "ovx/host/conversions.h"

#include "cmpi/args_handle.h"
#include "cmpi/context_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/result_handle.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/value_codec.h"

#include <utility>

namespace ovx::host {

using detail::currentArena;
using detail::currentRegistry;
using detail::make;
using detail::requireHandle;

CMPIObjectPath* toCmpi(const ObjectPath& path) {
    return &make<detail::ObjectPathHandle>(currentArena(), path, currentRegistry());
}

CMPIInstance* toCmpi(const Instance& instance) {
    return &make<detail::InstanceHandle>(currentArena(), instance, currentRegistry());
}

CMPIData toCmpi(const Value& value) {
    return detail::dataFrom(value, currentArena(), currentRegistry());
}

CMPIArgs* toCmpi(const Arguments& arguments) {
    return &make<detail::ArgsHandle>(currentArena(), arguments, currentRegistry());
}

CMPIContext* toCmpi(const Context& context) {
    return &make<detail::ContextHandle>(currentArena(), context);
}

ObjectPath fromCmpi(const CMPIObjectPath* path) {
    return requireHandle<detail::ObjectPathHandle>(path, "CMPIObjectPath").path;
}

Instance fromCmpi(const CMPIInstance* instance) {
    return requireHandle<detail::InstanceHandle>(instance, "CMPIInstance").instance;
}

Value fromCmpi(const CMPIData& data) {
    return detail::valueFrom(data);
}

Arguments fromCmpi(const CMPIArgs* arguments) {
    return requireHandle<detail::ArgsHandle>(arguments, "CMPIArgs").arguments;
}

Context fromCmpi(const CMPIContext* context) {
    return requireHandle<detail::ContextHandle>(context, "CMPIContext").context;
}

Value fromCmpi(const CMPIValue* value, CMPIType type) {
    return detail::valueFrom(value, type);
}

CMPIResult* newResult() {
    return &make<detail::ResultHandle>(currentArena());
}

const ResultData& resultData(const CMPIResult* result) {
    return requireHandle<detail::ResultHandle>(result, "CMPIResult").data;
}

ResultData takeResultData(const CMPIResult* result) {
    return std::exchange(requireHandle<detail::ResultHandle>(result, "CMPIResult").data, {});
}

}  // namespace ovx::host
