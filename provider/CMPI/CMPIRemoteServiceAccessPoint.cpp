#include "CMPI/CMPIRemoteServiceAccessPoint.h"

#include <array>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using AccessPoint = RemoteServiceAccessPoint;

}  // namespace

const char* const CMPIRemoteServiceAccessPoint::kTraceName =
    "Quill::IPInterfaceProvider::CMPIRemoteServiceAccessPoint";
const char* const CMPIRemoteServiceAccessPoint::kTraceFile = __FILE__;

const std::array<KeyGetter<AccessPoint>, 4> CMPIRemoteServiceAccessPoint::kKeys{{
    {"SystemCreationClassName", &AccessPoint::getSystemCreationClassName},
    {"SystemName", &AccessPoint::getSystemName},
    {"CreationClassName", &AccessPoint::getCreationClassName},
    {"Name", &AccessPoint::getName},
}};

const std::array<KeyFilter, 2> CMPIRemoteServiceAccessPoint::kKeyFilters{{
    {"SystemName", AccessPoint::kSystemNameFilter},
    {"Name", AccessPoint::kNameFilter},
}};

CMPIInstance* CMPIRemoteServiceAccessPoint::getCMPIInstance(const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    return instanceOfCurrent([this](PropertyWriter& writer) {
        writer.set("ElementName", model, &AccessPoint::getElementName);
        writer.set("AccessInfo", model, &AccessPoint::getAccessInfo);
        writer.set("OtherAccessContext", model, &AccessPoint::getOtherAccessContext);
        writer.set("InfoFormat", model, &AccessPoint::getInfoFormat);
        writer.set("AccessContext", model, &AccessPoint::getAccessContext);
        for (const KeyGetter<AccessPoint>& key : kKeys) {
            writer.set(key.key, model, key.getter);
        }
    });
}

CMPIStatus CMPIRemoteServiceAccessPoint::modifyInstance(const CMPIInstance* newInstance) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance));
    if (const auto end = positionOnInstance(*this, broker, newInstance, kClassName, "objstring")) {
        return *end;
    }
    ModificationPlan plan(broker);
    std::string accessInfo;
    if (ProviderUtilities::getProperty(newInstance, "AccessInfo", accessInfo, false)) {
        std::string current;
        model.getAccessInfo(current);
        if (accessInfo != current) {
            checkAddressOfFamily(plan, "AccessInfo", accessInfo, model.isIPv6Gateway());
            plan.checkWritable("AccessInfo", model.canSetAccessInfo());
            plan.write("AccessInfo",
                       [this, accessInfo] { return model.setAccessInfo(accessInfo); });
        }
    }
    // A single write: when it is refused there is nothing to take back.
    return plan.carryOut([] { return true; });
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
