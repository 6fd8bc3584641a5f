// CIM names (classes, properties, keys, qualifiers, namespaces) compare
// without regard to letter case; these helpers are the one place that says how.
#pragma once

#include <string>
#include <string_view>

namespace ovx::host {

bool namesEqual(std::string_view left, std::string_view right) noexcept;

// The spelling used as a lookup key: ASCII letters folded to lower case.
std::string foldName(std::string_view name);

// A CIM identifier: a letter or '_' followed by letters, digits or '_'.
bool isCimIdentifier(std::string_view name) noexcept;

}  // namespace ovx::host
