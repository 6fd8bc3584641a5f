#include "Zodavez/IPprotocolEndpoint.h"

#include <gtest/gtest.h>

#include <string>
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

TEST(EndpointWalk, ASystemWithoutInterfacesIsExhaustedFromTheStart) {
    const SystemDescriptionFile system(systemDescription(Json::array()));
    IPprotocolEndpoint endpoint;
    EXPECT_FALSE(endpoint);
}

TEST(EndpointWalk, UnfilteredYieldsEveryInterfaceInTreeOrder) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    EXPECT_EQ(namesWalked(endpoint), (std::vector<std::string>{"eth0", "eth1", "bmc0"}));
}

TEST(EndpointWalk, NameFilterStandsOnThatInterfaceOnly) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth1");
    EXPECT_EQ(namesWalked(endpoint), std::vector<std::string>{"eth1"});
}

TEST(EndpointWalk, NameFilterMatchingNothingExhaustsTheWalk) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "ETH0");
    EXPECT_FALSE(endpoint);
}

TEST(EndpointWalk, HostSystemNameSkipsTheServiceProcessor) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kSystemNameFilter, ProviderTest::thisHostName());
    EXPECT_EQ(namesWalked(endpoint), (std::vector<std::string>{"eth0", "eth1"}));
}

TEST(EndpointWalk, ServiceProcessorSystemNameYieldsOnlyItsInterfaces) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kSystemNameFilter, "BMC:-1");
    EXPECT_EQ(namesWalked(endpoint), std::vector<std::string>{"bmc0"});
}

TEST(EndpointWalk, TwoFiltersFindThePositionPassingBoth) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kSystemNameFilter, ProviderTest::thisHostName());
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth1");
    EXPECT_EQ(namesWalked(endpoint), std::vector<std::string>{"eth1"});
}

TEST(EndpointWalk, ASecondFilterSearchesOnwardAndNeverBack) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth1");
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth0");
    EXPECT_FALSE(endpoint);
}

TEST(EndpointWalk, ContradictingSystemAndNameFiltersMatchNothing) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kSystemNameFilter, "BMC:-1");
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth0");
    EXPECT_FALSE(endpoint);
}

TEST(EndpointWalk, UnknownFilterTypeIsNeutral) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(7, "anything");
    EXPECT_TRUE(endpoint.evaluate());
    EXPECT_EQ(namesWalked(endpoint), (std::vector<std::string>{"eth0", "eth1", "bmc0"}));
}

TEST(EndpointWalk, AnUnreadableNameComparesAsTheEmptyText) {
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

TEST(EndpointWalk, InitializeRestartsAnUnfilteredWalk) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth1");
    ++endpoint;
    ASSERT_FALSE(endpoint);
    endpoint.initialize();
    EXPECT_EQ(namesWalked(endpoint), (std::vector<std::string>{"eth0", "eth1", "bmc0"}));
}

TEST(EndpointOwner, BmcWithTrailingBlankMarksTheServiceProcessor) {
    const SystemDescriptionFile system(singleInterface({}, "BMC LAN channel"));
    const IPprotocolEndpoint endpoint;
    std::string className;
    std::string systemName;
    EXPECT_TRUE(endpoint.getSystemCreationClassName(className));
    EXPECT_TRUE(endpoint.getSystemName(systemName));
    EXPECT_EQ(className, "OVX_SPComputerSystem");
    EXPECT_EQ(systemName, "BMC:-1");
}

TEST(EndpointOwner, BmcWithoutBlankBelongsToTheHost) {
    const SystemDescriptionFile system(singleInterface({}, "BMC"));
    const IPprotocolEndpoint endpoint;
    std::string className;
    std::string systemName;
    endpoint.getSystemCreationClassName(className);
    EXPECT_TRUE(endpoint.getSystemName(systemName));
    EXPECT_EQ(className, "OVX_ComputerSystem");
    EXPECT_EQ(systemName, ProviderTest::thisHostName());
}

TEST(EndpointGetters, ConstantsAndNodeTexts) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    const IPprotocolEndpoint endpoint;
    std::string text;
    EXPECT_TRUE(endpoint.getCreationClassName(text));
    EXPECT_EQ(text, "OVX_IPProtocolEndpoint");
    EXPECT_TRUE(endpoint.getNameFormat(text));
    EXPECT_EQ(text, "NIC Name");
    EXPECT_TRUE(endpoint.getDescription(text));
    EXPECT_EQ(text, "Intel Ethernet");
    EXPECT_TRUE(endpoint.getIPv4Address(text));
    EXPECT_EQ(text, "192.168.1.10");
    EXPECT_TRUE(endpoint.getSubnetMask(text));
    EXPECT_EQ(text, "255.255.255.0");
    EXPECT_TRUE(endpoint.getIPv6Address(text));
    EXPECT_EQ(text, "fe80::1");
}

TEST(EndpointGetters, AbsentPropertiesReportNoValue) {
    const SystemDescriptionFile system(singleInterface({}));
    const IPprotocolEndpoint endpoint;
    std::string text = "untouched";
    unsigned char prefix = 9;
    unsigned short number = 9;
    EXPECT_FALSE(endpoint.getIPv4Address(text));
    EXPECT_FALSE(endpoint.getIPv6Address(text));
    EXPECT_FALSE(endpoint.getSubnetMask(text));
    EXPECT_EQ(text, "untouched");
    EXPECT_FALSE(endpoint.getPrefixLength(prefix));
    EXPECT_FALSE(endpoint.getIPv6SubnetPrefixLength(number));
    EXPECT_FALSE(endpoint.getIPv6AddressType(number));
    EXPECT_FALSE(endpoint.getProtocolIFType(number));
    EXPECT_EQ(prefix, 9);
    EXPECT_EQ(number, 9);
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

TEST(EndpointGetters, CodesPassedThroughUnchanged) {
    const SystemDescriptionFile system(
        singleInterface({{"IPv6AddressType", 7}, {"ProtocolIFType", 4097}}));
    const IPprotocolEndpoint endpoint;
    unsigned short type = 0;
    EXPECT_TRUE(endpoint.getIPv6AddressType(type));
    EXPECT_EQ(type, 7);
    EXPECT_TRUE(endpoint.getProtocolIFType(type));
    EXPECT_EQ(type, 4097);
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

TEST(EndpointSetters, RequestedStatesBecomeNodeCodes) {
    // A reset is recorded as a request; the state stays.
    for (const Mapping mapping : {Mapping{1, 2}, Mapping{12, 3}, Mapping{16, 11}}) {
        const SystemDescriptionFile system(singleInterface({{"EnabledState", 16}}));
        IPprotocolEndpoint endpoint;
        EXPECT_TRUE(endpoint.setEnabledState(mapping.cim));
        EXPECT_EQ(system.interfaceProperty("eth0", "EnabledState"), mapping.node);
    }
}

TEST(EndpointSetters, OtherRequestedStatesWriteNothing) {
    const SystemDescriptionFile system(singleInterface({{"EnabledState", 16}}));
    const std::string before = system.text();
    IPprotocolEndpoint endpoint;
    EXPECT_FALSE(endpoint.setEnabledState(4));
    EXPECT_FALSE(endpoint.setEnabledState(0));
    EXPECT_EQ(system.text(), before);
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

TEST(EndpointSetters, AddressAndMaskAreWritten) {
    const SystemDescriptionFile system(ProviderTest::standardSystem());
    IPprotocolEndpoint endpoint;
    endpoint.setFilter(IPprotocolEndpoint::kNameFilter, "eth1");
    EXPECT_TRUE(endpoint.setIPv4Address("10.0.0.9"));
    EXPECT_TRUE(endpoint.setSubnetMask("255.255.0.0"));
    EXPECT_EQ(system.interfaceProperty("eth1", "IPv4Address"), "10.0.0.9");
    EXPECT_EQ(system.interfaceProperty("eth1", "SubnetMask"), "255.255.0.0");
    EXPECT_EQ(system.interfaceProperty("eth0", "IPv4Address"), "192.168.1.10");
}

TEST(EndpointSetters, ReadOnlyPropertiesAreRefusedAndSaidSoBeforehand) {
    const SystemDescriptionFile system(systemDescription(Json::array(
        {interfaceNode("eth0", "Ethernet", {{"Name", "eth0"}, {"IPv4Address", "10.0.0.1"}},
                       Json::array({"IPv4Address"}))})));
    IPprotocolEndpoint endpoint;
    EXPECT_FALSE(endpoint.canSetIPv4Address());
    EXPECT_TRUE(endpoint.canSetSubnetMask());
    EXPECT_FALSE(endpoint.setIPv4Address("10.0.0.2"));
    EXPECT_EQ(system.interfaceProperty("eth0", "IPv4Address"), "10.0.0.1");
}

}  // namespace
