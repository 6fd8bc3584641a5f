// What every CMPI slot needs: turning failures into CMPIStatus values
// (no exception ever crosses into a provider), and recovering the host
// handle behind a CMPI pointer.
#pragma once

#include "ovx/host/cim_error.h"

#include <cmpift.h>

#include <string>

namespace ovx::host::detail {

// A status whose message (when not empty) is a string owned by the current
// scope. Never throws: without memory for the message it carries none.
CMPIStatus makeStatus(CMPIrc rc, const std::string& message = {}) noexcept;
inline CMPIStatus okStatus() noexcept {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

// Writes the status when out is not null.
void setStatus(CMPIStatus* out, CMPIrc rc, const std::string& message = {}) noexcept;

// Inside a catch block: the status describing the exception in flight.
CMPIStatus currentExceptionStatus() noexcept;
// Inside a catch block: reports the exception through out (when not null)
// and gives its return code.
CMPIrc reportCurrentException(CMPIStatus* out) noexcept;

// The item a getter returns when it fails.
CMPIData failureData(CMPIrc rc) noexcept;

template <typename Body>
CMPIStatus guardStatus(Body&& body) noexcept {
    try {
        body();
        return okStatus();
    } catch (...) {
        return currentExceptionStatus();
    }
}

template <typename T, typename Body>
T guardValue(CMPIStatus* rc, T failure, Body&& body) noexcept {
    try {
        T result = body();
        setStatus(rc, CMPI_RC_OK);
        return result;
    } catch (...) {
        reportCurrentException(rc);
        return failure;
    }
}

template <typename Body>
CMPIData guardData(CMPIStatus* rc, Body&& body) noexcept {
    try {
        CMPIData data = body();
        setStatus(rc, CMPI_RC_OK);
        return data;
    } catch (...) {
        return failureData(reportCurrentException(rc));
    }
}

// The handle behind a CMPI object pointer, checked by its function table.
template <typename Handle, typename Cmpi>
Handle& requireHandle(const Cmpi* object, const char* typeName) {
    if (object == nullptr) {
        throw CimError(CMPI_RC_ERR_INVALID_HANDLE, std::string("null ") + typeName);
    }
    if (object->ft != &Handle::table) {
        throw CimError(CMPI_RC_ERR_INVALID_HANDLE,
                       std::string("the ") + typeName + " was not made by this host");
    }
    return static_cast<Handle&>(*const_cast<Cmpi*>(object));
}

template <typename Handle, typename Cmpi>
Handle* findHandle(const Cmpi* object) noexcept {
    if (object == nullptr || object->ft != &Handle::table) {
        return nullptr;
    }
    return static_cast<Handle*>(const_cast<Cmpi*>(object));
}

// A required text argument; throws CimError(CMPI_RC_ERR_INVALID_PARAMETER)
// naming it when null.
const char* requireText(const char* text, const char* what);

}  // namespace ovx::host::detail
