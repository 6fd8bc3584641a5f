#include "CMPI/CMPIStaticIPAssignmentSettingData.h"

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Setting = StaticIPAssignmentSettingData;

// Where a request stages its changes: one rewrite of the interface's ifcfg
// file carries them all out.
struct StaticChanges {
    Setting& model;
    std::vector<Setting::Change> changes;
    std::string error;
    bool commit() { return changes.empty() || model.applyChanges(changes, error); }
};

template <bool (Setting::*getter)(std::string&) const>
std::optional<ModifyValue> currentText(const StaticChanges& target) {
    std::string text;
    (target.model.*getter)(text);
    return ModifyValue(std::move(text));
}

std::optional<ModifyValue> currentPrefixLength(const StaticChanges& target) {
    unsigned short length = 0;
    target.model.getIPv6SubnetPrefixLength(length);
    return ModifyValue(length);
}

void checkIPv4Host(const StaticChanges&, const char* name, const ModifyValue& value,
                   ModificationPlan& plan) {
    plan.checkHostAddress(name, std::get<std::string>(value));
}

void checkMask(const StaticChanges&, const char* name, const ModifyValue& value,
               ModificationPlan& plan) {
    plan.checkSubnetMask(name, std::get<std::string>(value));
}

void checkIPv6(const StaticChanges&, const char* name, const ModifyValue& value,
               ModificationPlan& plan) {
    checkAddressOfFamily(plan, name, std::get<std::string>(value), true);
}

constexpr unsigned short kLongestIPv6Prefix = 128;

void checkPrefixLength(const StaticChanges&, const char* name, const ModifyValue& value,
                       ModificationPlan& plan) {
    if (std::get<unsigned short>(value) > kLongestIPv6Prefix) {
        plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER,
                    std::string("Invalid value for property '") + name + "': more than 128");
    }
}

void checkName(const StaticChanges&, const char* name, const ModifyValue& value,
               ModificationPlan& plan) {
    checkStorableText(plan, name, std::get<std::string>(value));
}

template <Setting::Setting setting>
void stageText(StaticChanges& target, const ModifyValue& value) {
    target.changes.push_back(Setting::Change{setting, std::get<std::string>(value)});
}

void stagePrefixLength(StaticChanges& target, const ModifyValue& value) {
    target.changes.push_back(Setting::Change{Setting::Setting::IPv6SubnetPrefixLength,
                                             std::to_string(std::get<unsigned short>(value))});
}

// A request without a configuration name clears the stored one.
const std::array<ModifiableProperty<StaticChanges>, 7> kModifiable{{
    {"IPv4Address", CMPI_string, &currentText<&Setting::getIPv4Address>, &checkIPv4Host,
     &stageText<Setting::Setting::IPv4Address>},
    {"SubnetMask", CMPI_string, &currentText<&Setting::getSubnetMask>, &checkMask,
     &stageText<Setting::Setting::SubnetMask>},
    {"GatewayIPv4Address", CMPI_string, &currentText<&Setting::getGatewayIPv4Address>,
     &checkIPv4Host, &stageText<Setting::Setting::GatewayIPv4Address>},
    {"IPv6Address", CMPI_string, &currentText<&Setting::getIPv6Address>, &checkIPv6,
     &stageText<Setting::Setting::IPv6Address>},
    {"GatewayIPv6Address", CMPI_string, &currentText<&Setting::getGatewayIPv6Address>, &checkIPv6,
     &stageText<Setting::Setting::GatewayIPv6Address>},
    {"IPv6SubnetPrefixLength", CMPI_uint16, &currentPrefixLength, &checkPrefixLength,
     &stagePrefixLength},
    {"ConfigurationName", CMPI_string, &currentText<&Setting::getConfigurationName>, &checkName,
     &stageText<Setting::Setting::ConfigurationName>, ""},
}};

}  // namespace

const char* const CMPIStaticIPAssignmentSettingData::kTraceName =
    "Quill::IPInterfaceProvider::CMPIStaticIPAssignmentSettingData";
const char* const CMPIStaticIPAssignmentSettingData::kTraceFile = __FILE__;

const std::array<KeyGetter<Setting>, 1> CMPIStaticIPAssignmentSettingData::kKeys{{
    {"InstanceID", &Setting::getInstanceID},
}};

const std::array<KeyFilter, 1> CMPIStaticIPAssignmentSettingData::kKeyFilters{{
    {"InstanceID", Setting::kInstanceIdFilter},
}};

CMPIInstance* CMPIStaticIPAssignmentSettingData::getCMPIInstance(const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    return instanceOfCurrent([this](PropertyWriter& writer) {
        writer.set("InstanceID", model, &Setting::getInstanceID);
        writer.set("ElementName", model, &Setting::getName);
        writer.set("AddressOrigin", model, &Setting::getAddressOrigin);
        writer.set("IPv4Address", model, &Setting::getIPv4Address);
        writer.set("IPv6Address", model, &Setting::getIPv6Address);
        writer.set("SubnetMask", model, &Setting::getSubnetMask);
        writer.set("GatewayIPv4Address", model, &Setting::getGatewayIPv4Address);
        writer.set("IPv6SubnetPrefixLength", model, &Setting::getIPv6SubnetPrefixLength);
        // The node's IPv6 address type when it has one, else the IP version.
        writer.set("IPv6AddressType", model, &Setting::getAddressType);
        writer.set("IPv6AddressType", model, &Setting::getIPv6AddressType);
        writer.set("GatewayIPv6Address", model, &Setting::getGatewayIPv6Address);
        writer.set("ConfigurationName", model, &Setting::getConfigurationName);
    });
}

CMPIStatus CMPIStaticIPAssignmentSettingData::modifyInstance(const CMPIInstance* newInstance,
                                                             const char** properties) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance)
                                             << " properties="
                                             << static_cast<const void*>(properties));
    if (const auto end = positionOnInstance(*this, broker, newInstance, kClassName, "objstring")) {
        return *end;
    }
    StaticChanges changes{model, {}, {}};
    const CMPIStatus status = modifyByTable(broker, newInstance, properties, changes, kModifiable);
    if (status.rc == CMPI_RC_ERR_FAILED && !changes.error.empty()) {
        std::string interfaceName;
        model.getName(interfaceName);
        return configurationFileFailure(broker, interfaceName, changes.error);
    }
    return status;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
