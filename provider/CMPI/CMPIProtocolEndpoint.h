// OVX_IPProtocolEndpoint as CMPI sees it: object paths and instances of the
// endpoints the model walks, changes of their address settings, and
// RequestStateChange.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
#include "Zodavez/IPprotocolEndpoint.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIProtocolEndpoint : public CMPIInstanceObject<CMPIProtocolEndpoint, IPprotocolEndpoint> {
  public:
    static constexpr const char* kClassName = "OVX_IPProtocolEndpoint";
    static constexpr const char* kMethodName = "RequestStateChange";
    static const char* const kTraceName;
    static const char* const kTraceFile;

    using CMPIInstanceObject::CMPIInstanceObject;

    // The current endpoint with all its properties; the list never narrows it.
    CMPIInstance* getCMPIInstance(const char** properties) const;

    // Back to every endpoint, unfiltered.
    void initialize();

    // Changes "AddressOrigin", "IPv4Address" and "SubnetMask" of the endpoint
    // that the instance's own path names, all or none; with a property list,
    // only the properties it names.
    CMPIStatus modifyInstance(const CMPIInstance* newInstance, const char** properties = nullptr);

    // RequestStateChange on the current endpoint: 0 on success, 4 on failure.
    CMPIUint32 executeMethod(const CMPIArgs* in, CMPIArgs* out, CMPIStatus* status);

  private:
    friend class CMPIInstanceObject<CMPIProtocolEndpoint, IPprotocolEndpoint>;

    static const std::array<KeyGetter<IPprotocolEndpoint>, 4> kKeys;
    static const std::array<KeyFilter, 2> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
