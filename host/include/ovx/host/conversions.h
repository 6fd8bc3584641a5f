// Conversions between host values and CMPI objects, for the code that calls
// providers. toCmpi makes objects owned by the current OperationScope (or by
// the caller when none is open); fromCmpi copies, and throws
// CimError(CMPI_RC_ERR_INVALID_HANDLE) for a null object or one that this
// host did not make.
#pragma once

#include "ovx/host/context.h"
#include "ovx/host/instance.h"
#include "ovx/host/named_values.h"
#include "ovx/host/object_path.h"
#include "ovx/host/result_data.h"
#include "ovx/host/value.h"

#include <cmpift.h>

namespace ovx::host {

CMPIObjectPath* toCmpi(const ObjectPath& path);
CMPIInstance* toCmpi(const Instance& instance);
CMPIData toCmpi(const Value& value);
CMPIArgs* toCmpi(const Arguments& arguments);
CMPIContext* toCmpi(const Context& context);

ObjectPath fromCmpi(const CMPIObjectPath* path);
Instance fromCmpi(const CMPIInstance* instance);
// A CMPI_notFound or CMPI_badValue item reads as a null value of its type.
Value fromCmpi(const CMPIData& data);
Arguments fromCmpi(const CMPIArgs* arguments);
Context fromCmpi(const CMPIContext* context);

// A value handed over the CMPI way (a CMPIValue pointer and type code, with
// CMPI_chars meaning the pointer is the text itself and a null pointer
// meaning a null value).
Value fromCmpi(const CMPIValue* value, CMPIType type);

// A result that collects what a provider returns.
CMPIResult* newResult();
// What the result has collected so far; the reference is valid as long as
// the result.
const ResultData& resultData(const CMPIResult* result);
// Moves what the result collected out of it, leaving it empty: a large
// answer is then held once, not once in the result and once in its copy.
ResultData takeResultData(const CMPIResult* result);

}  // namespace ovx::host
