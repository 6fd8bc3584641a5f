// The names CIM clients know status codes by, for messages and CLIs.
#pragma once

#include <cmpidt.h>

#include <optional>
#include <string>
#include <string_view>

namespace ovx::host {

// "CIM_ERR_NOT_FOUND" and the like for the CIM status codes (0 is
// "CIM_ERR_SUCCESS"), "CMPI_RC_DO_NOT_UNLOAD" and the like for the codes only
// CMPI has, and "status <n>" for a number neither knows.
std::string cimStatusName(CMPIrc rc);

// The code of a name cimStatusName gives (letter case ignored), or nothing.
std::optional<CMPIrc> cimStatusFromName(std::string_view name);

}  // namespace ovx::host
