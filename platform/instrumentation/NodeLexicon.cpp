#include "instrumentation.h"

#include <algorithm>
#include <array>

namespace Quill::NodeLexicon {
namespace {

struct NodeTypeEntry {
    NodeType type;
    const char* name;
};

struct PropertyEntry {
    Properties property;
    const char* name;
    ValueKind kind;
};

constexpr std::array<NodeTypeEntry, 4> kNodeTypes{{
    {LANEndpoint, "LANEndpoint"},
    {ServiceProcessor, "ServiceProcessor"},
    {IPInterface, "IPInterface"},
    {ComputerSystem, "ComputerSystem"},
}};

constexpr std::array<PropertyEntry, 16> kProperties{{
    {AddressOrigin, "AddressOrigin", ValueKind::Number},
    {IPv4Address, "IPv4Address", ValueKind::Text},
    {SubnetMask, "SubnetMask", ValueKind::Text},
    {IPv6Address, "IPv6Address", ValueKind::Text},
    {IPv6AddressType, "IPv6AddressType", ValueKind::Number},
    {ProtocolIFType, "ProtocolIFType", ValueKind::Number},
    {DNSServers, "DNSServers", ValueKind::List},
    {IPVersion, "IPVersion", ValueKind::Number},
    {HostName, "HostName", ValueKind::Text},
    {DomainName, "DomainName", ValueKind::Text},
    {DNSSuffixes, "DNSSuffixes", ValueKind::List},
    {IPv4Gateway, "IPv4Gateway", ValueKind::Text},
    {IPv6Gateway, "IPv6Gateway", ValueKind::Text},
    {IPv6PrefixLength, "IPv6PrefixLength", ValueKind::Number},
    {Name, "Name", ValueKind::Text},
    {EnabledState, "EnabledState", ValueKind::Number},
}};

const PropertyEntry* entryOf(Properties property) {
    const auto found =
        std::find_if(kProperties.begin(), kProperties.end(),
                     [property](const auto& entry) { return entry.property == property; });
    return found == kProperties.end() ? nullptr : &*found;
}

}  // namespace

std::optional<std::string> nodeTypeName(NodeType type) {
    for (const auto& entry : kNodeTypes) {
        if (entry.type == type) {
            return std::string(entry.name);
        }
    }
    return std::nullopt;
}

std::optional<NodeType> nodeTypeFromName(const std::string& name) {
    for (const auto& entry : kNodeTypes) {
        if (name == entry.name) {
            return entry.type;
        }
    }
    return std::nullopt;
}

std::optional<std::string> propertyName(Properties property) {
    const PropertyEntry* entry = entryOf(property);
    return entry ? std::optional<std::string>(entry->name) : std::nullopt;
}

std::optional<Properties> propertyFromName(const std::string& name) {
    for (const auto& entry : kProperties) {
        if (name == entry.name) {
            return entry.property;
        }
    }
    return std::nullopt;
}

std::optional<ValueKind> propertyKind(Properties property) {
    const PropertyEntry* entry = entryOf(property);
    return entry ? std::optional<ValueKind>(entry->kind) : std::nullopt;
}

std::vector<NodeType> allNodeTypes() {
    std::vector<NodeType> types;
    for (const auto& entry : kNodeTypes) {
        types.push_back(entry.type);
    }
    return types;
}

std::vector<Properties> allProperties() {
    std::vector<Properties> properties;
    for (const auto& entry : kProperties) {
        properties.push_back(entry.property);
    }
    return properties;
}

}  // namespace Quill::NodeLexicon
