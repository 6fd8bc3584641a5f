// The invocation context of an operation: named entries, of which the host
// always sets the namespace, the invocation flags and the principal.
#pragma once

#include "ovx/host/named_values.h"

#include <cmpidt.h>

#include <string>

namespace ovx::host {

class Context {
  public:
    Context() = default;

    // CMPIInitNameSpace (string), CMPIInvocationFlags (uint32) and
    // CMPIPrincipal (string).
    static Context forOperation(const std::string& nameSpace, CMPIFlags invocationFlags,
                                const std::string& principal);

    NamedValues& entries() noexcept { return entries_; }
    const NamedValues& entries() const noexcept { return entries_; }

    // Empty text or 0 when the entry is missing or of another type.
    std::string nameSpace() const { return textEntry(CMPIInitNameSpace); }
    std::string principal() const { return textEntry(CMPIPrincipal); }
    CMPIFlags invocationFlags() const;

  private:
    std::string textEntry(const char* name) const;

    NamedValues entries_;
};

}  // namespace ovx::host
