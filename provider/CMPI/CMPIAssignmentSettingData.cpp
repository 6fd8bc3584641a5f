#include "CMPI/CMPIAssignmentSettingData.h"

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

using Setting = IPAssignmentSettingData;

// The one change a request can make: the interface's configuration name,
// written into its ifcfg file.
struct NameChange {
    Setting& model;
    std::optional<std::string> name;
    std::string error;
    bool commit() { return !name || model.setConfigurationName(*name, error); }
};

std::optional<ModifyValue> currentName(const NameChange& change) {
    std::string name;
    change.model.getConfigurationName(name);
    return ModifyValue(std::move(name));
}

void checkName(const NameChange&, const char* property, const ModifyValue& value,
               ModificationPlan& plan) {
    checkStorableText(plan, property, std::get<std::string>(value));
}

void stageName(NameChange& change, const ModifyValue& value) {
    change.name = std::get<std::string>(value);
}

// A request without a configuration name clears the stored one.
const std::array<ModifiableProperty<NameChange>, 1> kModifiable{{
    {"ConfigurationName", CMPI_string, &currentName, &checkName, &stageName, ""},
}};

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
    narrowByKeys(
        objectPath, kKeyFilters,
        [this, isCfg](unsigned int filterType, std::string value) {
            model.setFilter(filterType, std::move(value), isCfg ? 1 : 0);
        },
        QUILL_TRACE_SITE());
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

CMPIStatus CMPIAssignmentSettingData::modifyInstance(const CMPIInstance* newInstance,
                                                     const char** properties) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance)
                                             << " properties="
                                             << static_cast<const void*>(properties));
    if (const auto end =
            positionOnInstance(*this, broker, newInstance, kClassName, "l_strObjString")) {
        return *end;
    }
    NameChange change{model, std::nullopt, {}};
    const CMPIStatus status = modifyByTable(broker, newInstance, properties, change, kModifiable);
    if (status.rc == CMPI_RC_ERR_FAILED && !change.error.empty()) {
        std::string interfaceName;
        model.getName(interfaceName);
        return configurationFileFailure(broker, interfaceName, change.error);
    }
    return status;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
