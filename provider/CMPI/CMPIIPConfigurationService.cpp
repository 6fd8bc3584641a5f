#include "CMPI/CMPIIPConfigurationService.h"

#include <array>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Service = IPConfigurationService;

}  // namespace

const char* const CMPIIPConfigurationService::kTraceName =
    "Quill::IPInterfaceProvider::CMPIIPConfigurationService";
const char* const CMPIIPConfigurationService::kTraceFile = __FILE__;

const std::array<KeyGetter<Service>, 4> CMPIIPConfigurationService::kKeys{{
    {"SystemCreationClassName", &Service::getSystemCreationClassName},
    {"SystemName", &Service::getSystemName},
    {"CreationClassName", &Service::getCreationClassName},
    {"Name", &Service::getName},
}};

const std::array<KeyFilter, 1> CMPIIPConfigurationService::kKeyFilters{{
    {"SystemName", Service::kSystemNameFilter},
}};

CMPIInstance* CMPIIPConfigurationService::getCMPIInstance(const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    return instanceOfCurrent([this](PropertyWriter& writer) {
        writer.set("ElementName", model, &Service::getName);
        for (const KeyGetter<Service>& key : kKeys) {
            writer.set(key.key, model, key.getter);
        }
    });
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
