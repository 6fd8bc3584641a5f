#pragma once

#include "cmpi/arena.h"
#include "cmpi/value_codec.h"
#include "ovx/host/object_path.h"

#include <cmpift.h>

namespace ovx::host::detail {

struct ObjectPathHandle final : CMPIObjectPath, HandleBase {
    ObjectPathHandle(ObjectPath path, RegistryPtr registry);

    const char* typeName() const noexcept override { return "CMPIObjectPath"; }
    std::string describe() const override { return path.toString(); }

    static CMPIObjectPathFT table;

    ObjectPath path;
    RegistryPtr registry;  // answers the qualifier slots; may be null
};

}  // namespace ovx::host::detail
