// The setting data, gateway, service and capabilities models against small
// system descriptions and real ifcfg files in a temporary data directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "AtomicFile.h"
#include "SettingTestSupport.h"
#include "Zodavez/IPAssignmentSettingData.h"
#include "Zodavez/IPConfigurationService.h"
#include "Zodavez/IPEnabledLogicalElementCapabilities.h"
#include "Zodavez/RemoteServiceAccessPoint.h"
#include "Zodavez/StaticIPAssignmentSettingData.h"

namespace {

using ProviderTest::AgentData;
using ProviderTest::interfaceNode;
using ProviderTest::Json;
using ProviderTest::systemDescription;
using Quill::IPInterfaceProvider::IPAssignmentSettingData;
using Quill::IPInterfaceProvider::IPConfigurationService;
using Quill::IPInterfaceProvider::IPEnabledLogicalElementCapabilities;
using Quill::IPInterfaceProvider::RemoteServiceAccessPoint;
using Quill::IPInterfaceProvider::StaticIPAssignmentSettingData;
using Strings = std::vector<std::string>;

// Every position of a walk, each as one getter describes it.
template <typename Model, typename Getter>
Strings walked(Model& model, Getter getter) {
    Strings values;
    for (; model; ++model) {
        std::string value;
        (model.*getter)(value);
        values.push_back(value);
    }
    return values;
}

Json interfaces(const std::vector<std::pair<std::string, Json>>& named) {
    Json list = Json::array();
    for (const auto& [name, properties] : named) {
        Json withName = properties;
        withName["Name"] = name;
        list.push_back(interfaceNode(name, "Ethernet", withName));
    }
    return list;
}

// eth0 with both gateways, eth1 with none, eth0_1 with an IPv4 one, eth3
// with an empty IPv4 and an IPv6 one; bmc0 of the controller with IPv4.
Json gatewaySystem() {
    return systemDescription(
        interfaces({{"eth0", {{"IPv4Gateway", "192.0.2.1"}, {"IPv6Gateway", "2001:db8::1"}}},
                    {"eth1", Json::object()},
                    {"eth0_1", {{"IPv4Gateway", "192.0.2.254"}}},
                    {"eth3", {{"IPv4Gateway", ""}, {"IPv6Gateway", "2001:db8:3::1"}}}}),
        interfaces({{"bmc0", {{"IPv4Gateway", "10.20.0.1"}}}}));
}

// ---- Setting data walks

TEST(SettingDataWalk, EachInterfaceYieldsItsStaticThenItsDhcpAlternative) {
    const AgentData data(ProviderTest::standardSystem());
    IPAssignmentSettingData settings;
    EXPECT_EQ(walked(settings, &IPAssignmentSettingData::getInstanceId),
              (Strings{"Computer%eth0%static", "Computer%eth0%dhcp", "Computer%eth1%static",
                       "Computer%eth1%dhcp", "BMC%bmc0%static", "BMC%bmc0%dhcp"}));
    StaticIPAssignmentSettingData statics;
    EXPECT_EQ(walked(statics, &StaticIPAssignmentSettingData::getInstanceID),
              (Strings{"Computer%eth0", "Computer%eth1", "BMC%bmc0"}));
}

TEST(SettingDataWalk, InstanceIdFiltersExactOrByConfiguration) {
    const AgentData data(ProviderTest::standardSystem());
    const struct {
        std::string reference;
        unsigned int isCfg;
        Strings expected;
    } cases[] = {
        {"Computer%eth0%dhcp", 0, {"Computer%eth0%dhcp"}},
        {"Computer%eth0%dhcp", 1, {"Computer%eth0%static", "Computer%eth0%dhcp"}},
        {"BMC%bmc0%static", 0, {"BMC%bmc0%static"}},
        {"Computer%bmc0%static", 0, {}},
        {"Computer%eth0", 0, {}},
    };
    for (const auto& test : cases) {
        IPAssignmentSettingData settings;
        settings.setFilter(IPAssignmentSettingData::kInstanceIdFilter, test.reference, test.isCfg);
        EXPECT_EQ(walked(settings, &IPAssignmentSettingData::getInstanceId), test.expected)
            << test.reference << " isCfg=" << test.isCfg;
    }
    StaticIPAssignmentSettingData statics;
    statics.setFilter(StaticIPAssignmentSettingData::kInstanceIdFilter, "Computer%eth1");
    EXPECT_EQ(walked(statics, &StaticIPAssignmentSettingData::getInstanceID),
              Strings{"Computer%eth1"});
}

TEST(SettingDataWalk, AddressOriginIsFoundByInterfaceName) {
    const AgentData data(ProviderTest::standardSystem());
    unsigned int origin = 99;
    EXPECT_TRUE(IPAssignmentSettingData::findAddressOrigin("eth1", origin));
    EXPECT_EQ(origin, 1u);
    origin = 99;
    EXPECT_FALSE(IPAssignmentSettingData::findAddressOrigin("eth7", origin));
    EXPECT_EQ(origin, 99u);
}

// ---- Static settings read from the ifcfg file or the node

class StaticSettings : public ::testing::Test {
  protected:
    AgentData data_{systemDescription(interfaces({{"eth0",
                                                   {{"IPv4Address", "192.0.2.10"},
                                                    {"SubnetMask", "255.255.255.0"},
                                                    {"IPv4Gateway", "192.0.2.1"},
                                                    {"IPv6Address", "2001:db8::10"},
                                                    {"IPv6Gateway", "2001:db8::1"},
                                                    {"IPv6PrefixLength", 64},
                                                    {"IPVersion", 4}}}}))};
    StaticIPAssignmentSettingData settings_;

    Strings texts() {
        Strings values;
        for (const auto getter : {&StaticIPAssignmentSettingData::getIPv4Address,
                                  &StaticIPAssignmentSettingData::getSubnetMask,
                                  &StaticIPAssignmentSettingData::getGatewayIPv4Address,
                                  &StaticIPAssignmentSettingData::getIPv6Address,
                                  &StaticIPAssignmentSettingData::getGatewayIPv6Address,
                                  &StaticIPAssignmentSettingData::getConfigurationName}) {
            std::string value = "untouched";
            EXPECT_TRUE((settings_.*getter)(value));
            values.push_back(value);
        }
        return values;
    }
    unsigned short prefixLength() {
        unsigned short length = 999;
        settings_.getIPv6SubnetPrefixLength(length);
        return length;
    }
};

TEST_F(StaticSettings, WithoutAFileTheNodeStandsIn) {
    EXPECT_EQ(texts(), (Strings{"192.0.2.10", "255.255.255.0", "192.0.2.1", "2001:db8::10",
                                "2001:db8::1", "untouched"}));
    EXPECT_EQ(prefixLength(), 64);
}

TEST_F(StaticSettings, TheFileBeatsTheNodeEvenWithEmptyValues) {
    data_.writeIfcfg("eth0",
                     "CONFIG_NAME=office\nIPV4ADDR=\nNETMASK=255.0.0.0\nGATEWAY=10.0.0.1\n"
                     "IPV6GATEWAY=2001:db8::fe\nPREFIX=48\n");
    // IPV6ADDR is missing from the file: the file still holds, as empty.
    EXPECT_EQ(texts(), (Strings{"", "255.0.0.0", "10.0.0.1", "", "2001:db8::fe", "office"}));
    EXPECT_EQ(prefixLength(), 48);
}

TEST_F(StaticSettings, APrefixThatIsNoNumberReadsAsZero) {
    for (const char* prefix : {"abc", "-1", "99999999999", ""}) {
        data_.writeIfcfg("eth0", std::string("PREFIX=") + prefix + "\n");
        EXPECT_EQ(prefixLength(), 0) << prefix;
    }
}

TEST(StaticSettingsTypes, AddressTypeFollowsTheIpVersionAndTheNodeTypeWins) {
    for (const auto& [version, expected] :
         std::vector<std::pair<unsigned, unsigned short>>{{4, 1}, {6, 2}, {1, 0}, {3, 0}}) {
        const AgentData data(systemDescription(interfaces({{"eth0", {{"IPVersion", version}}}})));
        StaticIPAssignmentSettingData settings;
        unsigned short type = 99;
        EXPECT_TRUE(settings.getAddressType(type));
        EXPECT_EQ(type, expected) << version;
        EXPECT_FALSE(settings.getIPv6AddressType(type));
    }
}

// ---- Rewriting ifcfg files

class IfcfgRewrite : public ::testing::Test {
  protected:
    AgentData data_{systemDescription(interfaces({{"eth0", Json::object()}}))};
    StaticIPAssignmentSettingData settings_;
    using Setting = StaticIPAssignmentSettingData::Setting;
    using Change = StaticIPAssignmentSettingData::Change;
};

TEST_F(IfcfgRewrite, AMissingFileIsCreatedWithTheSingleLine) {
    EXPECT_TRUE(settings_.setSubnetMask("255.255.255.0"));
    EXPECT_EQ(data_.ifcfg("eth0"), "NETMASK=255.255.255.0\n");
}

TEST_F(IfcfgRewrite, KeysAreReplacedInPlaceAndEverythingElseKept) {
    const std::string longLine = "COMMENTED=" + std::string(3000, 'x');
    data_.writeIfcfg("eth0",
                     "# saved by the installer\nGATEWAY=192.0.2.1\nIPV6GATEWAY=2001:db8::1\n" +
                         longLine + "\nCONFIG_NAME=old\nNETMASK=255.0.0.0\n");
    EXPECT_TRUE(settings_.setGatewayIPv4Address("192.0.2.254"));
    EXPECT_TRUE(settings_.setGatewayIPv6Address("2001:db8::fe"));
    EXPECT_TRUE(settings_.setIPv6SubnetPrefixLength(56));
    EXPECT_EQ(data_.ifcfg("eth0"),
              "# saved by the installer\nGATEWAY=192.0.2.254\n"
              "IPV6GATEWAY=2001:db8::fe\n" +
                  longLine + "\nCONFIG_NAME=old\nNETMASK=255.0.0.0\nPREFIX=56\n");
}

TEST_F(IfcfgRewrite, AllChangesOfOneRequestGoInOneRewrite) {
    data_.writeIfcfg("eth0", "CONFIG_NAME=old\nIPV4ADDR=192.0.2.10\n");
    std::string error;
    EXPECT_TRUE(settings_.applyChanges(
        {Change{Setting::IPv4Address, "192.0.2.20"}, Change{Setting::SubnetMask, "255.255.0.0"},
         Change{Setting::ConfigurationName, ""}},
        error))
        << error;
    EXPECT_EQ(data_.ifcfg("eth0"), "CONFIG_NAME=\nIPV4ADDR=192.0.2.20\nNETMASK=255.255.0.0\n");
}

TEST_F(IfcfgRewrite, AFailureBeforeTheRenameLeavesTheOldFileAndNoTemporary) {
    const std::string original = "CONFIG_NAME=old\nIPV4ADDR=192.0.2.10\n";
    data_.writeIfcfg("eth0", original);
    std::string error;
    Quill::FileIo::failBeforeRenameForTesting(true);
    const bool written = settings_.applyChanges(
        {Change{Setting::IPv4Address, "192.0.2.20"}, Change{Setting::SubnetMask, "255.0.0.0"}},
        error);
    Quill::FileIo::failBeforeRenameForTesting(false);
    EXPECT_FALSE(written);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(data_.ifcfg("eth0"), original);
    for (const auto& entry :
         std::filesystem::directory_iterator(data_.ifcfgPath("eth0").parent_path())) {
        EXPECT_EQ(entry.path().filename().string().find(".ifcfg-eth0."), std::string::npos)
            << entry.path();
    }
}

TEST_F(IfcfgRewrite, AValueWithAControlCharacterIsNeverWritten) {
    data_.writeIfcfg("eth0", "CONFIG_NAME=old\n");
    for (const char* value :
         {"x\nIPV4ADDR=6.6.6.6", "x\rGATEWAY=1.1.1.1", "tab\there", "del\x7f"}) {
        std::string error;
        EXPECT_FALSE(settings_.applyChanges({Change{Setting::ConfigurationName, value}}, error));
        EXPECT_EQ(data_.ifcfg("eth0"), "CONFIG_NAME=old\n");
    }
}

TEST(IfcfgPaths, UnsafeInterfaceNamesNeverBecomePartOfAPath) {
    for (const char* name : {"", "../eth0", "a/b", "..", "eth\n0"}) {
        const AgentData data(systemDescription(Json::array(
            {interfaceNode("x", "Ethernet", {{"Name", name}, {"IPv4Address", "1.2.3.4"}})})));
        StaticIPAssignmentSettingData settings;
        ASSERT_TRUE(settings) << name;
        EXPECT_FALSE(settings.setIPv4Address("192.0.2.9")) << name;
        std::string address;
        settings.getIPv4Address(address);
        EXPECT_EQ(address, "1.2.3.4") << name;
        Strings files;
        for (const auto& entry :
             std::filesystem::directory_iterator(data.ifcfgPath("x").parent_path())) {
            files.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(files, Strings{"system.json"}) << name;
    }
}

TEST(IfcfgPaths, ALongInterfaceNameIsNotCutShort) {
    const std::string name = "eth-" + std::string(200, 'n');
    const AgentData data(systemDescription(interfaces({{name, Json::object()}})));
    StaticIPAssignmentSettingData settings;
    EXPECT_TRUE(settings.setConfigurationName("long"));
    EXPECT_EQ(data.ifcfg(name), "CONFIG_NAME=long\n");
}

TEST(IfcfgPaths, AnUnwritableDataDirectoryIsReported) {
    AgentData data(systemDescription(interfaces({{"eth0", Json::object()}})));
    // A data directory below a plain file cannot hold files, not even for
    // the superuser.
    const auto blocker = data.ifcfgPath("eth0").parent_path() / "plain";
    std::ofstream(blocker) << "";
    const ProviderTest::ScopedDataDirectory unwritable(blocker / "data");
    IPAssignmentSettingData settings;
    std::string error;
    EXPECT_FALSE(settings.setConfigurationName("office", error));
    EXPECT_FALSE(error.empty());
}

// ---- Gateways

TEST(GatewayWalk, EachGatewayIsOnePositionIPv6FirstAndInterfacesWithoutOneAreSkipped) {
    const AgentData data(gatewaySystem());
    RemoteServiceAccessPoint gateways;
    Strings seen;
    for (; gateways; ++gateways) {
        std::string name;
        std::string info;
        unsigned short format = 0;
        gateways.getName(name);
        gateways.getAccessInfo(info);
        gateways.getInfoFormat(format);
        seen.push_back(name + " " + info + " " + std::to_string(format));
    }
    EXPECT_EQ(seen, (Strings{"eth0_IPv6 2001:db8::1 4", "eth0_IPv4 192.0.2.1 3",
                             "eth0_1_IPv4 192.0.2.254 3", "eth3_IPv6 2001:db8:3::1 4",
                             "bmc0_IPv4 10.20.0.1 3"}));
}

TEST(GatewayWalk, NoGatewayAnywhereMeansNoPosition) {
    const AgentData data(systemDescription(interfaces({{"eth0", {{"IPv4Gateway", ""}}}})));
    RemoteServiceAccessPoint gateways;
    EXPECT_FALSE(gateways);
}

TEST(GatewayWalk, NameFiltersCompareInterfaceAndProtocolParts) {
    const AgentData data(gatewaySystem());
    const struct {
        std::string reference;
        Strings expected;
    } cases[] = {
        {"eth0_IPv4", {"eth0_IPv4"}},
        {"eth0_IPv6", {"eth0_IPv6"}},
        {"eth0_1_IPv4", {"eth0_1_IPv4"}},
        {"eth3_IPv4", {}},
        {"eth9_IPv6", {}},
        {"eth0", {"eth0_IPv6", "eth0_IPv4", "eth0_1_IPv4", "eth3_IPv6", "bmc0_IPv4"}},
    };
    for (const auto& test : cases) {
        RemoteServiceAccessPoint gateways;
        gateways.setFilter(RemoteServiceAccessPoint::kNameFilter, test.reference);
        EXPECT_EQ(walked(gateways, &RemoteServiceAccessPoint::getName), test.expected)
            << test.reference;
    }
}

TEST(GatewayWalk, SystemNameSeparatesHostAndController) {
    const AgentData data(gatewaySystem());
    RemoteServiceAccessPoint controller;
    controller.setFilter(RemoteServiceAccessPoint::kSystemNameFilter, "BMC:-1");
    EXPECT_EQ(walked(controller, &RemoteServiceAccessPoint::getName), Strings{"bmc0_IPv4"});
    RemoteServiceAccessPoint host;
    host.setFilter(RemoteServiceAccessPoint::kSystemNameFilter, ProviderTest::thisHostName());
    host.setFilter(RemoteServiceAccessPoint::kNameFilter, "eth3_IPv6");
    EXPECT_EQ(walked(host, &RemoteServiceAccessPoint::getName), Strings{"eth3_IPv6"});
}

TEST(GatewayWrite, EachPositionWritesItsOwnFamilyWhateverTheInterfaceType) {
    AgentData data(systemDescription(interfaces({{"eth0",
                                                  {{"ProtocolIFType", 4098},
                                                   {"IPv4Gateway", "192.0.2.1"},
                                                   {"IPv6Gateway", "2001:db8::1"}}}})));
    RemoteServiceAccessPoint gateways;
    ASSERT_TRUE(gateways.isIPv6Gateway());
    EXPECT_TRUE(gateways.setAccessInfo("2001:db8::fe"));
    ++gateways;
    ASSERT_FALSE(gateways.isIPv6Gateway());
    EXPECT_TRUE(gateways.setAccessInfo("192.0.2.254"));
    EXPECT_EQ(data.system().interfaceProperty("eth0", "IPv6Gateway"), "2001:db8::fe");
    EXPECT_EQ(data.system().interfaceProperty("eth0", "IPv4Gateway"), "192.0.2.254");
}

// ---- Configuration service and capabilities

TEST(ServiceAndCapabilities, OneServicePerHostWithInterfacesAndOneCapabilitiesEach) {
    for (const std::size_t count : {0u, 1u, 3u}) {
        std::vector<std::pair<std::string, Json>> named;
        for (std::size_t index = 0; index < count; ++index) {
            named.emplace_back("eth" + std::to_string(index), Json::object());
        }
        const AgentData data(systemDescription(interfaces(named)));
        IPConfigurationService service;
        const Strings services = walked(service, &IPConfigurationService::getName);
        EXPECT_EQ(services.size(), count == 0 ? 0u : 1u) << count;
        if (!services.empty()) {
            EXPECT_EQ(services.front(), "IPConfigService");
        }
        IPEnabledLogicalElementCapabilities capabilities;
        EXPECT_EQ(walked(capabilities, &IPEnabledLogicalElementCapabilities::getName).size(),
                  count);
    }
}

TEST(ServiceAndCapabilities, FiltersOnSystemNameAndInterfaceName) {
    const AgentData data(ProviderTest::standardSystem());
    IPConfigurationService onHost;
    onHost.setFilter(IPConfigurationService::kSystemNameFilter, ProviderTest::thisHostName());
    EXPECT_EQ(walked(onHost, &IPConfigurationService::getName).size(), 1u);
    IPConfigurationService elsewhere;
    elsewhere.setFilter(IPConfigurationService::kSystemNameFilter, "otherhost");
    EXPECT_FALSE(elsewhere);

    IPEnabledLogicalElementCapabilities bmc0;
    bmc0.setFilter(IPEnabledLogicalElementCapabilities::kInstanceIdFilter, "bmc0");
    EXPECT_EQ(walked(bmc0, &IPEnabledLogicalElementCapabilities::getName), Strings{"bmc0"});
    IPEnabledLogicalElementCapabilities none;
    none.setFilter(IPEnabledLogicalElementCapabilities::kInstanceIdFilter, "eth9");
    EXPECT_FALSE(none);
}

TEST(ServiceAndCapabilities, CapabilitiesTellTheStatesAndWhetherTheNameIsEditable) {
    const AgentData data(systemDescription(Json::array(
        {interfaceNode("eth0", "Ethernet", {{"Name", "eth0"}}),
         interfaceNode("eth1", "Ethernet", {{"Name", "eth1"}}, Json::array({"Name"}))})));
    IPEnabledLogicalElementCapabilities capabilities;
    std::vector<unsigned short> states{7};
    EXPECT_TRUE(capabilities.getRequestedStatesSupported(states));
    EXPECT_EQ(states, (std::vector<unsigned short>{7, 2, 3, 11}));
    unsigned short length = 0;
    EXPECT_FALSE(capabilities.getMaxElementNameLen(length));
    bool editable = false;
    EXPECT_TRUE(capabilities.getElementNameEditSupported(editable));
    EXPECT_TRUE(editable);
    ++capabilities;
    EXPECT_TRUE(capabilities.getElementNameEditSupported(editable));
    EXPECT_FALSE(editable);
}

}  // namespace
