#pragma once

#include "ovx/host/router.h"

#include <optional>
#include <string>

namespace ovx::host::detail {

// A NULL-terminated list of names; a null list means all properties.
inline PropertyList propertyListFrom(const char** list) {
    if (list == nullptr) {
        return std::nullopt;
    }
    std::vector<std::string> names;
    for (const char** name = list; *name != nullptr; ++name) {
        names.emplace_back(*name);
    }
    return names;
}

inline std::optional<std::string> optionalText(const char* text) {
    return text == nullptr ? std::nullopt : std::optional<std::string>(text);
}

}  // namespace ovx::host::detail
