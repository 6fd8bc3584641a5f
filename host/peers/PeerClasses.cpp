#include "PeerClasses.h"

#include "PeerObjects.h"

#include <algorithm>
#include <array>
#include <vector>

namespace ovx::peers::classes {
namespace {

struct Lineage {
    std::string_view className;
    std::vector<std::string_view> ancestors;  // nearest first
};

// The CIM schema's chains above our classes, as far as filters need them.
const std::array<Lineage, 10>& lineages() {
    static const std::array<Lineage, 10> known{{
        {kComputerSystem,
         {"CIM_ComputerSystem", "CIM_System", "CIM_EnabledLogicalElement", "CIM_LogicalElement",
          "CIM_ManagedSystemElement", "CIM_ManagedElement"}},
        {kSPComputerSystem,
         {"CIM_ComputerSystem", "CIM_System", "CIM_EnabledLogicalElement", "CIM_LogicalElement",
          "CIM_ManagedSystemElement", "CIM_ManagedElement"}},
        {kLANEndpoint,
         {"CIM_LANEndpoint", "CIM_ProtocolEndpoint", "CIM_ServiceAccessPoint",
          "CIM_EnabledLogicalElement", "CIM_LogicalElement", "CIM_ManagedSystemElement",
          "CIM_ManagedElement"}},
        {kDHCPSettingData,
         {"CIM_DHCPSettingData", "CIM_IPAssignmentSettingData", "CIM_SettingData",
          "CIM_ManagedElement"}},
        {kDNSSettingData,
         {"CIM_DNSSettingData", "CIM_IPAssignmentSettingData", "CIM_SettingData",
          "CIM_ManagedElement"}},
        {kDNSGeneralSettingData,
         {"CIM_DNSGeneralSettingData", "CIM_IPAssignmentSettingData", "CIM_SettingData",
          "CIM_ManagedElement"}},
        {kDNSProtocolEndpoint,
         {"CIM_DNSProtocolEndpoint", "CIM_ProtocolEndpoint", "CIM_ServiceAccessPoint",
          "CIM_EnabledLogicalElement", "CIM_LogicalElement", "CIM_ManagedSystemElement",
          "CIM_ManagedElement"}},
        {kDNSSAPSAPDependency, {"CIM_SAPSAPDependency", "CIM_Dependency"}},
        {kConcreteJob,
         {"CIM_ConcreteJob", "CIM_Job", "CIM_LogicalElement", "CIM_ManagedSystemElement",
          "CIM_ManagedElement"}},
        {kIPProtocolEndpoint,
         {"CIM_IPProtocolEndpoint", "CIM_ProtocolEndpoint", "CIM_ServiceAccessPoint",
          "CIM_EnabledLogicalElement", "CIM_LogicalElement", "CIM_ManagedSystemElement",
          "CIM_ManagedElement"}},
    }};
    return known;
}

}  // namespace

bool isServed(std::string_view className) {
    const auto& known = lineages();
    return std::any_of(known.begin(), known.end(), [className](const Lineage& lineage) {
        return lineage.className != kIPProtocolEndpoint &&
               equalsIgnoreCase(lineage.className, className);
    });
}

bool isA(std::string_view className, std::string_view candidate) {
    if (equalsIgnoreCase(className, candidate)) {
        return true;
    }
    for (const auto& lineage : lineages()) {
        if (equalsIgnoreCase(lineage.className, className)) {
            return std::any_of(lineage.ancestors.begin(), lineage.ancestors.end(),
                               [candidate](std::string_view ancestor) {
                                   return equalsIgnoreCase(ancestor, candidate);
                               });
        }
    }
    return false;
}

}  // namespace ovx::peers::classes
