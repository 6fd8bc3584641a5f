// How the service processor's computer system and its IP endpoints name each
// other.
#pragma once

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class SPHostedAccessPoint {
  public:
    SPHostedAccessPoint();
    ~SPHostedAccessPoint();
    SPHostedAccessPoint(const SPHostedAccessPoint&) = delete;
    SPHostedAccessPoint& operator=(const SPHostedAccessPoint&) = delete;

    // The service processor ("Name", "SystemCreationClassName") hosting an
    // endpoint of the service processor.
    Moniker getSPMoniker(Moniker& ipProtocolEndPointMoniker);
    // Every endpoint of the service processor: "SystemName" without "Name".
    Moniker getIPProtocolEndPointMoniker(Moniker& systemMoniker);

  private:
    Instrumentation cursor;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
