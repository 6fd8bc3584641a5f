// Message texts and the broker's log and trace channels.
#pragma once

#include <cmpift.h>

#include <cstdarg>
#include <string>

namespace ovx::host::detail {

// The default text with $0..$9 replaced by the count (type code, value)
// pairs in args. Stops at the first type code it cannot read and reports
// CMPI_RC_ERR_INVALID_DATA_TYPE through problem; a $n without an argument
// stays as written.
std::string formatMessage(const char* defaultText, CMPICount count, va_list args, CMPIrc& problem);

// Severity is a CMPISeverity, level a CMPILevel; throws
// CimError(CMPI_RC_ERR_INVALID_PARAMETER) for other values and
// CimError(CMPI_RC_ERR_FAILED) when the record could not be written.
void writeLogMessage(int severity, const std::string& component, const std::string& text);
void writeTraceMessage(int level, const std::string& component, const std::string& text);

}  // namespace ovx::host::detail
