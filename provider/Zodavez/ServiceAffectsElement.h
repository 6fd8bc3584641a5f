// How the IP configuration service and the IP endpoints it changes name each
// other.
#pragma once

#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class ServiceAffectsElement {
  public:
    ServiceAffectsElement();
    ~ServiceAffectsElement();
    ServiceAffectsElement(const ServiceAffectsElement&) = delete;
    ServiceAffectsElement& operator=(const ServiceAffectsElement&) = delete;

    // Every endpoint of the service's system: "SystemName" without "Name".
    Moniker getIPProtocolEndpointMoniker(Moniker& ipConfgSvceMoniker);
    // The configuration service of the endpoint's system.
    Moniker getIPConfigurationServiceMoniker(Moniker& monikerIPEndpoint);
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
