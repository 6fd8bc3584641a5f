// A command line the command cannot act on: unknown verb or option, a missing
// or extra operand, a malformed path, an unknown property or parameter, a
// value that does not fit its type. Reported with the usage and exit status 2.
#pragma once

#include <stdexcept>
#include <string>

namespace ovx::cli {

class UsageError : public std::runtime_error {
  public:
    explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

// The host could not be brought up: a MOF or registration file that does not
// read, a provider library that is missing. Exit status 3.
class HostStartError : public std::runtime_error {
  public:
    explicit HostStartError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace ovx::cli
