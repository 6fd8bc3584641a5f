#include "Zodavez/RemoteHostedAccessPoint.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/RemoteServiceAccessPoint.h"

namespace Quill {
namespace IPInterfaceProvider {

RemoteHostedAccessPoint::RemoteHostedAccessPoint() {
    QUILL_TRACE_METHOD();
}

RemoteHostedAccessPoint::~RemoteHostedAccessPoint() {
    QUILL_TRACE_METHOD();
}

Moniker RemoteHostedAccessPoint::getSystemMoniker(Moniker& remoteSAPMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" remoteSAPMoniker=" << static_cast<const void*>(&remoteSAPMoniker));
    return computerSystemMonikerFor(cursor, remoteSAPMoniker);
}

Moniker RemoteHostedAccessPoint::getRemoteSAPMoniker(Moniker& systemMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" systemMoniker=" << static_cast<const void*>(&systemMoniker));
    const std::string name =
        requireKey(systemMoniker, "Name", "Could not find 'Name' key in Moniker");
    RemoteServiceAccessPoint gateways;
    const bool found = findFirst(gateways, [&](const RemoteServiceAccessPoint& each) {
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
