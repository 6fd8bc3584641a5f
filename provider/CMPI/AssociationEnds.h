// The kinds of object an association can have at one end: the CMPI class
// that serves it, its class id, the class its located paths name, and the
// result-class names that select it. An association's own header derives its
// two ends from these, adding the reference role and the model operation
// that names this end from the other.
#pragma once

#include <array>
#include <optional>

#include "CMPI/CMPIAssignmentSettingData.h"
#include "CMPI/CMPIIPComputerSystem.h"
#include "CMPI/CMPIIPConfigurationService.h"
#include "CMPI/CMPIIPEnabledLogicalElementCapabilities.h"
#include "CMPI/CMPIIPLanEndPoint.h"
#include "CMPI/CMPIProtocolEndpoint.h"
#include "CMPI/CMPIRemoteServiceAccessPoint.h"
#include "CMPI/CMPIStaticIPAssignmentSettingData.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

template <typename EndObject>
struct EndKind {
    using Object = EndObject;

    // Puts the end on what the path names (a class path: every instance).
    static void open(std::optional<Object>& end, const CMPIBroker* broker,
                     const CMPIContext* context, const CMPIObjectPath* path) {
        end.emplace(broker, context, path);
    }

    // An end that its object cannot narrow exactly to what the model named
    // sets this and says, for each element, whether it belongs.
    static constexpr bool kSelectsElements = false;
    static bool belongs(const CMPIObjectPath*, const CMPIObjectPath*) { return true; }
    // Moves the end, from where it stands, past elements that cannot belong.
    static void narrow(Object&, const CMPIObjectPath*) {}
};

struct EndpointEnd : EndKind<CMPIProtocolEndpoint> {
    static constexpr unsigned short kClassId = 9;
    static constexpr const char* kClassName = "OVX_IPProtocolEndpoint";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_IPProtocolEndpoint",
                                                               "CIM_IPProtocolEndpoint"};
};

struct ComputerSystemEnd : EndKind<CMPIIPComputerSystem> {
    static constexpr unsigned short kClassId = 1;
    static constexpr const char* kClassName = "OVX_ComputerSystem";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_ComputerSystem",
                                                               "CIM_ComputerSystem"};
};

struct ServiceProcessorEnd : EndKind<CMPIIPComputerSystem> {
    static constexpr unsigned short kClassId = 119;
    static constexpr const char* kClassName = "OVX_SPComputerSystem";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_SPComputerSystem",
                                                               "CIM_ComputerSystem"};
};

struct LanEndpointEnd : EndKind<CMPIIPLanEndPoint> {
    static constexpr unsigned short kClassId = 16;
    static constexpr const char* kClassName = "OVX_LANEndpoint";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_LANEndpoint",
                                                               "CIM_LanEndpoint"};
};

struct AssignmentSettingEnd : EndKind<CMPIAssignmentSettingData> {
    static constexpr unsigned short kClassId = 66;
    static constexpr const char* kClassName = "OVX_IPAssignmentSettingData";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_IPAssignmentSettingData",
                                                               "CIM_IPAssignmentSettingData"};
};

struct StaticSettingEnd : EndKind<CMPIStaticIPAssignmentSettingData> {
    static constexpr unsigned short kClassId = 69;
    static constexpr const char* kClassName = "OVX_StaticIPAssignmentSettingData";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_StaticIPAssignmentSettingData",
                                                               "CIM_StaticIPAssignmentSettingData"};
};

struct GatewayEnd : EndKind<CMPIRemoteServiceAccessPoint> {
    static constexpr unsigned short kClassId = 70;
    static constexpr const char* kClassName = "OVX_IPRemoteServiceAccessPoint";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_IPRemoteServiceAccessPoint",
                                                               "CIM_RemoteServiceAccessPoint"};
};

struct CapabilitiesEnd : EndKind<CMPIIPEnabledLogicalElementCapabilities> {
    static constexpr unsigned short kClassId = 128;
    static constexpr const char* kClassName = "OVX_IPEnabledLogicalElementCapabilities";
    static constexpr std::array<const char*, 2> kResultClasses{
        "OVX_IPEnabledLogicalElementCapabilities", "CIM_EnabledLogicalElementCapabilities"};
};

struct ConfigurationServiceEnd : EndKind<CMPIIPConfigurationService> {
    static constexpr unsigned short kClassId = 129;
    static constexpr const char* kClassName = "OVX_IPConfigurationService";
    static constexpr std::array<const char*, 2> kResultClasses{"OVX_IPConfigurationService",
                                                               "CIM_IPConfigurationService"};
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
