// How an IP endpoint and the gateways of its interface name each other.
#pragma once

#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class RemoteAccessAvailableToElement {
  public:
    RemoteAccessAvailableToElement();
    ~RemoteAccessAvailableToElement();
    RemoteAccessAvailableToElement(const RemoteAccessAvailableToElement&) = delete;
    RemoteAccessAvailableToElement& operator=(const RemoteAccessAvailableToElement&) = delete;

    // The endpoint whose name is the gateway's up to its last "_".
    Moniker getIPProtocolEndpointMoniker(Moniker& accesspointmoniker);
    // The first gateway of the endpoint's interface; the gateway walk goes on
    // to the gateway of its other address family.
    Moniker getRemoteServiceAccessPointMoniker(Moniker& monikerIPEndpoint);
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
