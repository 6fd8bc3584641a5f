#include "ovx/host/cim_status_names.h"

#include "ovx/host/names.h"

#include <array>
#include <string>
#include <utility>

namespace ovx::host {

namespace {

constexpr std::array<std::pair<CMPIrc, const char*>, 25> kNames{{
    {CMPI_RC_OK, "CIM_ERR_SUCCESS"},
    {CMPI_RC_ERR_FAILED, "CIM_ERR_FAILED"},
    {CMPI_RC_ERR_ACCESS_DENIED, "CIM_ERR_ACCESS_DENIED"},
    {CMPI_RC_ERR_INVALID_NAMESPACE, "CIM_ERR_INVALID_NAMESPACE"},
    {CMPI_RC_ERR_INVALID_PARAMETER, "CIM_ERR_INVALID_PARAMETER"},
    {CMPI_RC_ERR_INVALID_CLASS, "CIM_ERR_INVALID_CLASS"},
    {CMPI_RC_ERR_NOT_FOUND, "CIM_ERR_NOT_FOUND"},
    {CMPI_RC_ERR_NOT_SUPPORTED, "CIM_ERR_NOT_SUPPORTED"},
    {CMPI_RC_ERR_CLASS_HAS_CHILDREN, "CIM_ERR_CLASS_HAS_CHILDREN"},
    {CMPI_RC_ERR_CLASS_HAS_INSTANCES, "CIM_ERR_CLASS_HAS_INSTANCES"},
    {CMPI_RC_ERR_INVALID_SUPERCLASS, "CIM_ERR_INVALID_SUPERCLASS"},
    {CMPI_RC_ERR_ALREADY_EXISTS, "CIM_ERR_ALREADY_EXISTS"},
    {CMPI_RC_ERR_NO_SUCH_PROPERTY, "CIM_ERR_NO_SUCH_PROPERTY"},
    {CMPI_RC_ERR_TYPE_MISMATCH, "CIM_ERR_TYPE_MISMATCH"},
    {CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED, "CIM_ERR_QUERY_LANGUAGE_NOT_SUPPORTED"},
    {CMPI_RC_ERR_INVALID_QUERY, "CIM_ERR_INVALID_QUERY"},
    {CMPI_RC_ERR_METHOD_NOT_AVAILABLE, "CIM_ERR_METHOD_NOT_AVAILABLE"},
    {CMPI_RC_ERR_METHOD_NOT_FOUND, "CIM_ERR_METHOD_NOT_FOUND"},
    {CMPI_RC_NO_MORE_ELEMENTS, "CMPI_RC_NO_MORE_ELEMENTS"},
    {CMPI_RC_DO_NOT_UNLOAD, "CMPI_RC_DO_NOT_UNLOAD"},
    {CMPI_RC_NEVER_UNLOAD, "CMPI_RC_NEVER_UNLOAD"},
    {CMPI_RC_ERR_INVALID_HANDLE, "CMPI_RC_ERR_INVALID_HANDLE"},
    {CMPI_RC_ERR_INVALID_DATA_TYPE, "CMPI_RC_ERR_INVALID_DATA_TYPE"},
    {CMPI_RC_ERROR_SYSTEM, "CMPI_RC_ERROR_SYSTEM"},
    {CMPI_RC_ERROR, "CMPI_RC_ERROR"},
}};

}  // namespace

std::string cimStatusName(CMPIrc rc) {
    for (const auto& [code, name] : kNames) {
        if (code == rc) {
            return name;
        }
    }
    return "status " + std::to_string(static_cast<int>(rc));
}

std::optional<CMPIrc> cimStatusFromName(std::string_view name) {
    for (const auto& [code, known] : kNames) {
        if (namesEqual(name, known)) {
            return code;
        }
    }
    return std::nullopt;
}

}  // namespace ovx::host
