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
    const std::string name = requireHostingSystemName<IPConfigurationService>(systemMoniker);
    return makeMoniker({{"SystemName", name}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
