#pragma once

#include "cmpi/arena.h"
#include "ovx/host/datetime.h"

#include <cmpift.h>

namespace ovx::host::detail {

struct DateTimeHandle final : CMPIDateTime, HandleBase {
    explicit DateTimeHandle(CimDateTime value);

    const char* typeName() const noexcept override { return "CMPIDateTime"; }
    std::string describe() const override { return value.toString(); }

    static CMPIDateTimeFT table;

    CimDateTime value;
};

}  // namespace ovx::host::detail
