#include "Zodavez/IPElementCapabilities.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPEnabledLogicalElementCapabilities.h"
#include "Zodavez/IPprotocolEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

IPElementCapabilities::IPElementCapabilities() {
    QUILL_TRACE_METHOD();
}

IPElementCapabilities::~IPElementCapabilities() {
    QUILL_TRACE_METHOD();
}

Moniker IPElementCapabilities::getIPMoniker(Moniker& monikerCapabilities) {
    QUILL_TRACE_ENTER_PARAMS(
        " monikerCapabilities=" << static_cast<const void*>(&monikerCapabilities));
    const std::string instanceId =
        requireKey(monikerCapabilities, "InstanceID", "Could not find 'InstanceID' Key in Moniker");
    IPprotocolEndpoint endpoint;
    const bool found = findFirst(endpoint, named(instanceId), [&](const IPprotocolEndpoint& each) {
        std::string name;
        each.getName(name);
        return name == instanceId;
    });
    if (!found) {
        throw FrameworkException("Could not get 'System Name' and  'Name' key");
    }
    std::string systemClass;
    std::string systemName;
    endpoint.getSystemCreationClassName(systemClass);
    endpoint.getSystemName(systemName);
    return makeMoniker({{"SystemCreationClassName", systemClass},
                        {"SystemName", systemName},
                        {"Name", instanceId},
                        {"CreationClassName", "OVX_IPProtocolEndpoint"}});
}

Moniker IPElementCapabilities::getCapabilitiesMoniker(Moniker& monikerIP) {
    QUILL_TRACE_ENTER_PARAMS(" monikerIP=" << static_cast<const void*>(&monikerIP));
    const std::string name = requireKey(monikerIP, "Name", "Name Property value is not correct");
    IPEnabledLogicalElementCapabilities capabilities;
    const bool found =
        findFirst(capabilities, named(name), [&](const IPEnabledLogicalElementCapabilities& each) {
            std::string instanceId;
            return each.getName(instanceId) && instanceId == name;
        });
    if (!found) {
        throw InstrumentationException(
            "Concerned IPEnabledLogicalElementCapabilities Could Not Be Found.");
    }
    return makeMoniker({{"InstanceID", name}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
