#include "Zodavez/RemoteAccessAvailableToElement.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPprotocolEndpoint.h"
#include "Zodavez/RemoteServiceAccessPoint.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

// A gateway's name up to its last "_": the interface it serves.
std::string interfaceOfGateway(const std::string& gatewayName) {
    const std::string::size_type underscore = gatewayName.rfind('_');
    if (underscore == std::string::npos) {
        throw FrameworkException("Name Key is not correct.");
    }
    return gatewayName.substr(0, underscore);
}

}  // namespace

RemoteAccessAvailableToElement::RemoteAccessAvailableToElement() {
    QUILL_TRACE_METHOD();
}

RemoteAccessAvailableToElement::~RemoteAccessAvailableToElement() {
    QUILL_TRACE_METHOD();
}

Moniker RemoteAccessAvailableToElement::getIPProtocolEndpointMoniker(Moniker& accesspointmoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " accesspointmoniker=" << static_cast<const void*>(&accesspointmoniker));
    const std::string nameKey = interfaceOfGateway(
        requireKey(accesspointmoniker, "Name", "Could not find 'Name' Key in Moniker"));
    QUILL_TRACE_VARIABLE(nameKey);
    IPprotocolEndpoint endpoint;
    const bool found = findFirst(endpoint, named(nameKey), [&](const IPprotocolEndpoint& each) {
        std::string name;
        each.getName(name);
        return name == nameKey;
    });
    if (!found) {
        throw InstrumentationException("Concerned IP Protocol Endpoint Could Not Be Found.");
    }
    std::string systemName;
    std::string systemClass;
    endpoint.getSystemName(systemName);
    endpoint.getSystemCreationClassName(systemClass);
    return makeMoniker({{"SystemName", systemName},
                        {"Name", nameKey},
                        {"SystemCreationClassName", systemClass},
                        {"CreationClassName", "OVX_IPProtocolEndpoint"}});
}

Moniker RemoteAccessAvailableToElement::getRemoteServiceAccessPointMoniker(
    Moniker& monikerIPEndpoint) {
    QUILL_TRACE_ENTER_PARAMS(" monikerIPEndpoint=" << static_cast<const void*>(&monikerIPEndpoint));
    const std::string name =
        requireKey(monikerIPEndpoint, "Name", "Could not find 'Name' Key in Moniker");
    RemoteServiceAccessPoint gateway;
    std::string gatewayName;
    const bool found = findFirst(gateway, named(name), [&](const RemoteServiceAccessPoint& each) {
        if (!each.getName(gatewayName)) {
            throw InstrumentationException("Name Property on NetworkIPConfig Node not available.");
        }
        return interfaceOfGateway(gatewayName) == name;
    });
    if (!found) {
        throw InstrumentationException("Concerned DHCP Protocol Endpoint Could Not Be Found.");
    }
    std::string systemName;
    std::string systemClass;
    gateway.getSystemName(systemName);
    gateway.getSystemCreationClassName(systemClass);
    return makeMoniker({{"Name", gatewayName},
                        {"SystemName", systemName},
                        {"SystemCreationClassName", systemClass},
                        {"CreationClassName", "OVX_IPRemoteServiceAccessPoint"}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
