#include "CMPI/CMPIStaticIPAssignmentSettingData.h"

#include <array>
#include <utility>
#include <vector>

#include "CMPI/CMPIObjectSupport.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Setting = StaticIPAssignmentSettingData;

// The address properties a client may change, in the order they are handled.
struct AddressProperty {
    const char* name;
    Setting::Setting setting;
    bool ipv6;
    bool (Setting::*getter)(std::string&) const;
};

const std::array<AddressProperty, 5> kAddressProperties{{
    {"IPv4Address", Setting::Setting::IPv4Address, false, &Setting::getIPv4Address},
    {"SubnetMask", Setting::Setting::SubnetMask, false, &Setting::getSubnetMask},
    {"GatewayIPv4Address", Setting::Setting::GatewayIPv4Address, false,
     &Setting::getGatewayIPv4Address},
    {"IPv6Address", Setting::Setting::IPv6Address, true, &Setting::getIPv6Address},
    {"GatewayIPv6Address", Setting::Setting::GatewayIPv6Address, true,
     &Setting::getGatewayIPv6Address},
}};

constexpr unsigned short kLongestIPv6Prefix = 128;

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

CMPIStatus CMPIStaticIPAssignmentSettingData::modifyInstance(const CMPIInstance* newInstance) {
    QUILL_TRACE_ENTER_PARAMS(" newInstance=" << static_cast<const void*>(newInstance));
    if (const auto end = positionOnInstance(*this, broker, newInstance, kClassName, "objstring")) {
        return *end;
    }
    ModificationPlan plan(broker);
    // Values equal to what the setting shows are left out, so that an
    // instance sent back as it was read rewrites nothing.
    std::vector<Setting::Change> changes;
    for (const AddressProperty& property : kAddressProperties) {
        std::string value;
        if (!ProviderUtilities::getProperty(newInstance, property.name, value, false)) {
            continue;
        }
        std::string current;
        (model.*property.getter)(current);
        if (value != current) {
            checkAddressOfFamily(plan, property.name, value, property.ipv6);
            changes.push_back(Setting::Change{property.setting, value});
        }
    }

    unsigned short prefixLength = 0;
    if (ProviderUtilities::getProperty(newInstance, "IPv6SubnetPrefixLength", prefixLength)) {
        unsigned short current = 0;
        model.getIPv6SubnetPrefixLength(current);
        if (prefixLength != current) {
            if (prefixLength > kLongestIPv6Prefix) {
                plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER,
                            "Invalid value for property 'IPv6SubnetPrefixLength': more than 128");
            }
            changes.push_back(Setting::Change{Setting::Setting::IPv6SubnetPrefixLength,
                                              std::to_string(prefixLength)});
        }
    }

    // Absent means empty: the stored name is cleared.
    std::string name;
    ProviderUtilities::getProperty(newInstance, "ConfigurationName", name, false);
    std::string currentName;
    model.getConfigurationName(currentName);
    if (name != currentName) {
        checkStorableText(plan, "ConfigurationName", name);
        changes.push_back(Setting::Change{Setting::Setting::ConfigurationName, name});
    }

    if (plan.refused()) {
        return plan.carryOut([] { return true; });
    }
    std::string error;
    if (!changes.empty() && !model.applyChanges(changes, error)) {
        std::string interfaceName;
        model.getName(interfaceName);
        return configurationFileFailure(broker, interfaceName, error);
    }
    return okStatus();
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
