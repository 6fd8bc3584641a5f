// Qualifier values as the object path's qualifier slots report them,
// inherited along the superclass chain where the qualifier propagates.
// Each throws CimError: CMPI_RC_ERR_NOT_SUPPORTED without a registry,
// CMPI_RC_ERR_NOT_FOUND for an unknown class or a missing qualifier,
// CMPI_RC_ERR_NO_SUCH_PROPERTY / CMPI_RC_ERR_METHOD_NOT_FOUND for an unknown
// property, method or parameter.
#pragma once

#include "ovx/host/class_registry.h"
#include "ovx/host/value.h"

#include <string_view>

namespace ovx::host::detail {

Value classQualifier(const ClassRegistry* registry, std::string_view className,
                     std::string_view qualifier);
Value propertyQualifier(const ClassRegistry* registry, std::string_view className,
                        std::string_view property, std::string_view qualifier);
Value methodQualifier(const ClassRegistry* registry, std::string_view className,
                      std::string_view method, std::string_view qualifier);
Value parameterQualifier(const ClassRegistry* registry, std::string_view className,
                         std::string_view method, std::string_view parameter,
                         std::string_view qualifier);

}  // namespace ovx::host::detail
