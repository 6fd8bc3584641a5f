// How an IP endpoint and its capabilities name each other.
#pragma once

#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPElementCapabilities {
  public:
    IPElementCapabilities();
    ~IPElementCapabilities();
    IPElementCapabilities(const IPElementCapabilities&) = delete;
    IPElementCapabilities& operator=(const IPElementCapabilities&) = delete;

    // The endpoint the capabilities describe.
    Moniker getIPMoniker(Moniker& monikerCapabilities);
    // The capabilities of the endpoint.
    Moniker getCapabilitiesMoniker(Moniker& monikerIP);
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
