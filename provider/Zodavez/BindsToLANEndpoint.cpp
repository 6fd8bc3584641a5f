#include "Zodavez/BindsToLANEndpoint.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPprotocolEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

BindsToLANEndpoint::BindsToLANEndpoint() {
    QUILL_TRACE_METHOD();
}

BindsToLANEndpoint::~BindsToLANEndpoint() {
    QUILL_TRACE_METHOD();
}

Moniker BindsToLANEndpoint::getLANEndpointMoniker(Moniker& protocolEndpointMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " protocolEndpointMoniker=" << static_cast<const void*>(&protocolEndpointMoniker));
    const std::string name =
        requireKey(protocolEndpointMoniker, "Name", "Could not find 'Name' key in Moniker");
    // The LAN endpoint lives on the system of the IP endpoint: the service
    // processor's port is served as a port of the service processor.
    const std::string systemName = findKey(protocolEndpointMoniker, "SystemName").value_or("");
    const std::string systemClass =
        findKey(protocolEndpointMoniker, "SystemCreationClassName").value_or("OVX_ComputerSystem");
    const NameQuery candidates = named(name);
    for (cursor.selectNode(NodeLexicon::LANEndpoint), cursor.skipTo(candidates); cursor;
         ++cursor, cursor.skipTo(candidates)) {
        std::string lanName;
        if (cursor.getProperty(NodeLexicon::Name, lanName) && lanName == name) {
            return makeMoniker({{"Name", name},
                                {"SystemCreationClassName", systemClass},
                                {"CreationClassName", "OVX_LANEndpoint"},
                                {"SystemName", systemName}});
        }
    }
    throw FrameworkException(
        "Could not match 'System Name' key with 'Name' key in Computer Moniker");
}

Moniker BindsToLANEndpoint::getIPProtocolEndPointMoniker(Moniker& lanEndpointMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " lanEndpointMoniker=" << static_cast<const void*>(&lanEndpointMoniker));
    const std::string name =
        requireKey(lanEndpointMoniker, "Name", "Could not find 'Name' Key in Moniker");
    IPprotocolEndpoint endpoints;
    const bool found = findFirst(endpoints, named(name), [&](const IPprotocolEndpoint& endpoint) {
        std::string NICName;
        endpoint.getName(NICName);
        QUILL_TRACE_VARIABLE(NICName);
        return NICName == name;
    });
    if (!found) {
        throw InstrumentationException("Concerned Computer Could Not Be Found.");
    }
    // The endpoint's own system keys, so that the path names it exactly.
    std::string systemClass;
    std::string systemName;
    std::string creationClass;
    endpoints.getSystemCreationClassName(systemClass);
    endpoints.getSystemName(systemName);
    endpoints.getCreationClassName(creationClass);
    return makeMoniker({{"Name", name},
                        {"SystemCreationClassName", systemClass},
                        {"CreationClassName", creationClass},
                        {"SystemName", systemName}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
