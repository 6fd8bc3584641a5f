// How the host computer system and its IP endpoints name each other.
#pragma once

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPHostedAccessPoint {
  public:
    IPHostedAccessPoint();
    ~IPHostedAccessPoint();
    IPHostedAccessPoint(const IPHostedAccessPoint&) = delete;
    IPHostedAccessPoint& operator=(const IPHostedAccessPoint&) = delete;

    // The computer system ("Name") hosting the endpoint.
    Moniker getComputerSystemMoniker(Moniker& ipProtocolEndPointMoniker);
    // Every endpoint of the host computer system: "SystemName" without "Name".
    Moniker getIPProtocolEndPointMoniker(Moniker& systemMoniker);

  private:
    Instrumentation cursor;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
