#include "nxlogger.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <sstream>

namespace {

using NxLog::NxMessageBuffer;

TEST(NxMessageBuffer, AccumulatesEverythingStreamedInLikeAnyOstream) {
    NxMessageBuffer buffer;
    EXPECT_EQ(NxMessageBuffer::str(buffer), "");
    buffer << "ENTERING" << std::string(": ") << "f()";
    EXPECT_EQ(NxMessageBuffer::str(buffer), "ENTERING: f()");
    std::ostream& tail = buffer << " ratio=" << 0.5 << " ok=" << true << std::string("a\0b", 3);
    const std::string expected = std::string("ENTERING: f() ratio=0.5 ok=1a\0b", 31);
    EXPECT_EQ(NxMessageBuffer::str(tail), expected);
    EXPECT_EQ(buffer.str(), expected);
    std::ostringstream other;
    other << "text";
    EXPECT_EQ(NxMessageBuffer::str(other), "") << "a foreign stream has no buffer text";
}

// Addresses, typed or not, stream as hexadecimal numbers, never as text.
TEST(NxMessageBuffer, BuildsAParameterListWithAddressesAndNumbers) {
    struct Handle {
        int unused;
    };
    const Handle handle{};
    const void* const address = &handle;
    NxMessageBuffer buffer;
    buffer << " objectPath=" << address << " handle=" << &handle << " filterType=" << 3u
           << " line=" << -12;

    char expected[32];
    std::snprintf(expected, sizeof expected, "0x%jx",
                  static_cast<std::uintmax_t>(reinterpret_cast<std::uintptr_t>(address)));
    EXPECT_EQ(NxMessageBuffer::str(buffer), std::string(" objectPath=") + expected +
                                                " handle=" + expected + " filterType=3 line=-12");
}

TEST(NxMessageBuffer, NullPointersAreShownNotCrashedOn) {
    NxMessageBuffer buffer;
    const void* const noAddress = nullptr;
    const char* const noText = nullptr;
    buffer << noAddress << " " << noText;
    EXPECT_EQ(NxMessageBuffer::str(buffer), "0x0 (null)");
}

TEST(NxMessageBuffer, IntegersAreDecimalWhateverTheStreamFlags) {
    NxMessageBuffer buffer;
    buffer.setf(std::ios::hex, std::ios::basefield);
    buffer.setf(std::ios::showpos);
    buffer << 255 << ',' << LLONG_MIN << ',' << ULLONG_MAX << ',' << 7ul;
    EXPECT_EQ(NxMessageBuffer::str(buffer), "255,-9223372036854775808,18446744073709551615,7");
}

}  // namespace
