#include "cmpi/result_handle.h"

#include "cmpi/error_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/slot_support.h"
#include "cmpi/value_codec.h"

namespace ovx::host::detail {

namespace {

ResultHandle& self(const CMPIResult* result) {
    return requireHandle<ResultHandle>(result, "CMPIResult");
}

// A result is the operation's own: the host reads it after the provider
// returns, so a provider can neither free nor duplicate it.
CMPIStatus releaseResult(CMPIResult* result) {
    return guardStatus([&] {
        self(result);
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "a CMPIResult belongs to its operation");
    });
}

CMPIResult* cloneResult(const CMPIResult* result, CMPIStatus* rc) {
    return guardValue<CMPIResult*>(rc, nullptr, [&]() -> CMPIResult* {
        self(result);
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "a CMPIResult cannot be cloned");
    });
}

CMPIStatus returnData(const CMPIResult* result, const CMPIValue* value, const CMPIType type) {
    return guardStatus([&] { self(result).data.data.push_back(valueFrom(value, type)); });
}

CMPIStatus returnInstance(const CMPIResult* result, const CMPIInstance* instance) {
    return guardStatus([&] {
        ResultHandle& handle = self(result);
        handle.data.instances.push_back(
            requireHandle<InstanceHandle>(instance, "CMPIInstance").instance);
    });
}

CMPIStatus returnObjectPath(const CMPIResult* result, const CMPIObjectPath* path) {
    return guardStatus([&] {
        ResultHandle& handle = self(result);
        handle.data.objectPaths.push_back(
            requireHandle<ObjectPathHandle>(path, "CMPIObjectPath").path);
    });
}

CMPIStatus returnDone(const CMPIResult* result) {
    return guardStatus([&] { ++self(result).data.doneCount; });
}

CMPIStatus returnError(const CMPIResult* result, const CMPIError* error) {
    return guardStatus([&] {
        ResultHandle& handle = self(result);
        handle.data.errors.push_back(requireHandle<ErrorHandle>(error, "CMPIError").info);
    });
}

}  // namespace

CMPIResultFT ResultHandle::table = {CMPICurrentVersion, releaseResult,    cloneResult, returnData,
                                    returnInstance,     returnObjectPath, returnDone,  returnError};

ResultHandle::ResultHandle() : CMPIResult{nullptr, &table} {
    hdl = static_cast<HandleBase*>(this);
}

std::string ResultHandle::describe() const {
    return "result of " + std::to_string(data.objectPaths.size()) + " object paths, " +
           std::to_string(data.instances.size()) + " instances, " +
           std::to_string(data.data.size()) + " values, " + std::to_string(data.errors.size()) +
           " errors, done " + std::to_string(data.doneCount) + " times";
}

}  // namespace ovx::host::detail
