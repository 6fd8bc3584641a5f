#include "ovx/host/cim_error.h"
#include "ovx/host/instance.h"
#include "ovx/host/named_values.h"
#include "ovx/host/object_path.h"
#include "ovx/host/value.h"

#include <gtest/gtest.h>

namespace ovx::host {
namespace {

CMPIrc rcOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CimError& error) {
        return error.rc();
    }
    return CMPI_RC_OK;
}

TEST(ValueTest, AccessorOfAnotherTypeThrowsTypeMismatch) {
    EXPECT_EQ(rcOf([] { Value::uint16(1).asSigned(); }), CMPI_RC_ERR_TYPE_MISMATCH);
    EXPECT_EQ(rcOf([] { Value::string("1").asUnsigned(); }), CMPI_RC_ERR_TYPE_MISMATCH);
    EXPECT_EQ(rcOf([] { Value::null(CMPI_string).asString(); }), CMPI_RC_ERR_TYPE_MISMATCH);
    EXPECT_EQ(rcOf([] { Value::uint8(1).elements(); }), CMPI_RC_ERR_TYPE_MISMATCH);
}

TEST(ValueTest, CharsTypeIsStoredAsString) {
    EXPECT_EQ(Value::null(CMPI_chars).type(), CMPI_string);
    EXPECT_EQ(Value::null(CMPI_charsA).type(), CMPI_stringA);
    EXPECT_EQ(Value::array(CMPI_chars, {Value::string("a")}).type(), CMPI_stringA);
}

TEST(ValueTest, UnsupportedTypeCodesAreRefused) {
    EXPECT_EQ(rcOf([] { Value::null(CMPI_args); }), CMPI_RC_ERR_INVALID_DATA_TYPE);
    EXPECT_EQ(rcOf([] { Value::null(CMPI_ptr); }), CMPI_RC_ERR_INVALID_DATA_TYPE);
    EXPECT_FALSE(Value::isSupportedType(CMPI_enumeration));
    EXPECT_TRUE(Value::isSupportedType(CMPI_refA));
}

TEST(ValueTest, ArrayChecksElementTypesAndTypesUntypedNulls) {
    const Value array = Value::array(CMPI_uint16, {Value::uint16(1), Value(), Value::uint16(3)});
    EXPECT_EQ(array.type(), CMPI_uint16A);
    EXPECT_EQ(array.elementType(), CMPI_uint16);
    ASSERT_EQ(array.elements().size(), 3u);
    EXPECT_TRUE(array.elements()[1].isNull());
    EXPECT_EQ(array.elements()[1].type(), CMPI_uint16);
    EXPECT_EQ(rcOf([] { Value::array(CMPI_uint16, {Value::uint32(1)}); }),
              CMPI_RC_ERR_TYPE_MISMATCH);
}

TEST(ValueTest, TextFormQuotesEscapesAndNestsReferences) {
    EXPECT_EQ(Value::string("a\"b\\c").toText(), R"("a\"b\\c")");
    EXPECT_EQ(Value::boolean(true).toText(), "TRUE");
    EXPECT_EQ(Value::sint32(-7).toText(), "-7");
    EXPECT_EQ(Value::real64(0.1).toText(), "0.1");
    EXPECT_EQ(Value::null(CMPI_uint8).toText(), "NULL");
    EXPECT_EQ(Value::array(CMPI_string, {Value::string("x"), Value::string("y")}).toText(),
              R"({"x","y"})");
    ObjectPath inner("root/cimv2", "OVX_ComputerSystem");
    inner.setKey("Name", Value::string("host"));
    EXPECT_EQ(Value::reference(inner).toText(), R"("root/cimv2:OVX_ComputerSystem.Name=\"host\"")");
}

TEST(ValueTest, EqualityComparesTypeNullnessAndContent) {
    EXPECT_EQ(Value::uint16(5), Value::uint16(5));
    EXPECT_NE(Value::uint16(5), Value::uint32(5));
    EXPECT_NE(Value::null(CMPI_uint16), Value::uint16(0));
    EXPECT_EQ(Value::reference(ObjectPath("a", "C")), Value::reference(ObjectPath("A", "c")));
    EXPECT_FALSE(Value::string("").isNull());
    EXPECT_TRUE(Value().isNull());
    EXPECT_EQ(Value().type(), CMPI_null);
}

TEST(NamedValuesTest, LookupIgnoresCaseAndKeepsFirstSpelling) {
    NamedValues values;
    values.set("IPv4Address", Value::string("10.0.0.1"));
    values.set("ipv4address", Value::string("10.0.0.2"));
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values.at(0).first, "IPv4Address");
    EXPECT_EQ(values.find("IPV4ADDRESS")->asString(), "10.0.0.2");
    EXPECT_TRUE(values.erase("ipV4address"));
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(rcOf([&] { values.at(0); }), CMPI_RC_ERR_NOT_FOUND);
}

TEST(NamedValuesTest, EqualityIgnoresOrderAndCase) {
    NamedValues left;
    left.set("A", Value::uint8(1));
    left.set("B", Value::uint8(2));
    NamedValues right;
    right.set("b", Value::uint8(2));
    right.set("a", Value::uint8(1));
    EXPECT_EQ(left, right);
    right.set("a", Value::uint8(9));
    EXPECT_NE(left, right);
}

TEST(InstanceTest, PropertiesAndTextForm) {
    Instance instance(ObjectPath("root/cimv2", "OVX_IPProtocolEndpoint"));
    instance.setProperty("Name", Value::string("eth0"));
    instance.setProperty("EnabledState", Value::uint16(2));
    EXPECT_EQ(instance.findProperty("name")->asString(), "eth0");
    EXPECT_EQ(instance.toString(),
              R"(instance of OVX_IPProtocolEndpoint { Name = "eth0"; EnabledState = 2; };)");
    EXPECT_TRUE(instance.removeProperty("NAME"));
    EXPECT_EQ(instance.findProperty("Name"), nullptr);
}

}  // namespace
}  // namespace ovx::host
