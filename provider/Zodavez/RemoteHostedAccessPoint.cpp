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
    const std::string name = requireHostingSystemName<RemoteServiceAccessPoint>(systemMoniker);
    return makeMoniker({{"SystemName", name}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
