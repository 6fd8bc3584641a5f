// The live node store on a network this test builds in a private network
// namespace of its own (veth pairs, a bridge, addresses, default routes),
// checked against what ip(8) reports there: the node tree, the CIM instances
// through ovx-cim --live, changes when allowed and refusals when not, and the
// overlay. Nothing outside the namespace is touched: without one, every test
// skips.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sched.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "instrumentation.h"
#include "nxlogger.h"

namespace {

using Quill::Instrumentation;
using Quill::LinuxNodeStore;
using Json = nlohmann::json;
namespace Lexicon = Quill::NodeLexicon;

struct Outcome {
    int status = -1;
    std::string out;
};

Outcome capture(const std::string& command) {
    Outcome outcome;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return outcome;
    }
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        outcome.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return outcome;
}

Json ipJson(const std::string& arguments) {
    const Outcome done = capture("ip -j " + arguments);
    return done.status == 0 ? Json::parse(done.out) : Json::array();
}

const char* const kSetup[] = {
    "ip link set lo up",
    "ip link add veth0 type veth peer name veth1",
    "ip link add veth2 type veth peer name veth3",
    "ip link add br0 type bridge",
    "ip link set veth1 master br0",
    "ip addr add 198.51.100.10/24 brd + dev veth0",
    "ip addr add 2001:db8:1::10/64 dev veth0 nodad",
    "ip addr add 203.0.113.5/24 dev veth2 valid_lft 3600 preferred_lft 3600",
    "ip link set veth0 up",
    "ip link set veth1 up",
    "ip link set veth2 up",
    "ip link set br0 up",
    "ip route add default via 198.51.100.1 dev veth0",
    "ip -6 route add default via 2001:db8:1::1 dev veth0",
};

// Moves this process into a network namespace of its own, once; the reason
// when that cannot be done.
const std::string& privateNamespace() {
    static const std::string failure = []() -> std::string {
        if (::unshare(CLONE_NEWNET) != 0) {
            return std::string("no private network namespace can be created (") +
                   std::strerror(errno) + "); the live backend needs one to be tested safely";
        }
        const Json links = ipJson("link show");
        if (links.size() != 1 || links[0]["ifname"] != "lo") {
            return "the new network namespace is not empty; refusing to change it";
        }
        return {};
    }();
    return failure;
}

// Builds the test network afresh in the private namespace (earlier tests of
// this process may have changed it); the reason when that cannot be done.
std::string buildNetwork() {
    if (!privateNamespace().empty()) {
        return privateNamespace();
    }
    for (const char* link : {"veth0", "veth2", "br0"}) {
        capture(std::string("ip link del ") + link);
    }
    for (const char* command : kSetup) {
        if (const Outcome done = capture(command); done.status != 0) {
            return std::string("the test network cannot be built: ") + command + ": " + done.out;
        }
    }
    return {};
}

// The first address of family ("inet", "inet6") on link as ip reports it.
std::string ipAddress(const std::string& link, const std::string& family) {
    for (const auto& entry : ipJson("addr show dev " + link)) {
        for (const auto& address : entry["addr_info"]) {
            if (address["family"] == family && address["scope"] == "global") {
                return address["local"].get<std::string>() + "/" +
                       std::to_string(address["prefixlen"].get<int>());
            }
        }
    }
    return {};
}

std::string ipGateway(const std::string& link, bool six = false) {
    for (const auto& route : ipJson(std::string(six ? "-6 " : "") + "route show default")) {
        if (route.value("dev", "") == link) {
            return route.value("gateway", "");
        }
    }
    return {};
}

bool ipLinkUp(const std::string& link) {
    const Json flags = ipJson("link show dev " + link)[0]["flags"];
    return std::find(flags.begin(), flags.end(), "UP") != flags.end();
}

class LiveBackend : public ::testing::Test {
  protected:
    void SetUp() override {
        if (const std::string failure = buildNetwork(); !failure.empty()) {
            GTEST_SKIP() << failure;
        }
        NxLog::NxLogger::installSink(sink_);
        ovx::test::writeFile(resolver_,
                             "# test\nnameserver 192.0.2.53\nnameserver 2001:db8::53\n"
                             "search example.net corp.example.net\n");
    }

    void TearDown() override {
        Quill::setNodeStore(nullptr);
        NxLog::NxLogger::installSink(nullptr);
    }

    std::shared_ptr<LinuxNodeStore> useStore(bool allowChanges, const std::string& overlay = {}) {
        LinuxNodeStore::Options options;
        options.allowChanges = allowChanges;
        options.overlayPath = overlay;
        options.overlayRequired = !overlay.empty();
        options.resolverConfiguration = resolver_;
        auto store = std::make_shared<LinuxNodeStore>(options);
        Quill::setNodeStore(store);
        return store;
    }

    static Instrumentation at(const std::string& path) {
        Instrumentation cursor;
        EXPECT_TRUE(cursor.selectNode(path)) << path;
        return cursor;
    }

    template <typename T>
    static T read(const std::string& path, Lexicon::Properties property) {
        T value{};
        EXPECT_TRUE(at(path).getProperty(property, value)) << path << " " << property;
        return value;
    }

    ovx::test::ScratchDirectory directory_;
    const std::string resolver_ = directory_.file("resolv.conf");
    std::shared_ptr<NxLog::MemorySink> sink_ = std::make_shared<NxLog::MemorySink>();
};

TEST_F(LiveBackend, TreeShowsTheNamespaceAsIpReportsItAndRefusesChanges) {
    useStore(false);
    std::vector<std::string> interfaces;
    Instrumentation walk;
    for (walk.selectNode(Lexicon::IPInterface); walk; ++walk) {
        std::string name;
        walk.getProperty(Lexicon::Name, name);
        interfaces.push_back(name);
    }
    // Links with an address or bridges; not the bridge port, the bare peer or lo.
    EXPECT_EQ(interfaces, (std::vector<std::string>{"veth0", "veth2", "br0"}));
    std::vector<std::string> ports;
    for (walk.selectNode(Lexicon::LANEndpoint); walk; ++walk) {
        ports.push_back(walk.getNodePath());
    }
    std::vector<std::string> expectedPorts;
    for (const auto& link : ipJson("link show")) {
        if (link["ifname"] != "lo") {
            expectedPorts.push_back("/host/" + link["ifname"].get<std::string>());
        }
    }
    EXPECT_EQ(ports.size(), 5U);
    EXPECT_EQ(ports, expectedPorts);

    const std::string veth0 = "/host/veth0/ip";
    EXPECT_EQ(read<std::string>(veth0, Lexicon::IPv4Address) + "/24", ipAddress("veth0", "inet"));
    EXPECT_EQ(read<std::string>(veth0, Lexicon::SubnetMask), "255.255.255.0");
    EXPECT_EQ(read<std::string>(veth0, Lexicon::IPv6Address) + "/64", ipAddress("veth0", "inet6"));
    EXPECT_EQ(read<unsigned>(veth0, Lexicon::IPv6PrefixLength), 64U);
    EXPECT_EQ(read<unsigned>(veth0, Lexicon::IPv6AddressType), 6U);
    EXPECT_EQ(read<unsigned>(veth0, Lexicon::IPVersion), 3U);
    EXPECT_EQ(read<unsigned>(veth0, Lexicon::ProtocolIFType), 4098U);
    EXPECT_EQ(read<unsigned>(veth0, Lexicon::AddressOrigin), 3U);
    EXPECT_EQ(read<unsigned>(veth0, Lexicon::EnabledState), 1U);
    EXPECT_EQ(read<std::string>(veth0, Lexicon::IPv4Gateway), ipGateway("veth0"));
    EXPECT_EQ(read<std::string>(veth0, Lexicon::IPv6Gateway), ipGateway("veth0", true));
    EXPECT_EQ(read<std::vector<std::string>>(veth0, Lexicon::DNSServers),
              (std::vector<std::string>{"192.0.2.53", "2001:db8::53"}));
    EXPECT_EQ(read<std::vector<std::string>>(veth0, Lexicon::DNSSuffixes),
              (std::vector<std::string>{"example.net", "corp.example.net"}));
    EXPECT_EQ(read<unsigned>("/host/veth2/ip", Lexicon::AddressOrigin), 1U);  // has a lease time
    EXPECT_EQ(read<unsigned>("/host/veth2/ip", Lexicon::ProtocolIFType), 4096U);
    EXPECT_EQ(at("/host/br0/ip").getNodeDescription(), "Bridge");
    EXPECT_EQ(read<unsigned>("/host/veth3", Lexicon::EnabledState), 12U);
    EXPECT_EQ(read<std::string>("/host", Lexicon::Name),
              capture("hostname").out.substr(0, capture("hostname").out.find('\n')));

    const auto section = Json::parse(*Quill::currentNodeStore()->readSection("networkSettings"));
    EXPECT_EQ(section["MACAddresses"]["veth0"], ipJson("link show dev veth0")[0]["address"]);

    // Nothing may be changed until changes are allowed.
    Instrumentation cursor = at(veth0);
    bool readOnly = false;
    ASSERT_TRUE(cursor.isPropertyReadOnly(Lexicon::IPv4Address, readOnly));
    EXPECT_TRUE(readOnly);
    EXPECT_NE(cursor.getReadOnlyNote().find("OVX_LIVE_CHANGES=yes"), std::string::npos);
    std::string address = "198.51.100.20";
    unsigned int down = 12;
    EXPECT_FALSE(cursor.setProperty(Lexicon::IPv4Address, address));
    EXPECT_FALSE(cursor.setProperty(Lexicon::EnabledState, down));
    EXPECT_EQ(ipAddress("veth0", "inet"), "198.51.100.10/24");
    EXPECT_TRUE(ipLinkUp("veth0"));
}

TEST_F(LiveBackend, AllowedChangesReachTheKernelAndFailuresUndoThemselves) {
    const auto store = useStore(true);
    Instrumentation cursor = at("/host/veth0/ip");
    bool readOnly = true;
    ASSERT_TRUE(cursor.isPropertyReadOnly(Lexicon::SubnetMask, readOnly));
    EXPECT_FALSE(readOnly);
    ASSERT_TRUE(cursor.isPropertyReadOnly(Lexicon::DNSServers, readOnly));
    EXPECT_TRUE(readOnly);

    // Address and mask together; the default route survives the old address.
    // DNS servers as they are: nothing to change there, so the batch is taken.
    ASSERT_TRUE(cursor.setProperties(
        {{Lexicon::IPv4Address, std::string("198.51.100.20")},
         {Lexicon::SubnetMask, std::string("255.255.0.0")},
         {Lexicon::AddressOrigin, 3U},
         {Lexicon::DNSServers, std::vector<std::string>{"192.0.2.53", "2001:db8::53"}}}));
    EXPECT_EQ(ipAddress("veth0", "inet"), "198.51.100.20/16");
    EXPECT_EQ(ipGateway("veth0"), "198.51.100.1");
    EXPECT_EQ(read<std::string>("/host/veth0/ip", Lexicon::SubnetMask), "255.255.0.0");

    ASSERT_TRUE(cursor.setProperties({{Lexicon::IPv4Gateway, std::string("198.51.7.1")},
                                      {Lexicon::IPv6Gateway, std::string("2001:db8:1::fe")}}));
    EXPECT_EQ(ipGateway("veth0"), "198.51.7.1");
    EXPECT_EQ(ipGateway("veth0", true), "2001:db8:1::fe");

    // The kernel refuses an unreachable gateway: the address set before it
    // in the same batch is put back.
    EXPECT_FALSE(cursor.setProperties({{Lexicon::IPv4Address, std::string("198.51.100.30")},
                                       {Lexicon::IPv4Gateway, std::string("192.0.2.99")}}));
    EXPECT_EQ(ipAddress("veth0", "inet"), "198.51.100.20/16");
    EXPECT_EQ(ipGateway("veth0"), "198.51.7.1");
    // Refusals before anything is done, for each kind of bad request.
    const Quill::PropertyChanges refused[] = {
        {{Lexicon::IPv4Address, std::string("198.51.100.31")}, {Lexicon::AddressOrigin, 1U}},
        {{Lexicon::IPv4Gateway, std::string("2001:db8::1")}},
        {{Lexicon::SubnetMask, std::string("255.0.255.0")}},
        {{Lexicon::DNSServers, std::vector<std::string>{"192.0.2.1"}}},
        {{Lexicon::EnabledState, 5U}},
    };
    for (const auto& changes : refused) {
        EXPECT_FALSE(cursor.setProperties(changes));
    }
    EXPECT_EQ(ipAddress("veth0", "inet"), "198.51.100.20/16");

    unsigned int state = 12;
    ASSERT_TRUE(cursor.setProperty(Lexicon::EnabledState, state));
    EXPECT_FALSE(ipLinkUp("veth0"));
    EXPECT_EQ(read<unsigned>("/host/veth0/ip", Lexicon::EnabledState), 12U);
    state = 1;
    ASSERT_TRUE(cursor.setProperty(Lexicon::EnabledState, state));
    EXPECT_TRUE(ipLinkUp("veth0"));

    // Reset and restart requests are only recorded.
    state = 9;
    ASSERT_TRUE(cursor.setProperty(Lexicon::EnabledState, state));
    Instrumentation system = at("/host");
    ASSERT_TRUE(system.setProperty(Lexicon::EnabledState, state));
    EXPECT_TRUE(ipLinkUp("veth0"));
    EXPECT_EQ(store->rebootRequests("/host/veth0/ip")->count, 1U);
    EXPECT_EQ(store->rebootRequests("/host")->count, 1U);
    state = 12;
    EXPECT_FALSE(system.setProperty(Lexicon::EnabledState, state));
    std::string address = "198.51.100.50";
    EXPECT_FALSE(system.setProperty(Lexicon::IPv4Address, address));
    Instrumentation port = at("/host/veth0");
    EXPECT_FALSE(port.setProperty(Lexicon::IPv4Address, address));
}

TEST_F(LiveBackend, OverlayAddsWhatTheKernelCannotShow) {
    const std::string overlay = directory_.file("overlay.json");
    ovx::test::writeFile(overlay, R"({"nodes": [
      {"type": "ComputerSystem", "id": "host", "children": [
        {"type": "LANEndpoint", "id": "veth0", "children": [
          {"type": "IPInterface", "id": "ip", "description": "Onboard port 1",
           "properties": {"IPv4Address": "192.0.2.1"}, "readOnly": ["IPv4Gateway"]}]},
        {"type": "LANEndpoint", "id": "br0", "children": [
          {"type": "IPInterface", "id": "ip", "description": "VM bridge"}]}]},
      {"type": "ServiceProcessor", "id": "bmc", "description": "BMC",
       "properties": {"Name": "BMC:-1"}, "children": [
        {"type": "LANEndpoint", "id": "lan", "properties": {"Name": "bmc0"}, "children": [
          {"type": "IPInterface", "id": "ip", "description": "BMC port",
           "properties": {"Name": "bmc0", "IPv4Address": "10.20.0.5"}}]}]}],
      "sections": {"networkSettings": {"MACAddresses": {"bmc0": "00:1b:21:3a:4f:1f"}}}})");
    useStore(true, overlay);
    EXPECT_EQ(at("/host/veth0/ip").getNodeDescription(), "Onboard port 1");
    EXPECT_EQ(read<std::string>("/host/veth0/ip", Lexicon::IPv4Address), "198.51.100.10");
    EXPECT_EQ(at("/host/br0/ip").getNodeDescription(), "Bridge");
    Instrumentation veth0 = at("/host/veth0/ip");
    std::string gateway = "198.51.100.2";
    EXPECT_FALSE(veth0.setProperty(Lexicon::IPv4Gateway, gateway));
    EXPECT_EQ(ipGateway("veth0"), "198.51.100.1");

    Instrumentation bmc = at("/bmc/lan/ip");
    std::string address = "10.20.0.6";
    ASSERT_TRUE(bmc.setProperty(Lexicon::IPv4Address, address));
    EXPECT_NE(ovx::test::readFile(overlay).find("10.20.0.6"), std::string::npos);
    EXPECT_EQ(read<std::string>("/bmc/lan/ip", Lexicon::IPv4Address), "10.20.0.6");

    const auto section = Json::parse(*Quill::currentNodeStore()->readSection("networkSettings"));
    EXPECT_EQ(section["MACAddresses"]["bmc0"], "00:1b:21:3a:4f:1f");
    EXPECT_EQ(section["MACAddresses"]["veth2"], ipJson("link show dev veth2")[0]["address"]);
}

// ovx-cim --live in the namespace, as an administrator runs it.
class LiveCommand : public LiveBackend {
  protected:
    Outcome ovxCim(const std::string& arguments, bool allowChanges = false) {
        return capture(std::string(allowChanges ? "OVX_LIVE_CHANGES=yes " : "") +
                       "OVX_DATA_DIR=" + directory_.path().string() +
                       "/ " OVX_CIM_COMMAND " --live --json " + arguments);
    }

    // The JSON answer of a read that must succeed.
    Json answer(const std::string& arguments) {
        const Outcome done = ovxCim(arguments);
        EXPECT_EQ(done.status, 0) << arguments << ": " << done.out;
        return done.status == 0 ? Json::parse(done.out) : Json::object();
    }

    std::string pathOf(const std::string& className, const std::string& name) {
        Json listed = answer("ein " + className);
        for (const auto& path : listed["paths"]) {
            if (path.get<std::string>().find("Name=\"" + name + "\"") != std::string::npos) {
                return path;
            }
        }
        ADD_FAILURE() << "no " << className << " " << name << " in " << listed.dump();
        return {};
    }
};

TEST_F(LiveCommand, InstancesShowTheNamespace) {
    std::vector<std::string> names;
    Json endpoints = answer("ei OVX_IPProtocolEndpoint");
    for (const auto& instance : endpoints["instances"]) {
        const auto& properties = instance["properties"];
        names.push_back(properties["Name"]);
        if (properties["Name"] == "veth0") {
            EXPECT_EQ(properties["IPv4Address"], "198.51.100.10");
            EXPECT_EQ(properties["IPv6Address"], "2001:db8:1::10");
            EXPECT_EQ(properties["EnabledState"], 2);
            EXPECT_EQ(properties["AddressOrigin"], 3);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"veth0", "veth2", "br0"}));

    std::map<std::string, std::string> accessInfo;
    Json gateways = answer("ei OVX_IPRemoteServiceAccessPoint");
    for (const auto& instance : gateways["instances"]) {
        accessInfo[instance["properties"]["Name"]] = instance["properties"]["AccessInfo"];
    }
    EXPECT_EQ(accessInfo,
              (std::map<std::string, std::string>{{"veth0_IPv4", ipGateway("veth0")},
                                                  {"veth0_IPv6", ipGateway("veth0", true)}}));

    Json setting = answer("gi 'OVX_StaticIPAssignmentSettingData.InstanceID=\"Computer%veth0\"'");
    const Json& properties = setting["instance"]["properties"];
    EXPECT_EQ(properties["IPv4Address"].get<std::string>() + "/24", ipAddress("veth0", "inet"));
    EXPECT_EQ(properties["GatewayIPv4Address"], ipGateway("veth0"));

    // The endpoint's port, gateways and settings are its associated objects.
    std::string paths;
    Json associated = answer("ain '" + pathOf("OVX_IPProtocolEndpoint", "veth0") + "'");
    for (const auto& path : associated["paths"]) {
        paths += path.get<std::string>() + "\n";
    }
    for (const char* expected :
         {"OVX_LANEndpoint.SystemCreationClassName", "OVX_ComputerSystem.CreationClassName",
          "Name=\"veth0_IPv6\"", "InstanceID=\"Computer%veth0%dhcp\""}) {
        EXPECT_NE(paths.find(expected), std::string::npos) << expected << " in " << paths;
    }
}

TEST_F(LiveCommand, ModifyNeedsChangesAllowed) {
    const std::string path = pathOf("OVX_IPProtocolEndpoint", "veth0");
    const std::string modify = "mi '" + path + "' IPv4Address=198.51.100.40";
    const Outcome refused = ovxCim(modify);
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.out.find("OVX_LIVE_CHANGES=yes"), std::string::npos) << refused.out;
    EXPECT_EQ(ipAddress("veth0", "inet"), "198.51.100.10/24");

    const Outcome changed = ovxCim(modify, true);
    EXPECT_EQ(changed.status, 0) << changed.out;
    EXPECT_EQ(ipAddress("veth0", "inet"), "198.51.100.40/24");
    const Outcome gateway = ovxCim("mi '" + pathOf("OVX_IPRemoteServiceAccessPoint", "veth0_IPv4") +
                                       "' AccessInfo=198.51.100.2",
                                   true);
    EXPECT_EQ(gateway.status, 0) << gateway.out;
    EXPECT_EQ(ipGateway("veth0"), "198.51.100.2");
    const Outcome down = ovxCim("cm '" + path + "' RequestStateChange RequestedState=3", true);
    EXPECT_EQ(down.status, 0) << down.out;
    EXPECT_FALSE(ipLinkUp("veth0"));
}

TEST(NodeStoreChoice, TheEnvironmentNamesTheBackend) {
    const auto sink = std::make_shared<NxLog::MemorySink>();
    NxLog::NxLogger::installSink(sink);
    for (const auto& [name, live] :
         {std::pair{"linux", true}, std::pair{"file", false}, std::pair{"solaris", false}}) {
        const ovx::test::ScopedEnvironmentVariable backend("OVX_BACKEND", std::string(name));
        Quill::setNodeStore(nullptr);
        EXPECT_EQ(std::dynamic_pointer_cast<LinuxNodeStore>(Quill::currentNodeStore()) != nullptr,
                  live)
            << name;
    }
    // A backend that does not exist shows nothing rather than another system.
    Instrumentation cursor;
    EXPECT_FALSE(cursor.selectNode(Lexicon::ComputerSystem));
    const auto records = sink->records();
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const NxLog::Record& record) {
        return record.text.find("OVX_BACKEND=\"solaris\" names no node store") != std::string::npos;
    }));
    Quill::setNodeStore(nullptr);
    NxLog::NxLogger::installSink(nullptr);
}

}  // namespace
