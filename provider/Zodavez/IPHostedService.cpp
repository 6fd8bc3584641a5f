#include "Zodavez/IPHostedService.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPConfigurationService.h"

namespace Quill {
namespace IPInterfaceProvider {

IPHostedService::IPHostedService() {
    QUILL_TRACE_METHOD();
}

IPHostedService::~IPHostedService() {
    QUILL_TRACE_METHOD();
}

Moniker IPHostedService::getComputerSystemMoniker(Moniker& ipConfgSvceMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipConfgSvceMoniker=" << static_cast<const void*>(&ipConfgSvceMoniker));
    return computerSystemMonikerFor(cursor, ipConfgSvceMoniker);
}

Moniker IPHostedService::getIPConfigurationServiceMoniker(Moniker& systemMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" systemMoniker=" << static_cast<const void*>(&systemMoniker));
    const std::string name =
        requireKey(systemMoniker, "Name", "Could not find 'Name' key in Moniker");
    IPConfigurationService services;
    const bool found = findFirst(services, [&](const IPConfigurationService& each) {
        std::string systemName;
        return each.getSystemName(systemName) && systemName == name;
    });
    if (!found) {
        throw FrameworkException(
            "Could not match 'System Name' key with 'Name' key in Computer Moniker");
    }
    return makeMoniker({{"SystemName", name}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
