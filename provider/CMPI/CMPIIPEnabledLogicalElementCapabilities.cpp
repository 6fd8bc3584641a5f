#include "CMPI/CMPIIPEnabledLogicalElementCapabilities.h"

#include <array>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Capabilities = IPEnabledLogicalElementCapabilities;

}  // namespace

const char* const CMPIIPEnabledLogicalElementCapabilities::kTraceName =
    "Quill::IPInterfaceProvider::CMPIIPEnabledLogicalElementCapabilities";
const char* const CMPIIPEnabledLogicalElementCapabilities::kTraceFile = __FILE__;

const std::array<KeyGetter<Capabilities>, 1> CMPIIPEnabledLogicalElementCapabilities::kKeys{{
    {"InstanceID", &Capabilities::getName},
}};

const std::array<KeyFilter, 1> CMPIIPEnabledLogicalElementCapabilities::kKeyFilters{{
    {"InstanceID", Capabilities::kInstanceIdFilter},
}};

CMPIInstance* CMPIIPEnabledLogicalElementCapabilities::getCMPIInstance(
    const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    return instanceOfCurrent([this](PropertyWriter& writer) {
        writer.set("InstanceID", model, &Capabilities::getName);
        writer.set("ElementName", model, &Capabilities::getName);
        writer.set("ElementNameEditSupported", model, &Capabilities::getElementNameEditSupported);
        writer.set("MaxElementNameLen", model, &Capabilities::getMaxElementNameLen);
        writer.setArray("RequestedStatesSupported", model,
                        &Capabilities::getRequestedStatesSupported);
    });
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
