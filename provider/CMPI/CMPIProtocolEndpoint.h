// OVX_IPProtocolEndpoint as CMPI sees it: object paths and instances of the
// endpoints the model walks, changes of their address settings, and
// RequestStateChange.
#pragma once

#include <string>

#include "Zodavez/IPprotocolEndpoint.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIProtocolEndpoint {
  public:
    static constexpr const char* kClassName = "OVX_IPProtocolEndpoint";
    static constexpr const char* kMethodName = "RequestStateChange";

    // Every endpoint of the namespace.
    CMPIProtocolEndpoint(const CMPIBroker* _broker, const CMPIContext* _context,
                         std::string _namespace);
    // The endpoints the path's keys allow; all of them for a class path.
    CMPIProtocolEndpoint(const CMPIBroker* _broker, const CMPIContext* _context,
                         const CMPIObjectPath* objectPath);
    CMPIProtocolEndpoint(const CMPIProtocolEndpoint&) = delete;
    CMPIProtocolEndpoint& operator=(const CMPIProtocolEndpoint&) = delete;
    ~CMPIProtocolEndpoint();

    // Narrows the walk by the path's "SystemName" and then "Name" keys.
    void setObjectPath(const CMPIObjectPath* objectPath);

    // The current endpoint's path, or null when the broker cannot make one.
    CMPIObjectPath* getObjectPath() const;
    // The current endpoint with all its properties; the list never narrows it.
    CMPIInstance* getCMPIInstance(const char** properties) const;

    explicit operator bool() const;
    void operator++();
    // Back to every endpoint, unfiltered.
    void initialize();

    // Changes "AddressOrigin", "IPv4Address" and "SubnetMask" of the endpoint
    // that the instance's own path names, all or none; with a property list,
    // only the properties it names.
    CMPIStatus modifyInstance(const CMPIInstance* newInstance, const char** properties = nullptr);

    // RequestStateChange on the current endpoint: 0 on success, 4 on failure.
    CMPIUint32 executeMethod(const CMPIArgs* in, CMPIArgs* out, CMPIStatus* status);

  private:
    const CMPIBroker* const broker;
    const CMPIContext* const context;
    const std::string nameSpace;
    IPprotocolEndpoint model;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
