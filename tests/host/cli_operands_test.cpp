// Operands read against the project's own class declarations: paths with
// typed keys, property assignments, method arguments and property lists.
#include "operands.h"
#include "usage_error.h"

#include "ovx/host/cim_error.h"
#include "cli_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace ovx::cli {
namespace {

using host::ObjectPath;
using host::Value;

using clitest::projectClasses;

const char* const kEndpointPath =
    R"(OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0",SystemCreationClassName="OVX_ComputerSystem",SystemName="myhost")";

std::string usageMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const UsageError& error) {
        return error.what();
    }
    return "no usage error";
}

CMPIrc cimErrorCode(const std::function<void()>& action) {
    try {
        action();
    } catch (const host::CimError& error) {
        return error.rc();
    }
    return CMPI_RC_OK;
}

TEST(CliPathOperands, DefaultNamespaceUnlessOneIsWritten) {
    const ObjectPath path = pathFromOperand(kEndpointPath, "root/cimv2");
    EXPECT_EQ(path.nameSpace(), "root/cimv2");
    EXPECT_EQ(path.className(), "OVX_IPProtocolEndpoint");
    EXPECT_EQ(*path.findKey("Name"), Value::string("eth0"));
    EXPECT_EQ(pathFromOperand("root/other:OVX_LANEndpoint", "root/cimv2").nameSpace(),
              "root/other");
    EXPECT_EQ(pathFromOperand("OVX_LANEndpoint", "interop").nameSpace(), "interop");
}

TEST(CliPathOperands, QuotesEscapesAndNestedReferences) {
    const ObjectPath quoted = pathFromOperand(R"(X.Name="a \"b\" \\c, d=e")", "ns");
    EXPECT_EQ(*quoted.findKey("Name"), Value::string(R"(a "b" \c, d=e)"));

    const ObjectPath association = pathFromOperand(
        R"(OVX_BindsToLanEndPoint.Antecedent="root/cimv2:OVX_LANEndpoint.Name=\"eth0\",SystemName=\"h\"",Dependent="OVX_IPProtocolEndpoint.Name=\"eth0\"")",
        "root/cimv2");
    const Value* antecedent = association.findKey("Antecedent");
    ASSERT_NE(antecedent, nullptr);
    ASSERT_EQ(antecedent->type(), CMPI_ref);
    EXPECT_EQ(antecedent->asReference().nameSpace(), "root/cimv2");
    EXPECT_EQ(*antecedent->asReference().findKey("SystemName"), Value::string("h"));
    const Value* dependent = association.findKey("Dependent");
    ASSERT_NE(dependent, nullptr);
    ASSERT_EQ(dependent->type(), CMPI_ref);
    EXPECT_EQ(dependent->asReference().className(), "OVX_IPProtocolEndpoint");
}

TEST(CliPathOperands, MalformedPathsNameThePositionWithACaret) {
    const std::string unclosed = usageMessage([] { pathFromOperand(R"(X.Name="eth0)", "ns"); });
    EXPECT_NE(unclosed.find("missing closing"), std::string::npos) << unclosed;
    EXPECT_NE(unclosed.find("at position"), std::string::npos) << unclosed;

    const std::string badKey = usageMessage([] { pathFromOperand("X.Name=eth0", "ns"); });
    EXPECT_NE(badKey.find("at position 7"), std::string::npos) << badKey;
    // The caret stands under the 'e' of eth0.
    EXPECT_NE(badKey.find("\n  X.Name=eth0\n         ^"), std::string::npos) << badKey;

    for (const char* malformed :
         {"", "9Class", "X.Name=\"a\",Name=\"b\"", "X.Name=\"a\" junk", ":X"}) {
        EXPECT_THROW(pathFromOperand(malformed, "ns"), UsageError) << malformed;
    }
}

TEST(CliTypedPaths, KeysTakeTheirDeclaredTypes) {
    const ObjectPath typed =
        typedPath(projectClasses(), pathFromOperand(kEndpointPath, "root/cimv2"));
    EXPECT_EQ(*typed.findKey("SystemName"), Value::string("myhost"));

    // A bare number for a string key becomes its text; letter case of key
    // names follows the declaration.
    const ObjectPath numeric = typedPath(
        projectClasses(),
        pathFromOperand("OVX_IPEnabledLogicalElementCapabilities.instanceid=7", "root/cimv2"));
    ASSERT_EQ(numeric.keys().size(), 1U);
    EXPECT_EQ(numeric.keys().at(0).first, "InstanceID");
    EXPECT_EQ(numeric.keys().at(0).second, Value::string("7"));
}

TEST(CliTypedPaths, NestedReferencesAreTypedToo) {
    const ObjectPath typed = typedPath(
        projectClasses(),
        pathFromOperand(
            R"(OVX_IPElementSettingData.ManagedElement="OVX_IPProtocolEndpoint.Name=42",SettingData="OVX_IPAssignmentSettingData.InstanceID=\"x\"")",
            "root/cimv2"));
    const Value* element = typed.findKey("ManagedElement");
    ASSERT_NE(element, nullptr);
    ASSERT_EQ(element->type(), CMPI_ref);
    EXPECT_EQ(*element->asReference().findKey("Name"), Value::string("42"));
}

TEST(CliTypedPaths, UnknownClassesAndKeysAreReported) {
    EXPECT_EQ(cimErrorCode([] {
                  typedPath(projectClasses(), pathFromOperand("OVX_Nothing.Name=\"a\"", "ns"));
              }),
              CMPI_RC_ERR_INVALID_CLASS);
    const std::string message = usageMessage([] {
        typedPath(projectClasses(), pathFromOperand("OVX_LANEndpoint.Colour=\"red\"", "ns"));
    });
    EXPECT_NE(message.find("has no property Colour"), std::string::npos) << message;
}

TEST(CliPropertyAssignments, TypedByTheClassDeclaration) {
    const host::NamedValues assigned =
        propertyAssignments(projectClasses(), "OVX_StaticIPAssignmentSettingData",
                            {"SubnetMask=255.255.0.0", "addressorigin=3"});
    ASSERT_EQ(assigned.size(), 2U);
    EXPECT_EQ(*assigned.find("SubnetMask"), Value::string("255.255.0.0"));
    EXPECT_EQ(assigned.at(1).first, "AddressOrigin");
    EXPECT_EQ(assigned.at(1).second, Value::uint16(3));
}

TEST(CliPropertyAssignments, MistakesAreUsageErrors) {
    const auto& classes = projectClasses();
    const char* const cls = "OVX_StaticIPAssignmentSettingData";
    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"Colour=red"}, "has no property Colour"},
        {{"AddressOrigin=70000"}, "uint16"},
        {{"SubnetMask"}, "expected property=value"},
        {{"SubnetMask=1", "subnetmask=2"}, "given twice"},
        {{"=3"}, ""},
    };
    for (const auto& mistake : mistakes) {
        const std::string& expected = mistake.second;
        const std::string message =
            usageMessage([&] { propertyAssignments(classes, cls, mistake.first); });
        EXPECT_NE(message, "no usage error") << expected;
        EXPECT_NE(message.find(expected), std::string::npos) << message;
    }
    EXPECT_EQ(cimErrorCode([&] { propertyAssignments(classes, "OVX_Nothing", {"A=1"}); }),
              CMPI_RC_ERR_INVALID_CLASS);
}

TEST(CliMethodArguments, TypedByTheMethodDeclaration) {
    const host::MethodDecl method =
        requireMethod(projectClasses(), "OVX_IPProtocolEndpoint", "RequestStateChange");
    const host::Arguments in =
        methodArguments(method, {"RequestedState=3", "TimeoutPeriod=00000000000010.000000:000"});
    ASSERT_EQ(in.size(), 2U);
    EXPECT_EQ(*in.find("RequestedState"), Value::uint16(3));
    const Value* timeout = in.find("TimeoutPeriod");
    ASSERT_NE(timeout, nullptr);
    ASSERT_EQ(timeout->type(), CMPI_dateTime);
    EXPECT_EQ(timeout->asDateTime().microseconds(), 10'000'000);
}

TEST(CliMethodArguments, ReferencesAreGivenAsPaths) {
    const host::MethodDecl method = requireMethod(projectClasses(), "OVX_IPConfigurationService",
                                                  "ApplySettingToIPProtocolEndpoint");
    const host::Arguments in = methodArguments(
        method, {R"(Configuration=OVX_StaticIPAssignmentSettingData.InstanceID="eth0")",
                 std::string("Endpoint=") + kEndpointPath});
    const Value* configuration = in.find("Configuration");
    ASSERT_NE(configuration, nullptr);
    ASSERT_EQ(configuration->type(), CMPI_ref);
    EXPECT_EQ(*configuration->asReference().findKey("InstanceID"), Value::string("eth0"));
    const Value* endpoint = in.find("Endpoint");
    ASSERT_NE(endpoint, nullptr);
    EXPECT_EQ(endpoint->asReference().keys().size(), 4U);
}

TEST(CliMethodArguments, UnknownOutOnlyAndIllTypedParametersAreRefused) {
    const host::MethodDecl method =
        requireMethod(projectClasses(), "OVX_IPProtocolEndpoint", "RequestStateChange");
    const std::string unknown = usageMessage([&] { methodArguments(method, {"State=3"}); });
    EXPECT_NE(unknown.find("has no parameter State"), std::string::npos) << unknown;
    EXPECT_NE(unknown.find("RequestedState (uint16)"), std::string::npos) << unknown;
    EXPECT_NE(usageMessage([&] {
                  methodArguments(method, {"Job=OVX_ConcreteJob.InstanceID=\"1\""});
              }).find("out-parameter"),
              std::string::npos);
    EXPECT_THROW(methodArguments(method, {"RequestedState=-1"}), UsageError);
    EXPECT_THROW(methodArguments(method, {"TimeoutPeriod=10"}), UsageError);
    EXPECT_THROW(methodArguments(method, {"RequestedState=2", "RequestedState=3"}), UsageError);
}

TEST(CliMethodLookup, UnknownMethodsAndClassesAreCimErrors) {
    EXPECT_EQ(cimErrorCode([] { requireMethod(projectClasses(), "OVX_LANEndpoint", "Reboot"); }),
              CMPI_RC_ERR_METHOD_NOT_FOUND);
    EXPECT_EQ(cimErrorCode([] { requireMethod(projectClasses(), "OVX_Nothing", "X"); }),
              CMPI_RC_ERR_INVALID_CLASS);
}

TEST(CliPropertyLists, ParsedAndCheckedAgainstTheClassAndItsSubclasses) {
    EXPECT_EQ(propertyListFromText("Name, SystemName"),
              (std::vector<std::string>{"Name", "SystemName"}));
    EXPECT_TRUE(propertyListFromText("").empty());
    EXPECT_THROW(propertyListFromText("Name,,X"), UsageError);
    EXPECT_THROW(propertyListFromText("Na-me"), UsageError);

    const auto& classes = projectClasses();
    EXPECT_NO_THROW(checkPropertyList(classes, "OVX_LANEndpoint",
                                      std::vector<std::string>{"MACAddress", "name"}));
    EXPECT_NO_THROW(checkPropertyList(classes, "OVX_LANEndpoint", std::nullopt));
    // Only a subclass declares it: an enumeration of the base may return it.
    EXPECT_NO_THROW(
        checkPropertyList(classes, "CIM_ManagedElement", std::vector<std::string>{"MACAddress"}));
    EXPECT_THROW(checkPropertyList(classes, "OVX_LANEndpoint", std::vector<std::string>{"Colour"}),
                 UsageError);
}

}  // namespace
}  // namespace ovx::cli
