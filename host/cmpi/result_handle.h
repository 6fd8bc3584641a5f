#pragma once

#include "cmpi/arena.h"
#include "ovx/host/result_data.h"

#include <cmpift.h>

namespace ovx::host::detail {

struct ResultHandle final : CMPIResult, HandleBase {
    ResultHandle();

    const char* typeName() const noexcept override { return "CMPIResult"; }
    std::string describe() const override;

    static CMPIResultFT table;

    ResultData data;
};

}  // namespace ovx::host::detail
