#include "quillcommon.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using Quill::make_string;
using Quill::make_wstring;

TEST(MakeWstring, DecodesEachUtf8LengthToItsCodePoint) {
    EXPECT_EQ(make_wstring("eth0"), L"eth0");
    EXPECT_EQ(make_wstring("\xC3\xBC"), std::wstring(1, 0xFC));              // ü
    EXPECT_EQ(make_wstring("\xE2\x9C\x93"), std::wstring(1, 0x2713));        // ✓
    EXPECT_EQ(make_wstring("\xF0\x9F\x98\x80"), std::wstring(1, 0x1F600));   // 😀
    EXPECT_EQ(make_wstring("\xF4\x8F\xBF\xBF"), std::wstring(1, 0x10FFFF));  // highest
    EXPECT_EQ(make_wstring(""), L"");
    EXPECT_EQ(make_wstring(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(MakeWstring, EscapesEachInvalidByteSeparately) {
    const wchar_t escape = 0xDC00;
    // Lone continuation byte, a byte never valid, a cut-off sequence,
    // an overlong form, an encoded surrogate and a value beyond U+10FFFF.
    EXPECT_EQ(make_wstring("a\x80z"), (std::wstring{L'a', wchar_t(escape + 0x80), L'z'}));
    EXPECT_EQ(make_wstring("\xFF"), std::wstring(1, escape + 0xFF));
    EXPECT_EQ(make_wstring("\xE2\x82"),
              (std::wstring{wchar_t(escape + 0xE2), wchar_t(escape + 0x82)}));
    EXPECT_EQ(make_wstring("\xC0\xAF"),
              (std::wstring{wchar_t(escape + 0xC0), wchar_t(escape + 0xAF)}));
    EXPECT_EQ(
        make_wstring("\xED\xA0\x80"),
        (std::wstring{wchar_t(escape + 0xED), wchar_t(escape + 0xA0), wchar_t(escape + 0x80)}));
    EXPECT_EQ(make_wstring("\xF4\x90\x80\x80").size(), 4u);
    // A valid character right after an invalid byte is still decoded.
    EXPECT_EQ(make_wstring("\xE2\xC3\xBC"), (std::wstring{wchar_t(escape + 0xE2), wchar_t(0xFC)}));
}

TEST(MakeString, WritesNonCharactersAsReplacement) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(make_string(std::wstring(1, 0xD800)), replacement);  // lone high surrogate
    EXPECT_EQ(make_string(std::wstring(1, 0xDC10)), replacement);  // low surrogate, no byte
    EXPECT_EQ(make_string(std::wstring(1, 0x110000)), replacement);
    EXPECT_EQ(make_string(std::wstring(1, static_cast<wchar_t>(-1))), replacement);
}

TEST(Utf8RoundTrip, EverySingleByteSurvives) {
    for (int byte = 0; byte < 256; ++byte) {
        const std::string text(1, static_cast<char>(byte));
        EXPECT_EQ(make_string(make_wstring(text)), text) << byte;
    }
}

TEST(Utf8RoundTrip, ArbitraryBytesSurvive) {
    std::mt19937 generator(20240521);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> length(0, 40);
    for (int sample = 0; sample < 2000; ++sample) {
        std::string text(static_cast<std::size_t>(length(generator)), '\0');
        for (char& c : text) {
            c = static_cast<char>(byte(generator));
        }
        ASSERT_EQ(make_string(make_wstring(text)), text) << sample;
    }
}

TEST(Utf8RoundTrip, EveryScalarValueSurvives) {
    std::wstring all;
    for (wchar_t c = 1; c <= 0x10FFFF; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            all += c;
        }
    }
    const std::string narrow = make_string(all);
    EXPECT_EQ(make_wstring(narrow), all);
}

}  // namespace
