#include "GeneratedSystem.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <stdexcept>

namespace GeneratedSystem {
namespace {

using Json = nlohmann::json;

// Eight kinds of interface in turn: static IPv4 with a gateway, dual-stack
// with both gateways, DHCP, an alias ("_" name) without a gateway, IPv6 only
// by autoconfiguration, a bridge without gateways, DHCP without a gateway, a
// VLAN with a gateway.
constexpr std::size_t kKinds = 8;

std::string nameOf(std::size_t index) {
    switch (index % kKinds) {
        case 3:
            return "eth" + std::to_string(index - 1) + "_1";
        case 4:
            return "veth_" + std::to_string(index);
        case 5:
            return "br" + std::to_string(index);
        case 7:
            return "vlan" + std::to_string(index);
        default:
            return "eth" + std::to_string(index);
    }
}

std::string ipv4Of(std::size_t index, unsigned host) {
    return "10." + std::to_string(index / 256 % 256) + "." + std::to_string(index % 256) + "." +
           std::to_string(host);
}

std::string ipv6Of(std::size_t index, unsigned host) {
    return "2001:db8:" + std::to_string(index) + "::" + std::to_string(host);
}

Interface describeInterface(std::size_t index) {
    Interface described;
    described.name = nameOf(index);
    const std::size_t kind = index % kKinds;
    described.dhcp = kind == 2 || kind == 6;
    described.ipv4Gateway = kind == 0 || kind == 1 || kind == 2 || kind == 7;
    described.ipv6Gateway = kind == 1 || kind == 4;
    return described;
}

Json interfaceNode(const Interface& described, std::size_t index) {
    const std::size_t kind = index % kKinds;
    const bool ipv4 = kind != 4;
    const bool ipv6 = kind == 1 || kind == 4 || kind == 5;
    Json properties = {{"Name", described.name},
                       {"EnabledState", kind == 6 ? 12 : 1},
                       {"IPVersion", ipv4 && ipv6 ? 3 : (ipv6 ? 2 : 1)},
                       {"ProtocolIFType", ipv4 && ipv6 ? 4098 : (ipv6 ? 4097 : 4096)},
                       {"AddressOrigin", described.dhcp ? 1 : (kind == 4 ? 4 : 3)},
                       {"HostName", "big01"},
                       {"DomainName", "example.net"}};
    if (ipv4) {
        properties["IPv4Address"] = ipv4Of(index, 10);
        properties["SubnetMask"] = "255.255.255.0";
    }
    if (ipv6) {
        properties["IPv6Address"] = ipv6Of(index, 10);
        properties["IPv6AddressType"] = 6;
        properties["IPv6PrefixLength"] = 64;
    }
    if (described.ipv4Gateway) {
        properties["IPv4Gateway"] = ipv4Of(index, 1);
    }
    if (described.ipv6Gateway) {
        properties["IPv6Gateway"] = ipv6Of(index, 1);
    }
    const std::string description = described.serviceProcessor
                                        ? "BMC LAN interface"
                                        : "Generated interface " + std::to_string(index);
    return {{"type", "IPInterface"},
            {"id", "ip"},
            {"description", description},
            {"properties", properties}};
}

Json lanEndpoint(const std::string& id, const std::string& name) {
    return {{"type", "LANEndpoint"},
            {"id", id},
            {"description", "Port " + name},
            {"properties", {{"Name", name}, {"EnabledState", 1}}},
            {"children", Json::array()}};
}

std::string ifcfgOf(const Interface& described, const Json& properties) {
    std::string text = "CONFIG_NAME=generated\n";
    const auto line = [&](const char* key, const char* property) {
        if (properties.contains(property)) {
            const Json& value = properties[property];
            text += std::string(key) + "=" +
                    (value.is_string() ? value.get<std::string>() : value.dump()) + "\n";
        }
    };
    if (!described.dhcp) {
        line("IPV4ADDR", "IPv4Address");
        line("NETMASK", "SubnetMask");
        line("GATEWAY", "IPv4Gateway");
        line("IPV6ADDR", "IPv6Address");
        line("PREFIX", "IPv6PrefixLength");
        line("IPV6GATEWAY", "IPv6Gateway");
    }
    return text;
}

}  // namespace

std::vector<Interface> interfaces(const Options& options) {
    std::vector<Interface> all;
    for (std::size_t index = 0; index < options.interfaces; ++index) {
        if (index == options.interfaces / 2) {
            Interface bmc;
            bmc.name = "bmc0";
            bmc.serviceProcessor = true;
            bmc.ipv4Gateway = true;
            all.push_back(bmc);
        }
        all.push_back(describeInterface(index));
    }
    if (options.duplicateNames) {
        // Repeats of earlier names, each on a port of its own further down.
        const std::size_t count = all.size();
        for (std::size_t step = 1; step <= 3 && step < count; ++step) {
            Interface repeated = all[count * step / 4];
            repeated.serviceProcessor = false;
            all.push_back(repeated);
        }
    }
    return all;
}

nlohmann::json describe(const Options& options) {
    Json hostChildren = Json::array();
    Json dnsSettings = Json::array();
    Json dhcpSettings = Json::array();
    Json macAddresses = Json::object();
    std::size_t index = 0;
    for (const Interface& described : interfaces(options)) {
        const std::string system = described.serviceProcessor ? "BMC" : "Computer";
        Json node = interfaceNode(described, index);
        dnsSettings.push_back({{"InstanceID", system + "%" + described.name + "%"},
                               {"ElementName", described.name + " DNS"},
                               {"ConfigurationName", "generated"},
                               {"RequestedHostname", "big01"},
                               {"AddressOrigin", described.dhcp ? 4 : 3}});
        if (described.dhcp) {
            dhcpSettings.push_back({{"InstanceID", system + "%" + described.name + "%dhcp"},
                                    {"ElementName", described.name + " DHCP"},
                                    {"ConfigurationName", "generated"}});
        }
        const std::string port = "port" + std::to_string(hostChildren.size());
        std::array<char, 18> mac{};
        std::snprintf(mac.data(), mac.size(), "02:00:00:%02x:%02x:%02x",
                      static_cast<unsigned>(hostChildren.size() / 65536 % 256),
                      static_cast<unsigned>(hostChildren.size() / 256 % 256),
                      static_cast<unsigned>(hostChildren.size() % 256));
        macAddresses[described.name] = mac.data();
        if (described.serviceProcessor) {
            Json lan = lanEndpoint(port, described.name);
            lan["children"].push_back(node);
            hostChildren.push_back({{"type", "ServiceProcessor"},
                                    {"id", "bmc"},
                                    {"description", "BMC"},
                                    {"properties", {{"Name", "BMC:-1"}, {"EnabledState", 1}}},
                                    {"children", Json::array({lan})}});
        } else if (index % kKinds == 3 && !hostChildren.empty() &&
                   hostChildren.back()["type"] == "LANEndpoint") {
            // An alias sits on the port of the interface it belongs to.
            node["id"] = "alias";
            hostChildren.back()["children"].push_back(node);
        } else {
            Json lan = lanEndpoint(port, described.name);
            lan["children"].push_back(node);
            hostChildren.push_back(lan);
        }
        if (!described.serviceProcessor) {
            ++index;
        }
    }
    // The DNS client the configuration method reads the host name from, on
    // the last interface of the host.
    Json dnsEndpoints = Json::array();
    for (const Interface& described : interfaces(options)) {
        if (!described.serviceProcessor) {
            dnsEndpoints = Json::array({described.name});
        }
    }
    Json host = {{"type", "ComputerSystem"},
                 {"id", "host"},
                 {"description", "Generated server"},
                 {"properties", {{"EnabledState", 1}}},
                 {"children", hostChildren}};
    Json general = Json::array({{{"InstanceID", "Computer"},
                                 {"ElementName", "Host DNS suffixes"},
                                 {"ConfigurationName", "generated"},
                                 {"DNSSuffixesToAppend", Json::array({"example.net"})}}});
    return {{"nodes", Json::array({host})},
            {"sections",
             {{"networkSettings",
               {{"DHCPSettingData", dhcpSettings},
                {"DNSSettingData", dnsSettings},
                {"DNSGeneralSettingData", general},
                {"DNSProtocolEndpoints", dnsEndpoints},
                {"MACAddresses", macAddresses}}}}}};
}

void write(const Options& options, const std::filesystem::path& directory) {
    const Json description = describe(options);
    std::ofstream(directory / "system.json") << description.dump(1);
    // The ifcfg files, from the nodes just described.
    const std::vector<Interface> all = interfaces(options);
    std::size_t next = 0;
    const auto visit = [&](const auto& self, const Json& nodes) -> void {
        for (const Json& node : nodes) {
            if (node["type"] == "IPInterface" && next < all.size()) {
                std::ofstream(directory / ("ifcfg-" + all[next].name))
                    << ifcfgOf(all[next], node["properties"]);
                ++next;
            }
            if (node.contains("children")) {
                self(self, node["children"]);
            }
        }
    };
    visit(visit, description["nodes"]);
    if (next != all.size()) {
        throw std::logic_error("generated interfaces and nodes disagree");
    }
}

}  // namespace GeneratedSystem
