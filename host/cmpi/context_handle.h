#pragma once

#include "cmpi/arena.h"
#include "ovx/host/context.h"

#include <cmpift.h>

namespace ovx::host::detail {

struct ContextHandle final : CMPIContext, HandleBase {
    explicit ContextHandle(Context context);

    const char* typeName() const noexcept override { return "CMPIContext"; }
    std::string describe() const override;

    static CMPIContextFT table;

    Context context;
    // Made by prepareAttachThread for a new thread; detachThread frees it.
    bool preparedForThread = false;
};

}  // namespace ovx::host::detail
