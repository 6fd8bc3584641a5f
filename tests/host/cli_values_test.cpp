// Command-line text typed by declared CIM types, and path key values
// conformed to their declarations.
#include "typed_values.h"
#include "usage_error.h"

#include "ovx/host/object_path.h"

#include <gtest/gtest.h>

#include <string>

namespace ovx::cli {
namespace {

using host::Value;

Value typed(const std::string& text, CMPIType type) {
    return valueFromText(text, type, "the property P");
}

std::string usageMessage(const std::string& text, CMPIType type) {
    try {
        typed(text, type);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "no error";
}

TEST(CliIntegerValues, FitTheirDeclaredWidth) {
    EXPECT_EQ(typed("3", CMPI_uint16), Value::uint16(3));
    EXPECT_EQ(typed("65535", CMPI_uint16), Value::uint16(65535));
    EXPECT_EQ(typed("0x10", CMPI_uint8), Value::uint8(16));
    EXPECT_EQ(typed("+7", CMPI_uint32), Value::uint32(7));
    EXPECT_EQ(typed("18446744073709551615", CMPI_uint64), Value::uint64(18446744073709551615ULL));
    EXPECT_EQ(typed("-128", CMPI_sint8), Value::sint8(-128));
    EXPECT_EQ(typed("127", CMPI_sint8), Value::sint8(127));
    EXPECT_EQ(typed("-9223372036854775808", CMPI_sint64),
              Value::sint64(std::numeric_limits<std::int64_t>::min()));
    EXPECT_EQ(typed("-0", CMPI_uint16), Value::uint16(0));
}

TEST(CliIntegerValues, OutOfRangeOrMalformedAreRefusedWithTheReason) {
    EXPECT_NE(usageMessage("65536", CMPI_uint16).find("largest value is 65535"), std::string::npos);
    EXPECT_NE(usageMessage("-1", CMPI_uint32).find("cannot be negative"), std::string::npos);
    EXPECT_NE(usageMessage("128", CMPI_sint8).find("largest value is 127"), std::string::npos);
    EXPECT_NE(usageMessage("-129", CMPI_sint8).find("smallest value is -128"), std::string::npos);
    EXPECT_NE(usageMessage("18446744073709551616", CMPI_uint64).find("expected an integer"),
              std::string::npos);
    for (const char* bad : {"", "3x", "x3", "1.5", "0x", "--1", " 3", "3 "}) {
        EXPECT_THROW(typed(bad, CMPI_uint16), UsageError) << bad;
    }
    const std::string message = usageMessage("70000", CMPI_uint16);
    EXPECT_NE(message.find("\"70000\""), std::string::npos) << message;
    EXPECT_NE(message.find("the property P"), std::string::npos) << message;
    EXPECT_NE(message.find("uint16"), std::string::npos) << message;
}

TEST(CliScalarValues, RealsBooleansAndCharacters) {
    EXPECT_EQ(typed("2.5", CMPI_real64), Value::real64(2.5));
    EXPECT_EQ(typed("-1e3", CMPI_real32), Value::real32(-1000.0F));
    EXPECT_THROW(typed("1e39", CMPI_real32), UsageError);
    EXPECT_THROW(typed("inf", CMPI_real64), UsageError);
    EXPECT_THROW(typed("nan", CMPI_real64), UsageError);
    EXPECT_EQ(typed("TRUE", CMPI_boolean), Value::boolean(true));
    EXPECT_EQ(typed("false", CMPI_boolean), Value::boolean(false));
    EXPECT_THROW(typed("1", CMPI_boolean), UsageError);
    EXPECT_EQ(typed("x", CMPI_char16), Value::char16('x'));
    EXPECT_EQ(typed("\xC3\xA9", CMPI_char16), Value::char16(0xE9));
    EXPECT_EQ(typed("\"y\"", CMPI_char16), Value::char16('y'));
    EXPECT_THROW(typed("xy", CMPI_char16), UsageError);
    EXPECT_THROW(typed("", CMPI_char16), UsageError);
    EXPECT_THROW(typed("\xC3", CMPI_char16), UsageError);
}

TEST(CliStringValues, QuotedLiteralsAreUnquotedOtherTextKept) {
    EXPECT_EQ(typed("255.255.0.0", CMPI_string), Value::string("255.255.0.0"));
    EXPECT_EQ(typed("\"eth0\"", CMPI_string), Value::string("eth0"));
    EXPECT_EQ(typed(R"("say \"hi\" \\ bye")", CMPI_string), Value::string(R"(say "hi" \ bye)"));
    EXPECT_EQ(typed("\"NULL\"", CMPI_string), Value::string("NULL"));
    EXPECT_EQ(typed("", CMPI_string), Value::string(""));
    // Not one complete literal: kept as written.
    EXPECT_EQ(typed(R"("a" "b")", CMPI_string), Value::string(R"("a" "b")"));
    EXPECT_EQ(typed("\"open", CMPI_string), Value::string("\"open"));
}

TEST(CliNullValues, NullIsTheBareWordForEveryType) {
    EXPECT_EQ(typed("NULL", CMPI_uint16), Value::null(CMPI_uint16));
    EXPECT_EQ(typed("NULL", CMPI_string), Value::null(CMPI_string));
    EXPECT_EQ(typed("NULL", CMPI_ref), Value::null(CMPI_ref));
    EXPECT_EQ(typed("NULL", CMPI_uint16 | CMPI_ARRAY), Value::null(CMPI_uint16 | CMPI_ARRAY));
}

TEST(CliDateTimeValues, TimestampsAndIntervalsInCimForm) {
    const Value interval = typed("00000000000010.000000:000", CMPI_dateTime);
    ASSERT_EQ(interval.type(), CMPI_dateTime);
    EXPECT_TRUE(interval.asDateTime().isInterval());
    EXPECT_EQ(interval.asDateTime().microseconds(), 10'000'000);
    const Value stamp = typed("\"20240102030405.000000+060\"", CMPI_dateTime);
    EXPECT_FALSE(stamp.asDateTime().isInterval());
    EXPECT_EQ(stamp.asDateTime().utcOffsetMinutes(), 60);
    const std::string message = usageMessage("0000000000001", CMPI_dateTime);
    EXPECT_NE(message.find("datetime"), std::string::npos) << message;
    EXPECT_THROW(typed("10s", CMPI_dateTime), UsageError);
}

TEST(CliReferenceValues, PathsWithNestedReferences) {
    const Value job = typed(R"(OVX_ConcreteJob.InstanceID="job:1")", CMPI_ref);
    ASSERT_EQ(job.type(), CMPI_ref);
    EXPECT_EQ(job.asReference().className(), "OVX_ConcreteJob");
    EXPECT_EQ(*job.asReference().findKey("InstanceID"), Value::string("job:1"));

    const Value nested = typed(
        R"(root/cimv2:OVX_IPElementSettingData.ManagedElement="OVX_IPProtocolEndpoint.Name=\"eth0\"",SettingData="OVX_IPAssignmentSettingData.InstanceID=\"a\"")",
        CMPI_ref);
    const host::ObjectPath& path = nested.asReference();
    EXPECT_EQ(path.nameSpace(), "root/cimv2");
    const Value* element = path.findKey("ManagedElement");
    ASSERT_NE(element, nullptr);
    ASSERT_EQ(element->type(), CMPI_ref);
    EXPECT_EQ(*element->asReference().findKey("Name"), Value::string("eth0"));
    EXPECT_THROW(typed("OVX_X.Name=", CMPI_ref), UsageError);
    EXPECT_THROW(typed("9abc", CMPI_ref), UsageError);
}

TEST(CliArrayValues, BracedOrCommaSeparated) {
    EXPECT_EQ(typed("{1,2,3}", CMPI_uint16 | CMPI_ARRAY),
              Value::array(CMPI_uint16, {Value::uint16(1), Value::uint16(2), Value::uint16(3)}));
    EXPECT_EQ(typed("2,3", CMPI_uint16 | CMPI_ARRAY),
              Value::array(CMPI_uint16, {Value::uint16(2), Value::uint16(3)}));
    EXPECT_EQ(typed("{}", CMPI_string | CMPI_ARRAY), Value::array(CMPI_string, {}));
    EXPECT_EQ(typed(R"({"a,b","c\"d",e})", CMPI_string | CMPI_ARRAY),
              Value::array(CMPI_string,
                           {Value::string("a,b"), Value::string("c\"d"), Value::string("e")}));
    EXPECT_EQ(typed("{NULL,4}", CMPI_uint8 | CMPI_ARRAY),
              Value::array(CMPI_uint8, {Value::null(CMPI_uint8), Value::uint8(4)}));
    EXPECT_THROW(typed("{1,2", CMPI_uint16 | CMPI_ARRAY), UsageError);
    EXPECT_THROW(typed("{1,70000}", CMPI_uint16 | CMPI_ARRAY), UsageError);
    EXPECT_THROW(typed(R"({"a,b})", CMPI_string | CMPI_ARRAY), UsageError);
}

TEST(CliValueTypes, EmbeddedInstancesCannotBeWritten) {
    EXPECT_THROW(typed("instance of X {}", CMPI_instance), UsageError);
}

TEST(CliConformedKeys, NumbersAndTextTakeTheDeclaredType) {
    EXPECT_EQ(conformValue(Value::sint64(3), CMPI_uint16, "k"), Value::uint16(3));
    EXPECT_THROW(conformValue(Value::sint64(-3), CMPI_uint16, "k"), UsageError);
    EXPECT_THROW(conformValue(Value::sint64(70000), CMPI_uint16, "k"), UsageError);
    EXPECT_EQ(conformValue(Value::uint64(18446744073709551615ULL), CMPI_uint64, "k"),
              Value::uint64(18446744073709551615ULL));
    EXPECT_EQ(conformValue(Value::string("12"), CMPI_uint32, "k"), Value::uint32(12));
    EXPECT_EQ(conformValue(Value::sint64(12), CMPI_string, "k"), Value::string("12"));
    EXPECT_EQ(conformValue(Value::string("eth0"), CMPI_string, "k"), Value::string("eth0"));
    EXPECT_EQ(conformValue(Value::string("NULL"), CMPI_string, "k"), Value::string("NULL"));
    EXPECT_EQ(conformValue(Value::sint64(2), CMPI_real64, "k"), Value::real64(2.0));
    EXPECT_EQ(conformValue(Value::string("true"), CMPI_boolean, "k"), Value::boolean(true));
    EXPECT_TRUE(conformValue(Value::string("00000001000000.000000:000"), CMPI_dateTime, "k")
                    .asDateTime()
                    .isInterval());
    EXPECT_EQ(conformValue(Value::null(CMPI_string), CMPI_uint8, "k"), Value::null(CMPI_uint8));
    EXPECT_THROW(conformValue(Value::boolean(true), CMPI_uint8, "k"), UsageError);
    EXPECT_THROW(conformValue(Value::real64(1.5), CMPI_uint8, "k"), UsageError);
}

TEST(CliUnquote, OnlyWholeLiterals) {
    std::string text;
    EXPECT_TRUE(unquoteLiteral(R"("a\"b")", text));
    EXPECT_EQ(text, "a\"b");
    EXPECT_TRUE(unquoteLiteral("\"\"", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(unquoteLiteral("\"", text));
    EXPECT_FALSE(unquoteLiteral(R"("a\")", text));
    EXPECT_FALSE(unquoteLiteral(R"("a\n")", text));
    EXPECT_FALSE(unquoteLiteral("abc", text));
}

}  // namespace
}  // namespace ovx::cli
