#pragma once

#include "cmpi/arena.h"
#include "cmpi/value_codec.h"
#include "ovx/host/named_values.h"

#include <cmpift.h>

namespace ovx::host::detail {

struct ArgsHandle final : CMPIArgs, HandleBase {
    ArgsHandle(Arguments arguments, RegistryPtr registry);

    const char* typeName() const noexcept override { return "CMPIArgs"; }
    std::string describe() const override;

    static CMPIArgsFT table;

    Arguments arguments;
    RegistryPtr registry;
};

// name=value pairs joined by ','.
std::string describeNamedValues(const NamedValues& values);

}  // namespace ovx::host::detail
