// Turns MOF literals into typed host values, checking that they fit the
// declared type.
#pragma once

#include "raw_declarations.h"

#include "ovx/host/value.h"

#include <cmpidt.h>

namespace ovx::host::mof::detail {

// A CIM data type keyword (boolean, string, char16, datetime, uint8..64,
// sint8..64, real32, real64), any case; CMPI_null when it is none.
CMPIType dataTypeFromKeyword(std::string_view keyword) noexcept;

// The value of an initializer for a property or parameter of this type
// (CMPI_ARRAY set for arrays; arraySize bounds the element count). Throws
// SourceError at the offending literal.
Value valueForType(const Initializer& initializer, CMPIType type,
                   const std::optional<std::uint32_t>& arraySize);

// The value of a qualifier, whose type the reader does not know: integers
// become sint64 (uint64 beyond its range), reals real64, the rest by kind.
// A qualifier written without a value is true.
Value qualifierValue(const RawQualifier& qualifier);

}  // namespace ovx::host::mof::detail
