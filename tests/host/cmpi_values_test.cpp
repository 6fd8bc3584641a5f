// Strings, arrays, datetimes and the value-passing conventions.
#include "cmpi_test_support.h"
#include "ovx/host/cim_error.h"
#include "ovx/host/conversions.h"

#include <cstring>

namespace ovx::host {
namespace {

using testing::BrokerTest;
using testing::text;

class CmpiValuesTest : public BrokerTest {};

TEST_F(CmpiValuesTest, StringKeepsTextInHdlAndSlot) {
    CMPIStatus rc{};
    CMPIString* string = CMNewString(mb(), "eth0", &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_STREQ(static_cast<const char*>(string->hdl), "eth0");
    EXPECT_STREQ(CMGetCharPtr(string), "eth0");
    EXPECT_FALSE(CMIsNullObject(string));
    CMPIString* copy = CMClone(string, &rc);
    EXPECT_EQ(text(copy), "eth0");
    EXPECT_EQ(CMRelease(copy).rc, CMPI_RC_OK);
    EXPECT_EQ(CMNewString(mb(), nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(CmpiValuesTest, ArraysOfEveryScalarType) {
    struct Case {
        CMPIType type;
        CMPIValue value;
    };
    std::vector<Case> cases(12);
    cases[0].type = CMPI_boolean, cases[0].value.boolean = 1;
    cases[1].type = CMPI_char16, cases[1].value.char16 = 'z';
    cases[2].type = CMPI_real32, cases[2].value.real32 = 1.25f;
    cases[3].type = CMPI_real64, cases[3].value.real64 = -2.5;
    cases[4].type = CMPI_uint8, cases[4].value.uint8 = 250;
    cases[5].type = CMPI_uint16, cases[5].value.uint16 = 65535;
    cases[6].type = CMPI_uint32, cases[6].value.uint32 = 4000000000u;
    cases[7].type = CMPI_uint64, cases[7].value.uint64 = 1ULL << 63;
    cases[8].type = CMPI_sint8, cases[8].value.sint8 = -128;
    cases[9].type = CMPI_sint16, cases[9].value.sint16 = -32768;
    cases[10].type = CMPI_sint32, cases[10].value.sint32 = -2000000000;
    cases[11].type = CMPI_sint64, cases[11].value.sint64 = -(1LL << 62);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        CMPIStatus rc{};
        CMPIArray* array = CMNewArray(mb(), 2, c.type, &rc);
        ASSERT_EQ(rc.rc, CMPI_RC_OK);
        EXPECT_EQ(CMGetArrayType(array, nullptr), c.type);
        EXPECT_EQ(CMGetArrayCount(array, nullptr), 2u);
        EXPECT_TRUE(CMIsNullValue(CMGetArrayElementAt(array, 1, nullptr)));
        ASSERT_EQ(CMSetArrayElementAt(array, 0, &c.value, c.type).rc, CMPI_RC_OK);
        const CMPIData element = CMGetArrayElementAt(array, 0, &rc);
        EXPECT_EQ(element.type, c.type);
        EXPECT_EQ(element.state, CMPI_goodValue);
        EXPECT_EQ(std::memcmp(&element.value, &c.value, 8), 0);
    }
}

TEST_F(CmpiValuesTest, StringArraysTakeCharsAndStrings) {
    CMPIArray* array = CMNewArray(mb(), 3, CMPI_chars, nullptr);
    EXPECT_EQ(CMGetArrayType(array, nullptr), CMPI_string);
    ASSERT_EQ(CMSetArrayElementAt(array, 0, "10.0.0.1", CMPI_chars).rc, CMPI_RC_OK);
    CMPIString* second = CMNewString(mb(), "10.0.0.2", nullptr);
    ASSERT_EQ(CMSetArrayElementAt(array, 1, &second, CMPI_string).rc, CMPI_RC_OK);
    ASSERT_EQ(CMSetArrayElementAt(array, 2, nullptr, CMPI_chars).rc, CMPI_RC_OK);
    const CMPIData first = CMGetArrayElementAt(array, 0, nullptr);
    EXPECT_EQ(first.type, CMPI_string);
    EXPECT_EQ(text(first.value.string), "10.0.0.1");
    EXPECT_EQ(text(CMGetArrayElementAt(array, 1, nullptr).value.string), "10.0.0.2");
    EXPECT_TRUE(CMIsNullValue(CMGetArrayElementAt(array, 2, nullptr)));
    EXPECT_EQ(text(CDToString(mb(), array, nullptr)), R"({"10.0.0.1","10.0.0.2",NULL})");
}

TEST_F(CmpiValuesTest, ArrayRefusesWrongTypesAndIndexes) {
    CMPIArray* array = CMNewArray(mb(), 1, CMPI_uint16, nullptr);
    CMPIUint32 wide = 7;
    EXPECT_EQ(CMSetArrayElementAt(array, 0, &wide, CMPI_uint32).rc, CMPI_RC_ERR_TYPE_MISMATCH);
    CMPIUint16 narrow = 7;
    EXPECT_EQ(CMSetArrayElementAt(array, 1, &narrow, CMPI_uint16).rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    CMPIStatus rc{};
    const CMPIData missing = CMGetArrayElementAt(array, 5, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_TRUE(missing.state & CMPI_notFound);
    EXPECT_EQ(CMNewArray(mb(), 1, CMPI_args, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_DATA_TYPE);
}

TEST_F(CmpiValuesTest, ReferenceAndDateTimeArraysCopyTheirElements) {
    CMPIObjectPath* op = path("root/cimv2", "OVX_ComputerSystem");
    CMAddKey(op, "Name", "host1", CMPI_chars);
    CMPIArray* refs = CMNewArray(mb(), 1, CMPI_ref, nullptr);
    ASSERT_EQ(CMSetArrayElementAt(refs, 0, &op, CMPI_ref).rc, CMPI_RC_OK);
    CMAddKey(op, "Name", "changed", CMPI_chars);  // the array holds a copy
    const CMPIData ref = CMGetArrayElementAt(refs, 0, nullptr);
    ASSERT_EQ(ref.type, CMPI_ref);
    EXPECT_EQ(text(CMGetKey(ref.value.ref, "Name", nullptr).value.string), "host1");

    CMPIDateTime* when = CMNewDateTimeFromChars(mb(), "20240101000000.000000+000", nullptr);
    CMPIArray* times = CMNewArray(mb(), 1, CMPI_dateTime, nullptr);
    ASSERT_EQ(CMSetArrayElementAt(times, 0, &when, CMPI_dateTime).rc, CMPI_RC_OK);
    const CMPIData time = CMGetArrayElementAt(times, 0, nullptr);
    EXPECT_EQ(text(CMGetStringFormat(time.value.dateTime, nullptr)), "20240101000000.000000+000");
}

TEST_F(CmpiValuesTest, DateTimeFromCharsBinaryAndNow) {
    CMPIStatus rc{};
    CMPIDateTime* fromText = CMNewDateTimeFromChars(mb(), "19700102000000.000001+000", &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(CMGetBinaryFormat(fromText, nullptr), 86400000001ULL);
    EXPECT_FALSE(CMIsInterval(fromText, nullptr));

    CMPIDateTime* interval = CMNewDateTimeFromBinary(mb(), 90061000001ULL, 1, &rc);
    EXPECT_TRUE(CMIsInterval(interval, nullptr));
    EXPECT_EQ(text(CMGetStringFormat(interval, nullptr)), "00000001010101.000001:000");

    CMPIDateTime* now = CMNewDateTime(mb(), &rc);
    EXPECT_GT(CMGetBinaryFormat(now, nullptr), 1700000000000000ULL);

    CMPIDateTime* early = CMNewDateTimeFromChars(mb(), "19600101000000.000000+000", nullptr);
    EXPECT_EQ(CMGetBinaryFormat(early, &rc), 0u);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_FAILED);
}

TEST_F(CmpiValuesTest, InvalidDateTimeTextIsRefusedWithAMessage) {
    CMPIStatus rc{};
    EXPECT_EQ(CMNewDateTimeFromChars(mb(), "20241301000000.000000+000", &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_NE(text(rc.msg).find("month out of range"), std::string::npos);
    EXPECT_EQ(CMNewDateTimeFromChars(mb(), nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(CMNewDateTimeFromBinary(mb(), ~0ULL, 0, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(CmpiValuesTest, ConversionsRoundTripEveryKindOfValue) {
    ObjectPath target("root/cimv2", "OVX_Target");
    target.setKey("Id", Value::uint32(3));
    Instance embedded(target);
    embedded.setProperty("Id", Value::uint32(3));
    const std::vector<Value> values{
        Value::boolean(true),
        Value::char16('q'),
        Value::real64(6.25),
        Value::sint8(-1),
        Value::uint64(99),
        Value::string("text"),
        Value::dateTime(CimDateTime::parse("20240101000000.000000-300")),
        Value::reference(target),
        Value::instance(embedded),
        Value::array(CMPI_string, {Value::string("a"), Value::null(CMPI_string)}),
        Value::array(CMPI_ref, {Value::reference(target)}),
        Value::null(CMPI_uint16),
        Value::null(CMPI_refA),
    };
    for (const Value& value : values) {
        SCOPED_TRACE(value.toText());
        const CMPIData data = toCmpi(value);
        EXPECT_EQ(data.type, value.type());
        EXPECT_EQ(fromCmpi(data), value);
    }
}

TEST_F(CmpiValuesTest, ValuePassingConventions) {
    EXPECT_EQ(fromCmpi(reinterpret_cast<const CMPIValue*>("plain"), CMPI_chars),
              Value::string("plain"));
    EXPECT_EQ(fromCmpi(nullptr, CMPI_uint32), Value::null(CMPI_uint32));
    EXPECT_EQ(fromCmpi(nullptr, CMPI_chars), Value::null(CMPI_string));
    CMPIUint16 narrow = 513;  // a bare variable of the member's type
    EXPECT_EQ(fromCmpi(reinterpret_cast<const CMPIValue*>(&narrow), CMPI_uint16),
              Value::uint16(513));
    CMPIArray* array = CMNewArray(mb(), 1, CMPI_uint8, nullptr);
    CMPIValue passed{};
    passed.array = array;
    EXPECT_THROW(fromCmpi(&passed, CMPI_uint16A), CimError);
    EXPECT_EQ(fromCmpi(&passed, CMPI_uint8A).type(), CMPI_uint8A);
    CMPIData notFound{};
    notFound.type = CMPI_string;
    notFound.state = CMPI_notFound;
    EXPECT_TRUE(fromCmpi(notFound).isNull());
}

}  // namespace
}  // namespace ovx::host
