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
#include "Zodavez/IPHostedAccessPoint.h"
#include "Zodavez/SPHostedAccessPoint.h"

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

Json port(const std::string& name, const std::string& description = "Ethernet") {
    return lanEndpoint(name, ProviderTest::interfaceNode(name, description, {{"Name", name}}));
}

// A host without a Name of its own, ports whose names prefix each other or
// hold "_", and a service processor with its own port.
Json modelSystem() {
    const Json host = {{"type", "ComputerSystem"},
                       {"id", "host"},
                       {"children", Json::array({port("eth1"), port("eth10"), port("br_lan")})}};
    const Json serviceProcessor = {{"type", "ServiceProcessor"},
                                   {"id", "bmc"},
                                   {"description", "BMC"},
                                   {"properties", {{"Name", "BMC:-1"}}},
                                   {"children", Json::array({port("bmc0", "BMC LAN port")})}};
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
        {"keys in any order; the unnamed system node is the host",
         toSystem,
         {{"Name", "eth10"},
          {"CreationClassName", "OVX_IPProtocolEndpoint"},
          {"SystemName", host_}},
         {{"Name", host_}},
         nullptr},
        {"no system of that name",
         toSystem,
         {{"SystemName", "elsewhere"}},
         {},
         "Concerned Computer Could Not Be Found."},
        {"key names are case-sensitive",
         toSystem,
         {{"systemname", host_}},
         {},
         "Could not find 'System Name' Key in Moniker"},
        {"every endpoint of the host",
         toEndpoints,
         {{"CreationClassName", "OVX_ComputerSystem"}, {"Name", host_}},
         {{"SystemName", host_},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_IPProtocolEndpoint"}},
         nullptr},
        {"the service processor is not the host",
         toEndpoints,
         {{"Name", "BMC:-1"}, {"CreationClassName", "OVX_SPComputerSystem"}},
         {},
         "'SystemCreationClasName'  is not BMC in Moniker"},
        {"a system without endpoints",
         toEndpoints,
         {{"Name", "BMC:-1"}},
         {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
        {"no Name",
         toEndpoints,
         {{"CreationClassName", "OVX_ComputerSystem"}},
         {},
         "Could not find 'Name' key in Moniker"},
    });
}

TEST_F(AssociationModels, ServiceProcessorHostedAccessPoint) {
    const auto toSystem = [this](Quill::Moniker& m) { return serviceProcessor_.getSPMoniker(m); };
    const auto toEndpoints = [this](Quill::Moniker& m) {
        return serviceProcessor_.getIPProtocolEndPointMoniker(m);
    };
    check({
        {"its endpoint",
         toSystem,
         {{"Name", "bmc0"},
          {"SystemName", "BMC:-1"},
          {"SystemCreationClassName", "OVX_SPComputerSystem"}},
         {{"Name", "BMC:-1"}, {"SystemCreationClassName", "OVX_SPComputerSystem"}},
         nullptr},
        {"an endpoint of the host",
         toSystem,
         {{"SystemName", host_}, {"SystemCreationClassName", "OVX_ComputerSystem"}},
         {},
         "'SystemCreationClasName'  is not BMC in Moniker"},
        {"no service processor of that name",
         toSystem,
         {{"SystemName", "BMC:7"}, {"SystemCreationClassName", "OVX_SPComputerSystem"}},
         {},
         "Could not match 'Name' key with 'System Name' key in SP Moniker"},
        {"its endpoints",
         toEndpoints,
         {{"CreationClassName", "OVX_SPComputerSystem"}, {"Name", "BMC:-1"}},
         {{"SystemCreationClassName", "OVX_SPComputerSystem"}, {"SystemName", "BMC:-1"}},
         nullptr},
        {"no endpoint of that system",
         toEndpoints,
         {{"Name", "BMC:7"}},
         {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
    });
}

TEST_F(AssociationModels, BindsToLanEndpoint) {
    const auto toLan = [this](Quill::Moniker& m) { return binding_.getLANEndpointMoniker(m); };
    const auto toEndpoint = [this](Quill::Moniker& m) {
        return binding_.getIPProtocolEndPointMoniker(m);
    };
    check({
        {"eth1 is not eth10",
         toLan,
         {{"SystemName", host_},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"Name", "eth1"}},
         {{"Name", "eth1"},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_LANEndpoint"},
          {"SystemName", host_}},
         nullptr},
        {"a name holding \"_\"",
         toLan,
         {{"Name", "br_lan"},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"SystemName", host_}},
         {{"Name", "br_lan"},
          {"SystemCreationClassName", "OVX_ComputerSystem"},
          {"CreationClassName", "OVX_LANEndpoint"},
          {"SystemName", host_}},
         nullptr},
        {"the service processor's port is on the service processor",
         toLan,
         {{"Name", "bmc0"},
          {"SystemName", "BMC:-1"},
          {"SystemCreationClassName", "OVX_SPComputerSystem"}},
         {{"Name", "bmc0"},
          {"SystemCreationClassName", "OVX_SPComputerSystem"},
          {"CreationClassName", "OVX_LANEndpoint"},
          {"SystemName", "BMC:-1"}},
         nullptr},
        {"no port of that name",
         toLan,
         {{"Name", "eth1_1"}, {"SystemName", host_}},
         {},
         "Could not match 'System Name' key with 'Name' key in Computer Moniker"},
        {"the IP endpoint with its own system",
         toEndpoint,
         {{"SystemName", "BMC:-1"}, {"Name", "bmc0"}},
         {{"Name", "bmc0"},
          {"SystemCreationClassName", "OVX_SPComputerSystem"},
          {"CreationClassName", "OVX_IPProtocolEndpoint"},
          {"SystemName", "BMC:-1"}},
         nullptr},
        {"no IP endpoint of that name",
         toEndpoint,
         {{"Name", "eth2"}},
         {},
         "Concerned Computer Could Not Be Found."},
        {"no Name", toEndpoint, {{"NAME", "eth1"}}, {}, "Could not find 'Name' Key in Moniker"},
    });
}

}  // namespace
