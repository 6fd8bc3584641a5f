#include "Zodavez/IPHostedAccessPoint.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPprotocolEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kHostSystemClass = "OVX_ComputerSystem";
constexpr const char* kServiceProcessorClass = "OVX_SPComputerSystem";

}  // namespace

IPHostedAccessPoint::IPHostedAccessPoint() {
    QUILL_TRACE_METHOD();
}

IPHostedAccessPoint::~IPHostedAccessPoint() {
    QUILL_TRACE_METHOD();
}

Moniker IPHostedAccessPoint::getComputerSystemMoniker(Moniker& ipProtocolEndPointMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipProtocolEndPointMoniker=" << static_cast<const void*>(&ipProtocolEndPointMoniker));
    return computerSystemMonikerFor(cursor, ipProtocolEndPointMoniker);
}

Moniker IPHostedAccessPoint::getIPProtocolEndPointMoniker(Moniker& systemMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" systemMoniker=" << static_cast<const void*>(&systemMoniker));
    const std::string name =
        requireKey(systemMoniker, "Name", "Could not find 'Name' key in Moniker");
    if (findKey(systemMoniker, "CreationClassName") == std::string(kServiceProcessorClass)) {
        throw FrameworkException("'SystemCreationClasName'  is not BMC in Moniker");
    }
    IPprotocolEndpoint endpoints;
    std::string systemClass;
    const bool found = findFirst(endpoints, [&](const IPprotocolEndpoint& endpoint) {
        std::string endpointSystem;
        return endpoint.getSystemCreationClassName(systemClass) &&
               systemClass == kHostSystemClass && endpoint.getSystemName(endpointSystem) &&
               endpointSystem == name;
    });
    if (!found) {
        throw FrameworkException(
            "Could not match 'System Name' key with 'Name' key in Computer Moniker");
    }
    std::string creationClass;
    endpoints.getCreationClassName(creationClass);
    return makeMoniker({{"SystemName", name},
                        {"SystemCreationClassName", systemClass},
                        {"CreationClassName", creationClass}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
