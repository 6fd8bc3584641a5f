// Host values to and from CMPI items, following the CMPI value-passing
// conventions: a CMPIValue pointer plus a type code in, CMPIData out.
#pragma once

#include "cmpi/arena.h"
#include "ovx/host/class_registry.h"
#include "ovx/host/value.h"

#include <cmpift.h>

#include <memory>

namespace ovx::host::detail {

using RegistryPtr = std::shared_ptr<const ClassRegistry>;

// CMPI_chars: the pointer is the text itself. A null pointer gives a null
// value of the type. Objects (strings, paths, instances, datetimes, arrays)
// are copied. Throws CimError: CMPI_RC_ERR_INVALID_DATA_TYPE for a type no
// CIM value has, CMPI_RC_ERR_INVALID_HANDLE for a foreign object,
// CMPI_RC_ERR_TYPE_MISMATCH for an array of another type than announced.
Value valueFrom(const CMPIValue* value, CMPIType type);
Value valueFrom(const CMPIData& data);

// Objects the item needs are made in `owner`.
CMPIData dataFrom(const Value& value, Arena& owner, const RegistryPtr& registry);

}  // namespace ovx::host::detail
