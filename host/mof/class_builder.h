// Checks a class as written against the classes known so far and resolves
// it: inherited properties and methods, overrides, keys, defaults.
#pragma once

#include "raw_declarations.h"

#include "ovx/host/mof/class_set.h"

#include <functional>
#include <string_view>

namespace ovx::host::mof::detail {

// Finds a known class of the namespace being read, or null.
using ClassLookup = std::function<const MofClass*(std::string_view name)>;

// Throws SourceError for a duplicate or badly named class, an unknown
// superclass or referenced class, a duplicate or badly overridden feature,
// misplaced keys or references, and values that do not fit their type.
MofClass buildClass(const RawClass& raw, const ClassLookup& lookup);

}  // namespace ovx::host::mof::detail
