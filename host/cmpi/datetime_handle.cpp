#include "cmpi/datetime_handle.h"

#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"

namespace ovx::host::detail {

namespace {

DateTimeHandle& self(const CMPIDateTime* dateTime) {
    return requireHandle<DateTimeHandle>(dateTime, "CMPIDateTime");
}

CMPIStatus releaseDateTime(CMPIDateTime* dateTime) {
    return guardStatus([&] { release(self(dateTime)); });
}

CMPIDateTime* cloneDateTime(const CMPIDateTime* dateTime, CMPIStatus* rc) {
    return guardValue<CMPIDateTime*>(
        rc, nullptr, [&] { return &make<DateTimeHandle>(callerArena(), self(dateTime).value); });
}

CMPIUint64 getBinaryFormat(const CMPIDateTime* dateTime, CMPIStatus* rc) {
    return guardValue<CMPIUint64>(rc, 0, [&] {
        const CimDateTime& value = self(dateTime).value;
        if (value.microseconds() < 0) {
            throw CimError(CMPI_RC_ERR_FAILED,
                           value.toString() + " lies before 1970 and has no binary form");
        }
        return static_cast<CMPIUint64>(value.microseconds());
    });
}

CMPIString* getStringFormat(const CMPIDateTime* dateTime, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr, [&] {
        const DateTimeHandle& handle = self(dateTime);
        return newString(handle.children(), handle.value.toString());
    });
}

CMPIBoolean isInterval(const CMPIDateTime* dateTime, CMPIStatus* rc) {
    return guardValue<CMPIBoolean>(rc, 0,
                                   [&] { return self(dateTime).value.isInterval() ? 1 : 0; });
}

}  // namespace

CMPIDateTimeFT DateTimeHandle::table = {CMPICurrentVersion, releaseDateTime, cloneDateTime,
                                        getBinaryFormat,    getStringFormat, isInterval};

DateTimeHandle::DateTimeHandle(CimDateTime dateTime)
    : CMPIDateTime{nullptr, &table}, value(dateTime) {
    hdl = static_cast<HandleBase*>(this);
}

}  // namespace ovx::host::detail
