#include "InterfaceConfiguration.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ProviderTestSupport.h"

namespace {

using ProviderTest::interfaceNode;
using ProviderTest::Json;
using ProviderTest::systemDescription;
using ProviderTest::SystemDescriptionFile;
using Quill::IPInterfaceProvider::AppliedConfiguration;
using Quill::IPInterfaceProvider::checkIfbridgeInteface;
using Quill::IPInterfaceProvider::IPConfigData;
using Quill::IPInterfaceProvider::isSystemRebootRequired;

Json staticInterface(const std::string& name, Json readOnly = Json::array()) {
    return interfaceNode(name, "Intel Ethernet",
                         {{"Name", name},
                          {"AddressOrigin", 3},
                          {"IPv4Address", "192.0.2.10"},
                          {"SubnetMask", "255.255.255.0"},
                          {"IPv4Gateway", "192.0.2.1"},
                          {"IPv6Address", "2001:db8::10"},
                          {"IPv6Gateway", "2001:db8::1"},
                          {"IPv6PrefixLength", 64},
                          {"HostName", "web01"},
                          {"DomainName", "example.net"},
                          {"DNSServers", {"192.0.2.53"}},
                          {"DNSSuffixes", {"example.net"}}},
                         std::move(readOnly));
}

Json dhcpInterface(const std::string& name) {
    return interfaceNode(name, "Broadcom Ethernet",
                         {{"Name", name},
                          {"AddressOrigin", 1},
                          {"IPv4Address", "203.0.113.57"},
                          {"HostName", "web01"},
                          {"DomainName", "example.net"}});
}

Json bridgeInterface(const std::string& name, const std::string& description = "Bridge") {
    return interfaceNode(name, description, {{"Name", name}, {"AddressOrigin", 3}});
}

IPConfigData record(const std::string& name, unsigned short origin = 3) {
    IPConfigData data;
    data.name = name;
    data.addr_origin = origin;
    return data;
}

// The network configuration file of a test, read-only for its owner as the
// host keeps it between changes.
class NetworkConfigurationFile {
  public:
    explicit NetworkConfigurationFile(const std::filesystem::path& directory)
        : path_(directory / "network.conf") {
        std::ofstream(path_) << "NETWORKING=yes\n";
        ::chmod(path_.c_str(), 0444);
        ::setenv("OVX_NETWORK_CONFIG_FILE", path_.c_str(), 1);
    }
    NetworkConfigurationFile(const NetworkConfigurationFile&) = delete;
    NetworkConfigurationFile& operator=(const NetworkConfigurationFile&) = delete;
    ~NetworkConfigurationFile() { ::unsetenv("OVX_NETWORK_CONFIG_FILE"); }

    bool ownerMayWrite() const {
        struct stat status {};
        return ::stat(path_.c_str(), &status) == 0 && (status.st_mode & S_IWUSR) != 0;
    }

  private:
    std::filesystem::path path_;
};

// The file store of the test, with a hand on every write: it sees whether
// the network configuration file was writable then, and may refuse.
class ObservedStore : public ProviderTest::ForwardingStore {
  public:
    ObservedStore(std::shared_ptr<Quill::NodeStore> inner, const NetworkConfigurationFile& file)
        : ForwardingStore(std::move(inner)), file_(file) {}

    bool writeProperties(const std::string& path, const Quill::PropertyChanges& changes) override {
        bool refused = false;
        for (const auto& change : changes) {
            writes.push_back(*Quill::NodeLexicon::propertyName(change.first));
            refused = refused || change.first == refuse;
        }
        fileWritableAtEveryWrite = fileWritableAtEveryWrite && file_.ownerMayWrite();
        return !refused && inner_->writeProperties(path, changes);
    }

    std::vector<std::string> writes;
    bool fileWritableAtEveryWrite = true;
    std::optional<Quill::NodeLexicon::Properties> refuse;

  private:
    const NetworkConfigurationFile& file_;
};

class ApplyConfiguration : public ::testing::Test {
  protected:
    void use(const Json& interfaces) {
        Quill::setNodeStore(nullptr);
        store_.reset();
        network_.reset();
        system_.reset();
        system_ = std::make_unique<SystemDescriptionFile>(systemDescription(interfaces));
        network_ = std::make_unique<NetworkConfigurationFile>(system_->path().parent_path());
        store_ = std::make_shared<ObservedStore>(
            std::make_shared<Quill::FileNodeStore>(system_->path().string()), *network_);
        Quill::setNodeStore(store_);
    }
    void TearDown() override { Quill::setNodeStore(nullptr); }

    Json properties(const std::string& interfaceName) const {
        const Json description = system_->json();
        for (const Json& lan : description["nodes"][0]["children"]) {
            const Json& node = lan["children"][0];
            if (node["properties"]["Name"] == interfaceName) {
                return node["properties"];
            }
        }
        return Json();
    }

    SystemDescriptionFile& system() { return *system_; }
    ObservedStore& store() { return *store_; }
    NetworkConfigurationFile& network() { return *network_; }

  private:
    std::unique_ptr<SystemDescriptionFile> system_;
    std::unique_ptr<NetworkConfigurationFile> network_;
    std::shared_ptr<ObservedStore> store_;
};

// What a configuration changes on a static interface (eth0) or one on DHCP
// (eth2), and whether that needs a restart.
struct ChangeCase {
    const char* what;
    std::function<void(IPConfigData&)> fill;
    Json changed;  // node properties that differ afterwards
    bool restart;
};

TEST_F(ApplyConfiguration, WritesWhatDiffersAndDecidesOnTheRestart) {
    const std::vector<ChangeCase> cases = {
        // clang-format off
        {"DNS servers only", [](IPConfigData& c) {c.dnsServers = {"192.0.2.54", "192.0.2.55"};},
         {{"DNSServers", {"192.0.2.54", "192.0.2.55"}}}, false},
        {"suffixes", [](IPConfigData& c) {c.dnsSuffixes = {"a.example", "b.example"};},
         {{"DNSSuffixes", {"a.example", "b.example"}}}, false},
        {"the same IPv4 address", [](IPConfigData& c) {c.ipAddress = "192.0.2.10";}, Json::object(),
         false},
        {"a new IPv4 address", [](IPConfigData& c) {c.ipAddress = "192.0.2.20";},
         {{"IPv4Address", "192.0.2.20"}}, true},
        {"mask and gateway",
         [](IPConfigData& c) {c.subnet_mask = "255.255.0.0"; c.ipGateway = "192.0.2.254";},
         {{"SubnetMask", "255.255.0.0"}, {"IPv4Gateway", "192.0.2.254"}}, false},
        {"a new host name", [](IPConfigData& c) {c.dnsHostName = "web02";}, {{"HostName", "web02"}},
         true},
        {"the same host name", [](IPConfigData& c) {c.dnsHostName = "web01";}, Json::object(),
         false},
        {"a new domain", [](IPConfigData& c) {c.dnsDomainName = "example.org";},
         {{"DomainName", "example.org"}}, false},
        {"IPv6 gateway and prefix",
         [](IPConfigData& c) {c.ipv6Gateway = "2001:db8::fe"; c.ipv6_prefix = 48;},
         {{"IPv6Gateway", "2001:db8::fe"}, {"IPv6PrefixLength", 48}}, false},
        {"a new IPv6 address", [](IPConfigData& c) {c.ipv6Address = "2001:db8::20";},
         {{"IPv6Address", "2001:db8::20"}}, true},
        {"DHCP on a static interface", [](IPConfigData& c) {c.addr_origin = 4;},
         {{"AddressOrigin", 1}}, true},
        // clang-format on
    };
    for (const ChangeCase& change : cases) {
        SCOPED_TRACE(change.what);
        use(Json::array({staticInterface("eth0")}));
        IPConfigData data = record("eth0");
        change.fill(data);
        Json expected = properties("eth0");
        expected.update(change.changed);

        const AppliedConfiguration applied = isSystemRebootRequired(data);
        EXPECT_FALSE(applied.failure) << *applied.failure;
        EXPECT_EQ(applied.restart, change.restart);
        EXPECT_EQ(properties("eth0"), expected);
    }
}

TEST_F(ApplyConfiguration, DhcpOnADhcpInterfaceLeavesTheOriginAlone) {
    use(Json::array({dhcpInterface("eth2")}));
    const AppliedConfiguration applied = isSystemRebootRequired(record("eth2", 4));
    EXPECT_FALSE(applied.failure);
    EXPECT_FALSE(applied.restart);
    EXPECT_TRUE(store().writes.empty());
}

// Which node a record's name selects: the whole name first, then the part
// before the first "_".
TEST_F(ApplyConfiguration, TheWholeNameWinsOverItsFirstPart) {
    const struct {
        const char* name;
        const char* changed;  // nothing when no interface fits
    } cases[] = {
        {"eth1", "eth1"},  {"eth10", "eth10"}, {"br_lan", "br_lan"},
        {"br", "br"},      {"eth1_7", "eth1"}, {"br__x", "br"},
        {"eth9", nullptr}, {"", nullptr},      {"__", nullptr},
    };
    for (const auto& selection : cases) {
        SCOPED_TRACE(selection.name);
        use(Json::array({staticInterface("eth1"), staticInterface("eth10"), staticInterface("br"),
                         staticInterface("br_lan")}));
        const std::string before = system().text();
        IPConfigData data = record(selection.name);
        data.ipAddress = "192.0.2.99";
        const AppliedConfiguration applied = isSystemRebootRequired(data);
        if (selection.changed == nullptr) {
            ASSERT_TRUE(applied.failure);
            EXPECT_EQ(*applied.failure, "No IP interface is named '" + std::string(selection.name) +
                                            "'; nothing was applied");
            EXPECT_EQ(system().text(), before);
            continue;
        }
        EXPECT_FALSE(applied.failure);
        for (const char* name : {"eth1", "eth10", "br", "br_lan"}) {
            EXPECT_EQ(properties(name)["IPv4Address"],
                      name == std::string(selection.changed) ? "192.0.2.99" : "192.0.2.10")
                << name;
        }
    }
}

// Whatever stops a configuration, nothing of it is written and no restart is asked for.
TEST_F(ApplyConfiguration, AFailureNamesItsCauseAndAppliesNothing) {
    const struct {
        Json readOnly;
        unsigned short origin;
        std::optional<Quill::NodeLexicon::Properties> refuse;
        const char* failure;
    } cases[] = {
        {Json::array(), 0, std::nullopt, "No Configuration to Apply for the interface"},
        {Json::array({"SubnetMask"}), 4, std::nullopt,
         "Property 'SubnetMask' of interface eth0 cannot be changed; nothing was applied"},
        {Json::array(), 3, Quill::NodeLexicon::IPv4Address,
         "The system refused the new settings of interface eth0; nothing was applied"},
    };
    for (const auto& check : cases) {
        SCOPED_TRACE(check.failure);
        use(Json::array({staticInterface("eth0", check.readOnly)}));
        store().refuse = check.refuse;
        const std::string before = system().text();
        IPConfigData data = record("eth0", check.origin);
        data.dnsHostName = "web02";
        data.ipAddress = "192.0.2.20";
        data.subnet_mask = "255.255.0.0";
        const AppliedConfiguration applied = isSystemRebootRequired(data);
        ASSERT_TRUE(applied.failure);
        EXPECT_EQ(*applied.failure, check.failure);
        EXPECT_FALSE(applied.restart);
        EXPECT_EQ(system().text(), before);
        // Only a store that refuses has been asked to write at all.
        EXPECT_EQ(store().writes.empty(), !check.refuse.has_value());
    }
}

// The file is writable during the writes and read-only again after every
// way out.
TEST_F(ApplyConfiguration, TheNetworkConfigurationFileIsWritableOnlyWhileApplying) {
    const std::vector<std::pair<const char*, std::function<void(IPConfigData&, ObservedStore&)>>>
        ways = {
            {"applied", [](IPConfigData&, ObservedStore&) {}},
            {"no such interface", [](IPConfigData& c, ObservedStore&) { c.name = "eth7"; }},
            {"nothing to apply", [](IPConfigData& c, ObservedStore&) { c.addr_origin = 2; }},
            {"refused",
             [](IPConfigData&, ObservedStore& s) { s.refuse = Quill::NodeLexicon::HostName; }},
        };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.first);
        use(Json::array({staticInterface("eth0")}));
        IPConfigData data = record("eth0");
        data.dnsHostName = "web02";
        way.second(data, store());
        isSystemRebootRequired(data);
        EXPECT_TRUE(store().fileWritableAtEveryWrite);
        EXPECT_FALSE(network().ownerMayWrite());
    }
}

TEST_F(ApplyConfiguration, BridgesAreRecognisedByTheirExactDescription) {
    use(Json::array({bridgeInterface("br0"), bridgeInterface("br1", "bridge"),
                     bridgeInterface("br"), staticInterface("br_lan"), staticInterface("eth0")}));
    const struct {
        const char* name;
        bool bridge;
    } cases[] = {
        {"br0", true},  {"br0_1", true}, {"br1", false},  {"br_lan", false},
        {"br_x", true}, {"eth0", false}, {"eth7", false}, {"", false},
    };
    for (const auto& check : cases) {
        EXPECT_EQ(checkIfbridgeInteface(check.name), check.bridge) << check.name;
    }
}

// The restart runs on a thread of its own; waiting for it is what the
// library's cleanup does before it may be unloaded.
class RestartThread : public ::testing::Test {
  protected:
    static Json host(Json readOnly = Json::array()) {
        Json description = systemDescription(Json::array({staticInterface("eth0")}));
        description["nodes"][0]["properties"]["EnabledState"] = 1;
        description["nodes"][0]["readOnly"] = std::move(readOnly);
        return description;
    }
    static Json requests(const SystemDescriptionFile& system) {
        return system.json()["nodes"][0]
            .value("rebootRequests", Json::object())
            .value("count", Json());
    }
};

TEST_F(RestartThread, RecordsOneRestartRequestPerThread) {
    const SystemDescriptionFile system(host());
    EXPECT_TRUE(Quill::IPInterfaceProvider::startSystemRebootThread());
    EXPECT_TRUE(Quill::IPInterfaceProvider::startSystemRebootThread());
    Quill::IPInterfaceProvider::waitForSystemRebootThreads();
    EXPECT_EQ(requests(system), 2);
    EXPECT_EQ(system.json()["nodes"][0]["properties"]["EnabledState"], 1);
}

TEST_F(RestartThread, ARefusedRequestOrNoSystemEndsTheThreadQuietly) {
    {
        const SystemDescriptionFile system(host(Json::array({"EnabledState"})));
        EXPECT_TRUE(Quill::IPInterfaceProvider::startSystemRebootThread());
        Quill::IPInterfaceProvider::waitForSystemRebootThreads();
        EXPECT_TRUE(requests(system).is_null());
    }
    const SystemDescriptionFile empty(Json{{"nodes", Json::array()}});
    EXPECT_TRUE(Quill::IPInterfaceProvider::startSystemRebootThread());
    Quill::IPInterfaceProvider::waitForSystemRebootThreads();
    EXPECT_EQ(empty.json()["nodes"], Json::array());
}

}  // namespace
