// A LAN endpoint ("OVX_LANEndpoint") as the CIMOM serves it through another
// provider: the far end of the binding of an IP endpoint.
#pragma once

#include <string>

#include "CMPI/BrokerInstanceWalk.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIIPLanEndPoint {
  public:
    CMPIIPLanEndPoint(const CMPIBroker* _broker, const CMPIContext* _context,
                      std::string _namespace);
    // Positioned at once: on the one instance a keyed path names, on every
    // instance of the class for a class path.
    CMPIIPLanEndPoint(const CMPIBroker* _broker, const CMPIContext* _context,
                      const CMPIObjectPath* objectPath);
    CMPIIPLanEndPoint(const CMPIIPLanEndPoint&) = delete;
    CMPIIPLanEndPoint& operator=(const CMPIIPLanEndPoint&) = delete;
    ~CMPIIPLanEndPoint();

    // Every instance of the path's class, each once. Throws
    // Quill::ProviderException when the CIMOM refuses to enumerate them.
    void setObjectPath(const CMPIObjectPath* objectPath);
    // Exactly the instance the path names; none when the CIMOM does not know
    // it. Throws Quill::ProviderException when the CIMOM refuses otherwise.
    void setSingleObjectPath(const CMPIObjectPath* objectPath);

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
