#pragma once

#include "cmpi/arena.h"
#include "cmpi/value_codec.h"
#include "ovx/host/value.h"

#include <cmpift.h>

#include <vector>

namespace ovx::host::detail {

struct ArrayHandle final : CMPIArray, HandleBase {
    // elementType is a scalar type; CMPI_chars is kept as CMPI_string.
    ArrayHandle(CMPIType elementType, std::vector<Value> elements, RegistryPtr registry);

    const char* typeName() const noexcept override { return "CMPIArray"; }
    std::string describe() const override;
    Value toValue() const { return Value::array(elementType, elements); }

    static CMPIArrayFT table;

    CMPIType elementType;
    std::vector<Value> elements;
    RegistryPtr registry;
};

}  // namespace ovx::host::detail
