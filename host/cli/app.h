// The whole ovx-cim command: parse, bring the host up, run the verb, report.
#pragma once

#include "command_line.h"

#include <ostream>
#include <string>
#include <vector>

namespace ovx::cli {

enum ExitStatus : int {
    kExitSuccess = 0,
    kExitCimError = 1,
    kExitUsage = 2,
    kExitHostStart = 3,
};

// Runs ovx-cim with the arguments after the program name; results go to
// out, help to out, messages to err. Never throws.
int runCommand(const std::vector<std::string>& arguments, const HostSettings& defaults,
               std::ostream& out, std::ostream& err);

}  // namespace ovx::cli
