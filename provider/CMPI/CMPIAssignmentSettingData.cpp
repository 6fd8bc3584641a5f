#include "CMPI/CMPIAssignmentSettingData.h"

#include <array>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Setting = IPAssignmentSettingData;

}  // namespace

const char* const CMPIAssignmentSettingData::kTraceName =
    "Quill::IPInterfaceProvider::CMPIAssignmentSettingData";
const char* const CMPIAssignmentSettingData::kTraceFile = __FILE__;

const std::array<KeyGetter<Setting>, 1> CMPIAssignmentSettingData::kKeys{{
    {"InstanceID", &Setting::getInstanceId},
}};

const std::array<KeyFilter, 1> CMPIAssignmentSettingData::kKeyFilters{{
    {"InstanceID", Setting::kInstanceIdFilter},
}};

void CMPIAssignmentSettingData::setObjectPath(const CMPIObjectPath* objectPath, bool isCfg) {
    QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(objectPath)
                                            << " isCfg=" << isCfg);
    narrowByKeys(objectPath, kKeyFilters,
                 [this, isCfg](unsigned int filterType, std::string value) {
                     model.setFilter(filterType, std::move(value), isCfg ? 1 : 0);
                 });
}

CMPIInstance* CMPIAssignmentSettingData::getCMPIInstance(const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    return instanceOfCurrent([this](PropertyWriter& writer) {
        writer.set("InstanceID", model, &Setting::getInstanceId);
        writer.set("ElementName", model, &Setting::getName);
        writer.set("AddressOrigin", model, &Setting::getAddressOrigin);
        writer.set("ConfigurationName", model, &Setting::getConfigurationName);
    });
}

CMPIStatus CMPIAssignmentSettingData::modifyInstance(const CMPIInstance* newInstance) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance));
    if (const auto end =
            positionOnInstance(*this, broker, newInstance, kClassName, "l_strObjString")) {
        return *end;
    }
    // Absent means empty: the stored name is cleared.
    std::string name;
    ProviderUtilities::getProperty(newInstance, "ConfigurationName", name, false);
    ModificationPlan plan(broker);
    checkStorableText(plan, "ConfigurationName", name);
    if (plan.refused()) {
        return plan.carryOut([] { return true; });
    }
    std::string current;
    model.getConfigurationName(current);
    if (name == current) {
        return okStatus();
    }
    std::string error;
    if (!model.setConfigurationName(name, error)) {
        std::string interfaceName;
        model.getName(interfaceName);
        return configurationFileFailure(broker, interfaceName, error);
    }
    return okStatus();
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
