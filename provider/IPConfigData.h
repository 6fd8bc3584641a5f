// The settings of one configuration, gathered from the setting data a client
// named and applied to one interface in a single step.
#pragma once

#include <string>
#include <vector>

namespace Quill {
namespace IPInterfaceProvider {

struct IPConfigData {
    // CIM AddressOrigin to apply: 3 static, 4 DHCP, 0 nothing gathered.
    unsigned short addr_origin = 0;
    unsigned short ipv6_prefix = 0;
    // The endpoint's "Name": an interface name, possibly with a "_" suffix.
    std::string name;
    std::string ipAddress;
    std::string subnet_mask;
    std::string ipGateway;
    std::string ipv6Gateway;
    std::string ipv6Address;
    std::string dnsHostName;
    std::string dnsDomainName;
    // A setting without a configuration name lets a needed restart happen at once.
    bool configNameEmpty = false;
    std::vector<std::string> dnsServers;
    std::vector<std::string> dnsSuffixes;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
