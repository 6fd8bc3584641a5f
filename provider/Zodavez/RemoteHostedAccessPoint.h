// How the host computer system and its gateways name each other.
#pragma once

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class RemoteHostedAccessPoint {
  public:
    RemoteHostedAccessPoint();
    ~RemoteHostedAccessPoint();
    RemoteHostedAccessPoint(const RemoteHostedAccessPoint&) = delete;
    RemoteHostedAccessPoint& operator=(const RemoteHostedAccessPoint&) = delete;

    // The computer system ("Name") the gateway belongs to.
    Moniker getSystemMoniker(Moniker& remoteSAPMoniker);
    // Every gateway of the computer system: "SystemName" without "Name".
    Moniker getRemoteSAPMoniker(Moniker& systemMoniker);

  private:
    Instrumentation cursor;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
