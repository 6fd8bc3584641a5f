// How the host computer system and its IP configuration service name each other.
#pragma once

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPHostedService {
  public:
    IPHostedService();
    ~IPHostedService();
    IPHostedService(const IPHostedService&) = delete;
    IPHostedService& operator=(const IPHostedService&) = delete;

    // The computer system ("Name") the service runs on.
    Moniker getComputerSystemMoniker(Moniker& ipConfgSvceMoniker);
    // The configuration service of the computer system ("SystemName").
    Moniker getIPConfigurationServiceMoniker(Moniker& systemMoniker);

  private:
    Instrumentation cursor;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
