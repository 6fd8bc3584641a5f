#include "Zodavez/StaticIPElementSettingData.h"

#include <string>
#include <vector>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPprotocolEndpoint.h"
#include "Zodavez/StaticIPAssignmentSettingData.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr unsigned short kStaticOrigin = 3;
constexpr unsigned short kIs = 1;
constexpr unsigned short kIsNot = 2;

// The interface part of a setting identifier ("eth0" of "Computer%eth0").
std::string interfaceOf(const std::string& instanceId) {
    const std::vector<std::string> fields = splitFields(instanceId, '%');
    return fields.size() >= 2 ? fields[1] : std::string();
}

}  // namespace

StaticIPElementSettingData::StaticIPElementSettingData() {
    QUILL_TRACE_METHOD();
}

StaticIPElementSettingData::~StaticIPElementSettingData() {
    QUILL_TRACE_METHOD();
}

Moniker StaticIPElementSettingData::getManagedElementMoniker(Moniker& ipSettingDataMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipSettingDataMoniker=" << static_cast<const void*>(&ipSettingDataMoniker));
    const std::string instanceId =
        requireKey(ipSettingDataMoniker, "InstanceID", "Could not find 'Name' key in Moniker");
    if (splitFields(instanceId, '%').size() < 2) {
        throw FrameworkException("Could not find 'InstanceID tokens");
    }
    std::string systemName;
    std::string name;
    unsigned short origin = 0;
    const bool found = findByInterfaceName<IPprotocolEndpoint>(
        interfaceOf(instanceId), true,
        [](const IPprotocolEndpoint& endpoint) {
            std::string each;
            endpoint.getName(each);
            return each;
        },
        [&](const IPprotocolEndpoint& endpoint) {
            endpoint.getSystemName(systemName);
            endpoint.getName(name);
            endpoint.getAddressOrigin(origin);
        });
    if (!found) {
        throw FrameworkException("Could not get 'System Name' and  'Name' key");
    }
    IsDefault = origin == kStaticOrigin ? kIs : kIsNot;
    IsCurrent = IsDefault;
    QUILL_TRACE_VARIABLE(IsCurrent);
    return makeMoniker({{"SystemName", systemName}, {"Name", name}});
}

Moniker StaticIPElementSettingData::getStaticIPSettingDataMoniker(Moniker& ipEndpointMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" ipEndpointMoniker=" << static_cast<const void*>(&ipEndpointMoniker));
    const std::string name =
        requireKey(ipEndpointMoniker, "Name", "Could not find 'Name' key in Moniker");
    std::string instanceId;
    const bool found = findByInterfaceName<StaticIPAssignmentSettingData>(
        name, false,
        [](const StaticIPAssignmentSettingData& setting) {
            std::string each;
            setting.getInstanceID(each);
            return splitFields(each, '%').size() >= 2 ? interfaceOf(each) : std::string();
        },
        [&](const StaticIPAssignmentSettingData& setting) { setting.getInstanceID(instanceId); });
    if (!found) {
        throw FrameworkException("Could not get 'Instance ID' key");
    }
    return makeMoniker({{"InstanceID", instanceId}});
}

bool StaticIPElementSettingData::getIsDefault(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = IsDefault;
    return true;
}

bool StaticIPElementSettingData::getIsCurrent(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = IsCurrent;
    return true;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
