#include "Zodavez/StaticOrderedComponent.h"

#include <string>

#include "Exceptions.h"
#include "Trace.h"
#include "Zodavez/AssociationMonikers.h"
#include "Zodavez/IPAssignmentSettingData.h"
#include "Zodavez/StaticIPAssignmentSettingData.h"
#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kStaticWord = "static";

// An assignment setting's identifier split at its last "%": the setting
// identifier the static setting goes by, and the origin word.
struct SettingParts {
    std::string setting_instanceId;
    std::string isStatic;
};

SettingParts partsOf(const std::string& instanceId) {
    const std::string::size_type last = instanceId.rfind('%');
    if (last == std::string::npos) {
        return SettingParts{instanceId, std::string()};
    }
    return SettingParts{instanceId.substr(0, last), instanceId.substr(last + 1)};
}

}  // namespace

StaticOrderedComponent::StaticOrderedComponent() {
    QUILL_TRACE_METHOD();
}

StaticOrderedComponent::~StaticOrderedComponent() {
    QUILL_TRACE_METHOD();
}

Moniker StaticOrderedComponent::getPartComponentMoniker(Moniker& ipSettingDataMoniker) {
    QUILL_TRACE_ENTER_PARAMS(
        " ipSettingDataMoniker=" << static_cast<const void*>(&ipSettingDataMoniker));
    const SettingParts parts = partsOf(
        requireKey(ipSettingDataMoniker, "InstanceID", "Could not find 'Name' key in Moniker"));
    QUILL_TRACE_VALUE("isStatic", parts.isStatic);
    QUILL_TRACE_VALUE("setting_instanceId", parts.setting_instanceId);
    if (parts.isStatic != kStaticWord) {
        throw FrameworkException("AssignmentSetting data is not static");
    }
    StaticIPAssignmentSettingData settings;
    const bool found = findFirst(settings, interfacesOfSettingId(parts.setting_instanceId),
                                 [&](const StaticIPAssignmentSettingData& each) {
                                     std::string instanceId;
                                     each.getInstanceID(instanceId);
                                     return instanceId == parts.setting_instanceId;
                                 });
    if (!found) {
        throw FrameworkException("Could not get InstanceID");
    }
    return makeMoniker({{"InstanceID", parts.setting_instanceId}});
}

Moniker StaticOrderedComponent::getGroupComponentMoniker(Moniker& staticDataMoniker) {
    QUILL_TRACE_ENTER_PARAMS(" staticDataMoniker=" << static_cast<const void*>(&staticDataMoniker));
    const std::string staticId =
        requireKey(staticDataMoniker, "InstanceID", "Could not find 'InstanceID' property");
    IPAssignmentSettingData settings;
    std::string instanceId;
    // Only the static alternative holds the static setting.
    const bool found = findFirst(
        settings, interfacesOfSettingId(staticId), [&](const IPAssignmentSettingData& each) {
            each.getInstanceId(instanceId);
            const SettingParts parts = partsOf(instanceId);
            return parts.setting_instanceId == staticId && parts.isStatic == kStaticWord;
        });
    if (!found) {
        throw FrameworkException("Could not get 'Instance ID' key");
    }
    return makeMoniker({{"InstanceID", instanceId}});
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
