#pragma once

#include "cmpi/arena.h"
#include "cmpi/value_codec.h"
#include "ovx/host/instance.h"

#include <cmpift.h>

#include <optional>
#include <string>
#include <vector>

namespace ovx::host::detail {

struct InstanceHandle final : CMPIInstance, HandleBase {
    InstanceHandle(Instance instance, RegistryPtr registry);

    const char* typeName() const noexcept override { return "CMPIInstance"; }
    std::string describe() const override { return instance.toString(); }

    // Sets a property unless the property filter excludes it, and keeps a
    // key of the path in step with a property of the same name.
    void assign(std::string_view name, Value value);
    bool admits(std::string_view name) const;
    // Narrows the instance to the listed properties (and its keys), or
    // lifts the filter when given no list.
    void applyFilter(std::optional<std::vector<std::string>> names);

    static CMPIInstanceFT table;

    Instance instance;
    std::optional<std::vector<std::string>> filter;
    RegistryPtr registry;
};

}  // namespace ovx::host::detail
