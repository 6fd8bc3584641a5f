#include "Zodavez/IPElementSettingData.h"

#include <string>
#include <vector>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPAssignmentSettingData.h"
#include "Zodavez/IPprotocolEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

// CIM AddressOrigin codes of the endpoint.
constexpr unsigned short kStaticOrigin = 3;
constexpr unsigned short kDhcpOrigin = 4;
constexpr unsigned short kIs = 1;
constexpr unsigned short kIsNot = 2;

}  // namespace

IPElementSettingData::IPElementSettingData() {
    QUILL_TRACE_METHOD();
}

IPElementSettingData::~IPElementSettingData() {
    QUILL_TRACE_METHOD();
}

Moniker IPElementSettingData::getManagedElementMoniker(Moniker& ipSettingDataMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipSettingDataMoniker=" << static_cast<const void*>(&ipSettingDataMoniker));
    const std::string instanceId =
        requireKey(ipSettingDataMoniker, "InstanceID", "Could not find 'Name' key in Moniker");
    if (lastNamed && lastNamed->first == instanceId) {
        return lastNamed->second;
    }
    const std::vector<std::string> fields = splitFields(instanceId, '%');
    if (fields.size() < 3) {
        throw FrameworkException("Instance ID Property value is not correct");
    }
    IPprotocolEndpoint endpoint;
    const bool found = findFirst(endpoint, named(fields[1]), [&](const IPprotocolEndpoint& each) {
        std::string name;
        each.getName(name);
        return name == fields[1];
    });
    if (!found) {
        throw FrameworkException("Could not get 'System Name' and  'Name' key");
    }
    unsigned short origin = 0;
    endpoint.getAddressOrigin(origin);
    const std::string& originWord = fields[2];
    const bool inUse = (origin == kDhcpOrigin && originWord == "dhcp") ||
                       (origin == kStaticOrigin && originWord == "static");
    IsDefault = inUse ? kIs : kIsNot;
    IsCurrent = IsDefault;
    QUILL_TRACE_VARIABLE(IsCurrent);
    std::string systemClass;
    std::string systemName;
    std::string name;
    endpoint.getSystemCreationClassName(systemClass);
    endpoint.getSystemName(systemName);
    endpoint.getName(name);
    Moniker moniker = makeMoniker({{"SystemCreationClassName", systemClass},
                                   {"SystemName", systemName},
                                   {"Name", name},
                                   {"CreationClassName", "OVX_IPProtocolEndpoint"}});
    lastNamed.emplace(instanceId, moniker);
    return moniker;
}

Moniker IPElementSettingData::getIPSettingDataMoniker(Moniker& ipEndpointMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" ipEndpointMoniker=" << static_cast<const void*>(&ipEndpointMoniker));
    const std::string name =
        requireKey(ipEndpointMoniker, "Name", "Could not find 'Name' key in Moniker");
    IPAssignmentSettingData settings;
    std::string instanceId;
    const bool found = findFirst(settings, named(name), [&](const IPAssignmentSettingData& each) {
        each.getInstanceId(instanceId);
        const std::vector<std::string> fields = splitFields(instanceId, '%');
        return fields.size() >= 2 && fields[1] == name;
    });
    if (!found) {
        throw FrameworkException("Could not get 'Instance ID' key");
    }
    return makeMoniker({{"InstanceID", instanceId}});
}

bool IPElementSettingData::getIsDefault(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = IsDefault;
    return true;
}

bool IPElementSettingData::getIsCurrent(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = IsCurrent;
    return true;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
