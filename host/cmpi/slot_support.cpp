#include "cmpi/slot_support.h"

#include "cmpi/scope_stack.h"
#include "cmpi/string_handle.h"

#include <new>

namespace ovx::host::detail {

CMPIStatus makeStatus(CMPIrc rc, const std::string& message) noexcept {
    if (message.empty()) {
        return CMPIStatus{rc, nullptr};
    }
    try {
        return CMPIStatus{rc, newString(currentArena(), message)};
    } catch (...) {
        return CMPIStatus{rc, nullptr};
    }
}

void setStatus(CMPIStatus* out, CMPIrc rc, const std::string& message) noexcept {
    if (out != nullptr) {
        *out = makeStatus(rc, message);
    }
}

CMPIStatus currentExceptionStatus() noexcept {
    try {
        throw;
    } catch (const CimError& error) {
        return makeStatus(error.rc(), error.what());
    } catch (const std::bad_alloc&) {
        return makeStatus(CMPI_RC_ERROR_SYSTEM, "out of memory");
    } catch (const std::exception& error) {
        return makeStatus(CMPI_RC_ERR_FAILED, error.what());
    } catch (...) {
        return makeStatus(CMPI_RC_ERR_FAILED, "unknown failure");
    }
}

CMPIrc reportCurrentException(CMPIStatus* out) noexcept {
    try {
        throw;
    } catch (const CimError& error) {
        setStatus(out, error.rc(), error.what());
        return error.rc();
    } catch (const std::bad_alloc&) {
        setStatus(out, CMPI_RC_ERROR_SYSTEM, "out of memory");
        return CMPI_RC_ERROR_SYSTEM;
    } catch (const std::exception& error) {
        setStatus(out, CMPI_RC_ERR_FAILED, error.what());
        return CMPI_RC_ERR_FAILED;
    } catch (...) {
        setStatus(out, CMPI_RC_ERR_FAILED, "unknown failure");
        return CMPI_RC_ERR_FAILED;
    }
}

CMPIData failureData(CMPIrc rc) noexcept {
    CMPIData data{};
    data.type = CMPI_null;
    const bool missing = rc == CMPI_RC_ERR_NOT_FOUND || rc == CMPI_RC_ERR_NO_SUCH_PROPERTY;
    data.state =
        static_cast<CMPIValueState>(CMPI_nullValue | (missing ? CMPI_notFound : CMPI_badValue));
    return data;
}

const char* requireText(const char* text, const char* what) {
    if (text == nullptr) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, std::string("null ") + what);
    }
    return text;
}

}  // namespace ovx::host::detail
