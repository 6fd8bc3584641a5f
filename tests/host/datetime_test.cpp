#include "ovx/host/cim_error.h"
#include "ovx/host/datetime.h"

#include <gtest/gtest.h>

#include <string>

namespace ovx::host {
namespace {

std::string errorOf(const std::string& text) {
    try {
        CimDateTime::parse(text);
    } catch (const CimError& error) {
        EXPECT_EQ(error.rc(), CMPI_RC_ERR_INVALID_PARAMETER);
        return error.what();
    }
    return {};
}

TEST(DateTimeTest, TimestampTextToMicrosecondsAndBack) {
    const CimDateTime time = CimDateTime::parse("20240229123456.654321+000");
    EXPECT_FALSE(time.isInterval());
    // 2024-02-29 is day 19782 after the epoch.
    EXPECT_EQ(time.microseconds(),
              ((19782LL * 86400 + 12 * 3600 + 34 * 60 + 56) * 1000000) + 654321);
    EXPECT_EQ(time.toString(), "20240229123456.654321+000");
    EXPECT_EQ(CimDateTime::fromMicroseconds(time.microseconds(), false), time);
}

TEST(DateTimeTest, OffsetIsKeptInTextAndRemovedFromBinary) {
    const CimDateTime east = CimDateTime::parse("19700101010000.000000+060");
    EXPECT_EQ(east.microseconds(), 0);
    EXPECT_EQ(east.utcOffsetMinutes(), 60);
    EXPECT_EQ(east.toString(), "19700101010000.000000+060");
    const CimDateTime west = CimDateTime::parse("19691231230000.000000-060");
    EXPECT_EQ(west.microseconds(), 0);
    EXPECT_EQ(west.toString(), "19691231230000.000000-060");
}

TEST(DateTimeTest, DatesBeforeTheEpochAreNegative) {
    const CimDateTime time = CimDateTime::parse("19691231235959.999999+000");
    EXPECT_EQ(time.microseconds(), -1);
    EXPECT_EQ(time.toString(), "19691231235959.999999+000");
}

TEST(DateTimeTest, IntervalTextAndBinary) {
    const CimDateTime interval = CimDateTime::parse("00000001020304.000005:000");
    EXPECT_TRUE(interval.isInterval());
    EXPECT_EQ(interval.microseconds(), ((86400LL + 2 * 3600 + 3 * 60 + 4) * 1000000) + 5);
    EXPECT_EQ(CimDateTime::fromMicroseconds(interval.microseconds(), true).toString(),
              "00000001020304.000005:000");
    EXPECT_EQ(CimDateTime::fromMicroseconds(0, true).toString(), "00000000000000.000000:000");
}

TEST(DateTimeTest, LimitsOfBinaryForm) {
    EXPECT_EQ(CimDateTime::fromMicroseconds(253402300799999999ULL, false).toString(),
              "99991231235959.999999+000");
    EXPECT_THROW(CimDateTime::fromMicroseconds(253402300800000000ULL, false), CimError);
    EXPECT_EQ(CimDateTime::fromMicroseconds(8639999999999999999ULL, true).toString(),
              "99999999235959.999999:000");
    EXPECT_THROW(CimDateTime::fromMicroseconds(8640000000000000000ULL, true), CimError);
}

TEST(DateTimeTest, InvalidTextNamesThePosition) {
    EXPECT_NE(errorOf("2024").find("expected 25 characters, got 4"), std::string::npos);
    EXPECT_NE(errorOf("20241301000000.000000+000").find("month out of range at position 4"),
              std::string::npos);
    EXPECT_NE(errorOf("20230229000000.000000+000").find("day out of range at position 6"),
              std::string::npos);
    EXPECT_NE(errorOf("20240101240000.000000+000").find("hours out of range at position 8"),
              std::string::npos);
    EXPECT_NE(errorOf("20240101000000,000000+000").find("expected '.' at position 14"),
              std::string::npos);
    EXPECT_NE(errorOf("20240101000000.000000*000").find("at position 21"), std::string::npos);
    EXPECT_NE(errorOf("2024010100000x.000000+000").find("expected a digit at position 13"),
              std::string::npos);
    EXPECT_NE(errorOf("2024****000000.000000+000").find("wildcard"), std::string::npos);
    EXPECT_NE(errorOf("00000001000000.000000:001").find("position 22"), std::string::npos);
    EXPECT_FALSE(CimDateTime::isValidText("20240230000000.000000+000"));
    EXPECT_TRUE(CimDateTime::isValidText("20000229000000.000000+000"));
}

TEST(DateTimeTest, NowIsATimestampAfterThisCode) {
    const CimDateTime now = CimDateTime::now();
    EXPECT_FALSE(now.isInterval());
    EXPECT_GT(now.microseconds(), CimDateTime::parse("20240101000000.000000+000").microseconds());
}

}  // namespace
}  // namespace ovx::host
