#include "Zodavez/SPHostedAccessPoint.h"

#include <optional>
#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPprotocolEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kServiceProcessorClass = "OVX_SPComputerSystem";

}  // namespace

SPHostedAccessPoint::SPHostedAccessPoint() {
    QUILL_TRACE_METHOD();
}

SPHostedAccessPoint::~SPHostedAccessPoint() {
    QUILL_TRACE_METHOD();
}

Moniker SPHostedAccessPoint::getSPMoniker(Moniker& ipProtocolEndPointMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipProtocolEndPointMoniker=" << static_cast<const void*>(&ipProtocolEndPointMoniker));
    const std::string systemName = findKey(ipProtocolEndPointMoniker, "SystemName").value_or("");
    const std::optional<std::string> systemClass =
        findKey(ipProtocolEndPointMoniker, "SystemCreationClassName");
    if (systemClass != std::string(kServiceProcessorClass)) {
        throw FrameworkException("'SystemCreationClasName'  is not BMC in Moniker");
    }
    for (cursor.selectNode(NodeLexicon::ServiceProcessor); cursor; ++cursor) {
        std::string name;
        if (cursor.getProperty(NodeLexicon::Name, name) && name == systemName) {
            return makeMoniker({{"Name", systemName}, {"SystemCreationClassName", *systemClass}});
        }
    }
    throw FrameworkException("Could not match 'Name' key with 'System Name' key in SP Moniker");
}

Moniker SPHostedAccessPoint::getIPProtocolEndPointMoniker(Moniker& systemMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" systemMoniker=" << static_cast<const void*>(&systemMoniker));
    const std::string name = requireHostingSystemName<IPprotocolEndpoint>(systemMoniker);
    return makeMoniker({{"SystemCreationClassName", kServiceProcessorClass}, {"SystemName", name}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
