#include "CMPI/CMPIRemoteServiceAccessPoint.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using AccessPoint = RemoteServiceAccessPoint;
using GatewayChanges = NodeChanges<AccessPoint>;

std::optional<ModifyValue> currentAccessInfo(const GatewayChanges& changes) {
    std::string address;
    changes.model.getAccessInfo(address);
    return ModifyValue(std::move(address));
}

// The access point's own family decides what it takes.
void checkAccessInfo(const GatewayChanges& changes, const char* name, const ModifyValue& value,
                     ModificationPlan& plan) {
    const std::string& address = std::get<std::string>(value);
    if (changes.model.isIPv6Gateway()) {
        checkAddressOfFamily(plan, name, address, true);
    } else {
        plan.checkHostAddress(name, address);
    }
    plan.checkWritable(name, changes.model.canSetAccessInfo(), changes.model.readOnlyNote());
}

void stageAccessInfo(GatewayChanges& changes, const ModifyValue& value) {
    changes.model.stageAccessInfo(std::get<std::string>(value), changes.writes);
}

const std::array<ModifiableProperty<GatewayChanges>, 1> kModifiable{{
    {"AccessInfo", CMPI_string, &currentAccessInfo, &checkAccessInfo, &stageAccessInfo},
}};

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

CMPIStatus CMPIRemoteServiceAccessPoint::modifyInstance(const CMPIInstance* newInstance,
                                                        const char** properties) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance)
                                             << " properties="
                                             << static_cast<const void*>(properties));
    if (const auto end = positionOnInstance(*this, broker, newInstance, kClassName, "objstring")) {
        return *end;
    }
    GatewayChanges changes{model, {}};
    return modifyByTable(broker, newInstance, properties, changes, kModifiable);
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
