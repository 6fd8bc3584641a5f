#include "providerutilities.h"

#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <limits>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "cmpimacs.h"
#include "ovx/host/broker.h"
#include "ovx/host/class_registry.h"
#include "ovx/host/conversions.h"
#include "ovx/host/operation_scope.h"

namespace {

using Quill::Moniker;
using Quill::ProviderUtilities;

constexpr const char* kNamespace = "root/cimv2";
constexpr unsigned short kUnknown = ProviderUtilities::kUnknownClassId;

std::string textOf(const CMPIString* string) {
    if (string == nullptr) {
        return "<no string>";
    }
    const char* const characters = CMGetCharsPtr(string, nullptr);
    return characters == nullptr ? "<no characters>" : characters;
}

CMPIData keyOf(const CMPIObjectPath* path, const char* name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetKey(path, name, &status);
    EXPECT_EQ(status.rc, CMPI_RC_OK) << name;
    return data;
}

CMPIData propertyOf(const CMPIInstance* instance, const char* name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetProperty(instance, name, &status);
    EXPECT_EQ(status.rc, CMPI_RC_OK) << name;
    return data;
}

// A key's value as text, or nothing when it cannot be read.
std::optional<std::string> keyText(const CMPIObjectPath* path, const char* name) {
    std::string value;
    if (!ProviderUtilities::getKeyProperty(path, name, value)) {
        return std::nullopt;
    }
    return value;
}

std::string pathText(const CMPIObjectPath* path) {
    return textOf(CMObjectPathToString(path, nullptr));
}

// One CIM operation on the embedded host: a broker over a registry the test
// may fill, and a scope that frees every CMPI object the test makes.
class OverHost : public ::testing::Test {
  protected:
    std::shared_ptr<ovx::host::ClassRegistry> registry_ =
        std::make_shared<ovx::host::ClassRegistry>();
    ovx::host::Broker host_{registry_};
    const CMPIBroker* const broker_ = host_.cmpi();
    ovx::host::OperationScope scope_{host_};

    CMPIObjectPath* newPath(const char* className) {
        CMPIObjectPath* const path =
            ProviderUtilities::createObjectPath(broker_, className, kNamespace);
        EXPECT_NE(path, nullptr) << className;
        return path;
    }

    CMPIObjectPath* endpointPath(const char* name) {
        CMPIObjectPath* const path = newPath("OVX_IPProtocolEndpoint");
        EXPECT_TRUE(ProviderUtilities::setKeyProperty(path, "SystemName", "host1"));
        EXPECT_TRUE(ProviderUtilities::setKeyProperty(path, "Name", name));
        return path;
    }

    CMPIInstance* newInstance(const char* className) {
        CMPIInstance* const instance =
            ProviderUtilities::createInstance(broker_, newPath(className));
        EXPECT_NE(instance, nullptr) << className;
        return instance;
    }
};
// ---- Moniker ------------------------------------------------------------

// The key under a moniker's cursor as "name=value/type".
std::string keyAtCursor(const Moniker& moniker) {
    std::string name;
    std::string value;
    if (!moniker.getName(name) || !moniker.getValue(value)) {
        return "none";
    }
    return name + "=" + value + "/" + std::to_string(moniker.getType());
}

TEST(Moniker, AppendsKeysAndMovesTheCursorOnlyToExistingPositions) {
    Moniker moniker;
    EXPECT_FALSE(moniker.selectKey(0));
    std::string text = "untouched";
    EXPECT_FALSE(moniker.getName(text) || moniker.getValue(text));
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(moniker.getType(), 0u);

    const std::string anyBytes = std::string("a%b_c d\t\xc3\xa9", 10);
    EXPECT_EQ(moniker.addKey("SystemName", "host1"), 0);
    EXPECT_EQ(moniker.addKey("Name", "eth0", CMPI_string), 1);
    EXPECT_EQ(moniker.addKey("Name", anyBytes), 2);
    ASSERT_EQ(moniker.getKeyCount(), 3u);
    EXPECT_EQ(moniker.keys()[2].value, anyBytes);

    const std::string second = "Name=eth0/" + std::to_string(CMPI_string);
    EXPECT_EQ(keyAtCursor(moniker), "SystemName=host1/0");
    ASSERT_TRUE(moniker.selectKey(1));
    EXPECT_EQ(keyAtCursor(moniker), second);
    EXPECT_FALSE(moniker.selectKey(3));
    EXPECT_EQ(keyAtCursor(moniker), second) << "a refused move must leave the cursor where it was";
    ASSERT_TRUE(moniker.selectKey(2));
    EXPECT_EQ(keyAtCursor(moniker), "Name=" + anyBytes + "/0");
    ASSERT_TRUE(moniker.selectKey(0));
    EXPECT_EQ(keyAtCursor(moniker), "SystemName=host1/0");
}

// ---- Class catalogue -----------------------------------------------------

// The classes the provider serves and the ids its dispatch table uses.
const std::pair<const char*, unsigned short> kServedClasses[] = {
    // clang-format off
    {"OVX_ComputerSystem", 1}, {"OVX_IPProtocolEndpoint", 9}, {"OVX_LANEndpoint", 16},
    {"OVX_IPAssignmentSettingData", 66}, {"OVX_BindsToLanEndPoint", 67},
    {"OVX_IPElementSettingData", 68}, {"OVX_StaticIPAssignmentSettingData", 69},
    {"OVX_IPRemoteServiceAccessPoint", 70}, {"OVX_StaticOrderedComponent", 71},
    {"OVX_IPHostedAccessPoint", 72}, {"OVX_StaticIPElementSettingData", 73},
    {"OVX_RemoteHostedAccessPoint", 80}, {"OVX_IPRemoteAccessAvailableToElement", 81},
    {"OVX_SPComputerSystem", 119}, {"OVX_SPHostedAccessPoint", 120},
    {"OVX_IPElementCapabilities", 121}, {"OVX_IPEnabledLogicalElementCapabilities", 128},
    {"OVX_IPConfigurationService", 129}, {"OVX_IPHostedService", 130},
    {"OVX_IPServiceAffectsElement", 131},
    // clang-format on
};

std::string withCase(std::string text, int (*convert)(int)) {
    for (char& c : text) {
        c = static_cast<char>(convert(static_cast<unsigned char>(c)));
    }
    return text;
}

using ClassCatalogue = OverHost;

// By name or by the path of the class, keyed or not.
TEST_F(ClassCatalogue, KnowsEveryServedClassByItsDistinctIdInAnyCase) {
    std::set<unsigned short> ids;
    for (const auto& [name, id] : kServedClasses) {
        EXPECT_EQ(ProviderUtilities::getClassId(name), id) << name;
        ids.insert(ProviderUtilities::getClassId(name));
        EXPECT_EQ(ProviderUtilities::getClassId(withCase(name, ::toupper).c_str()), id) << name;
        EXPECT_EQ(ProviderUtilities::getClassId(withCase(name, ::tolower).c_str()), id) << name;
        EXPECT_EQ(ProviderUtilities::getClassId(newPath(name)), id) << name;
        CMPIObjectPath* const keyed = newPath(withCase(name, ::toupper).c_str());
        ASSERT_TRUE(ProviderUtilities::setKeyProperty(keyed, "Name", "x"));
        EXPECT_EQ(ProviderUtilities::getClassId(keyed), id) << name;
    }
    EXPECT_EQ(ids.size(), std::size(kServedClasses));
    EXPECT_EQ(ids.count(kUnknown), 0u);
}

TEST_F(ClassCatalogue, AnswersUnknownForAnythingElse) {
    const char* const unknown[] = {
        "", "OVX_", "OVX_IPProtocolEndpoin", "OVX_IPProtocolEndpointX", " OVX_IPProtocolEndpoint",
        "OVX_IPProtocolEndpoint ", "IPProtocolEndpoint", "CIM_IPProtocolEndpoint",
        "CIM_ComputerSystem", "OVX_ConcreteJob", "OVX_DNSSettingData",
        // The base associations a CIMOM passes are widened by the caller.
        "CIM_ElementSettingData", "CIM_OrderedComponent", "CIM_BindsToLanEndPoint",
        "CIM_HostedAccessPoint", "CIM_RemoteAccessAvailableToElement", "CIM_ElementCapabilities",
        "CIM_HostedService", "CIM_ServiceAffectsElement"};
    for (const char* name : unknown) {
        EXPECT_EQ(ProviderUtilities::getClassId(name), ProviderUtilities::kUnknownClassId)
            << '"' << name << '"';
    }
    EXPECT_EQ(ProviderUtilities::getClassId(static_cast<const char*>(nullptr)),
              ProviderUtilities::kUnknownClassId);
    EXPECT_EQ(ProviderUtilities::getClassId(static_cast<const CMPIObjectPath*>(nullptr)),
              ProviderUtilities::kUnknownClassId);
    EXPECT_EQ(ProviderUtilities::getClassId(newPath("CIM_HostedAccessPoint")), kUnknown);
    EXPECT_EQ(ProviderUtilities::getClassId(newPath("OVX_DNSSettingData")), kUnknown);
}

// ---- Address validation --------------------------------------------------

// The IPv4 kind takes dotted quads only; the IPv6 kind takes IPv6 and IPv4
// text; any other kind only the empty value, which every kind accepts. Zone
// ids ("%eth0") name an interface of this host only; a stored address must not
// carry one, so they are refused like any other trailing text.
TEST(ValidateInput, AcceptsOnlyWholeAddressesOfTheKind) {
    using namespace std::string_literals;
    const std::vector<std::string> notIPv4{
        "10.0.0.256",         "10.0.0",     "10.0.0.1.5", "10..0.1",           " 10.0.0.1",
        "10.0.0.1 ",          "\t10.0.0.1", "10.0.0.1\n", "10.0.0.1\r",        "10.0.0.1;rm -rf /",
        "10.0.0.1 && reboot", "$(reboot)",  "`id`",       "10.0.0.1/24",       "010.0.0.1",
        "0x0a.0.0.1",         "10.0.0.-1",  "+10.0.0.1",  "localhost",         "fe80::1",
        "::ffff:10.0.0.1",    " ",          "\0"s,        "10.0.0.1\0;reboot"s};
    const std::vector<std::string> notIPv6{
        "fe80::1%eth0",      "fe80::1%25eth0", "fe80::1%",   "fe80::1%eth0;reboot",
        "gggg::1",           "fe80:::1",       "12345::1",   "1:2:3:4:5:6:7:8:9",
        "1::2::3",           "[fe80::1]",      "fe80::1/64", " fe80::1",
        "fe80::1 ",          "fe80::1\n",      "\x01::1",    "fe80::1;reboot",
        "::ffff:10.0.0.256", "10.0.0.256",     ":",          "::1\0x"s};
    struct Case {
        std::string kind;
        std::vector<std::string> accepted;
        std::vector<std::string> refused;
    };
    std::vector<Case> cases = {
        {"",
         {"", "10.0.0.1", "0.0.0.0", "255.255.255.255", "192.168.100.254", "255.255.255.0"},
         notIPv4},
        {":",
         {"", "fe80::1", "::ffff:10.0.0.1", "10.0.0.1", "::", "::1", "2001:db8:0:0:1:0:0:1",
          "2001:DB8::1", "1:2:3:4:5:6:7:8"},
         notIPv6},
    };
    for (const std::string& kind : {"x"s, "::"s, " "s, "ipv4"s, "."s, "\0"s}) {
        cases.push_back({kind, {""}, {"10.0.0.1", "fe80::1", "anything"}});
    }
    for (const Case& c : cases) {
        SCOPED_TRACE("kind \"" + c.kind + '"');
        for (const std::string& value : c.accepted) {
            EXPECT_NE(ProviderUtilities::ValidateInput(value, c.kind), 0) << '"' << value << '"';
        }
        for (const std::string& value : c.refused) {
            EXPECT_EQ(ProviderUtilities::ValidateInput(value, c.kind), 0) << '"' << value << '"';
        }
    }
}

// ---- Object paths and keys -----------------------------------------------

TEST_F(OverHost, CreatesAKeylessPathOfTheClassInTheNamespace) {
    CMPIObjectPath* const path =
        ProviderUtilities::createObjectPath(broker_, "OVX_IPProtocolEndpoint", "root/interop");
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(ProviderUtilities::getClassName(path), "OVX_IPProtocolEndpoint");
    EXPECT_EQ(ProviderUtilities::getNamespace(path), "root/interop");
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), 0);
    CMPIObjectPath* const noNamespace =
        ProviderUtilities::createObjectPath(broker_, "OVX_IPConfigurationService", "");
    ASSERT_NE(noNamespace, nullptr);
    EXPECT_EQ(ProviderUtilities::getNamespace(noNamespace), "");

    // Without a path there is nothing to report.
    EXPECT_EQ(ProviderUtilities::getNamespace(nullptr), "");
    EXPECT_EQ(ProviderUtilities::getClassName(nullptr), "");
    EXPECT_EQ(ProviderUtilities::getKeyCount(nullptr), 0);

    EXPECT_EQ(ProviderUtilities::createObjectPath(nullptr, "OVX_IPProtocolEndpoint", kNamespace),
              nullptr);
    EXPECT_EQ(ProviderUtilities::createObjectPath(broker_, nullptr, kNamespace), nullptr);
    EXPECT_EQ(ProviderUtilities::createObjectPath(broker_, "", kNamespace), nullptr);
    EXPECT_EQ(ProviderUtilities::createObjectPath(broker_, "OVX_IPProtocolEndpoint",
                                                  std::string("root\0/evil", 10)),
              nullptr);
}

// Refused writes add nothing, and failed reads leave the output alone.
TEST_F(OverHost, WritesStringKeysWholeAndReadsThemBack) {
    CMPIObjectPath* const path = newPath("OVX_IPProtocolEndpoint");
    EXPECT_FALSE(ProviderUtilities::setKeyProperty(path, "Name", std::string("eth0\0; x", 8)));
    EXPECT_FALSE(ProviderUtilities::setKeyProperty(path, nullptr, std::string("eth0")));
    EXPECT_FALSE(ProviderUtilities::setKeyProperty(path, "", std::string("eth0")));
    EXPECT_FALSE(ProviderUtilities::setKeyProperty(nullptr, "Name", std::string("eth0")));
    EXPECT_FALSE(ProviderUtilities::setKeyProperty(path, "Antecedent",
                                                   static_cast<CMPIObjectPath*>(nullptr)));
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), 0);

    const std::string awkward = "a \"quoted\" \\ value, with=signs";
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(path, "Name", "eth0"));
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(path, "SystemName", awkward));
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(path, "CreationClassName", ""));
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), 3);
    EXPECT_EQ(ovx::host::fromCmpi(keyOf(path, "Name")), ovx::host::Value::string("eth0"));
    EXPECT_EQ(keyText(path, "Name"), "eth0");
    EXPECT_EQ(keyText(path, "SystemName"), awkward);
    EXPECT_EQ(keyText(path, "CreationClassName"), "");

    std::string value = "untouched";
    EXPECT_FALSE(ProviderUtilities::getKeyProperty(path, "InstanceID", value));
    EXPECT_FALSE(ProviderUtilities::getKeyProperty(path, nullptr, value));
    EXPECT_FALSE(ProviderUtilities::getKeyProperty(nullptr, "Name", value));
    EXPECT_EQ(value, "untouched");
    CMPIObjectPath* reference = nullptr;
    EXPECT_FALSE(ProviderUtilities::getKeyProperty(path, "Missing", &reference));
    EXPECT_FALSE(ProviderUtilities::getKeyProperty(nullptr, "Name", &reference));
    EXPECT_FALSE(
        ProviderUtilities::getKeyProperty(path, "Name", static_cast<CMPIObjectPath**>(nullptr)));
    EXPECT_EQ(reference, nullptr);
}

TEST_F(OverHost, ReadsNumericAndBooleanKeysAsText) {
    using ovx::host::Value;
    const std::pair<const char*, std::pair<Value, std::string>> keys[] = {
        {"U8", {Value::uint8(255), "255"}},
        {"U16", {Value::uint16(65535), "65535"}},
        {"U32", {Value::uint32(4000000000u), "4000000000"}},
        {"U64", {Value::uint64(std::numeric_limits<CMPIUint64>::max()), "18446744073709551615"}},
        {"S8", {Value::sint8(-128), "-128"}},
        {"S16", {Value::sint16(-300), "-300"}},
        {"S32", {Value::sint32(-7), "-7"}},
        {"S64", {Value::sint64(std::numeric_limits<CMPISint64>::min()), "-9223372036854775808"}},
        {"Yes", {Value::boolean(true), "true"}},
        {"No", {Value::boolean(false), "false"}},
        {"Letter", {Value::char16(0xE9), "\xc3\xa9"}},
    };
    CMPIObjectPath* const path = newPath("OVX_Numbers");
    for (const auto& [name, key] : keys) {
        const CMPIData data = ovx::host::toCmpi(key.first);
        ASSERT_EQ(CMAddKey(path, name, &data.value, data.type).rc, CMPI_RC_OK) << name;
    }
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), std::size(keys));
    for (const auto& [name, key] : keys) {
        EXPECT_EQ(keyText(path, name), key.second) << name;
    }

    CMPIObjectPath* reference = nullptr;
    EXPECT_FALSE(ProviderUtilities::getKeyProperty(path, "U16", &reference))
        << "only reference keys have a path form";
    EXPECT_EQ(reference, nullptr);
}

TEST_F(OverHost, WritesReferenceKeysAndReadsThemInBothForms) {
    CMPIObjectPath* const endpoint = endpointPath("eth0");
    CMPIObjectPath* const system = newPath("OVX_ComputerSystem");
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(system, "Name", "host1"));

    CMPIObjectPath* const association = newPath("OVX_IPHostedAccessPoint");
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(association, "Antecedent", system));
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(association, "Dependent", endpoint));
    EXPECT_EQ(ProviderUtilities::getKeyCount(association), 2);
    EXPECT_EQ(keyOf(association, "Dependent").type, CMPI_ref);

    CMPIObjectPath* dependent = nullptr;
    ASSERT_TRUE(ProviderUtilities::getKeyProperty(association, "Dependent", &dependent));
    ASSERT_NE(dependent, nullptr);
    EXPECT_EQ(ProviderUtilities::getClassName(dependent), "OVX_IPProtocolEndpoint");
    EXPECT_EQ(keyText(dependent, "Name"), "eth0");
    EXPECT_EQ(keyText(association, "Antecedent"), pathText(system));
    EXPECT_NE(pathText(system).find("host1"), std::string::npos);
}

// ---- Instances and properties --------------------------------------------

TEST_F(OverHost, CreatesInstancesCarryingThePathsKeysOnlyFromAPathAndBroker) {
    CMPIInstance* const instance = ProviderUtilities::createInstance(broker_, endpointPath("eth1"));
    ASSERT_NE(instance, nullptr);
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIObjectPath* const path = CMGetObjectPath(instance, &status);
    ASSERT_EQ(status.rc, CMPI_RC_OK);
    ASSERT_NE(path, nullptr);
    EXPECT_EQ(ProviderUtilities::getClassName(path), "OVX_IPProtocolEndpoint");
    EXPECT_EQ(ProviderUtilities::getNamespace(path), kNamespace);
    EXPECT_EQ(keyText(path, "Name"), "eth1");
    EXPECT_EQ(keyText(path, "SystemName"), "host1");

    EXPECT_EQ(ProviderUtilities::createInstance(broker_, nullptr), nullptr);
    EXPECT_EQ(ProviderUtilities::createInstance(nullptr, newPath("OVX_IPProtocolEndpoint")),
              nullptr);
}

// Refused sets add nothing; each overload sets its own CIM type.
TEST_F(OverHost, SetsEachPropertyWithTheTypeOfItsOverloadOrNothing) {
    CMPIInstance* const instance = newInstance("OVX_IPProtocolEndpoint");
    EXPECT_FALSE(ProviderUtilities::setProperty(instance, "IPv4Address",
                                                std::string("10.0.0.1\0;reboot", 16)));
    EXPECT_FALSE(ProviderUtilities::setProperty(instance, nullptr, std::string("x")));
    EXPECT_FALSE(ProviderUtilities::setProperty(instance, "", true));
    EXPECT_FALSE(
        ProviderUtilities::setProperty(nullptr, "AddressOrigin", static_cast<unsigned short>(3)));
    EXPECT_FALSE(ProviderUtilities::setProperty(instance, "Antecedent",
                                                static_cast<CMPIObjectPath*>(nullptr)));
    EXPECT_FALSE(
        ProviderUtilities::setProperty(instance, "ElementName", static_cast<const char*>(nullptr)));
    EXPECT_FALSE(ProviderUtilities::setProperty(nullptr, instance, "RequestedStatesSupported",
                                                std::vector<unsigned short>{2}));
    EXPECT_FALSE(ProviderUtilities::setProperty(broker_, nullptr, "RequestedStatesSupported",
                                                std::vector<unsigned short>{2}));
    EXPECT_EQ(CMGetPropertyCount(instance, nullptr), 0u);

    CMPIObjectPath* const system = newPath("OVX_ComputerSystem");
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(system, "Name", "host1"));
    ASSERT_TRUE(ProviderUtilities::setProperty(instance, "IPv4Address", std::string("10.0.0.1")));
    ASSERT_TRUE(
        ProviderUtilities::setProperty(instance, "CreationClassName", "OVX_IPProtocolEndpoint"));
    ASSERT_TRUE(
        ProviderUtilities::setProperty(instance, "PrefixLength", static_cast<unsigned char>(200)));
    ASSERT_TRUE(ProviderUtilities::setProperty(instance, "AddressOrigin",
                                               static_cast<unsigned short>(65535)));
    ASSERT_TRUE(ProviderUtilities::setProperty(instance, "AssignedSequence",
                                               std::numeric_limits<unsigned long long>::max()));
    ASSERT_TRUE(ProviderUtilities::setProperty(instance, "EditSupported", true));
    ASSERT_TRUE(ProviderUtilities::setProperty(instance, "Disabled", false));
    ASSERT_TRUE(ProviderUtilities::setProperty(instance, "Antecedent", system));
    ASSERT_TRUE(ProviderUtilities::setProperty(broker_, instance, "RequestedStatesSupported",
                                               std::vector<unsigned short>{2, 3, 32768}));
    ASSERT_TRUE(ProviderUtilities::setProperty(broker_, instance, "NoStates",
                                               std::vector<unsigned short>{}));

    using ovx::host::Value;
    const std::pair<const char*, Value> expected[] = {
        {"IPv4Address", Value::string("10.0.0.1")},
        {"CreationClassName", Value::string("OVX_IPProtocolEndpoint")},
        {"PrefixLength", Value::uint8(200)},
        {"AddressOrigin", Value::uint16(65535)},
        {"AssignedSequence", Value::uint64(std::numeric_limits<CMPIUint64>::max())},
        {"EditSupported", Value::boolean(true)},
        {"Disabled", Value::boolean(false)},
        {"Antecedent", Value::reference(ovx::host::fromCmpi(system))},
        {"RequestedStatesSupported",
         Value::array(CMPI_uint16, {Value::uint16(2), Value::uint16(3), Value::uint16(32768)})},
        {"NoStates", Value::array(CMPI_uint16, {})},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(ovx::host::fromCmpi(propertyOf(instance, name)), value) << name;
    }
    EXPECT_EQ(CMGetPropertyCount(instance, nullptr), std::size(expected));

    // The temporary array of a uint16 list does not outlive the call.
    const std::size_t before = scope_.handleCount();
    ASSERT_TRUE(ProviderUtilities::setProperty(broker_, instance, "RequestedStatesSupported",
                                               std::vector<unsigned short>{2, 3}));
    ASSERT_TRUE(ProviderUtilities::setProperty(broker_, instance, "RequestedStatesSupported",
                                               std::vector<unsigned short>{}));
    EXPECT_EQ(scope_.handleCount(), before);
    EXPECT_EQ(ovx::host::fromCmpi(propertyOf(instance, "RequestedStatesSupported")),
              Value::array(CMPI_uint16, {}));
}

// Each read takes only a set property of its own type and leaves the output
// alone otherwise; a string array replaces the list's content, null elements
// left out, and a null string reads as empty only on request.
TEST_F(OverHost, ReadsPropertiesOnlyOfTheirOwnType) {
    using ovx::host::Value;
    CMPIInstance* const instance = newInstance("OVX_StaticIPAssignmentSettingData");
    const std::pair<const char*, Value> properties[] = {
        {"AddressOrigin", Value::uint16(4)},
        {"PrefixLength", Value::uint8(24)},
        {"Wide", Value::uint32(5)},
        {"Unset", Value::null(CMPI_uint16)},
        {"IPv4Address", Value::string("10.0.0.9")},
        {"Text", Value::string("5")},
        {"ConfigurationName", Value::string("")},
        {"SubnetMask", Value::null(CMPI_string)},
        {"DNSSuffixesToAppend",
         Value::array(CMPI_string, {Value::string("example.com"), Value::null(CMPI_string),
                                    Value::string("lab.example.com")})},
        {"Nothing", Value::array(CMPI_string, {})},
        {"UnsetArray", Value::null(CMPI_stringA)},
    };
    for (const auto& [name, value] : properties) {
        const CMPIData data = ovx::host::toCmpi(value);
        const CMPIValue* const set = (data.state & CMPI_nullValue) != 0 ? nullptr : &data.value;
        ASSERT_EQ(CMSetProperty(instance, name, set, data.type).rc, CMPI_RC_OK) << name;
    }
    ASSERT_TRUE(ProviderUtilities::setProperty(broker_, instance, "Numbers",
                                               std::vector<unsigned short>{1, 2}));

    unsigned short number = 0;
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "AddressOrigin", number));
    EXPECT_EQ(number, 4);
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "PrefixLength", number));
    EXPECT_EQ(number, 24);
    number = 777;
    for (const char* name :
         {"Missing", "Unset", "Text", "Wide", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(ProviderUtilities::getProperty(instance, name, number)) << name;
    }
    EXPECT_FALSE(ProviderUtilities::getProperty(nullptr, "AddressOrigin", number));
    EXPECT_EQ(number, 777);

    std::string text;
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "IPv4Address", text, false));
    EXPECT_EQ(text, "10.0.0.9");
    text = "before";
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "ConfigurationName", text, false));
    EXPECT_EQ(text, "");
    text = "untouched";
    EXPECT_FALSE(ProviderUtilities::getProperty(instance, "SubnetMask", text, false));
    EXPECT_FALSE(ProviderUtilities::getProperty(instance, "Missing", text, false));
    EXPECT_FALSE(ProviderUtilities::getProperty(instance, "Missing", text, true));
    EXPECT_FALSE(ProviderUtilities::getProperty(instance, "AddressOrigin", text, true));
    EXPECT_FALSE(ProviderUtilities::getProperty(instance, "Unset", text, true));
    EXPECT_FALSE(ProviderUtilities::getProperty(nullptr, "IPv4Address", text, true));
    EXPECT_EQ(text, "untouched");
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "SubnetMask", text, true));
    EXPECT_EQ(text, "");

    std::vector<std::string> values{"stale"};
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "DNSSuffixesToAppend", values));
    EXPECT_EQ(values, (std::vector<std::string>{"example.com", "lab.example.com"}));
    ASSERT_TRUE(ProviderUtilities::getProperty(instance, "Nothing", values));
    EXPECT_TRUE(values.empty());
    values = {"kept"};
    for (const char* name : {"Missing", "UnsetArray", "Numbers", "IPv4Address"}) {
        EXPECT_FALSE(ProviderUtilities::getProperty(instance, name, values)) << name;
    }
    EXPECT_FALSE(ProviderUtilities::getProperty(nullptr, "IPv4Address", values));
    EXPECT_EQ(values, std::vector<std::string>{"kept"});
}

// ---- Class relations -----------------------------------------------------

class ClassRelations : public OverHost {
  protected:
    void SetUp() override {
        const std::pair<const char*, const char*> classes[] = {
            {"CIM_Dependency", ""},
            {"CIM_HostedDependency", "CIM_Dependency"},
            {"CIM_HostedAccessPoint", "CIM_HostedDependency"},
            {"OVX_IPHostedAccessPoint", "CIM_HostedAccessPoint"},
            {"OVX_SPHostedAccessPoint", "CIM_HostedAccessPoint"},
            {"CIM_ElementSettingData", ""},
            {"OVX_IPElementSettingData", "CIM_ElementSettingData"}};
        for (const auto& [name, superclass] : classes) {
            ovx::host::ClassDecl decl;
            decl.name = name;
            decl.superclass = superclass;
            registry_->add(decl);
        }
    }

    bool related(const char* className, const char* baseClassName) {
        return ProviderUtilities::areClassesRelated(broker_, kNamespace, className, baseClassName);
    }
};

TEST_F(ClassRelations, FollowsTheClassHierarchyLeavingNoObjectBehind) {
    const std::size_t before = scope_.handleCount();
    EXPECT_TRUE(related("OVX_IPHostedAccessPoint", "CIM_HostedAccessPoint"));
    EXPECT_TRUE(related("OVX_SPHostedAccessPoint", "CIM_HostedAccessPoint"));
    EXPECT_TRUE(related("OVX_IPHostedAccessPoint", "CIM_Dependency"));
    EXPECT_TRUE(related("OVX_IPElementSettingData", "CIM_ElementSettingData"));
    EXPECT_TRUE(related("CIM_HostedAccessPoint", "CIM_HostedAccessPoint"));

    EXPECT_FALSE(related("CIM_HostedAccessPoint", "OVX_IPHostedAccessPoint"));
    EXPECT_FALSE(related("OVX_IPHostedAccessPoint", "CIM_ElementSettingData"));
    EXPECT_FALSE(related("OVX_IPHostedAccessPoint", "OVX_SPHostedAccessPoint"));
    EXPECT_FALSE(related("CIM_ElementSettingData", "CIM_Dependency"));
    EXPECT_FALSE(related("OVX_Unknown", "CIM_Dependency"));
    EXPECT_EQ(scope_.handleCount(), before);

    // Without everything it needs the answer is no.
    EXPECT_FALSE(ProviderUtilities::areClassesRelated(
        nullptr, kNamespace, "OVX_IPHostedAccessPoint", "CIM_HostedAccessPoint"));
    EXPECT_FALSE(related(nullptr, "CIM_HostedAccessPoint"));
    EXPECT_FALSE(related("OVX_IPHostedAccessPoint", nullptr));
    EXPECT_FALSE(related("", "CIM_HostedAccessPoint"));
    EXPECT_FALSE(related("OVX_IPHostedAccessPoint", ""));
}

// ---- Monikers and paths ---------------------------------------------------

TEST_F(OverHost, TurnsEveryKeyOfAPathIntoTheMonikerInOrder) {
    CMPIObjectPath* const system = newPath("OVX_ComputerSystem");
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(system, "Name", "host1"));
    CMPIObjectPath* const path = newPath("OVX_Mixed");
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(path, "Name", "eth0"));
    CMPIValue value{};
    value.uint32 = 7;
    ASSERT_EQ(CMAddKey(path, "Index", &value, CMPI_uint32).rc, CMPI_RC_OK);
    value.boolean = 1;
    ASSERT_EQ(CMAddKey(path, "Primary", &value, CMPI_boolean).rc, CMPI_RC_OK);
    ASSERT_TRUE(ProviderUtilities::setKeyProperty(path, "System", system));

    Moniker moniker;
    moniker.addKey("Stale", "gone");
    ASSERT_TRUE(ProviderUtilities::transformObjectPathToMoniker(path, moniker));
    const std::tuple<std::string, std::string, CMPIType> expected[] = {
        {"Name", "eth0", CMPI_string},
        {"Index", "7", CMPI_uint32},
        {"Primary", "true", CMPI_boolean},
        {"System", pathText(system), CMPI_ref}};
    ASSERT_EQ(moniker.getKeyCount(), std::size(expected));
    for (std::size_t index = 0; index < std::size(expected); ++index) {
        const auto& [name, value, type] = expected[index];
        EXPECT_EQ(moniker.keys()[index].name, name);
        EXPECT_EQ(moniker.keys()[index].value, value) << name;
        EXPECT_EQ(moniker.keys()[index].type, static_cast<unsigned int>(type)) << name;
    }
    EXPECT_EQ(keyAtCursor(moniker), "Name=eth0/" + std::to_string(CMPI_string));

    // A class path gives an empty moniker; no path leaves the moniker alone.
    ASSERT_TRUE(ProviderUtilities::transformObjectPathToMoniker(newPath("OVX_IPProtocolEndpoint"),
                                                                moniker));
    EXPECT_EQ(moniker.getKeyCount(), 0u);
    moniker.addKey("Kept", "yes");
    EXPECT_FALSE(ProviderUtilities::transformObjectPathToMoniker(nullptr, moniker));
    EXPECT_EQ(moniker.getKeyCount(), 1u);
}

// A moniker is written whole, every key as a string key, or not at all.
TEST_F(OverHost, WritesAMonikersKeysAsStringKeysOrNone) {
    CMPIObjectPath* path = newPath("OVX_IPProtocolEndpoint");
    Moniker unnamed;
    unnamed.addKey("SystemName", "host1");
    unnamed.addKey("", "eth0");
    EXPECT_FALSE(ProviderUtilities::transformMonikerToObjectPath(unnamed, &path));
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), 0);
    Moniker cut;
    cut.addKey("SystemName", "host1");
    cut.addKey("Name", std::string("eth0\0eth1", 9));
    EXPECT_FALSE(ProviderUtilities::transformMonikerToObjectPath(cut, &path));
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), 0);

    Moniker moniker;
    moniker.addKey("SystemName", "host1");
    moniker.addKey("CreationClassName", "OVX_IPProtocolEndpoint");
    moniker.addKey("Index", "7", CMPI_uint32);
    CMPIObjectPath* none = nullptr;
    EXPECT_FALSE(ProviderUtilities::transformMonikerToObjectPath(moniker, &none));
    EXPECT_FALSE(ProviderUtilities::transformMonikerToObjectPath(moniker, nullptr));
    ASSERT_TRUE(ProviderUtilities::transformMonikerToObjectPath(moniker, &path));
    EXPECT_EQ(ProviderUtilities::getKeyCount(path), 3);
    for (const Moniker::KeyComponent& key : moniker.keys()) {
        EXPECT_EQ(ovx::host::fromCmpi(keyOf(path, key.name.c_str())),
                  ovx::host::Value::string(key.value))
            << key.name;
    }
    EXPECT_EQ(ProviderUtilities::getClassName(path), "OVX_IPProtocolEndpoint");
}

// ---- A broker that refuses ------------------------------------------------

// Answers every request with a failure status; for the class question it
// still claims "yes", which must not be believed. The second broker is the
// real one but for that question, so that the question is reached at all.
class RefusingBroker {
  public:
    explicit RefusingBroker(const CMPIBroker* real) {
        table_.ftVersion = CMPIVersion200;
        table_.newObjectPath = refuseObjectPath;
        table_.newInstance = refuseInstance;
        table_.newArray = refuseArray;
        table_.classPathIsA = claimButFail;
        broker_.eft = &table_;

        pathsTable_ = *real->eft;
        pathsTable_.classPathIsA = claimButFail;
        pathsBroker_ = *real;
        pathsBroker_.eft = &pathsTable_;
    }
    RefusingBroker(const RefusingBroker&) = delete;
    RefusingBroker& operator=(const RefusingBroker&) = delete;

    const CMPIBroker* refusingEverything() const { return &broker_; }
    const CMPIBroker* makingPathsOnly() const { return &pathsBroker_; }

  private:
    static void fail(CMPIStatus* status) {
        if (status != nullptr) {
            *status = CMPIStatus{CMPI_RC_ERR_FAILED, nullptr};
        }
    }
    static CMPIObjectPath* refuseObjectPath(const CMPIBroker*, const char*, const char*,
                                            CMPIStatus* status) {
        fail(status);
        return nullptr;
    }
    static CMPIInstance* refuseInstance(const CMPIBroker*, const CMPIObjectPath*,
                                        CMPIStatus* status) {
        fail(status);
        return nullptr;
    }
    static CMPIArray* refuseArray(const CMPIBroker*, CMPICount, CMPIType, CMPIStatus* status) {
        fail(status);
        return nullptr;
    }
    static CMPIBoolean claimButFail(const CMPIBroker*, const CMPIObjectPath*, const char*,
                                    CMPIStatus* status) {
        fail(status);
        return 1;
    }

    CMPIBrokerEncFT table_{};
    CMPIBroker broker_{};
    CMPIBrokerEncFT pathsTable_{};
    CMPIBroker pathsBroker_{};
};

TEST_F(OverHost, PassesOnTheBrokersRefusalsAsFailures) {
    const RefusingBroker refusing(broker_);
    const CMPIBroker* const broker = refusing.refusingEverything();
    EXPECT_EQ(ProviderUtilities::createObjectPath(broker, "OVX_IPProtocolEndpoint", kNamespace),
              nullptr);
    EXPECT_EQ(ProviderUtilities::createInstance(broker, endpointPath("eth0")), nullptr);
    EXPECT_FALSE(ProviderUtilities::areClassesRelated(broker, kNamespace, "OVX_IPHostedAccessPoint",
                                                      "OVX_IPHostedAccessPoint"));

    CMPIInstance* const instance = newInstance("OVX_IPEnabledLogicalElementCapabilities");
    EXPECT_FALSE(ProviderUtilities::setProperty(broker, instance, "RequestedStatesSupported",
                                                std::vector<unsigned short>{2}));
    unsigned short unused = 0;
    EXPECT_FALSE(ProviderUtilities::getProperty(instance, "RequestedStatesSupported", unused));

    EXPECT_FALSE(ProviderUtilities::areClassesRelated(refusing.makingPathsOnly(), kNamespace,
                                                      "OVX_IPHostedAccessPoint",
                                                      "CIM_HostedAccessPoint"));
}

}  // namespace
