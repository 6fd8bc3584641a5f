#include "Zodavez/IPprotocolEndpoint.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "ProviderTestSupport.h"

namespace {

using ProviderTest::interfaceNode;
using ProviderTest::Json;
using ProviderTest::systemDescription;
using ProviderTest::SystemDescriptionFile;
using Quill::IPInterfaceProvider::IPprotocolEndpoint;

std::vector<std::string> namesWalked(IPprotocolEndpoint& endpoint) {
    std::vector<std::string> names;
    for (; endpoint; ++endpoint) {
        std::string name;
        endpoint.getName(name);
        names.push_back(name);
    }
    return names;
}

// One interface with the given node properties.
Json singleInterface(Json properties, const std::string& description = "Ethernet") {
    properties["Name"] = "eth0";
    return systemDescription(Json::array({interfaceNode("eth0", description, properties)}));
}

TEST(EndpointWalk, FiltersNarrowTheWalkAndASecondFilterNeverSearchesBack) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    const std::string host = ProviderTest::thisHostName();
    constexpr int kName = IPprotocolEndpoint::kNameFilter;
    constexpr int kSystem = IPprotocolEndpoint::kSystemNameFilter;
    using Names = std::vector<std::string>;
    const std::vector<std::pair<std::vector<std::pair<int, std::string>>, Names>> cases = {
        {{}, {"eth0", "eth1", "bmc0"}},
        {{{kName, "eth1"}}, {"eth1"}},
        {{{kName, "ETH0"}}, {}},
        {{{kSystem, host}}, {"eth0", "eth1"}},
        {{{kSystem, "BMC:-1"}}, {"bmc0"}},
        {{{kSystem, host}, {kName, "eth1"}}, {"eth1"}},
        {{{kName, "eth1"}, {kName, "eth0"}}, {}},
        {{{kSystem, "BMC:-1"}, {kName, "eth0"}}, {}},
        {{{7, "anything"}}, {"eth0", "eth1", "bmc0"}},
    };
    for (const auto& [filters, expected] : cases) {
        IPprotocolEndpoint endpoint;
        std::string described;
        for (const auto& [type, value] : filters) {
            endpoint.setFilter(type, value);
            described += std::to_string(type) + "=" + value + " ";
        }
        EXPECT_EQ(namesWalked(endpoint), expected) << described;
    }
    // Initialize drops the filters and starts over.
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(kName, "eth1");
    ++endpoint;
    ASSERT_FALSE(endpoint);
    endpoint.initialize();
    EXPECT_EQ(namesWalked(endpoint), (Names{"eth0", "eth1", "bmc0"}));
}

TEST(EndpointWalk, EmptySystemAndUnreadableNames) {
    {
        const SystemDescriptionFile system(systemDescription(Json::array()));
        EXPECT_FALSE(IPprotocolEndpoint());
    }
    // An interface without a name compares as the empty text.
    const SystemDescriptionFile system(systemDescription(
        Json::array({interfaceNode("eth0", "Ethernet", {{"Name", "eth0"}}),
                     interfaceNode("anon", "Ethernet", {{"IPv4Address", "10.1.1.1"}})})));
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "");
    ASSERT_TRUE(endpoint);
    std::string address;
    EXPECT_TRUE(endpoint.getIPv4Address(address));
    EXPECT_EQ(address, "10.1.1.1");
}

TEST(EndpointOwner, OnlyABmcDescriptionWithATrailingBlankMarksTheServiceProcessor) {
    for (const auto& [description, className, systemName] :
         {std::tuple<std::string, std::string, std::string>{"BMC LAN channel",
                                                            "OVX_SPComputerSystem", "BMC:-1"},
          {"BMC", "OVX_ComputerSystem", ProviderTest::thisHostName()}}) {
        const SystemDescriptionFile system(singleInterface({}, description));
        const IPprotocolEndpoint endpoint;
        std::string gotClass;
        std::string gotSystem;
        EXPECT_TRUE(endpoint.getSystemCreationClassName(gotClass));
        EXPECT_TRUE(endpoint.getSystemName(gotSystem));
        EXPECT_EQ(gotClass, className) << description;
        EXPECT_EQ(gotSystem, systemName) << description;
    }
}

TEST(EndpointGetters, PrefixLengthIsCutTo8BitsButNotTo16) {
    const SystemDescriptionFile system(singleInterface({{"IPv6PrefixLength", 300}}));
    const IPprotocolEndpoint endpoint;
    unsigned char prefix = 0;
    unsigned short wide = 0;
    EXPECT_TRUE(endpoint.getPrefixLength(prefix));
    EXPECT_TRUE(endpoint.getIPv6SubnetPrefixLength(wide));
    EXPECT_EQ(prefix, 44);
    EXPECT_EQ(wide, 300);
}

struct Mapping {
    unsigned int node;
    unsigned short cim;
};

unsigned short enabledStateFor(const Json& properties, unsigned short initial) {
    const SystemDescriptionFile system(singleInterface(properties));
    const IPprotocolEndpoint endpoint;
    unsigned short state = initial;
    EXPECT_TRUE(endpoint.getEnabledState(state));
    return state;
}

TEST(EndpointMappings, EnabledState) {
    for (const Mapping mapping :
         {Mapping{1, 2}, Mapping{12, 3}, Mapping{16, 3}, Mapping{0, 5}, Mapping{2, 5}}) {
        EXPECT_EQ(enabledStateFor({{"EnabledState", mapping.node}}, 77), mapping.cim)
            << "node state " << mapping.node;
    }
    EXPECT_EQ(enabledStateFor(Json::object(), 77), 77) << "unreadable state leaves the value";
    for (const Mapping mapping : {Mapping{1, 2}, Mapping{12, 3}, Mapping{2, 12}}) {
        const SystemDescriptionFile system(singleInterface({{"EnabledState", mapping.node}}));
        unsigned short requested = 77;
        EXPECT_TRUE(IPprotocolEndpoint().getRequestedState(requested));
        EXPECT_EQ(requested, mapping.cim) << "requested state of node state " << mapping.node;
    }
}

TEST(EndpointMappings, AddressOrigin) {
    for (const Mapping mapping : {Mapping{1, 4}, Mapping{2, 5}, Mapping{3, 3}, Mapping{4, 8},
                                  Mapping{5, 1}, Mapping{6, 1}, Mapping{7, 0}, Mapping{0, 0}}) {
        const SystemDescriptionFile system(singleInterface({{"AddressOrigin", mapping.node}}));
        const IPprotocolEndpoint endpoint;
        unsigned short origin = 99;
        EXPECT_TRUE(endpoint.getAddressOrigin(origin));
        EXPECT_EQ(origin, mapping.cim) << "node origin " << mapping.node;
    }
    const SystemDescriptionFile system(singleInterface(Json::object()));
    const IPprotocolEndpoint endpoint;
    unsigned short origin = 99;
    EXPECT_TRUE(endpoint.getAddressOrigin(origin));
    EXPECT_EQ(origin, 0);
}

TEST(EndpointMappings, AddressTypeAndVersionSupport) {
    struct Expected {
        unsigned int version;
        unsigned short addressType;
        unsigned short support;  // 99: left as the caller set it
    };
    for (const Expected expected : {Expected{1, 1, 1}, Expected{2, 2, 2}, Expected{3, 0, 3},
                                    Expected{4, 0, 99}, Expected{6, 0, 99}}) {
        const SystemDescriptionFile system(singleInterface({{"IPVersion", expected.version}}));
        const IPprotocolEndpoint endpoint;
        unsigned short addressType = 99;
        unsigned short support = 99;
        EXPECT_TRUE(endpoint.getAddressType(addressType));
        EXPECT_TRUE(endpoint.getIPVersionSupport(support));
        EXPECT_EQ(addressType, expected.addressType) << "version " << expected.version;
        EXPECT_EQ(support, expected.support) << "version " << expected.version;
    }
}

TEST(EndpointSetters, AddressOriginStaticDhcpAndAnythingElse) {
    for (const Mapping mapping : {Mapping{3, 3}, Mapping{1, 4}, Mapping{0, 2}, Mapping{0, 6}}) {
        const SystemDescriptionFile system(singleInterface({{"AddressOrigin", 5}}));
        IPprotocolEndpoint endpoint;
        EXPECT_TRUE(endpoint.setAddressOrigin(mapping.cim));
        EXPECT_EQ(system.interfaceProperty("eth0", "AddressOrigin"), mapping.node)
            << "applied origin " << mapping.cim;
    }
}

}  // namespace
