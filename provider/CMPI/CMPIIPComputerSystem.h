// The host's computer system ("OVX_ComputerSystem") or the service
// processor's ("OVX_SPComputerSystem"), as the CIMOM serves them through
// another provider: one end of the hosted associations.
#pragma once

#include <string>

#include "CMPI/BrokerInstanceWalk.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIIPComputerSystem {
  public:
    CMPIIPComputerSystem(const CMPIBroker* _broker, const CMPIContext* _context,
                         std::string _namespace);
    // Positioned on the path at once.
    CMPIIPComputerSystem(const CMPIBroker* _broker, const CMPIContext* _context,
                         const CMPIObjectPath* objectPath);
    CMPIIPComputerSystem(const CMPIIPComputerSystem&) = delete;
    CMPIIPComputerSystem& operator=(const CMPIIPComputerSystem&) = delete;
    ~CMPIIPComputerSystem();

    // Every instance of the path's class, each once; when the path carries a
    // "Name" key, only the instance whose "Name" equals it. Throws
    // Quill::ProviderException when the CIMOM refuses to enumerate them.
    void setObjectPath(const CMPIObjectPath* objectPath);

    CMPIObjectPath* getObjectPath() const;
    // The instance as the CIMOM gave it; the list is not used.
    CMPIInstance* getCMPIInstance(const char** properties) const;
    explicit operator bool() const;
    void operator++();

  private:
    BrokerInstanceWalk walk;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
