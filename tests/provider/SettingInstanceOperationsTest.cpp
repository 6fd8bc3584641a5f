// The setting data, gateway, service and capabilities classes through the
// provider's instance operations, with the embedded host's CMPI objects, a
// system description and ifcfg files in a temporary data directory.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "AtomicFile.h"
#include "HostCallSupport.h"
#include "SettingTestSupport.h"

namespace {

using ovx::host::Instance;
using ovx::host::ObjectPath;
using ovx::host::Value;
using ProviderTest::interfaceNode;
using ProviderTest::Json;
using ProviderTest::kNamespace;
using ProviderTest::Outcome;
using ProviderTest::servicePath;
using ProviderTest::systemDescription;

constexpr const char* kSettingClass = "OVX_IPAssignmentSettingData";
constexpr const char* kStaticClass = "OVX_StaticIPAssignmentSettingData";
constexpr const char* kGatewayClass = "OVX_IPRemoteServiceAccessPoint";
constexpr const char* kServiceClass = "OVX_IPConfigurationService";
constexpr const char* kCapabilitiesClass = "OVX_IPEnabledLogicalElementCapabilities";

// eth0: IPv4 with a gateway; eth1: dual stack with both gateways; eth2: no
// gateway and a read-only IPv4 gateway property; bmc0 of the controller.
Json sampleSystem() {
    return systemDescription(
        Json::array({interfaceNode("eth0", "Ethernet",
                                   {{"Name", "eth0"},
                                    {"IPv4Address", "192.0.2.10"},
                                    {"SubnetMask", "255.255.255.0"},
                                    {"IPv4Gateway", "192.0.2.1"},
                                    {"ProtocolIFType", 4096},
                                    {"IPVersion", 4}}),
                     interfaceNode("eth1", "Ethernet",
                                   {{"Name", "eth1"},
                                    {"IPv4Gateway", "198.51.100.1"},
                                    {"IPv6Gateway", "2001:db8:100::1"},
                                    {"IPv6AddressType", 6},
                                    {"ProtocolIFType", 4098}}),
                     interfaceNode("eth2", "Ethernet", {{"Name", "eth2"}},
                                   Json::array({"IPv4Gateway", "Name"}))}),
        Json::array(
            {interfaceNode("bmc0", "BMC NIC", {{"Name", "bmc0"}, {"IPv4Gateway", "10.20.0.1"}})}));
}

ObjectPath idPath(const char* className, const std::string& id) {
    ObjectPath path(kNamespace, className);
    path.setKey("InstanceID", Value::string(id));
    return path;
}

ObjectPath gatewayPath(const std::string& name,
                       const std::string& systemName = ProviderTest::thisHostName(),
                       const std::string& systemClass = "OVX_ComputerSystem") {
    ObjectPath path(kNamespace, kGatewayClass);
    path.setKey("SystemCreationClassName", Value::string(systemClass));
    path.setKey("SystemName", Value::string(systemName));
    path.setKey("CreationClassName", Value::string(kGatewayClass));
    path.setKey("Name", Value::string(name));
    return path;
}

class SettingOperations : public ProviderTest::ProviderCalls {
  protected:
    void SetUp() override {
        useSystem(sampleSystem());
        dataDirectory_ =
            std::make_unique<ProviderTest::ScopedDataDirectory>(system().path().parent_path());
        writeIfcfg("eth0",
                   "CONFIG_NAME=office\nIPV4ADDR=192.0.2.10\nNETMASK=255.255.255.0\n"
                   "GATEWAY=192.0.2.1\n");
        writeIfcfg("eth1",
                   "CONFIG_NAME=office\nIPV6ADDR=2001:db8:100::20\nIPV6GATEWAY=2001:db8:100::1\n"
                   "PREFIX=64\n");
    }

    void writeIfcfg(const std::string& name, const std::string& content) {
        system().writeIfcfg(name, content);
    }
    std::optional<std::string> ifcfg(const std::string& name) { return system().ifcfg(name); }
    // Everything the provider may write: the description and every ifcfg file.
    std::string everything() {
        return system().text() + "|" + ifcfg("eth0").value_or("-") + "|" +
               ifcfg("eth1").value_or("-") + "|" + ifcfg("eth2").value_or("-") + "|" +
               ifcfg("bmc0").value_or("-");
    }
    Instance instanceAt(const ObjectPath& path) {
        const Outcome outcome = getInstance(path);
        EXPECT_EQ(outcome.data.instances.size(), 1u) << path.toString();
        return outcome.data.instances.empty() ? Instance(path) : outcome.data.instances[0];
    }
    Instance withChanges(const ObjectPath& path,
                         const std::vector<std::pair<const char*, Value>>& changes) {
        Instance instance(path);
        for (const auto& [name, value] : changes) {
            instance.setProperty(name, value);
        }
        return instance;
    }
    Outcome modify(const ObjectPath& path,
                   const std::vector<std::pair<const char*, Value>>& changes) {
        return modifyInstance(path, withChanges(path, changes));
    }

    std::unique_ptr<ProviderTest::ScopedDataDirectory> dataDirectory_;
};

// ---- Reading

TEST_F(SettingOperations, EveryPathEnumeratedIsFoundByGetInstance) {
    const std::vector<std::pair<const char*, std::size_t>> classes = {{kSettingClass, 8},
                                                                      {kStaticClass, 4},
                                                                      {kGatewayClass, 4},
                                                                      {kServiceClass, 1},
                                                                      {kCapabilitiesClass, 4}};
    for (const auto& [className, count] : classes) {
        const Outcome names = enumerateNames(ObjectPath(kNamespace, className));
        EXPECT_EQ(names.rc, CMPI_RC_OK) << className;
        EXPECT_EQ(names.data.doneCount, 1u) << className;
        EXPECT_EQ(names.data.objectPaths.size(), count) << className;
        const Outcome instances = enumerateInstances(ObjectPath(kNamespace, className));
        ASSERT_EQ(instances.data.instances.size(), count) << className;
        for (std::size_t index = 0; index < names.data.objectPaths.size(); ++index) {
            const ObjectPath& path = names.data.objectPaths[index];
            const Outcome found = getInstance(path);
            EXPECT_EQ(found.rc, CMPI_RC_OK) << path.toString();
            ASSERT_EQ(found.data.instances.size(), 1u) << path.toString();
            EXPECT_EQ(found.data.instances[0], instances.data.instances[index]) << path.toString();
        }
    }
}

TEST_F(SettingOperations, PathsNamingNothingAreNotFound) {
    ObjectPath extraKey = idPath(kStaticClass, "Computer%eth0");
    extraKey.setKey("Name", Value::string("eth0"));
    ObjectPath otherServiceName = servicePath();
    otherServiceName.setKey("Name", Value::string("Other"));
    for (const ObjectPath& path :
         {idPath(kSettingClass, "Computer%eth9%static"), idPath(kSettingClass, "Computer%eth0"),
          idPath(kStaticClass, "BMC%eth0"), extraKey, gatewayPath("eth2_IPv4"), gatewayPath("eth1"),
          gatewayPath("bmc0_IPv4"), servicePath("otherhost"), otherServiceName,
          idPath(kCapabilitiesClass, "eth9")}) {
        const Outcome outcome = getInstance(path);
        EXPECT_EQ(outcome.rc, CMPI_RC_ERR_NOT_FOUND) << path.toString();
        EXPECT_TRUE(outcome.data.instances.empty()) << path.toString();
        EXPECT_EQ(outcome.data.doneCount, 1u) << path.toString();
    }
}

TEST_F(SettingOperations, InstancesCarryTheirPropertiesWithTheirCimTypes) {
    const struct {
        ObjectPath path;
        std::vector<std::pair<const char*, Value>> expected;
        std::vector<const char*> absent;
    } cases[] = {
        // clang-format off
        {idPath(kSettingClass, "BMC%bmc0%dhcp"),
         {{"InstanceID", Value::string("BMC%bmc0%dhcp")}, {"ElementName", Value::string("bmc0")},
          {"AddressOrigin", Value::uint16(2)}, {"ConfigurationName", Value::string("")}}, {}},
        {idPath(kStaticClass, "Computer%eth0"),
         {{"InstanceID", Value::string("Computer%eth0")}, {"ElementName", Value::string("eth0")},
          {"AddressOrigin", Value::uint16(3)}, {"IPv4Address", Value::string("192.0.2.10")},
          {"IPv6Address", Value::string("")}, {"SubnetMask", Value::string("255.255.255.0")},
          {"GatewayIPv4Address", Value::string("192.0.2.1")},
          {"IPv6SubnetPrefixLength", Value::uint16(0)}, {"IPv6AddressType", Value::uint16(1)},
          {"GatewayIPv6Address", Value::string("")},
          {"ConfigurationName", Value::string("office")}}, {}},
        {idPath(kStaticClass, "Computer%eth1"),
         {{"IPv6Address", Value::string("2001:db8:100::20")},
          {"IPv6SubnetPrefixLength", Value::uint16(64)}, {"IPv6AddressType", Value::uint16(6)}},
         {}},
        {gatewayPath("eth1_IPv6"),
         {{"ElementName", Value::string("eth1")}, {"AccessInfo", Value::string("2001:db8:100::1")},
          {"InfoFormat", Value::uint16(4)}, {"AccessContext", Value::uint16(2)},
          {"Name", Value::string("eth1_IPv6")},
          {"SystemCreationClassName", Value::string("OVX_ComputerSystem")}},
         {"OtherAccessContext"}},
        {gatewayPath("bmc0_IPv4", "BMC:-1", "OVX_SPComputerSystem"),
         {{"AccessInfo", Value::string("10.20.0.1")}, {"InfoFormat", Value::uint16(3)}}, {}},
        {servicePath(),
         {{"ElementName", Value::string("IPConfigService")},
          {"Name", Value::string("IPConfigService")},
          {"CreationClassName", Value::string(kServiceClass)},
          {"SystemName", Value::string(ProviderTest::thisHostName())}}, {}},
        {idPath(kCapabilitiesClass, "eth2"),
         {{"InstanceID", Value::string("eth2")}, {"ElementName", Value::string("eth2")},
          {"ElementNameEditSupported", Value::boolean(false)},
          {"RequestedStatesSupported",
           Value::array(CMPI_uint16, {Value::uint16(2), Value::uint16(3), Value::uint16(11)})}},
         {"MaxElementNameLen"}},
        // clang-format on
    };
    for (const auto& test : cases) {
        const Instance instance = instanceAt(test.path);
        for (const auto& [name, value] : test.expected) {
            const Value* const actual = instance.findProperty(name);
            ASSERT_NE(actual, nullptr) << test.path.toString() << " " << name;
            EXPECT_EQ(*actual, value)
                << test.path.toString() << " " << name << " is " << actual->toText();
        }
        for (const char* name : test.absent) {
            EXPECT_EQ(instance.findProperty(name), nullptr) << test.path.toString() << " " << name;
        }
    }
}

// ---- Modifying

TEST_F(SettingOperations, StaticSettingsOfOneRequestAreWrittenInOneRewrite) {
    const Outcome outcome = modify(idPath(kStaticClass, "Computer%eth0"),
                                   {{"IPv4Address", Value::string("192.0.2.20")},
                                    {"SubnetMask", Value::string("255.255.0.0")},
                                    {"GatewayIPv6Address", Value::string("2001:db8::1")},
                                    {"IPv6SubnetPrefixLength", Value::uint16(48)},
                                    {"ConfigurationName", Value::string("lab")}});
    EXPECT_EQ(outcome.rc, CMPI_RC_OK) << outcome.message;
    EXPECT_EQ(outcome.data.doneCount, 1u);
    EXPECT_EQ(ifcfg("eth0"),
              "CONFIG_NAME=lab\nIPV4ADDR=192.0.2.20\nNETMASK=255.255.0.0\n"
              "GATEWAY=192.0.2.1\nIPV6GATEWAY=2001:db8::1\nPREFIX=48\n");
}

TEST_F(SettingOperations, AnAbsentConfigurationNameClearsTheStoredOne) {
    EXPECT_EQ(modify(idPath(kStaticClass, "Computer%eth1"),
                     {{"IPv6SubnetPrefixLength", Value::uint16(56)}})
                  .rc,
              CMPI_RC_OK);
    EXPECT_EQ(ifcfg("eth1"),
              "CONFIG_NAME=\nIPV6ADDR=2001:db8:100::20\nIPV6GATEWAY=2001:db8:100::1\n"
              "PREFIX=56\n");
    EXPECT_EQ(modify(idPath(kSettingClass, "Computer%eth0%dhcp"), {}).rc, CMPI_RC_OK);
    EXPECT_EQ(*instanceAt(idPath(kSettingClass, "Computer%eth0%static"))
                   .findProperty("ConfigurationName"),
              Value::string(""));
    EXPECT_EQ(modify(idPath(kSettingClass, "BMC%bmc0%static"),
                     {{"ConfigurationName", Value::string("controller")}})
                  .rc,
              CMPI_RC_OK);
    EXPECT_EQ(ifcfg("bmc0"), "CONFIG_NAME=controller\n");
}

TEST_F(SettingOperations, APropertyListLimitsWhatIsWrittenAndANullNameClearsIt) {
    const char* onlyMask[] = {"SubnetMask", nullptr};
    const Outcome listed =
        modifyInstance(idPath(kStaticClass, "Computer%eth0"),
                       withChanges(idPath(kStaticClass, "Computer%eth0"),
                                   {{"IPv4Address", Value::string("192.0.2.20")},
                                    {"SubnetMask", Value::string("255.255.0.0")}}),
                       onlyMask);
    EXPECT_EQ(listed.rc, CMPI_RC_OK) << listed.message;
    EXPECT_EQ(ifcfg("eth0"),
              "CONFIG_NAME=office\nIPV4ADDR=192.0.2.10\nNETMASK=255.255.0.0\n"
              "GATEWAY=192.0.2.1\n");
    EXPECT_EQ(modify(idPath(kSettingClass, "Computer%eth1%static"),
                     {{"ConfigurationName", Value::null(CMPI_string)}})
                  .rc,
              CMPI_RC_OK);
    EXPECT_EQ(ifcfg("eth1").value_or("").find("CONFIG_NAME=\n"), 0u) << ifcfg("eth1").value_or("");
}

TEST_F(SettingOperations, EachGatewayTakesAnAddressOfItsOwnFamily) {
    EXPECT_EQ(
        modify(gatewayPath("eth1_IPv4"), {{"AccessInfo", Value::string("198.51.100.254")}}).rc,
        CMPI_RC_OK);
    EXPECT_EQ(
        modify(gatewayPath("eth1_IPv6"), {{"AccessInfo", Value::string("2001:db8:100::fe")}}).rc,
        CMPI_RC_OK);
    EXPECT_EQ(system().interfaceProperty("eth1", "IPv4Gateway"), "198.51.100.254");
    EXPECT_EQ(system().interfaceProperty("eth1", "IPv6Gateway"), "2001:db8:100::fe");
}

TEST_F(SettingOperations, InstancesSentBackAsReadChangeNothing) {
    const std::string before = everything();
    for (const ObjectPath& path :
         {idPath(kStaticClass, "Computer%eth0"), idPath(kStaticClass, "Computer%eth2"),
          idPath(kSettingClass, "Computer%eth1%dhcp"), gatewayPath("eth0_IPv4"),
          gatewayPath("eth1_IPv6")}) {
        const Outcome outcome = modifyInstance(path, instanceAt(path));
        EXPECT_EQ(outcome.rc, CMPI_RC_OK) << path.toString() << ": " << outcome.message;
    }
    EXPECT_EQ(everything(), before);
}

TEST_F(SettingOperations, RefusedRequestsChangeNothing) {
    const struct {
        ObjectPath path;
        std::vector<std::pair<const char*, Value>> changes;
        CMPIrc rc;
        const char* named;
    } cases[] = {
        // clang-format off
        {idPath(kStaticClass, "Computer%eth0"),
         {{"IPv4Address", Value::string("192.0.2.20")},
          {"SubnetMask", Value::string("255.0.0.0;x")}}, CMPI_RC_ERR_INVALID_PARAMETER,
         "SubnetMask"},
        {idPath(kStaticClass, "Computer%eth0"), {{"IPv4Address", Value::string("2001:db8::20")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "IPv4Address"},
        {idPath(kStaticClass, "Computer%eth0"), {{"IPv6Address", Value::string("192.0.2.20")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "IPv6Address"},
        {idPath(kStaticClass, "Computer%eth0"),
         {{"IPv4Address", Value::string("192.0.2.20")},
          {"IPv6SubnetPrefixLength", Value::uint16(129)}}, CMPI_RC_ERR_INVALID_PARAMETER,
         "IPv6SubnetPrefixLength"},
        {idPath(kStaticClass, "Computer%eth0"),
         {{"IPv4Address", Value::string("192.0.2.20")},
          {"ConfigurationName", Value::string("lab\nIPV4ADDR=203.0.113.66")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "ConfigurationName"},
        {idPath(kSettingClass, "Computer%eth0%static"),
         {{"ConfigurationName", Value::string("lab\rGATEWAY=203.0.113.1")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "ConfigurationName"},
        {gatewayPath("eth1_IPv6"), {{"AccessInfo", Value::string("198.51.100.254")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "AccessInfo"},
        {gatewayPath("eth1_IPv4"), {{"AccessInfo", Value::string("2001:db8:100::fe")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "AccessInfo"},
        {gatewayPath("eth0_IPv4"), {{"AccessInfo", Value::string("192.0.2.1 ")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "AccessInfo"},
        {idPath(kStaticClass, "Computer%eth0"),
         {{"GatewayIPv4Address", Value::string("224.0.0.9")}}, CMPI_RC_ERR_INVALID_PARAMETER,
         "GatewayIPv4Address"},
        {idPath(kStaticClass, "Computer%eth0"), {{"SubnetMask", Value::string("255.0.255.0")}},
         CMPI_RC_ERR_INVALID_PARAMETER, "SubnetMask"},
        {idPath(kStaticClass, "Computer%eth0"), {{"IPv4Address", Value::null(CMPI_string)}},
         CMPI_RC_ERR_INVALID_PARAMETER, "IPv4Address"},
        {idPath(kStaticClass, "Computer%eth9"), {{"IPv4Address", Value::string("192.0.2.20")}},
         CMPI_RC_ERR_NOT_FOUND, kStaticClass},
        {gatewayPath("eth2_IPv4"), {{"AccessInfo", Value::string("192.0.2.1")}},
         CMPI_RC_ERR_NOT_FOUND, kGatewayClass},
        // clang-format on
    };
    const std::string before = everything();
    for (const auto& test : cases) {
        const Outcome outcome = modify(test.path, test.changes);
        EXPECT_EQ(outcome.rc, test.rc) << test.path.toString() << ": " << outcome.message;
        EXPECT_NE(outcome.message.find(test.named), std::string::npos) << outcome.message;
        EXPECT_EQ(everything(), before) << test.path.toString();
    }
}

TEST_F(SettingOperations, AReadOnlyGatewayIsRefusedAsFailed) {
    useSystem(systemDescription(Json::array(
        {interfaceNode("eth0", "Ethernet", {{"Name", "eth0"}, {"IPv4Gateway", "192.0.2.1"}},
                       Json::array({"IPv4Gateway"}))})));
    const std::string before = system().text();
    const Outcome outcome =
        modify(gatewayPath("eth0_IPv4"), {{"AccessInfo", Value::string("192.0.2.2")}});
    EXPECT_EQ(outcome.rc, CMPI_RC_ERR_FAILED);
    EXPECT_NE(outcome.message.find("AccessInfo"), std::string::npos) << outcome.message;
    EXPECT_EQ(system().text(), before);
}

TEST_F(SettingOperations, AnIfcfgFileThatCannotBeWrittenIsReportedWithItsInterface) {
    const std::string before = everything();
    ovx::host::Instance change = withChanges(idPath(kStaticClass, "Computer%eth0"),
                                             {{"IPv4Address", Value::string("192.0.2.20")},
                                              {"ConfigurationName", Value::string("office")}});
    Quill::FileIo::failBeforeRenameForTesting(true);
    const Outcome outcome = modifyInstance(idPath(kStaticClass, "Computer%eth0"), change);
    const Outcome named = modify(idPath(kSettingClass, "Computer%eth1%dhcp"),
                                 {{"ConfigurationName", Value::string("lab")}});
    Quill::FileIo::failBeforeRenameForTesting(false);
    for (const Outcome& failed : {outcome, named}) {
        EXPECT_EQ(failed.rc, CMPI_RC_ERR_FAILED);
        EXPECT_NE(failed.message.find("interface"), std::string::npos) << failed.message;
    }
    EXPECT_NE(outcome.message.find("'eth0'"), std::string::npos) << outcome.message;
    EXPECT_NE(named.message.find("'eth1'"), std::string::npos) << named.message;
    EXPECT_EQ(everything(), before);
}

}  // namespace
