// The classes the peer provider serves, and the few it only points at.
#pragma once

#include <string_view>

namespace ovx::peers::classes {

inline constexpr std::string_view kComputerSystem = "OVX_ComputerSystem";
inline constexpr std::string_view kSPComputerSystem = "OVX_SPComputerSystem";
inline constexpr std::string_view kLANEndpoint = "OVX_LANEndpoint";
inline constexpr std::string_view kDHCPSettingData = "OVX_DHCPSettingData";
inline constexpr std::string_view kDNSSettingData = "OVX_DNSSettingData";
inline constexpr std::string_view kDNSGeneralSettingData = "OVX_DNSGeneralSettingData";
inline constexpr std::string_view kDNSProtocolEndpoint = "OVX_DNSProtocolEndpoint";
inline constexpr std::string_view kDNSSAPSAPDependency = "OVX_DNSSAPSAPDependency";
// The job that RequestStateChange and ApplySettingToIPProtocolEndpoint name.
inline constexpr std::string_view kConcreteJob = "OVX_ConcreteJob";
// Served by the IP interface provider; the dependency points at it.
inline constexpr std::string_view kIPProtocolEndpoint = "OVX_IPProtocolEndpoint";

// Whether className is one this provider answers for.
bool isServed(std::string_view className);

// Whether className is candidate itself or one of its ancestors. Only the
// lineages of the classes above are known; anything else is itself only.
bool isA(std::string_view className, std::string_view candidate);

}  // namespace ovx::peers::classes
