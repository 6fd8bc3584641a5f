#include "Zodavez/ServiceAffectsElement.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPprotocolEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

ServiceAffectsElement::ServiceAffectsElement() {
    QUILL_TRACE_METHOD();
}

ServiceAffectsElement::~ServiceAffectsElement() {
    QUILL_TRACE_METHOD();
}

Moniker ServiceAffectsElement::getIPProtocolEndpointMoniker(Moniker& ipConfgSvceMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipConfgSvceMoniker=" << static_cast<const void*>(&ipConfgSvceMoniker));
    const std::string systemName =
        requireKey(ipConfgSvceMoniker, "SystemName", "Could not find 'Name' Key in Moniker");
    IPprotocolEndpoint endpoint;
    if (!findOnSystem(endpoint, systemName)) {
        throw InstrumentationException("Concerned IP Protocol Endpoint Could Not Be Found.");
    }
    std::string systemClass;
    endpoint.getSystemCreationClassName(systemClass);
    return makeMoniker({{"SystemName", systemName},
                        {"CreationClassName", "OVX_IPProtocolEndpoint"},
                        {"SystemCreationClassName", systemClass}});
}

Moniker ServiceAffectsElement::getIPConfigurationServiceMoniker(Moniker& monikerIPEndpoint) {
    QUILL_TRACE_ENTER_PARAMS(" monikerIPEndpoint=" << static_cast<const void*>(&monikerIPEndpoint));
    return makeMoniker({{"SystemName", requireKey(monikerIPEndpoint, "SystemName",
                                                  "Could not find 'System Name' Key in Moniker")}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
