#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <regex>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "HostCallSupport.h"
#include "nxlogger.h"

namespace {

using ovx::host::Instance;
using ovx::host::ObjectPath;
using ovx::host::Value;
using ProviderTest::endpointPath;
using ProviderTest::interfaceNode;
using ProviderTest::Json;
using ProviderTest::kEndpointClass;
using ProviderTest::kNamespace;
using ProviderTest::Outcome;
using ProviderTest::systemDescription;

const ObjectPath kEndpointClassPath(kNamespace, kEndpointClass);

const Instance* instanceNamed(const Outcome& outcome, const std::string& name) {
    for (const Instance& instance : outcome.data.instances) {
        const Value* const value = instance.findProperty("Name");
        if (value != nullptr && value->asString() == name) {
            return &instance;
        }
    }
    return nullptr;
}

class EndpointEnumeration : public ProviderTest::ProviderCalls {};

TEST_F(EndpointEnumeration, NamesCarryTheFourKeysOfEveryEndpoint) {
    useSystem(ProviderTest::standardSystem());
    const Outcome outcome = enumerateNames(kEndpointClassPath);
    EXPECT_EQ(outcome.rc, CMPI_RC_OK);
    EXPECT_EQ(outcome.data.doneCount, 1u);
    ASSERT_EQ(outcome.data.objectPaths.size(), 3u);
    EXPECT_EQ(outcome.data.objectPaths[0], endpointPath("eth0"));
    EXPECT_EQ(outcome.data.objectPaths[1], endpointPath("eth1"));
    EXPECT_EQ(outcome.data.objectPaths[2], endpointPath("bmc0", "BMC:-1", "OVX_SPComputerSystem"));
    EXPECT_EQ(outcome.data.objectPaths[0].keys().entries().front().first,
              "SystemCreationClassName");
}

TEST_F(EndpointEnumeration, InstancesCarryEveryPropertyWithItsCimType) {
    useSystem(ProviderTest::standardSystem());
    const Outcome outcome = enumerateInstances(kEndpointClassPath);
    EXPECT_EQ(outcome.rc, CMPI_RC_OK);
    EXPECT_EQ(outcome.data.doneCount, 1u);
    ASSERT_EQ(outcome.data.instances.size(), 3u);
    const Instance& eth0 = outcome.data.instances[0];
    EXPECT_EQ(eth0.path(), endpointPath("eth0"));
    const std::vector<std::pair<const char*, Value>> expected = {
        // clang-format off
        {"ElementName", Value::string("eth0")}, {"Description", Value::string("Intel Ethernet")},
        {"IPv4Address", Value::string("192.168.1.10")}, {"IPv6Address", Value::string("fe80::1")},
        {"SubnetMask", Value::string("255.255.255.0")}, {"PrefixLength", Value::uint8(64)},
        {"IPv6SubnetPrefixLength", Value::uint16(64)}, {"AddressType", Value::uint16(1)},
        {"IPv6AddressType", Value::uint16(5)}, {"IPVersionSupport", Value::uint16(1)},
        {"ProtocolIFType", Value::uint16(4096)}, {"EnabledState", Value::uint16(2)},
        {"RequestedState", Value::uint16(2)}, {"AddressOrigin", Value::uint16(3)},
        {"SystemCreationClassName", Value::string("OVX_ComputerSystem")},
        {"SystemName", Value::string(ProviderTest::thisHostName())},
        {"CreationClassName", Value::string(kEndpointClass)}, {"Name", Value::string("eth0")},
        {"NameFormat", Value::string("NIC Name")},
        // clang-format on
    };
    EXPECT_EQ(eth0.properties().size(), expected.size());
    for (const auto& [name, value] : expected) {
        const Value* const actual = eth0.findProperty(name);
        ASSERT_NE(actual, nullptr) << name;
        EXPECT_EQ(*actual, value) << name << " is " << actual->toText();
    }
}

TEST_F(EndpointEnumeration, MissingNodeValuesLeaveTheirPropertiesOut) {
    useSystem(ProviderTest::standardSystem());
    const Outcome outcome = enumerateInstances(kEndpointClassPath);
    const Instance* const eth1 = instanceNamed(outcome, "eth1");
    ASSERT_NE(eth1, nullptr);
    for (const char* absent : {"IPv6Address", "PrefixLength", "IPv6SubnetPrefixLength",
                               "IPv6AddressType", "ProtocolIFType"}) {
        EXPECT_EQ(eth1->findProperty(absent), nullptr) << absent;
    }
    EXPECT_EQ(*eth1->findProperty("EnabledState"), Value::uint16(3));
    EXPECT_EQ(*eth1->findProperty("AddressOrigin"), Value::uint16(4));
    EXPECT_EQ(*eth1->findProperty("IPVersionSupport"), Value::uint16(3));
    EXPECT_EQ(*eth1->findProperty("AddressType"), Value::uint16(0));
    const Instance* const bmc0 = instanceNamed(outcome, "bmc0");
    ASSERT_NE(bmc0, nullptr);
    EXPECT_EQ(*bmc0->findProperty("SystemName"), Value::string("BMC:-1"));
    EXPECT_EQ(*bmc0->findProperty("SystemCreationClassName"),
              Value::string("OVX_SPComputerSystem"));
}

TEST_F(EndpointEnumeration, UnreadableStateAndUnknownVersionShowZero) {
    useSystem(systemDescription(
        Json::array({interfaceNode("eth0", "Ethernet", {{"Name", "eth0"}, {"IPVersion", 9}})})));
    const Outcome outcome = enumerateInstances(kEndpointClassPath);
    ASSERT_EQ(outcome.data.instances.size(), 1u);
    const Instance& eth0 = outcome.data.instances[0];
    EXPECT_EQ(*eth0.findProperty("EnabledState"), Value::uint16(0));
    EXPECT_EQ(*eth0.findProperty("RequestedState"), Value::uint16(0));
    EXPECT_EQ(*eth0.findProperty("IPVersionSupport"), Value::uint16(0));
}

TEST_F(EndpointEnumeration, APropertyListDoesNotShortenTheInstance) {
    useSystem(ProviderTest::standardSystem());
    const char* properties[] = {"Name", nullptr};
    const Outcome narrowed = enumerateInstances(kEndpointClassPath, properties);
    const Outcome full = enumerateInstances(kEndpointClassPath);
    ASSERT_EQ(narrowed.data.instances.size(), 3u);
    EXPECT_EQ(narrowed.data.instances, full.data.instances);
}

TEST_F(EndpointEnumeration, KeysOfTheRequestPathNarrowTheWalk) {
    useSystem(ProviderTest::standardSystem());
    ObjectPath byName(kNamespace, kEndpointClass);
    byName.setKey("Name", Value::string("eth1"));
    const Outcome outcome = enumerateNames(byName);
    ASSERT_EQ(outcome.data.objectPaths.size(), 1u);
    EXPECT_EQ(outcome.data.objectPaths[0], endpointPath("eth1"));
}

TEST_F(EndpointEnumeration, ASystemWithoutInterfacesReturnsOnlyDone) {
    useSystem(systemDescription(Json::array()));
    const Outcome names = enumerateNames(kEndpointClassPath);
    const Outcome instances = enumerateInstances(kEndpointClassPath);
    for (const Outcome& outcome : {names, instances}) {
        EXPECT_EQ(outcome.rc, CMPI_RC_OK);
        EXPECT_EQ(outcome.data.doneCount, 1u);
        EXPECT_TRUE(outcome.data.objectPaths.empty());
        EXPECT_TRUE(outcome.data.instances.empty());
    }
}

TEST_F(EndpointEnumeration, ClassesNotServedAreInvalidWithoutResults) {
    useSystem(ProviderTest::standardSystem());
    for (const char* className : {"CIM_IPProtocolEndpoint", "OVX_ComputerSystem"}) {
        const ObjectPath path(kNamespace, className);
        for (const Outcome& outcome :
             {enumerateNames(path), enumerateInstances(path), getInstance(path)}) {
            EXPECT_EQ(outcome.rc, CMPI_RC_ERR_INVALID_CLASS) << className;
            EXPECT_EQ(outcome.data.doneCount, 0u) << className;
            EXPECT_TRUE(outcome.data.objectPaths.empty());
            EXPECT_TRUE(outcome.data.instances.empty());
        }
    }
}

TEST_F(EndpointEnumeration, CreateDeleteAndQueryAreNotSupported) {
    useSystem(ProviderTest::standardSystem());
    CMPIResult* const result = ovx::host::newResult();
    CMPIObjectPath* const path = ovx::host::toCmpi(endpointPath("eth0"));
    const CMPIStatus created = instanceMI_->ft->createInstance(
        instanceMI_, context_, result, path, ovx::host::toCmpi(Instance(endpointPath("eth9"))));
    const CMPIStatus deleted = instanceMI_->ft->deleteInstance(instanceMI_, context_, result, path);
    const CMPIStatus queried =
        instanceMI_->ft->execQuery(instanceMI_, context_, result, path, "SELECT * FROM X", "WQL");
    EXPECT_EQ(created.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(deleted.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(queried.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(ovx::host::resultData(result).doneCount, 0u);
}

// A CIMOM may call a factory again while other MIs serve requests; the
// thread sanitizer run checks that the broker handle is shared safely.
TEST_F(EndpointEnumeration, AFactoryCallDuringRequestsIsSafe) {
    useSystem(ProviderTest::standardSystem());
    std::thread factories([this] {
        for (int round = 0; round < 200; ++round) {
            IPInterfaceProvider_Create_MethodMI(broker_.cmpi(), nullptr, nullptr);
        }
    });
    for (int round = 0; round < 20; ++round) {
        EXPECT_EQ(enumerateNames(kEndpointClassPath).data.objectPaths.size(), 3u);
    }
    factories.join();
}

class EndpointGet : public ProviderTest::ProviderCalls {};

TEST_F(EndpointGet, EachEnumeratedPathYieldsExactlyThatInstance) {
    useSystem(ProviderTest::standardSystem());
    const Outcome all = enumerateInstances(kEndpointClassPath);
    ASSERT_EQ(all.data.instances.size(), 3u);  // the service processor's bmc0 among them
    for (const Instance& instance : all.data.instances) {
        const Outcome outcome = getInstance(instance.path());
        EXPECT_EQ(outcome.rc, CMPI_RC_OK);
        EXPECT_EQ(outcome.data.doneCount, 1u);
        ASSERT_EQ(outcome.data.instances.size(), 1u);
        EXPECT_EQ(outcome.data.instances[0], instance);
    }
}

TEST_F(EndpointGet, PathsNamingNoEndpointAreNotFound) {
    useSystem(ProviderTest::standardSystem());
    ObjectPath nameOnly(kNamespace, kEndpointClass);
    nameOnly.setKey("Name", Value::string("eth0"));
    ObjectPath wrongSystemClass = endpointPath("eth0");
    wrongSystemClass.setKey("SystemCreationClassName", Value::string("OVX_SPComputerSystem"));
    ObjectPath extraKey = endpointPath("eth0");
    extraKey.setKey("Extra", Value::string("x"));
    for (const ObjectPath& path : {endpointPath("eth7"), endpointPath("eth0", "otherhost"),
                                   nameOnly, wrongSystemClass, extraKey}) {
        const Outcome outcome = getInstance(path);
        EXPECT_EQ(outcome.rc, CMPI_RC_ERR_NOT_FOUND) << path.toString();
        EXPECT_TRUE(outcome.data.instances.empty()) << path.toString();
        EXPECT_NE(outcome.message.find(kEndpointClass), std::string::npos);
    }
}

TEST_F(EndpointGet, KeyNamesMatchWithoutRegardToCase) {
    useSystem(ProviderTest::standardSystem());
    ObjectPath path(kNamespace, kEndpointClass);
    path.setKey("systemcreationclassname", Value::string("OVX_ComputerSystem"));
    path.setKey("SYSTEMNAME", Value::string(ProviderTest::thisHostName()));
    path.setKey("CreationClassName", Value::string(kEndpointClass));
    path.setKey("name", Value::string("eth0"));
    const Outcome outcome = getInstance(path);
    EXPECT_EQ(outcome.rc, CMPI_RC_OK);
    EXPECT_EQ(outcome.data.instances.size(), 1u);
}

// A node store that refuses the writes of one property although it reports
// the property as writable, as a failing disk would; before refusing it lets
// another client write (meanwhile).
class RefusingStore : public ProviderTest::ForwardingStore {
  public:
    RefusingStore(std::shared_ptr<Quill::NodeStore> inner, Quill::NodeLexicon::Properties refused,
                  std::function<void(Quill::NodeStore&)> meanwhile)
        : ForwardingStore(std::move(inner)), refused_(refused), meanwhile_(std::move(meanwhile)) {}
    bool writeProperties(const std::string& path, const Quill::PropertyChanges& changes) override {
        for (const auto& change : changes) {
            if (change.first == refused_) {
                meanwhile_(*inner_);
                return false;
            }
        }
        return inner_->writeProperties(path, changes);
    }

  private:
    Quill::NodeLexicon::Properties refused_;
    std::function<void(Quill::NodeStore&)> meanwhile_;
};

class EndpointModify : public ProviderTest::ProviderCalls {
  protected:
    void SetUp() override { useSystem(ProviderTest::standardSystem()); }

    // An instance of the endpoint as a client would send it, read first.
    Instance asRead(const std::string& name) {
        const Outcome outcome = getInstance(endpointPath(name));
        EXPECT_EQ(outcome.data.instances.size(), 1u);
        return outcome.data.instances.empty() ? Instance() : outcome.data.instances[0];
    }
    Instance withChanges(const std::string& name,
                         const std::vector<std::pair<const char*, Value>>& changes) {
        Instance instance(endpointPath(name));
        for (const auto& change : changes) {
            instance.setProperty(change.first, change.second);
        }
        return instance;
    }
    Json property(const std::string& name, const std::string& property) {
        return system().interfaceProperty(name, property);
    }
};

TEST_F(EndpointModify, WritesOnlyWhatIsSentAndDhcpAsTheNodesCode) {
    using Changes = std::vector<std::pair<const char*, Value>>;
    // Changes to eth0, then the stored origin, address and mask after them.
    const std::vector<std::tuple<Changes, int, std::string, std::string>> cases = {
        {{{"AddressOrigin", Value::uint16(3)},
          {"IPv4Address", Value::string("192.168.1.77")},
          {"SubnetMask", Value::string("255.255.0.0")}},
         3,
         "192.168.1.77",
         "255.255.0.0"},
        {{{"AddressOrigin", Value::uint16(4)}}, 1, "192.168.1.10", "255.255.255.0"},
        {{{"SubnetMask", Value::string("255.255.0.0")}}, 3, "192.168.1.10", "255.255.0.0"},
    };
    for (const auto& [changes, origin, address, mask] : cases) {
        useSystem(ProviderTest::standardSystem());
        const Outcome outcome = modifyInstance(endpointPath("eth0"), withChanges("eth0", changes));
        EXPECT_EQ(outcome.rc, CMPI_RC_OK) << outcome.message;
        EXPECT_EQ(outcome.data.doneCount, 1u);
        EXPECT_EQ(property("eth0", "AddressOrigin"), origin);
        EXPECT_EQ(property("eth0", "IPv4Address"), address);
        EXPECT_EQ(property("eth0", "SubnetMask"), mask);
        EXPECT_EQ(property("eth1", "IPv4Address"), "10.0.0.5");
    }
}

TEST_F(EndpointModify, AnInstanceSentBackAsReadChangesNothing) {
    const std::string before = system().text();
    for (const ObjectPath& path : {endpointPath("eth0"), endpointPath("eth1"),
                                   endpointPath("bmc0", "BMC:-1", "OVX_SPComputerSystem")}) {
        const Outcome read = getInstance(path);
        ASSERT_EQ(read.data.instances.size(), 1u);
        const Outcome outcome = modifyInstance(path, read.data.instances[0]);
        EXPECT_EQ(outcome.rc, CMPI_RC_OK) << path.toString() << ": " << outcome.message;
    }
    EXPECT_EQ(system().text(), before);
}

TEST_F(EndpointModify, RefusedChangesNameThePropertyAndWriteNothing) {
    const std::string before = system().text();
    struct Refusal {
        std::string pathName, instanceName;
        std::vector<std::pair<const char*, Value>> changes;
        CMPIrc rc;
        std::string named;  // the property the message names, if any
    };
    const auto text = Value::string;
    std::vector<Refusal> refusals = {
        {"eth9", "eth9", {{"IPv4Address", text("10.9.9.9")}}, CMPI_RC_ERR_NOT_FOUND, ""},
        {"eth0", "eth9", {{"IPv4Address", text("10.9.9.9")}}, CMPI_RC_ERR_NOT_FOUND, ""},
        // A late refusal leaves the earlier properties unwritten too.
        {"eth0",
         "eth0",
         {{"AddressOrigin", Value::uint16(4)},
          {"IPv4Address", text("192.168.1.11")},
          {"SubnetMask", text("255.255.255.0;reboot")}},
         CMPI_RC_ERR_INVALID_PARAMETER,
         "SubnetMask"},
    };
    for (const char* address :
         {"999.1.1.1", "0.0.0.0", "255.255.255.255", "224.0.0.1", "239.255.255.250"}) {
        refusals.push_back({"eth0",
                            "eth0",
                            {{"IPv4Address", text(address)}},
                            CMPI_RC_ERR_INVALID_PARAMETER,
                            "IPv4Address"});
    }
    for (const char* mask : {"10.20.30.40", "255.0.255.0", "0.255.255.255", "255.255.255.1"}) {
        refusals.push_back({"eth0",
                            "eth0",
                            {{"SubnetMask", text(mask)}},
                            CMPI_RC_ERR_INVALID_PARAMETER,
                            "SubnetMask"});
    }
    for (const unsigned short origin : {0, 1, 2, 5, 6, 7}) {
        refusals.push_back(
            {"eth0",
             "eth0",
             {{"AddressOrigin", Value::uint16(origin)}, {"IPv4Address", text("192.168.1.12")}},
             CMPI_RC_ERR_INVALID_PARAMETER,
             "AddressOrigin"});
    }
    for (const auto& [name, value] :
         std::vector<std::pair<const char*, Value>>{{"IPv4Address", Value::null(CMPI_string)},
                                                    {"SubnetMask", Value::null(CMPI_string)},
                                                    {"AddressOrigin", Value::null(CMPI_uint16)},
                                                    {"IPv4Address", Value::uint16(3)}}) {
        refusals.push_back({"eth0",
                            "eth0",
                            {{"SubnetMask", text("255.255.0.0")}, {name, value}},
                            CMPI_RC_ERR_INVALID_PARAMETER,
                            name});
    }
    for (const Refusal& refusal : refusals) {
        const std::string what = refusal.changes.back().first + std::string("=") +
                                 refusal.changes.back().second.toText();
        const Outcome outcome = modifyInstance(endpointPath(refusal.pathName),
                                               withChanges(refusal.instanceName, refusal.changes));
        EXPECT_EQ(outcome.rc, refusal.rc) << what;
        if (!refusal.named.empty()) {
            EXPECT_NE(outcome.message.find("'" + refusal.named + "'"), std::string::npos)
                << what << ": " << outcome.message;
        }
    }
    EXPECT_EQ(system().text(), before);
}

TEST_F(EndpointModify, MasksOfAnyPrefixAndUnicastAddressesAreAccepted) {
    const std::vector<std::pair<const char*, const char*>> accepted{
        {"SubnetMask", "255.255.255.255"},
        {"SubnetMask", "0.0.0.0"},
        {"SubnetMask", "255.255.254.0"},
        {"IPv4Address", "223.255.255.254"},
        {"IPv4Address", ""},
    };
    for (const auto& [name, value] : accepted) {
        const Outcome outcome = modifyInstance(endpointPath("eth0"),
                                               withChanges("eth0", {{name, Value::string(value)}}));
        EXPECT_EQ(outcome.rc, CMPI_RC_OK) << name << "=" << value << ": " << outcome.message;
        EXPECT_EQ(property("eth0", name), value);
    }
}

TEST_F(EndpointModify, AnUnappliableOriginEqualToTheCurrentOneIsLeftAlone) {
    useSystem(systemDescription(Json::array(
        {interfaceNode("eth0", "Ethernet",
                       {{"Name", "eth0"}, {"IPv4Address", "10.0.0.1"}, {"AddressOrigin", 2}})})));
    Instance instance = asRead("eth0");
    ASSERT_EQ(*instance.findProperty("AddressOrigin"), Value::uint16(5));
    instance.setProperty("IPv4Address", Value::string("10.0.0.2"));
    const Outcome outcome = modifyInstance(endpointPath("eth0"), instance);
    EXPECT_EQ(outcome.rc, CMPI_RC_OK) << outcome.message;
    EXPECT_EQ(property("eth0", "AddressOrigin"), 2);
    EXPECT_EQ(property("eth0", "IPv4Address"), "10.0.0.2");
}

TEST_F(EndpointModify, AReadOnlyPropertyIsRefusedBeforeAnythingIsWritten) {
    useSystem(systemDescription(Json::array(
        {interfaceNode("eth0", "Ethernet",
                       {{"Name", "eth0"}, {"IPv4Address", "10.0.0.1"}, {"SubnetMask", "255.0.0.0"}},
                       Json::array({"SubnetMask"}))})));
    const std::string before = system().text();
    const Outcome outcome = modifyInstance(
        endpointPath("eth0"), withChanges("eth0", {
                                                      {"IPv4Address", Value::string("10.0.0.2")},
                                                      {"SubnetMask", Value::string("255.255.0.0")},
                                                  }));
    EXPECT_EQ(outcome.rc, CMPI_RC_ERR_FAILED);
    EXPECT_NE(outcome.message.find("'SubnetMask'"), std::string::npos) << outcome.message;
    EXPECT_EQ(system().text(), before);
}

TEST_F(EndpointModify, ABatchTheStoreRefusesChangesNothingAndKeepsOthersWrites) {
    // No AddressOrigin before; another client changes the address meanwhile.
    useSystem(systemDescription(Json::array({interfaceNode(
        "eth0", "Ethernet",
        {{"Name", "eth0"}, {"IPv4Address", "10.0.0.1"}, {"SubnetMask", "255.0.0.0"}})})));
    Quill::setNodeStore(std::make_shared<RefusingStore>(
        std::make_shared<Quill::FileNodeStore>(system().path().string()),
        Quill::NodeLexicon::SubnetMask, [](Quill::NodeStore& store) {
            const auto tree = store.snapshot();
            const auto interface = tree->findNext(Quill::NodeLexicon::IPInterface);
            store.writeProperty(tree->node(interface).path, Quill::NodeLexicon::IPv4Address,
                                std::string("10.0.0.99"));
        }));
    const Outcome outcome = modifyInstance(
        endpointPath("eth0"), withChanges("eth0", {
                                                      {"AddressOrigin", Value::uint16(4)},
                                                      {"SubnetMask", Value::string("255.255.0.0")},
                                                  }));
    EXPECT_EQ(outcome.rc, CMPI_RC_ERR_FAILED);
    EXPECT_NE(outcome.message.find("nothing was changed"), std::string::npos) << outcome.message;
    EXPECT_EQ(outcome.data.doneCount, 1u);
    EXPECT_TRUE(property("eth0", "AddressOrigin").is_null());
    EXPECT_EQ(property("eth0", "IPv4Address"), "10.0.0.99");
    EXPECT_EQ(property("eth0", "SubnetMask"), "255.0.0.0");
}

TEST_F(EndpointModify, OnlyListedPropertiesAreConsidered) {
    Instance stale = asRead("eth0");
    stale.setProperty("IPv4Address", Value::string("192.168.1.99"));
    stale.setProperty("SubnetMask", Value::string("255.255.0.0"));
    const char* onlyMask[] = {"subnetmask", nullptr};
    EXPECT_EQ(modifyInstance(endpointPath("eth0"), stale, onlyMask).rc, CMPI_RC_OK);
    EXPECT_EQ(property("eth0", "SubnetMask"), "255.255.0.0");
    EXPECT_EQ(property("eth0", "IPv4Address"), "192.168.1.10");

    const std::string before = system().text();
    const char* nothing[] = {nullptr};
    EXPECT_EQ(modifyInstance(endpointPath("eth0"), stale, nothing).rc, CMPI_RC_OK);
    EXPECT_EQ(system().text(), before);
}

TEST_F(EndpointModify, ClassesThatCannotBeModifiedAnswerNotSupported) {
    const std::string before = system().text();
    for (const char* className :
         {"OVX_IPEnabledLogicalElementCapabilities", "OVX_IPConfigurationService",
          "OVX_IPHostedAccessPoint", "CIM_Unknown"}) {
        const ObjectPath path(kNamespace, className);
        const Outcome outcome = modifyInstance(path, Instance(path));
        EXPECT_EQ(outcome.rc, CMPI_RC_ERR_NOT_SUPPORTED) << className;
        EXPECT_EQ(outcome.data.doneCount, 0u) << className;
    }
    EXPECT_EQ(system().text(), before);
}

class OperationBoundary : public ::testing::Test {
  protected:
    void SetUp() override { NxLog::NxLogger::installSink(sink_); }
    void TearDown() override { NxLog::NxLogger::installSink(nullptr); }
    std::shared_ptr<NxLog::MemorySink> sink_ = std::make_shared<NxLog::MemorySink>();
    ovx::host::Broker broker_;
    ovx::host::OperationScope scope_{broker_};
};

TEST_F(OperationBoundary, AnExceptionBecomesFailedWithItsTextAndOneFailureRecord) {
    IPInterfaceProvider_Create_InstanceMI(broker_.cmpi(), nullptr, nullptr);
    const CMPIStatus status = Quill::IPInterfaceProvider::runAtBoundary(
        []() -> CMPIStatus { throw std::runtime_error("Could not find instance"); });
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    ASSERT_NE(status.msg, nullptr);
    EXPECT_STREQ(CMGetCharsPtr(status.msg, nullptr), "Could not find instance");
    std::vector<NxLog::Record> failures;
    for (const NxLog::Record& record : sink_->records()) {
        if (record.level == 6000) {
            failures.push_back(record);
        }
    }
    ASSERT_EQ(failures.size(), 2u);  // log, then trace
    EXPECT_EQ(failures[0].channel, NxLog::Channel::Log);
    EXPECT_TRUE(std::regex_match(
        failures[0].text,
        std::regex(R"(MESSAGE \[File: \S+, Line: \d+\]: Could not find instance)")))
        << failures[0].text;
}

TEST_F(OperationBoundary, WithoutABrokerTheFailureHasNoMessage) {
    IPInterfaceProvider_Create_InstanceMI(nullptr, nullptr, nullptr);
    const CMPIStatus status = Quill::IPInterfaceProvider::runAtBoundary(
        []() -> CMPIStatus { throw std::logic_error("broken"); });
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(status.msg, nullptr);
}

TEST_F(OperationBoundary, ABranchThatCompletesKeepsItsStatus) {
    IPInterfaceProvider_Create_InstanceMI(broker_.cmpi(), nullptr, nullptr);
    const CMPIStatus status = Quill::IPInterfaceProvider::runAtBoundary([] {
        return CMPIStatus{CMPI_RC_ERR_NOT_FOUND, nullptr};
    });
    EXPECT_EQ(status.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_TRUE(sink_->records().empty());
}

}  // namespace
