// The exception the host throws for every CIM-level failure: a CMPI return
// code plus a message a person can act on.
#pragma once

#include <cmpidt.h>

#include <stdexcept>
#include <string>

namespace ovx::host {

class CimError : public std::runtime_error {
  public:
    CimError(CMPIrc rc, const std::string& message) : std::runtime_error(message), rc_(rc) {}

    CMPIrc rc() const noexcept { return rc_; }

  private:
    CMPIrc rc_;
};

}  // namespace ovx::host
