// The association models on a small system description: which moniker each
// derives from the other end's, and the failure texts when it cannot.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "Exceptions.h"
#include "ProviderTestSupport.h"
#include "Zodavez/BindsToLANEndpoint.h"
#include "Zodavez/IPAssignmentSettingData.h"
#include "Zodavez/IPElementCapabilities.h"
#include "Zodavez/IPElementSettingData.h"
#include "Zodavez/IPHostedAccessPoint.h"
#include "Zodavez/IPHostedService.h"
#include "Zodavez/RemoteAccessAvailableToElement.h"
#include "Zodavez/RemoteHostedAccessPoint.h"
#include "Zodavez/SPHostedAccessPoint.h"
#include "Zodavez/ServiceAffectsElement.h"
#include "Zodavez/StaticIPElementSettingData.h"
#include "Zodavez/StaticOrderedComponent.h"

namespace {

using ProviderTest::Json;
using Keys = std::vector<std::pair<std::string, std::string>>;
using namespace Quill::IPInterfaceProvider;

Json lanEndpoint(const std::string& name, const Json& interface) {
    return Json{{"type", "LANEndpoint"},
                {"id", "lan-" + name},
                {"properties", {{"Name", name}}},
                {"children", Json::array({interface})}};
}

Json port(const std::string& name, Json properties = Json::object(),
          const std::string& description = "Ethernet") {
    properties["Name"] = name;
    return lanEndpoint(name, ProviderTest::interfaceNode(name, description, properties));
}

// A host without a Name of its own, ports whose names prefix each other or
// hold "_", and a service processor with its own port.
Json modelSystem() {
    const Json host = {
        {"type", "ComputerSystem"},
        {"id", "host"},
        {"children",
         Json::array({port("eth1", {{"AddressOrigin", 3},
                                    {"IPv4Gateway", "192.0.2.1"},
                                    {"IPv6Gateway", "2001:db8::1"}}),
                      port("eth10", {{"AddressOrigin", 1}}),
                      port("br_lan", {{"AddressOrigin", 3}, {"IPv4Gateway", "198.51.100.1"}})})}};
    const Json serviceProcessor = {
        {"type", "ServiceProcessor"},
        {"id", "bmc"},
        {"description", "BMC"},
        {"properties", {{"Name", "BMC:-1"}}},
        {"children", Json::array({port("bmc0", Json::object(), "BMC LAN port")})}};
    return Json{{"nodes", Json::array({host, serviceProcessor})}};
}

Quill::Moniker monikerOf(const Keys& keys) {
    Quill::Moniker moniker;
    for (const auto& [name, value] : keys) {
        moniker.addKey(name, value);
    }
    return moniker;
}

Keys keysOf(const Quill::Moniker& moniker) {
    Keys keys;
    for (const auto& key : moniker.keys()) {
        keys.emplace_back(key.name, key.value);
    }
    return keys;
}

struct Derivation {
    const char* what;
    std::function<Quill::Moniker(Quill::Moniker&)> derive;
    Keys given;
    Keys expected;        // when it succeeds
    const char* failure;  // else the exception text
};

class AssociationModels : public ::testing::Test {
  protected:
    void SetUp() override {
        system_ = std::make_unique<ProviderTest::SystemDescriptionFile>(modelSystem());
    }

    void check(const std::vector<Derivation>& derivations) {
        for (const Derivation& derivation : derivations) {
            SCOPED_TRACE(derivation.what);
            Quill::Moniker given = monikerOf(derivation.given);
            try {
                const Quill::Moniker derived = derivation.derive(given);
                EXPECT_EQ(derivation.failure, nullptr) << "no failure";
                EXPECT_EQ(keysOf(derived), derivation.expected);
            } catch (const std::exception& failure) {
                ASSERT_NE(derivation.failure, nullptr) << failure.what();
                EXPECT_STREQ(failure.what(), derivation.failure);
            }
        }
    }

    IPHostedAccessPoint hosted_;
    SPHostedAccessPoint serviceProcessor_;
    BindsToLANEndpoint binding_;
    const std::string host_ = ProviderTest::thisHostName();

  private:
    std::unique_ptr<ProviderTest::SystemDescriptionFile> system_;
};

TEST_F(AssociationModels, HostedAccessPoint) {
    const auto toSystem = [this](Quill::Moniker& m) { return hosted_.getComputerSystemMoniker(m); };
    const auto toEndpoints = [this](Quill::Moniker& m) {
        return hosted_.getIPProtocolEndPointMoniker(m);
    };
    check({
        // clang-format off
        {"keys in any order; the unnamed system node is the host", toSystem,
         {{"Name", "eth10"}, {"CreationClassName", "OVX_IPProtocolEndpoint"},
          {"SystemName", host_}}, {{"Name", host_}}, nullptr},
        {"no system of that name", toSystem, {{"SystemName", "elsewhere"}}, {},
         "Concerned Computer Could Not Be Found."},
        {"key names are case-sensitive", toSystem, {{"systemname", host_}}, {},
         "Could not find 'System Name' Key in Moniker"},
        {"every endpoint of the host", toEndpoints,
         {{"CreationClassName", "OVX_ComputerSystem"}, {"Name", host_}},
         {{"SystemName", host_}, {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_IPProtocolEndpoint"}}, nullptr},
        {"the service processor is not the host", toEndpoints,
         {{"Name", "BMC:-1"}, {"CreationClassName", "OVX_SPComputerSystem"}}, {},
         "'SystemCreationClasName'  is not BMC in Moniker"},
        {"a system without endpoints", toEndpoints, {{"Name", "BMC:-1"}}, {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
        {"no Name", toEndpoints, {{"CreationClassName", "OVX_ComputerSystem"}}, {},
         "Could not find 'Name' key in Moniker"},
        // clang-format on
    });
}

TEST_F(AssociationModels, ServiceProcessorHostedAccessPoint) {
    const auto toSystem = [this](Quill::Moniker& m) { return serviceProcessor_.getSPMoniker(m); };
    const auto toEndpoints = [this](Quill::Moniker& m) {
        return serviceProcessor_.getIPProtocolEndPointMoniker(m);
    };
    check({
        // clang-format off
        {"its endpoint", toSystem,
         {{"Name", "bmc0"}, {"SystemName", "BMC:-1"},
          {"SystemCreationClassName", "OVX_SPComputerSystem"}},
         {{"Name", "BMC:-1"}, {"SystemCreationClassName", "OVX_SPComputerSystem"}}, nullptr},
        {"an endpoint of the host", toSystem,
         {{"SystemName", host_}, {"SystemCreationClassName", "OVX_ComputerSystem"}}, {},
         "'SystemCreationClasName'  is not BMC in Moniker"},
        {"no service processor of that name", toSystem,
         {{"SystemName", "BMC:7"}, {"SystemCreationClassName", "OVX_SPComputerSystem"}}, {},
         "Could not match 'Name' key with 'System Name' key in SP Moniker"},
        {"its endpoints", toEndpoints,
         {{"CreationClassName", "OVX_SPComputerSystem"}, {"Name", "BMC:-1"}},
         {{"SystemCreationClassName", "OVX_SPComputerSystem"}, {"SystemName", "BMC:-1"}}, nullptr},
        {"no endpoint of that system", toEndpoints, {{"Name", "BMC:7"}}, {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
        // clang-format on
    });
}

TEST_F(AssociationModels, BindsToLanEndpoint) {
    const auto toLan = [this](Quill::Moniker& m) { return binding_.getLANEndpointMoniker(m); };
    const auto toEndpoint = [this](Quill::Moniker& m) {
        return binding_.getIPProtocolEndPointMoniker(m);
    };
    check({
        // clang-format off
        {"eth1 is not eth10", toLan,
         {{"SystemName", host_}, {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"Name", "eth1"}},
         {{"Name", "eth1"}, {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_LANEndpoint"}, {"SystemName", host_}}, nullptr},
        {"a name holding \"_\"", toLan,
         {{"Name", "br_lan"}, {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"SystemName", host_}},
         {{"Name", "br_lan"}, {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_LANEndpoint"}, {"SystemName", host_}}, nullptr},
        {"the service processor's port is on the service processor", toLan,
         {{"Name", "bmc0"}, {"SystemName", "BMC:-1"},
          {"SystemCreationClassName", "OVX_SPComputerSystem"}},
         {{"Name", "bmc0"}, {"SystemCreationClassName", "OVX_SPComputerSystem"},
          {"CreationClassName", "OVX_LANEndpoint"}, {"SystemName", "BMC:-1"}}, nullptr},
        {"no port of that name", toLan, {{"Name", "eth1_1"}, {"SystemName", host_}}, {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
        {"the IP endpoint with its own system", toEndpoint,
         {{"SystemName", "BMC:-1"}, {"Name", "bmc0"}},
         {{"Name", "bmc0"}, {"SystemCreationClassName", "OVX_SPComputerSystem"},
          {"CreationClassName", "OVX_IPProtocolEndpoint"}, {"SystemName", "BMC:-1"}}, nullptr},
        {"no IP endpoint of that name", toEndpoint, {{"Name", "eth2"}}, {},
         "Concerned Computer Could Not Be Found."},
        {"no Name", toEndpoint, {{"NAME", "eth1"}}, {}, "Could not find 'Name' Key in Moniker"},
        // clang-format on
    });
}

TEST_F(AssociationModels, ElementSettingData) {
    IPElementSettingData settings;
    const auto toEndpoint = [&](Quill::Moniker& m) { return settings.getManagedElementMoniker(m); };
    const auto toSetting = [&](Quill::Moniker& m) { return settings.getIPSettingDataMoniker(m); };
    const Keys eth10 = {{"SystemCreationClassName", "OVX_ComputerSystem"},
                        {"SystemName", host_},
                        {"Name", "eth10"},
                        {"CreationClassName", "OVX_IPProtocolEndpoint"}};
    check({
        // clang-format off
        {"eth10's own setting, not eth1's", toEndpoint, {{"InstanceID", "Computer%eth10%dhcp"}},
         eth10, nullptr},
        {"an identifier of two fields", toEndpoint, {{"InstanceID", "Computer%eth10"}}, {},
         "Instance ID Property value is not correct"},
        {"no such interface", toEndpoint, {{"InstanceID", "Computer%eth7%dhcp"}}, {},
         "Could not get 'System Name' and  'Name' key"},
        {"the first setting of eth1, keys in any order", toSetting,
         {{"SystemName", host_}, {"Name", "eth1"}}, {{"InstanceID", "Computer%eth1%static"}},
         nullptr},
        {"no Name", toSetting, {{"SystemName", host_}}, {}, "Could not find 'Name' key in Moniker"},
        // clang-format on
    });

    // In use: eth10 is configured by DHCP, eth1 statically.
    const struct {
        const char* instanceId;
        unsigned short inUse;
    } uses[] = {{"Computer%eth10%dhcp", 1},
                {"Computer%eth10%static", 2},
                {"Computer%eth1%static", 1},
                {"Computer%eth1%dhcp", 2}};
    for (const auto& use : uses) {
        Quill::Moniker setting = monikerOf({{"InstanceID", use.instanceId}});
        settings.getManagedElementMoniker(setting);
        unsigned short isDefault = 0;
        unsigned short isCurrent = 0;
        settings.getIsDefault(isDefault);
        settings.getIsCurrent(isCurrent);
        EXPECT_EQ(isDefault, use.inUse) << use.instanceId;
        EXPECT_EQ(isCurrent, use.inUse) << use.instanceId;
    }
}

// The setting end finds both alternatives of the interface the model named,
// and only those: eth1's identifier is a prefix of eth10's.
TEST_F(AssociationModels, BothAlternativesOfOneInterface) {
    for (const char* name : {"eth1", "eth10"}) {
        IPAssignmentSettingData settings;
        settings.setFilter(IPAssignmentSettingData::kInstanceIdFilter,
                           std::string("Computer%") + name + "%static", 1);
        std::vector<std::string> found;
        for (; settings; ++settings) {
            std::string instanceId;
            settings.getInstanceId(instanceId);
            found.push_back(instanceId);
        }
        EXPECT_EQ(found, (std::vector<std::string>{std::string("Computer%") + name + "%static",
                                                   std::string("Computer%") + name + "%dhcp"}));
    }
}

TEST_F(AssociationModels, StaticElementSettingData) {
    StaticIPElementSettingData settings;
    const auto toEndpoint = [&](Quill::Moniker& m) { return settings.getManagedElementMoniker(m); };
    const auto toSetting = [&](Quill::Moniker& m) {
        return settings.getStaticIPSettingDataMoniker(m);
    };
    check({
        // clang-format off
        {"a name holding \"_\" finds itself", toEndpoint, {{"InstanceID", "Computer%br_lan"}},
         {{"SystemName", host_}, {"Name", "br_lan"}}, nullptr},
        {"eth1 is not eth10", toEndpoint, {{"InstanceID", "Computer%eth1"}},
         {{"SystemName", host_}, {"Name", "eth1"}}, nullptr},
        {"one field", toEndpoint, {{"InstanceID", "Computer"}}, {},
         "Could not find 'InstanceID tokens"},
        {"its own static setting", toSetting, {{"Name", "br_lan"}, {"SystemName", host_}},
         {{"InstanceID", "Computer%br_lan"}}, nullptr},
        {"an alias without a setting of its own takes its port's", toSetting, {{"Name", "eth10_2"}},
         {{"InstanceID", "Computer%eth10"}}, nullptr},
        {"no such interface", toSetting, {{"Name", "eth7"}}, {}, "Could not get 'Instance ID' key"},
        // clang-format on
    });
}

TEST_F(AssociationModels, StaticOrderedComponent) {
    StaticOrderedComponent ordered;
    const auto toPart = [&](Quill::Moniker& m) { return ordered.getPartComponentMoniker(m); };
    const auto toGroup = [&](Quill::Moniker& m) { return ordered.getGroupComponentMoniker(m); };
    check({
        // clang-format off
        {"the static alternative holds the static setting", toPart,
         {{"InstanceID", "Computer%eth1%static"}}, {{"InstanceID", "Computer%eth1"}}, nullptr},
        {"the DHCP alternative holds none", toPart, {{"InstanceID", "Computer%eth1%dhcp"}}, {},
         "AssignmentSetting data is not static"},
        {"no such interface", toPart, {{"InstanceID", "Computer%eth7%static"}}, {},
         "Could not get InstanceID"},
        {"the static setting's alternative", toGroup, {{"InstanceID", "Computer%eth10"}},
         {{"InstanceID", "Computer%eth10%static"}}, nullptr},
        {"no InstanceID", toGroup, {{"Name", "eth1"}}, {}, "Could not find 'InstanceID' property"},
        // clang-format on
    });
}

TEST_F(AssociationModels, Gateways) {
    RemoteHostedAccessPoint hosted;
    RemoteAccessAvailableToElement available;
    const auto toSystem = [&](Quill::Moniker& m) { return hosted.getSystemMoniker(m); };
    const auto toGateways = [&](Quill::Moniker& m) { return hosted.getRemoteSAPMoniker(m); };
    const auto toEndpoint = [&](Quill::Moniker& m) {
        return available.getIPProtocolEndpointMoniker(m);
    };
    const auto toGateway = [&](Quill::Moniker& m) {
        return available.getRemoteServiceAccessPointMoniker(m);
    };
    check({
        // clang-format off
        {"the host's gateway", toSystem, {{"Name", "eth1_IPv4"}, {"SystemName", host_}},
         {{"Name", host_}}, nullptr},
        {"every gateway of the host", toGateways, {{"Name", host_}}, {{"SystemName", host_}},
         nullptr},
        {"no gateway of that system", toGateways, {{"Name", "BMC:-1"}}, {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
        {"the endpoint of a name holding \"_\"", toEndpoint, {{"Name", "br_lan_IPv4"}},
         {{"SystemName", host_}, {"Name", "br_lan"},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_IPProtocolEndpoint"}}, nullptr},
        {"a gateway name without \"_\"", toEndpoint, {{"Name", "gateway"}}, {},
         "Name Key is not correct."},
        {"the first gateway of eth1, not eth10's", toGateway, {{"Name", "eth1"}},
         {{"Name", "eth1_IPv6"}, {"SystemName", host_},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_IPRemoteServiceAccessPoint"}}, nullptr},
        {"an endpoint without a gateway", toGateway, {{"Name", "eth10"}}, {},
         "Concerned DHCP Protocol Endpoint Could Not Be Found."},
        // clang-format on
    });
}

TEST_F(AssociationModels, CapabilitiesAndConfigurationService) {
    IPElementCapabilities capabilities;
    IPHostedService hosted;
    ServiceAffectsElement affects;
    check({
        // clang-format off
        {"the endpoint the capabilities describe",
         [&](Quill::Moniker& m) {return capabilities.getIPMoniker(m);}, {{"InstanceID", "eth10"}},
         {{"SystemCreationClassName", "OVX_ComputerSystem"}, {"SystemName", host_},
          {"Name", "eth10"}, {"CreationClassName", "OVX_IPProtocolEndpoint"}}, nullptr},
        {"the endpoint's capabilities",
         [&](Quill::Moniker& m) {return capabilities.getCapabilitiesMoniker(m);},
         {{"Name", "br_lan"}}, {{"InstanceID", "br_lan"}}, nullptr},
        {"no such capabilities",
         [&](Quill::Moniker& m) {return capabilities.getCapabilitiesMoniker(m);},
         {{"Name", "eth7"}}, {},
         "Concerned IPEnabledLogicalElementCapabilities Could Not Be Found."},
        {"the service's system",
         [&](Quill::Moniker& m) {return hosted.getComputerSystemMoniker(m);},
         {{"Name", "IPConfigService"}, {"SystemName", host_}}, {{"Name", host_}}, nullptr},
        {"the system's service",
         [&](Quill::Moniker& m) {return hosted.getIPConfigurationServiceMoniker(m);},
         {{"Name", host_}}, {{"SystemName", host_}}, nullptr},
        {"every endpoint of the service's system",
         [&](Quill::Moniker& m) {return affects.getIPProtocolEndpointMoniker(m);},
         {{"SystemName", host_}},
         {{"SystemName", host_}, {"CreationClassName", "OVX_IPProtocolEndpoint"},
          {"SystemCreationClassName", "OVX_ComputerSystem"}}, nullptr},
        {"the service of the endpoint's system",
         [&](Quill::Moniker& m) {return affects.getIPConfigurationServiceMoniker(m);},
         {{"Name", "eth1"}, {"SystemName", host_}}, {{"SystemName", host_}}, nullptr},
        {"no SystemName",
         [&](Quill::Moniker& m) {return affects.getIPConfigurationServiceMoniker(m);},
         {{"Name", "eth1"}}, {}, "Could not find 'System Name' Key in Moniker"},
        // clang-format on
    });
}

}  // namespace
