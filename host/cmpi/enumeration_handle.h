#pragma once

#include "cmpi/arena.h"
#include "cmpi/value_codec.h"
#include "ovx/host/value.h"

#include <cmpift.h>

#include <vector>

namespace ovx::host::detail {

struct EnumerationHandle final : CMPIEnumeration, HandleBase {
    EnumerationHandle(CMPIType elementType, std::vector<Value> items, RegistryPtr registry);

    const char* typeName() const noexcept override { return "CMPIEnumeration"; }
    std::string describe() const override;

    static CMPIEnumerationFT table;

    CMPIType elementType;
    std::vector<Value> items;
    std::size_t next = 0;  // getNext moves it through a const handle
    RegistryPtr registry;
};

CMPIEnumeration* newEnumeration(Arena& arena, CMPIType elementType, std::vector<Value> items,
                                RegistryPtr registry);

}  // namespace ovx::host::detail
