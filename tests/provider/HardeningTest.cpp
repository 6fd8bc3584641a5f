// The provider as a production CIMOM runs it: many clients at once, writers
// killed in the middle of a write, and the library loaded and unloaded again
// and again. OVX_HARDENING_FULL=1 runs the full sizes, OVX_HARDENING_FULL=ci
// the same with a quarter of the load (continuous integration's time
// budget); the default sizes keep the ordinary test run short.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <dirent.h>
#include <dlfcn.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "HostCallSupport.h"
#include "IPInterfaceProvider.h"
#include "PlatformTestSupport.h"
#include "SampleHost.h"
#include "cmpimacs.h"
#include "instrumentation.h"
#include "ovx/host/broker.h"
#include "ovx/host/cim_server.h"
#include "ovx/host/context.h"
#include "ovx/host/conversions.h"
#include "ovx/host/datetime.h"
#include "ovx/host/instance.h"
#include "ovx/host/operation_scope.h"
#include "ovx/host/result_data.h"
#include "quillcommon.h"

namespace {

namespace fs = std::filesystem;
using ovx::host::Arguments;
using ovx::host::Instance;
using ovx::host::ObjectPath;
using ovx::host::Value;
using Json = nlohmann::json;
using ovx::test::readFile;

constexpr const char* kNamespace = "root/cimv2";

std::size_t scaled(std::size_t normal, std::size_t full, std::size_t ci) {
    const char* const setting = std::getenv("OVX_HARDENING_FULL");
    const std::string size = setting != nullptr ? setting : "";
    return size == "1" ? full : size == "ci" ? ci : normal;
}

// One client's CIM calls, as the stress tests count them.
class Client : public ProviderTest::MiCalls {
  public:
    using MiCalls::MiCalls;

    std::vector<ObjectPath> names(const std::string& className) const {
        return enumerateNames(ObjectPath(kNamespace, className)).data.objectPaths;
    }
    std::size_t instanceCount(const std::string& className) const {
        return enumerateInstances(ObjectPath(kNamespace, className)).data.instances.size();
    }
    std::optional<Instance> get(const ObjectPath& path) const {
        const auto outcome = getInstance(path);
        if (outcome.rc != CMPI_RC_OK || outcome.data.instances.size() != 1) {
            return std::nullopt;
        }
        return outcome.data.instances.front();
    }
    CMPIrc modify(const ObjectPath& path, const std::string& property, Value value) const {
        Instance instance(path);
        instance.setProperty(property, std::move(value));
        const char* properties[] = {property.c_str(), nullptr};
        return modifyInstance(path, instance, properties).rc;
    }
    // The method's return value, or -1 when the call failed.
    long long requestStateChange(const ObjectPath& path, unsigned short state) const {
        Arguments in;
        in.set("RequestedState", Value::uint16(state));
        const auto reply = invoke(path, "RequestStateChange", in);
        const auto& data = reply.outcome.data.data;
        if (reply.outcome.rc != CMPI_RC_OK || data.size() != 1) {
            return -1;
        }
        return static_cast<long long>(data.front().asUnsigned());
    }
};

// ApplySettingToIPProtocolEndpoint with the configuration of that InstanceID:
// its return value, or -1 when the call failed.
long long apply(ovx::host::CimServer& server, const std::string& configuration,
                const ObjectPath& endpoint) {
    const auto services = server.enumerateInstanceNames(
        server.clientContext(), ObjectPath(kNamespace, "OVX_IPConfigurationService"));
    ObjectPath setting(kNamespace, "OVX_IPAssignmentSettingData");
    setting.setKey("InstanceID", Value::string(configuration));
    Arguments in;
    in.set("Configuration", Value::reference(setting));
    in.set("Endpoint", Value::reference(endpoint));
    if (!services.status.ok() || services.value.size() != 1) {
        return -1;
    }
    const auto reply = server.invokeMethod(server.clientContext(), services.value.front(),
                                           "ApplySettingToIPProtocolEndpoint", in);
    return reply.status.ok() ? static_cast<long long>(reply.value.returnValue.asUnsigned()) : -1;
}

ObjectPath named(const std::vector<ObjectPath>& paths, const std::string& key,
                 const std::string& value) {
    for (const ObjectPath& path : paths) {
        const Value* const found = path.findKey(key);
        if (found != nullptr && found->asString() == value) {
            return path;
        }
    }
    ADD_FAILURE() << "no instance with " << key << "=" << value;
    return {};
}

std::string propertyText(const std::optional<Instance>& instance, const std::string& name) {
    const Value* const value = instance ? instance->findProperty(name) : nullptr;
    if (value == nullptr || value->isNull()) {
        return "(none)";
    }
    return value->type() == CMPI_string ? value->asString() : std::to_string(value->asUnsigned());
}

// The sample is in place before the provider's MIs are made.
struct WithSample {
    ProviderTest::SampleCopy sample_;
};

class Hardening : public WithSample, public ProviderTest::ProviderCalls {
  protected:
    const Client client_{broker_, instanceMI_, methodMI_};
};

// Eight clients change, read and enumerate one server at once. Each owns the
// properties it writes, so the last write it saw acknowledged must be what
// the files hold at the end.
TEST_F(Hardening, ConcurrentClientsLoseNoAcknowledgedWrite) {
    const std::size_t operations = scaled(400, 10000, 2500);
    const std::vector<std::string> interfaces = {"eth0", "eth1", "br0", "bmc0"};
    const auto endpoints = client_.names("OVX_IPProtocolEndpoint");
    const auto statics = client_.names("OVX_StaticIPAssignmentSettingData");
    // Association requests and applying eth2's configuration, which changes
    // nothing any client owns, go through a CIMOM like a console's would.
    const auto server = ProviderTest::openSampleServer();
    const ObjectPath eth2 = named(endpoints, "Name", "eth2");

    struct Slot {
        ObjectPath path;
        std::string property;
        std::string acknowledged;
    };
    std::vector<std::vector<Slot>> slots(8);
    for (std::size_t thread = 0; thread < slots.size(); ++thread) {
        const std::string& interface = interfaces[thread % interfaces.size()];
        const ObjectPath endpoint = named(endpoints, "Name", interface);
        const ObjectPath settings =
            named(statics, "InstanceID", (interface == "bmc0" ? "BMC%" : "Computer%") + interface);
        if (thread < interfaces.size()) {
            slots[thread] = {{endpoint, "SubnetMask", ""},
                             {settings, "ConfigurationName", ""},
                             {endpoint, "EnabledState", ""}};
        } else {
            slots[thread] = {{endpoint, "IPv4Address", ""}, {settings, "IPv4Address", ""}};
        }
    }

    std::atomic<std::size_t> failures{0};
    std::vector<std::thread> threads;
    for (std::size_t thread = 0; thread < slots.size(); ++thread) {
        threads.emplace_back([&, thread] {
            const Client client(broker_, instanceMI_, methodMI_);
            const std::vector<std::string> masks = {"255.255.255.0", "255.255.0.0", "255.0.0.0",
                                                    "255.255.255.128"};
            std::mt19937 random(static_cast<unsigned>(thread));
            for (std::size_t step = 0; step < operations; ++step) {
                Slot& slot = slots[thread][random() % slots[thread].size()];
                std::string value;
                if (slot.property == "SubnetMask") {
                    value = masks[random() % masks.size()];
                } else if (slot.property == "IPv4Address") {
                    value = "10." + std::to_string(thread) + "." + std::to_string(step / 200) +
                            "." + std::to_string(step % 200 + 1);
                } else if (slot.property == "ConfigurationName") {
                    value = "load-" + std::to_string(thread) + "-" + std::to_string(step);
                }
                switch (random() % 8) {
                    case 0:
                        failures += client.instanceCount("OVX_IPProtocolEndpoint") == 0 ? 1 : 0;
                        break;
                    case 1:
                        failures += client.get(slot.path) ? 0 : 1;
                        break;
                    case 2: {
                        const auto associated = server->associators(server->clientContext(),
                                                                    slot.path, {}, std::nullopt);
                        failures += associated.status.ok() && !associated.value.empty() ? 0 : 1;
                        break;
                    }
                    case 3:
                        failures += apply(*server, "Computer%eth2%dhcp", eth2) == 0 ? 0 : 1;
                        break;
                    default:
                        if (slot.property == "EnabledState") {
                            const unsigned short state = random() % 2 == 0 ? 2 : 3;
                            if (client.requestStateChange(slot.path, state) == 0) {
                                slot.acknowledged = std::to_string(state);
                            }
                        } else if (client.modify(slot.path, slot.property, Value::string(value)) ==
                                   CMPI_RC_OK) {
                            slot.acknowledged = value;
                        }
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0U) << "reads that found nothing or applies that failed";

    std::string problem;
    for (const auto& file : fs::directory_iterator(sample_.directory())) {
        const std::string name = file.path().filename().string();
        if (name == "system.json") {
            EXPECT_TRUE(Json::accept(readFile(file.path())));
        } else if (name.rfind("ifcfg-", 0) == 0 && file.path().extension() != ".lock") {
            Quill::PropertyFile ifcfg{Quill::File::Path(file.path().string())};
            EXPECT_TRUE(ifcfg.open(Quill::PropertyFile::ReadOnly)) << name;
        }
    }
    std::size_t checked = 0;
    for (const auto& threadSlots : slots) {
        for (const Slot& slot : threadSlots) {
            if (!slot.acknowledged.empty()) {
                ++checked;
                EXPECT_EQ(propertyText(client_.get(slot.path), slot.property), slot.acknowledged)
                    << slot.path.toString() << " " << slot.property;
            }
        }
    }
    EXPECT_GT(checked, slots.size());
}

// The value a key=value line gives key, or nothing.
std::optional<std::string> lineValue(const std::string& text, const std::string& key) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(key + "=", 0) == 0) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

// The file's text with the value of key replaced.
std::string withValue(const std::string& text, const std::string& key, const std::string& value) {
    std::string result;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        result += (line.rfind(key + "=", 0) == 0 ? key + "=" + value : line) + "\n";
    }
    return result;
}

Json withoutProperty(Json document, const std::string& interface, const std::string& property) {
    if (Json* const node = ProviderTest::interfaceIn(document["nodes"], interface)) {
        (*node)["properties"].erase(property);
    }
    return document;
}

// Writers killed at random moments, through the provider (system description
// and ifcfg file) and through the node store directly: every file is left
// as it was before or after one write, and the next writer goes ahead.
TEST_F(Hardening, WritersKilledMidWriteLeaveWholeFiles) {
    const std::size_t kills = scaled(150, 600, 600);
    const fs::path description = sample_.directory() / "system.json";
    const fs::path ifcfg = sample_.directory() / "ifcfg-eth1";
    const ObjectPath endpoint = named(client_.names("OVX_IPProtocolEndpoint"), "Name", "eth0");
    const ObjectPath settings =
        named(client_.names("OVX_StaticIPAssignmentSettingData"), "InstanceID", "Computer%eth1");
    // Every write below keeps these apart from what it changes.
    const Json baseline =
        withoutProperty(withoutProperty(Json::parse(readFile(description)), "eth0", "SubnetMask"),
                        "eth2", "IPv4Address");
    const std::string ifcfgBaseline = withValue(readFile(ifcfg), "CONFIG_NAME", "");
    std::string eth2Node;
    Quill::Instrumentation cursor;
    for (bool more = cursor.selectNode(Quill::NodeLexicon::IPInterface); more && cursor; ++cursor) {
        std::string name;
        if (cursor.getProperty(Quill::NodeLexicon::Name, name) && name == "eth2") {
            eth2Node = cursor.getNodePath();
        }
    }
    ASSERT_FALSE(eth2Node.empty());

    std::mt19937 random(7);
    std::size_t interrupted = 0;
    for (std::size_t kill = 0; kill < kills; ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            ::close(ready[0]);
            const Client client(broker_, instanceMI_, methodMI_);
            const auto store = Quill::currentNodeStore();
            ::write(ready[1], "r", 1);
            for (unsigned step = 0;; ++step) {
                client.modify(endpoint, "SubnetMask",
                              Value::string(step % 2 == 0 ? "255.255.0.0" : "255.255.255.0"));
                client.modify(settings, "ConfigurationName",
                              Value::string("death-" + std::to_string(step)));
                store->writeProperty(eth2Node, Quill::NodeLexicon::IPv4Address,
                                     std::string("198.51.100.") + std::to_string(step % 250 + 1));
            }
        }
        ::close(ready[1]);
        char signal = 0;
        ASSERT_EQ(::read(ready[0], &signal, 1), 1);
        ::close(ready[0]);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        ::kill(writer, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(writer, &status, 0), writer);
        interrupted += WIFSIGNALED(status) ? 1 : 0;

        const std::string text = readFile(description);
        Json document;
        ASSERT_NO_THROW(document = Json::parse(text)) << "after kill " << kill << ":\n" << text;
        EXPECT_EQ(
            withoutProperty(withoutProperty(document, "eth0", "SubnetMask"), "eth2", "IPv4Address"),
            baseline)
            << "after kill " << kill;
        const std::string ifcfgText = readFile(ifcfg);
        EXPECT_EQ(withValue(ifcfgText, "CONFIG_NAME", ""), ifcfgBaseline)
            << "after kill " << kill << ":\n"
            << ifcfgText;
        EXPECT_TRUE(lineValue(ifcfgText, "CONFIG_NAME")) << ifcfgText;

        // The next writer is not held up by anything the killed one left.
        ASSERT_EQ(client_.modify(settings, "ConfigurationName", Value::string("after")),
                  CMPI_RC_OK);
        ASSERT_EQ(client_.modify(endpoint, "SubnetMask", Value::string("255.0.0.0")), CMPI_RC_OK);
    }
    EXPECT_EQ(interrupted, kills);
    EXPECT_EQ(lineValue(readFile(ifcfg), "CONFIG_NAME"), std::string("after"));
}

std::size_t threadCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& task : fs::directory_iterator("/proc/self/task")) {
        ++count;
    }
    return count;
}

struct LibraryCloser {
    void operator()(void* handle) const { ::dlclose(handle); }
};

// As a CIMOM unloads an idle provider and loads it again later: each round
// opens the library, serves requests, cleans up and closes it. Nothing of it
// stays: no thread, no mapping, and the next load reads its trace settings
// anew.
TEST(ProviderUnloading, EveryRoundStartsAfresh) {
    ProviderTest::SampleCopy sample;
    const std::size_t rounds = scaled(200, 1000, 1000);
    // ThreadSanitizer starts a thread of its own with the first thread a
    // process creates; one started here first keeps it out of the count.
    std::thread([] {}).join();
    const std::size_t threadsBefore = threadCount();
    ovx::host::Broker broker;
    ::setenv("OVX_TRACE_LEVEL", "0", 1);
    std::size_t restarts = 0;
    for (std::size_t round = 0; round < rounds; ++round) {
        // Every tenth round traces to a file of its own.
        const fs::path trace = sample.directory() / ("trace-" + std::to_string(round));
        if (round % 10 == 0) {
            ::setenv("OVX_TRACE_FILE", trace.c_str(), 1);
        } else {
            ::unsetenv("OVX_TRACE_FILE");
        }
        if (round % 5 == 4) {
            // An unnamed configuration with a new address asks for a restart, on a
            // thread that may still run when the CIMOM unloads the library.
            std::ofstream(sample.directory() / "ifcfg-eth0")
                << "IPV4ADDR=192.0.2." << (round % 2 == 0 ? 12 : 13) << "\n";
            const auto server = ProviderTest::openSampleServer();
            const auto endpoints = server->enumerateInstanceNames(
                server->clientContext(), ObjectPath(kNamespace, "OVX_IPProtocolEndpoint"));
            ASSERT_EQ(
                apply(*server, "Computer%eth0%static", named(endpoints.value, "Name", "eth0")), 0);
            ++restarts;
        } else {
            std::unique_ptr<void, LibraryCloser> library(
                ::dlopen(OVX_PROVIDER_LIBRARY, RTLD_NOW | RTLD_LOCAL));
            ASSERT_NE(library, nullptr) << ::dlerror();
            using InstanceFactory =
                CMPIInstanceMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
            using MethodFactory =
                CMPIMethodMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
            const auto makeInstanceMI = reinterpret_cast<InstanceFactory>(
                ::dlsym(library.get(), "IPInterfaceProvider_Create_InstanceMI"));
            const auto makeMethodMI = reinterpret_cast<MethodFactory>(
                ::dlsym(library.get(), "IPInterfaceProvider_Create_MethodMI"));
            ASSERT_TRUE(makeInstanceMI != nullptr && makeMethodMI != nullptr);
            ovx::host::OperationScope scope(broker);
            CMPIContext* const context =
                ovx::host::toCmpi(ovx::host::Context::forOperation(kNamespace, 0, "unloading"));
            CMPIInstanceMI* const instanceMI = makeInstanceMI(broker.cmpi(), context, nullptr);
            CMPIMethodMI* const methodMI = makeMethodMI(broker.cmpi(), context, nullptr);
            ASSERT_TRUE(instanceMI != nullptr && methodMI != nullptr);
            const Client client(broker, instanceMI, methodMI);
            const auto endpoints = client.names("OVX_IPProtocolEndpoint");
            ASSERT_FALSE(endpoints.empty());
            ASSERT_TRUE(client.get(endpoints.front()));
            ASSERT_EQ(client.requestStateChange(endpoints.front(), round % 2 == 0 ? 2 : 3), 0);
            ASSERT_EQ(client.instanceCount("OVX_StaticIPAssignmentSettingData"),
                      client.names("OVX_StaticIPAssignmentSettingData").size());
            EXPECT_EQ(instanceMI->ft->cleanup(instanceMI, context, false).rc, CMPI_RC_OK);
            EXPECT_EQ(methodMI->ft->cleanup(methodMI, context, false).rc, CMPI_RC_OK);
        }
        ASSERT_EQ(::dlopen(OVX_PROVIDER_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr)
            << "round " << round << ": the library stayed loaded";
        ASSERT_EQ(threadCount(), threadsBefore) << "round " << round;
        if (round % 10 == 0) {
            EXPECT_FALSE(readFile(trace).empty()) << "round " << round << " traced elsewhere";
        }
    }
    ::unsetenv("OVX_TRACE_FILE");
    ::unsetenv("OVX_TRACE_LEVEL");
    // Every restart thread finished its work before its library went away.
    EXPECT_EQ(Json::parse(readFile(sample.directory() / "system.json"))["nodes"][0]
                  .value("rebootRequests", Json::object())
                  .value("count", 0ULL),
              restarts);
}

}  // namespace
