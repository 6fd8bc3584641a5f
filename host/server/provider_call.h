// One call into a provider's function table, done the way every operation
// needs it: a scope of its own, a fresh context and result, and the answer
// copied out as host values before the scope frees the CMPI objects.
#pragma once

#include "ovx/host/broker.h"
#include "ovx/host/context.h"
#include "ovx/host/result_data.h"
#include "ovx/host/router.h"
#include "ovx/host/status.h"

#include <cmpift.h>

#include <functional>
#include <string>
#include <vector>

namespace ovx::host::server {

// A property list as providers take it: null for all properties, otherwise
// a null-terminated array that lives as long as this object.
class CmpiPropertyList {
  public:
    explicit CmpiPropertyList(const PropertyList& list);

    CmpiPropertyList(const CmpiPropertyList&) = delete;
    CmpiPropertyList& operator=(const CmpiPropertyList&) = delete;

    const char** get() noexcept { return all_ ? nullptr : pointers_.data(); }

  private:
    bool all_;
    std::vector<std::string> names_;
    std::vector<const char*> pointers_;
};

struct ProviderAnswer {
    Status status;
    ResultData data;
};

using ProviderInvocation = std::function<CMPIStatus(const CMPIContext*, const CMPIResult*)>;

// The status the provider returned, message included, and everything it
// handed to the result. `who` names the provider and slot in the message
// when the provider throws instead of answering.
ProviderAnswer callProvider(const Broker& broker, const Context& context, const std::string& who,
                            const ProviderInvocation& invocation);

// The text of a status message, empty when there is none.
std::string statusMessage(const CMPIStatus& status);

}  // namespace ovx::host::server
