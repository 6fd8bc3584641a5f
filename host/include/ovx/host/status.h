// The outcome of a CIM operation as a return code and a message.
#pragma once

#include <cmpidt.h>

#include <string>
#include <utility>

namespace ovx::host {

struct Status {
    CMPIrc rc = CMPI_RC_OK;
    std::string message;

    bool ok() const noexcept { return rc == CMPI_RC_OK; }
    static Status success() { return Status{}; }
    static Status failure(CMPIrc rc, std::string message = {}) {
        return Status{rc, std::move(message)};
    }
};

// A status with the operation's result; the value means nothing unless the
// status is ok.
template <typename T>
struct Reply {
    Status status;
    T value{};

    static Reply success(T value) { return Reply{Status::success(), std::move(value)}; }
    static Reply failure(CMPIrc rc, std::string message = {}) {
        return Reply{Status::failure(rc, std::move(message)), T{}};
    }
};

}  // namespace ovx::host
