#include "quillcommon.h"

#include <cstdint>

namespace Quill {

namespace {

static_assert(sizeof(wchar_t) == 4, "wide text is taken to hold one code point per wchar_t");

constexpr char32_t kReplacement = 0xFFFD;
// Undecodable bytes 0x80..0xFF travel as U+DC80..U+DCFF (never produced by
// valid UTF-8, since surrogates cannot be encoded in it).
constexpr char32_t kEscapeBase = 0xDC00;

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// Length of the valid UTF-8 sequence starting at text[at], or 0 when the byte
// there does not start one; overlong forms and encoded surrogates are invalid.
std::size_t sequenceLength(const std::string& text, std::size_t at) {
    const auto byte = [&](std::size_t offset) {
        return static_cast<unsigned char>(text[at + offset]);
    };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        secondLow = lead == 0xE0 ? 0xA0 : 0x80;
        secondHigh = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        secondLow = lead == 0xF0 ? 0x90 : 0x80;
        secondHigh = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    if (byte(1) < secondLow || byte(1) > secondHigh) {
        return 0;
    }
    for (std::size_t offset = 2; offset < length; ++offset) {
        if (!isContinuation(byte(offset))) {
            return 0;
        }
    }
    return length;
}

char32_t decode(const std::string& text, std::size_t at, std::size_t length) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (length == 1) {
        return lead;
    }
    static constexpr unsigned char kLeadMask[] = {0, 0, 0x1F, 0x0F, 0x07};
    char32_t codePoint = lead & kLeadMask[length];
    for (std::size_t offset = 1; offset < length; ++offset) {
        codePoint = (codePoint << 6) | (static_cast<unsigned char>(text[at + offset]) & 0x3F);
    }
    return codePoint;
}

void encode(std::string& out, char32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

std::wstring make_wstring(const std::string& text) {
    std::wstring wide;
    wide.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) {
            wide += static_cast<wchar_t>(kEscapeBase + static_cast<unsigned char>(text[at]));
            ++at;
        } else {
            wide += static_cast<wchar_t>(decode(text, at, length));
            at += length;
        }
    }
    return wide;
}

std::string make_string(const std::wstring& text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const wchar_t character : text) {
        const auto codePoint = static_cast<char32_t>(static_cast<std::uint32_t>(character));
        if (codePoint >= kEscapeBase + 0x80 && codePoint <= kEscapeBase + 0xFF) {
            narrow += static_cast<char>(codePoint - kEscapeBase);
        } else if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) {
            encode(narrow, kReplacement);
        } else {
            encode(narrow, codePoint);
        }
    }
    return narrow;
}

}  // namespace Quill
