#include "ovx/host/cim_error.h"
#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace ovx::host {
namespace {

ObjectPath endpointPath() {
    ObjectPath path("root/cimv2", "OVX_IPProtocolEndpoint");
    path.setKey("CreationClassName", Value::string("OVX_IPProtocolEndpoint"));
    path.setKey("Name", Value::string("eth0"));
    return path;
}

std::string parseError(const std::string& text) {
    try {
        ObjectPath::parse(text);
    } catch (const CimError& error) {
        EXPECT_EQ(error.rc(), CMPI_RC_ERR_INVALID_PARAMETER);
        return error.what();
    }
    ADD_FAILURE() << "parsed: " << text;
    return {};
}

TEST(ObjectPathTextTest, StandardForm) {
    EXPECT_EQ(
        endpointPath().toString(),
        R"(root/cimv2:OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0")");
    EXPECT_EQ(ObjectPath("", "OVX_Class").toString(), "OVX_Class");
    ObjectPath remote = endpointPath();
    remote.setHost("server.example.com:5988");
    remote.clearKeys();
    EXPECT_EQ(remote.toString(), "//server.example.com:5988/root/cimv2:OVX_IPProtocolEndpoint");
}

TEST(ObjectPathTextTest, NumbersBooleansAndEscapes) {
    ObjectPath path("", "C");
    path.setKey("Id", Value::uint16(42));
    path.setKey("Neg", Value::sint64(-5));
    path.setKey("On", Value::boolean(false));
    path.setKey("Text", Value::string(R"(say "hi" \o/)"));
    EXPECT_EQ(path.toString(), R"(C.Id=42,Neg=-5,On=FALSE,Text="say \"hi\" \\o/")");
    const ObjectPath parsed = ObjectPath::parse(path.toString());
    EXPECT_EQ(parsed.findKey("Text")->asString(), R"(say "hi" \o/)");
    EXPECT_EQ(parsed.findKey("Id")->asSigned(), 42);
    EXPECT_EQ(parsed.findKey("Neg")->asSigned(), -5);
    EXPECT_FALSE(parsed.findKey("On")->asBoolean());
    EXPECT_TRUE(parsed.sameInstance(path));
}

// Whole reals once printed without a fraction and read back as integers;
// a NaN key once failed to match itself.
TEST(ObjectPathTextTest, RealKeysReadBackAsReals) {
    for (const double real : {1500.0, -0.0, 0.5, 1e300, std::nan("")}) {
        ObjectPath path("", "C");
        path.setKey("R", Value::real64(real));
        const ObjectPath parsed = ObjectPath::parse(path.toString());
        EXPECT_EQ(parsed.findKey("R")->type(), CMPI_real64) << path.toString();
        EXPECT_TRUE(parsed.sameInstance(path)) << path.toString();
    }
}

TEST(ObjectPathTextTest, ParsesTheStandardForm) {
    const ObjectPath path = ObjectPath::parse(endpointPath().toString());
    EXPECT_EQ(path, endpointPath());
    EXPECT_EQ(path.nameSpace(), "root/cimv2");
    EXPECT_EQ(path.className(), "OVX_IPProtocolEndpoint");
    EXPECT_EQ(path.keys().at(0).first, "CreationClassName");
}

TEST(ObjectPathTextTest, ParsesHostKeylessAndSpacedForms) {
    const ObjectPath withHost = ObjectPath::parse("//h1:5989/root/my.ns:OVX_A.Id=1");
    EXPECT_EQ(withHost.host(), "h1:5989");
    EXPECT_EQ(withHost.nameSpace(), "root/my.ns");
    const ObjectPath keyless = ObjectPath::parse("OVX_IPConfigurationService");
    EXPECT_TRUE(keyless.nameSpace().empty());
    EXPECT_TRUE(keyless.keys().empty());
    const ObjectPath spaced = ObjectPath::parse("  C.A = 1 , B = \"x:y=z\"  ");
    EXPECT_EQ(spaced.findKey("B")->asString(), "x:y=z");
    EXPECT_EQ(ObjectPath::parse("C.Big=18446744073709551615").findKey("Big")->asUnsigned(),
              18446744073709551615ULL);
    EXPECT_DOUBLE_EQ(ObjectPath::parse("C.R=2.5").findKey("R")->asReal(), 2.5);
    EXPECT_TRUE(ObjectPath::parse("C.N=NULL").findKey("N")->isNull());
}

TEST(ObjectPathTextTest, NestedReferencesSurviveTwoLevels) {
    ObjectPath system("root/cimv2", "OVX_ComputerSystem");
    system.setKey("Name", Value::string("host \"one\""));
    ObjectPath hosted("root/cimv2", "OVX_IPHostedAccessPoint");
    hosted.setKey("Antecedent", Value::reference(system));
    hosted.setKey("Dependent", Value::reference(endpointPath()));
    ObjectPath outer("root/cimv2", "OVX_Wrapper");
    outer.setKey("Inner", Value::reference(hosted));

    const std::string text = outer.toString();
    const ObjectPath parsed = ObjectPath::parse(text);
    EXPECT_EQ(parsed, outer);
    const ObjectPath& inner = parsed.findKey("Inner")->asReference();
    EXPECT_EQ(inner.findKey("Antecedent")->asReference().findKey("Name")->asString(),
              "host \"one\"");
    EXPECT_EQ(parsed.toString(), text);
}

TEST(ObjectPathTextTest, QuotedTextThatIsNoInstancePathStaysAString) {
    EXPECT_EQ(ObjectPath::parse(R"(C.K="OVX_Class")").findKey("K")->type(), CMPI_string);
    EXPECT_EQ(ObjectPath::parse(R"(C.K="a.b=c d")").findKey("K")->type(), CMPI_string);
    EXPECT_EQ(ObjectPath::parse(R"(C.K="a.b=1")").findKey("K")->type(), CMPI_ref);
}

TEST(ObjectPathTextTest, MalformedTextNamesWhatAndWhere) {
    EXPECT_NE(parseError("").find("expected a class name at position 0"), std::string::npos);
    EXPECT_NE(parseError("root:").find("expected a class name at position 5"), std::string::npos);
    EXPECT_NE(parseError("C.").find("expected a key name at position 2"), std::string::npos);
    EXPECT_NE(parseError("C.Name").find("expected '=' after key Name at position 6"),
              std::string::npos);
    EXPECT_NE(parseError("C.Name=").find("expected a key value at position 7"), std::string::npos);
    EXPECT_NE(parseError("C.Name=\"eth0").find("missing closing '\"'"), std::string::npos);
    EXPECT_NE(parseError("C.Name=\"a\\x\"").find("after '\\' at position 10"), std::string::npos);
    EXPECT_NE(parseError("C.Name=eth0")
                  .find("expected a quoted string, a number, TRUE or FALSE at position 7"),
              std::string::npos);
    EXPECT_NE(parseError("C.A=1,a=2").find("duplicate key a at position 6"), std::string::npos);
    EXPECT_NE(parseError("C.A=1 B=2").find("unexpected character 'B' at position 6"),
              std::string::npos);
    EXPECT_NE(parseError("//host").find("expected a host name"), std::string::npos);
    EXPECT_NE(parseError("ro ot:C").find("in the namespace at position 2"), std::string::npos);
    EXPECT_NE(parseError(":C").find("expected a namespace before ':' at position 0"),
              std::string::npos);
    EXPECT_NE(parseError("1C").find("expected a class name at position 0"), std::string::npos);
}

TEST(ObjectPathTest, KeysMustBeScalars) {
    ObjectPath path("", "C");
    EXPECT_THROW(path.setKey("A", Value::array(CMPI_uint8, {})), CimError);
    EXPECT_THROW(path.setKey("I", Value::instance(Instance())), CimError);
    path.setKey("R", Value::reference(ObjectPath("", "D")));
    EXPECT_EQ(path.keys().size(), 1u);
}

TEST(ObjectPathTest, SameInstanceComparesByMeaning) {
    ObjectPath provider("root/cimv2", "OVX_Setting");
    provider.setKey("Id", Value::uint16(7));
    provider.setKey("When", Value::dateTime(CimDateTime::parse("20240101000000.000000+000")));
    const ObjectPath typed =
        ObjectPath::parse(R"(OVX_SETTING.when="20240101000000.000000+000",id=7)");
    EXPECT_TRUE(typed.sameInstance(provider));
    EXPECT_TRUE(provider.sameInstance(typed));
    EXPECT_FALSE(provider == typed);  // exact comparison sees different types
    EXPECT_FALSE(ObjectPath::parse("other:OVX_Setting.Id=7,When=\"x\"").sameInstance(provider));
    EXPECT_FALSE(ObjectPath::parse("OVX_Setting.Id=-7,When=\"20240101000000.000000+000\"")
                     .sameInstance(provider));
    EXPECT_FALSE(ObjectPath::parse("OVX_Setting.Id=7").sameInstance(provider));
}

TEST(ObjectPathTest, SameInstanceFollowsReferences) {
    ObjectPath assoc("", "OVX_Assoc");
    assoc.setKey("Dependent", Value::reference(endpointPath()));
    ObjectPath typed("", "OVX_Assoc");
    typed.setKey("Dependent", Value::string(endpointPath().toString()));
    EXPECT_TRUE(assoc.sameInstance(typed));
    ObjectPath other = endpointPath();
    other.setKey("Name", Value::string("eth1"));
    typed.setKey("Dependent", Value::reference(other));
    EXPECT_FALSE(assoc.sameInstance(typed));
}

}  // namespace
}  // namespace ovx::host
