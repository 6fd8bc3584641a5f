// ApplySettingToIPProtocolEndpoint end to end: the embedded CIM server with
// the provider library and the sample peer provider, on a scratch copy of
// the sample system; and the argument checks through the method table.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "HostCallSupport.h"
#include "PlatformTestSupport.h"
#include "SampleHost.h"
#include "ovx/host/cim_server.h"

namespace {

namespace fs = std::filesystem;
namespace host = ovx::host;
using ProviderTest::Json;
using ProviderTest::servicePath;
using ProviderTest::thisHostName;

constexpr const char* kMethod = "ApplySettingToIPProtocolEndpoint";

host::ObjectPath configurationPath(const std::string& instanceId) {
    host::ObjectPath path(ProviderTest::kNamespace, "OVX_IPAssignmentSettingData");
    path.setKey("InstanceID", host::Value::string(instanceId));
    return path;
}

host::ObjectPath endpointOf(const std::string& name) {
    return name.rfind("bmc", 0) == 0
               ? ProviderTest::endpointPath(name, "BMC:-1", "OVX_SPComputerSystem")
               : ProviderTest::endpointPath(name);
}

host::Arguments applyArguments(const std::string& configuration, const std::string& endpoint) {
    host::Arguments in;
    in.set("Configuration", host::Value::reference(configurationPath(configuration)));
    in.set("Endpoint", host::Value::reference(endpointOf(endpoint)));
    return in;
}

using ovx::test::readFile;

// A scratch copy of the sample system, edited before the server opens, with
// the network configuration file read-only as the host keeps it.
class SampleSystem : public ProviderTest::SampleCopy {
  public:
    SampleSystem() {
        std::ofstream(networkFile()) << "NETWORKING=yes\n";
        ::chmod(networkFile().c_str(), 0444);
    }

    fs::path networkFile() const { return directory() / "network.conf"; }
    Json description() const { return Json::parse(text()); }
    std::string text() const { return readFile(directory() / "system.json"); }
    void edit(const std::function<void(Json&)>& change) const {
        Json changed = description();
        change(changed);
        write("system.json", changed.dump(2));
    }
    void writeIfcfg(const std::string& interfaceName, const std::string& text) const {
        write("ifcfg-" + interfaceName, text);
    }
    Json properties(const std::string& interfaceName) const {
        Json all = description();
        const Json* const node = ProviderTest::interfaceIn(all["nodes"], interfaceName);
        return node != nullptr ? (*node)["properties"] : Json();
    }
    // Restart requests recorded on the host node.
    unsigned long long restarts() const {
        return description()["nodes"][0]
            .value("rebootRequests", Json::object())
            .value("count", 0ULL);
    }

  private:
    ovx::test::ScopedEnvironmentVariable networkEnvironment_{"OVX_NETWORK_CONFIG_FILE",
                                                             networkFile().string()};
};

class ApplySetting : public ::testing::Test {
  protected:
    // A fresh copy of the sample; the server opens at the next call.
    const SampleSystem& fresh() {
        close();
        sample_.reset();
        sample_ = std::make_unique<SampleSystem>();
        return *sample_;
    }
    const SampleSystem& sample() const { return *sample_; }

    void open() {
        server_ = ProviderTest::openSampleServer();
        ASSERT_TRUE(server_->loadProblems().empty());
    }
    host::Reply<host::MethodReply> apply(const std::string& configuration,
                                         const std::string& endpoint) {
        if (!server_) {
            open();
        }
        return server_->invokeMethod(server_->clientContext(), servicePath(), kMethod,
                                     applyArguments(configuration, endpoint));
    }
    // Unloading the provider waits for a restart thread it started.
    void close() { server_.reset(); }
    void TearDown() override { close(); }

    std::unique_ptr<SampleSystem> sample_ = std::make_unique<SampleSystem>();
    std::unique_ptr<host::CimServer> server_;
};

const host::ObjectPath* jobOf(const host::MethodReply& reply) {
    const host::Value* const job = reply.out.find("Job");
    return job != nullptr && job->type() == CMPI_ref ? &job->asReference() : nullptr;
}

// The return values a console sees, one row each, with what the node store
// holds afterwards.
struct Row {
    const char* what;
    std::function<void(const SampleSystem&)> prepare;
    const char* configuration;
    const char* endpoint;
    unsigned long long returned;
    CMPIrc rc;
    const char* message;
    Json changed;  // {interface: {property: value}} that differ afterwards
    unsigned long long restarts;
};

TEST_F(ApplySetting, ReturnValuesAndWhatTheyLeaveBehind) {
    // The first general DNS setting's suffixes, which every configuration brings.
    const Json kHostSuffixes = Json::array({"example.net", "corp.example.net"});
    const std::vector<Row> rows = {
        // clang-format off
        {"a bridge is refused", nullptr, "Computer%br0%static", "br0", 1, CMPI_RC_OK, "",
         Json::object(), 0},
        {"a configuration without a host name is not applied",
         [](const SampleSystem& s) {
             s.edit([](Json& d) {
                 d["sections"]["networkSettings"]["DNSProtocolEndpoints"] =
                     Json::array({"eth0", "eth1", "bmc0"});
             });
         },
         "Computer%eth2%dhcp", "eth2", 4, CMPI_RC_ERR_FAILED,
         "Configuration Cannot be applied since hostname is empty", Json::object(), 0},
        {"a named configuration that needs a restart gets none",
         [](const SampleSystem& s) {
             s.writeIfcfg("eth1", "CONFIG_NAME=web01-default\nIPV4ADDR=198.51.100.21\n");
         },
         "Computer%eth1%static", "eth1", 5, CMPI_RC_OK, "",
         {{"eth1", {{"IPv4Address", "198.51.100.21"}, {"DNSSuffixes", kHostSuffixes}}}},
         0},
        {"a named configuration that changes nothing that matters", nullptr, "Computer%eth0%static",
         "eth0", 0, CMPI_RC_OK, "", Json::object(), 0},
        {"an unnamed configuration that needs a restart gets it",
         [](const SampleSystem& s) { s.writeIfcfg("eth0", "IPV4ADDR=192.0.2.12\n"); },
         "Computer%eth0%static", "eth0", 0, CMPI_RC_OK, "",
         {{"eth0", {{"IPv4Address", "192.0.2.12"}}}},
         1},
        {"an unnamed configuration without a restart",
         [](const SampleSystem& s) {
             s.writeIfcfg("eth0", "IPV4ADDR=192.0.2.10\nNETMASK=255.255.0.0\n");
         },
         "Computer%eth0%static", "eth0", 0, CMPI_RC_OK, "",
         {{"eth0", {{"SubnetMask", "255.255.0.0"}}}},
         0},
        {"a read-only property changes nothing",
         [](const SampleSystem& s) {
             s.writeIfcfg("eth0", "IPV4ADDR=192.0.2.12\nNETMASK=255.255.0.0\n");
             s.edit([](Json& d) {
                 ProviderTest::interfaceIn(d["nodes"], "eth0")->operator[]("readOnly") =
                     Json::array({"SubnetMask"});
             });
         },
         "Computer%eth0%static", "eth0", 3, CMPI_RC_ERR_FAILED,
         "Property 'SubnetMask' of interface eth0 cannot be changed; nothing was applied",
         Json::object(), 0},
        {"DHCP on a static interface needs a restart",
         nullptr, "Computer%eth1%dhcp", "eth1", 5, CMPI_RC_OK, "",
         {{"eth1", {{"AddressOrigin", 1}, {"DNSSuffixes", kHostSuffixes}}}},
         0},
        {"DHCP on an interface already on DHCP",
         nullptr, "Computer%eth2%dhcp", "eth2", 0, CMPI_RC_OK, "",
         {{"eth2", {{"DNSSuffixes", kHostSuffixes}}}},
         0},
        {"a configuration with no address setting applies nothing", nullptr, "Computer%eth0_1%dhcp",
         "eth0_1", 3, CMPI_RC_ERR_FAILED, "No Configuration to Apply for the interface",
         Json::object(), 0},
        // clang-format on
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fresh();
        if (row.prepare) {
            row.prepare(sample());
        }
        Json expected = sample().description();
        for (const auto& [name, changes] : row.changed.items()) {
            ProviderTest::interfaceIn(expected["nodes"], name)->at("properties").update(changes);
        }

        const auto reply = apply(row.configuration, row.endpoint);
        EXPECT_EQ(reply.status.rc, row.rc);
        EXPECT_EQ(reply.status.message, row.message);
        if (reply.status.ok()) {
            EXPECT_EQ(reply.value.returnValue.asUnsigned(), row.returned);
            const bool reachedTheApplyStep = row.returned == 0 || row.returned == 5;
            const host::ObjectPath* const job = jobOf(reply.value);
            ASSERT_EQ(job != nullptr, reachedTheApplyStep);
            if (job != nullptr) {
                EXPECT_EQ(job->className(), "OVX_ConcreteJob");
                EXPECT_EQ(job->findKey("InstanceID")->asString(), "IPConfigSvcJob:1");
            }
        }
        close();
        EXPECT_EQ(sample().restarts(), row.restarts);
        Json actual = sample().description();
        actual["nodes"][0].erase("rebootRequests");
        EXPECT_EQ(Json::diff(expected, actual), Json::array());
        struct stat status {};
        ASSERT_EQ(::stat(sample().networkFile().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & S_IWUSR, 0u);
    }
}

TEST_F(ApplySetting, DnsSettingsArriveWholeAndInOrder) {
    sample_->edit([](Json& d) {
        Json& settings = d["sections"]["networkSettings"];
        Json& dns = settings["DNSSettingData"][0];
        dns["RequestedHostname"] = "web07";
        dns["DomainName"] = "example.org";
        dns["DNSServerAddresses"] = Json::array({"192.0.2.99", "192.0.2.53", "192.0.2.54"});
        settings["DNSGeneralSettingData"][0]["DNSSuffixesToAppend"] =
            Json::array({"example.org", "example.net"});
    });
    const auto reply = apply("Computer%eth0%static", "eth0");
    ASSERT_TRUE(reply.status.ok()) << reply.status.message;
    EXPECT_EQ(reply.value.returnValue.asUnsigned(), 5u);
    const Json eth0 = sample().properties("eth0");
    EXPECT_EQ(eth0["HostName"], "web07");
    EXPECT_EQ(eth0["DomainName"], "example.org");
    EXPECT_EQ(eth0["DNSServers"], Json::array({"192.0.2.99", "192.0.2.53", "192.0.2.54"}));
    EXPECT_EQ(eth0["DNSSuffixes"], Json::array({"example.org", "example.net"}));
}

// The first general DNS setting serves every configuration, the
// controller's included.
TEST_F(ApplySetting, TheFirstGeneralDnsSettingIsTakenWhateverItsId) {
    const auto reply = apply("BMC%bmc0%static", "bmc0");
    ASSERT_TRUE(reply.status.ok()) << reply.status.message;
    EXPECT_EQ(reply.value.returnValue.asUnsigned(), 0u);
    EXPECT_EQ(sample().properties("bmc0")["DNSSuffixes"],
              Json::array({"example.net", "corp.example.net"}));
}

// "Computer%eth0" occurs in "Computer%eth0_1%static", and "Computer%eth1"
// in "Computer%eth10%static": the longer id is the one meant.
TEST_F(ApplySetting, ASettingIsChosenByItsWholeId) {
    const struct {
        const char* interfaceName;
        const char* neighbour;
    } cases[] = {{"eth0_1", "eth0"}, {"eth10", "eth1"}};
    for (const auto& chosen : cases) {
        SCOPED_TRACE(chosen.interfaceName);
        fresh();
        sample().edit([](Json& d) {
            // eth10 joins eth1's port, with a DNS client and settings of its own.
            Json eth10 = *ProviderTest::interfaceIn(d["nodes"], "eth1");
            eth10["id"] = "eth10";
            eth10["properties"]["Name"] = "eth10";
            eth10["properties"]["IPv4Address"] = "198.51.100.30";
            d["nodes"][0]["children"][1]["children"].push_back(eth10);
            Json& settings = d["sections"]["networkSettings"];
            Json dns = settings["DNSSettingData"][2];
            dns["InstanceID"] = "Computer%eth10%";
            settings["DNSSettingData"].push_back(dns);
            settings["DNSProtocolEndpoints"].push_back("eth10");
        });
        sample().writeIfcfg(chosen.interfaceName,
                            "CONFIG_NAME=web01-default\nIPV4ADDR=192.0.2.77\n");
        const Json neighbour = sample().properties(chosen.neighbour);
        const auto reply = apply(std::string("Computer%") + chosen.interfaceName + "%static",
                                 chosen.interfaceName);
        ASSERT_TRUE(reply.status.ok()) << reply.status.message;
        EXPECT_EQ(reply.value.returnValue.asUnsigned(), 5u);
        EXPECT_EQ(sample().properties(chosen.interfaceName)["IPv4Address"], "192.0.2.77");
        EXPECT_EQ(sample().properties(chosen.neighbour), neighbour);
    }
}

// The method table called directly, as a CIMOM calls it, with up-calls
// answered by the embedded server: the return value comes back also when
// the status is a failure.
class ApplySettingCalls : public ProviderTest::ProviderCalls {
  protected:
    ApplySettingCalls() {
        server_ = ProviderTest::openSampleServer();
        broker_.setRouter(std::shared_ptr<host::Router>(server_.get(), [](host::Router*) {}));
        Quill::setNodeStore(nullptr);
    }
    ~ApplySettingCalls() override {
        // Waits for a restart thread of the provider linked into this test.
        methodMI_->ft->cleanup(methodMI_, context_, false);
        broker_.setRouter(nullptr);
    }

    struct Answer {
        unsigned long long returned;
        CMPIrc rc;
        std::string message;
        bool job;
    };
    Answer call(const host::ObjectPath& service, const char* method, const host::Arguments& in) {
        const auto reply = invoke(service, method, in);
        Answer answer{~0ull, reply.outcome.rc, reply.outcome.message, reply.out.contains("Job")};
        EXPECT_EQ(reply.outcome.data.doneCount, 1u);
        if (reply.outcome.data.data.size() == 1u) {
            answer.returned = reply.outcome.data.data[0].asUnsigned();
        }
        return answer;
    }

    SampleSystem sample_;
    std::unique_ptr<host::CimServer> server_;
};

TEST_F(ApplySettingCalls, ArgumentsAndFailuresAnswerWithTheirCodes) {
    sample_.writeIfcfg("eth0", "IPV4ADDR=192.0.2.12\nNETMASK=255.255.0.0\n");
    sample_.edit([](Json& d) {
        ProviderTest::interfaceIn(d["nodes"], "eth0")->operator[]("readOnly") =
            Json::array({"SubnetMask"});
        d["sections"]["networkSettings"]["DNSProtocolEndpoints"] = Json::array({"eth0", "eth1"});
    });
    const std::string before = sample_.text();
    host::Arguments notAReference = applyArguments("Computer%eth0%static", "eth0");
    notAReference.set("Configuration", host::Value::string("Computer%eth0%static"));
    host::Arguments noEndpoint;
    noEndpoint.set("Configuration",
                   host::Value::reference(configurationPath("Computer%eth0%static")));
    host::Arguments nullConfiguration = applyArguments("Computer%eth0%static", "eth0");
    nullConfiguration.set("Configuration", host::Value::null(CMPI_ref));
    host::Arguments nullEndpoint = applyArguments("Computer%eth0%static", "eth0");
    nullEndpoint.set("Endpoint", host::Value::null(CMPI_ref));

    const struct {
        const char* what;
        host::Arguments in;
        unsigned long long returned;
        CMPIrc rc;
        const char* message;
    } cases[] = {
        {"an argument that is no reference", notAReference, 4, CMPI_RC_ERR_INVALID_PARAMETER,
         "Invalid Type of Parameter"},
        {"no endpoint at all", noEndpoint, 4, CMPI_RC_ERR_INVALID_PARAMETER,
         "Invalid Type of Parameter"},
        {"a null configuration", nullConfiguration, 4, CMPI_RC_ERR_INVALID_PARAMETER,
         "Configuration Parameter passed has NULL value"},
        {"a null endpoint", nullEndpoint, 4, CMPI_RC_ERR_FAILED,
         "Endpoint Parameter passed has NULL value"},
        {"no host name", applyArguments("Computer%eth2%dhcp", "eth2"), 4, CMPI_RC_ERR_FAILED,
         "Configuration Cannot be applied since hostname is empty"},
        {"a read-only property", applyArguments("Computer%eth0%static", "eth0"), 3,
         CMPI_RC_ERR_FAILED,
         "Property 'SubnetMask' of interface eth0 cannot be changed; nothing was applied"},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        const Answer answer = call(servicePath(), kMethod, row.in);
        EXPECT_EQ(answer.returned, row.returned);
        EXPECT_EQ(answer.rc, row.rc);
        EXPECT_EQ(answer.message, row.message);
        EXPECT_EQ(answer.job, row.returned == 3);
    }
    EXPECT_EQ(sample_.text(), before);
}

TEST_F(ApplySettingCalls, TheServiceAnswersOnlyItsOwnMethodAndKeys) {
    const auto in = applyArguments("Computer%eth0%static", "eth0");
    const Answer otherCase = call(servicePath(), "applySettingToIPProtocolEndpoint", in);
    EXPECT_EQ(otherCase.returned, 17u);
    EXPECT_EQ(otherCase.rc, CMPI_RC_ERR_METHOD_NOT_FOUND);
    const Answer otherSystem = call(servicePath("elsewhere"), kMethod, in);
    EXPECT_EQ(otherSystem.rc, CMPI_RC_ERR_NOT_FOUND);
}

}  // namespace
