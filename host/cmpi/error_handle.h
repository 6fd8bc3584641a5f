#pragma once

#include "cmpi/arena.h"
#include "ovx/host/error_info.h"

#include <cmpift.h>

namespace ovx::host::detail {

struct ErrorHandle final : CMPIError, HandleBase {
    explicit ErrorHandle(ErrorInfo info);

    const char* typeName() const noexcept override { return "CMPIError"; }
    std::string describe() const override { return info.toString(); }

    static CMPIErrorFT table;

    ErrorInfo info;
};

}  // namespace ovx::host::detail
