// How an IP endpoint and the LAN endpoint of its interface name each other.
#pragma once

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class BindsToLANEndpoint {
  public:
    BindsToLANEndpoint();
    ~BindsToLANEndpoint();
    BindsToLANEndpoint(const BindsToLANEndpoint&) = delete;
    BindsToLANEndpoint& operator=(const BindsToLANEndpoint&) = delete;

    // The LAN endpoint of the same name, on the IP endpoint's own system.
    Moniker getLANEndpointMoniker(Moniker& protocolEndpointMoniker);
    // The IP endpoint of the same name as the LAN endpoint.
    Moniker getIPProtocolEndPointMoniker(Moniker& lanEndpointMoniker);

  private:
    Instrumentation cursor;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
