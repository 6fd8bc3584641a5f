// Malformed requests through ovx-cim: each is answered with its CIM status
// (or a usage error) and leaves the system description and every ifcfg file
// exactly as they were, with no file added or left behind.
#include "cli_test_support.h"

#include <unistd.h>

#include <array>
#include <map>

namespace {

using namespace clitest;

const std::string kEndpoint = "OVX_IPProtocolEndpoint";
// The sample host has no name of its own and goes by this machine's.
std::string hostKeys() {
    std::array<char, 256> name{};
    ::gethostname(name.data(), name.size() - 1);
    return std::string(R"(SystemCreationClassName="OVX_ComputerSystem",SystemName=")") +
           name.data() + "\",";
}
const std::string kHostKeys = hostKeys();

std::string endpoint(const std::string& keys) {
    return kEndpoint + "." + kHostKeys + R"(CreationClassName="OVX_IPProtocolEndpoint",)" + keys;
}
const std::string kEth0 = endpoint(R"(Name="eth0")");
const std::string kStatic = R"(OVX_StaticIPAssignmentSettingData.InstanceID="Computer%eth1")";
const std::string kService =
    "OVX_IPConfigurationService." + kHostKeys +
    R"(CreationClassName="OVX_IPConfigurationService",Name="IPConfigService")";
const std::string kApply = "ApplySettingToIPProtocolEndpoint";
const std::string kGateway =
    R"(OVX_IPRemoteServiceAccessPoint.)" + kHostKeys +
    R"(CreationClassName="OVX_IPRemoteServiceAccessPoint",Name="eth0_IPv4")";

struct BadRequest {
    std::vector<std::string> arguments;
    int exitStatus;           // 1 CIM error, 2 bad command line
    std::string expectation;  // text the error output holds
};

const std::vector<BadRequest> kBadRequests = {
    // Keys of the wrong type.
    {{"gi", endpoint("Name=5")}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", endpoint("Name=TRUE")}, 2, "does not fit its type string"},
    {{"gi", "OVX_StaticIPAssignmentSettingData.InstanceID=12"}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", endpoint("Name=NULL")}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"mi", endpoint("Name=1.5"), "SubnetMask=255.0.0.0"}, 2, "does not fit its type string"},
    // Keys missing.
    {{"gi", kEndpoint + "." + kHostKeys + R"(Name="eth0")"}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", kEndpoint + R"(.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0")"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", "OVX_StaticIPAssignmentSettingData"}, 2, "expected an instance path"},
    {{"mi", kEndpoint + "." + kHostKeys + R"(Name="eth0")", "SubnetMask=255.0.0.0"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"cm", kEndpoint + R"(.Name="eth0")", "RequestStateChange", "RequestedState=3"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", "OVX_IPEnabledLogicalElementCapabilities"}, 2, "expected an instance path"},
    // Unknown properties, keys changed.
    {{"mi", kEth0, "Bogus=1"}, 2, "Bogus"},
    {{"mi", kStatic, "Foo=bar"}, 2, "Foo"},
    {{"mi", kEth0, "Name=eth9"}, 2, "cannot be modified"},
    {{"mi", kStatic, "InstanceID=Computer%eth0"}, 2, "cannot be modified"},
    // Values out of range or of the wrong type.
    {{"mi", kEth0, "AddressOrigin=99"}, 1, "CIM_ERR_INVALID_PARAMETER (4)"},
    {{"mi", kEth0, "AddressOrigin=70000"}, 2, "uint16"},
    {{"mi", kEth0, "AddressOrigin=-1"}, 2, "uint16"},
    {{"mi", kEth0, "AddressOrigin=NULL"}, 1, "AddressOrigin"},
    {{"mi", kStatic, "IPv6SubnetPrefixLength=129"}, 1, "IPv6SubnetPrefixLength"},
    {{"mi", kStatic, "IPv4Address=256.1.1.1"}, 1, "IPv4Address"},
    {{"mi", kStatic, "SubnetMask=255.0.255.0"}, 1, "SubnetMask"},
    {{"mi", kEth0, "SubnetMask=255.255.255.256"}, 1, "SubnetMask"},
    {{"mi", kGateway, "AccessInfo=gateway.example"}, 1, "AccessInfo"},
    {{"mi", kStatic, "GatewayIPv4Address=2001:db8::1"}, 1, "GatewayIPv4Address"},
    {{"mi", kStatic, "IPv4Address={\"192.0.2.1\"}"}, 1, "IPv4Address"},
    {{"cm", kEth0, "RequestStateChange", "RequestedState=6"}, 1, "CIM_ERR_FAILED (1)"},
    {{"cm", kEth0, "RequestStateChange", "RequestedState=65536"}, 2, "uint16"},
    {{"cm", kEth0, "RequestStateChange", "RequestedState=two"}, 2, "uint16"},
    {{"cm", kEth0, "RequestStateChange", "RequestedState=2", "TimeoutPeriod=soon"},
     2,
     "TimeoutPeriod"},
    // Addresses with zone ids, prefixes, blanks and line breaks.
    {{"mi", kEth0, "IPv4Address=192.0.2.5 "}, 1, "IPv4Address"},
    {{"mi", kEth0, "IPv4Address= 192.0.2.5"}, 1, "IPv4Address"},
    {{"mi", kEth0, "IPv4Address=192.0.2.5/24"}, 1, "IPv4Address"},
    {{"mi", kEth0, "IPv4Address=192.0.2.5\n"}, 1, "IPv4Address"},
    {{"mi", kEth0, "IPv4Address=192.0.2.05"}, 1, "IPv4Address"},
    {{"mi", kStatic, "IPv6Address=fe80::1%eth0"}, 1, "IPv6Address"},
    {{"mi", kStatic, "IPv6Address=2001:db8::1/64"}, 1, "IPv6Address"},
    {{"mi", kStatic, "IPv4Address=198.51.100.7\t"}, 1, "IPv4Address"},
    {{"mi", kStatic, "GatewayIPv6Address=fe80::1%1"}, 1, "GatewayIPv6Address"},
    {{"mi", kGateway, "AccessInfo=192.0.2.1 "}, 1, "AccessInfo"},
    {{"mi", kStatic, "ConfigurationName=lab\nGATEWAY=203.0.113.1"}, 1, "ConfigurationName"},
    {{"mi", kStatic, "ConfigurationName=lab\rx"}, 1, "ConfigurationName"},
    // Names that reach for other files.
    {{"gi", endpoint(R"(Name="../eth0")")}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", endpoint(R"(Name="eth0/../eth1")")}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"mi", endpoint(R"(Name="..")"), "SubnetMask=255.0.0.0"}, 1, "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", R"(OVX_StaticIPAssignmentSettingData.InstanceID="Computer%../eth0")"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"mi", R"(OVX_StaticIPAssignmentSettingData.InstanceID="Computer%../../system.json")",
      "IPv4Address=192.0.2.9"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"mi", R"(OVX_StaticIPAssignmentSettingData.InstanceID="Computer%eth0/x")",
      "IPv4Address=192.0.2.9"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"gi", R"(OVX_IPEnabledLogicalElementCapabilities.InstanceID="../eth0")"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    {{"cm", endpoint(R"(Name="/eth0")"), "RequestStateChange", "RequestedState=3"},
     1,
     "CIM_ERR_NOT_FOUND (6)"},
    // Paths in other namespaces.
    {{"gi", "root/interop:" + kEth0}, 1, "CIM_ERR_INVALID_NAMESPACE (3)"},
    {{"mi", "root/other:" + kStatic, "IPv4Address=192.0.2.9"}, 1, "CIM_ERR_INVALID_NAMESPACE (3)"},
    {{"cm", "root/interop:" + kEth0, "RequestStateChange", "RequestedState=3"},
     1,
     "CIM_ERR_INVALID_NAMESPACE (3)"},
    {{"--namespace", "root/x", "gi", kEth0}, 1, "CIM_ERR_INVALID_NAMESPACE (3)"},
    {{"--namespace", "root/x", "ein", kEndpoint}, 1, "CIM_ERR_INVALID_NAMESPACE (3)"},
    // Methods with arguments missing, extra or out of place.
    {{"cm", kEth0, "RequestStateChange"}, 1, "CIM_ERR_INVALID_PARAMETER (4)"},
    {{"cm", kEth0, "RequestStateChange", "RequestedState=2", "Bogus=1"}, 2, "no parameter Bogus"},
    {{"cm", kEth0, "RequestStateChange", "RequestedState=2",
      R"(Job=OVX_ConcreteJob.InstanceID="IPConfigSvcJob:1")"},
     2,
     "out-parameter"},
    {{"cm", kEth0, "NoSuchMethod"}, 1, "CIM_ERR_METHOD_NOT_FOUND (17)"},
    {{"cm", kStatic, "RequestStateChange", "RequestedState=2"}, 1, "CIM_ERR_METHOD_NOT_FOUND (17)"},
    {{"cm", kService, kApply}, 1, "CIM_ERR_INVALID_PARAMETER (4)"},
    {{"cm", kService, kApply, "Endpoint=" + kEth0}, 1, "CIM_ERR_INVALID_PARAMETER (4)"},
    {{"cm", kService, kApply,
      R"(Configuration=OVX_IPAssignmentSettingData.InstanceID="Computer%eth9%static")",
      "Endpoint=" + kEth0},
     1,
     "CIM_ERR_FAILED (1)"},
    {{"cm", kService, kApply, "Configuration=" + kEth0, "Endpoint=" + kEth0},
     1,
     "CIM_ERR_FAILED (1)"},
    {{"cm", "root/interop:" + kService, kApply, "Endpoint=" + kEth0},
     1,
     "CIM_ERR_INVALID_NAMESPACE (3)"},
    // Paths that do not parse or name no class.
    {{"gi", R"(OVX_IPProtocolEndpoint.Name="eth0)"}, 2, "path"},
    {{"gi", R"(OVX_Nope.Name="x")"}, 1, "CIM_ERR_INVALID_CLASS (5)"},
};

// Every file but the writers' lock files, which stay once made.
std::map<std::string, std::string> dataFiles(const fs::path& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().extension() != ".lock") {
            files[entry.path().filename().string()] = fileText(entry.path());
        }
    }
    return files;
}

TEST_F(CliCommand, MalformedRequestsAreRefusedAndChangeNothing) {
    ASSERT_GE(kBadRequests.size(), 50U);
    const auto before = dataFiles(dataDir_);
    for (const BadRequest& request : kBadRequests) {
        std::string shown;
        for (const std::string& argument : request.arguments) {
            shown += " " + argument;
        }
        const Outcome outcome = run(request.arguments);
        EXPECT_TRUE(exitedWith(outcome, request.exitStatus)) << shown;
        EXPECT_NE(outcome.err.find(request.expectation), std::string::npos)
            << shown << "\nstderr: " << outcome.err;
        EXPECT_EQ(dataFiles(dataDir_), before) << shown;
    }
}

}  // namespace
