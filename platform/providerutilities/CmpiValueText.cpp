#include "CmpiValueText.h"

#include "cmpimacs.h"

namespace Quill::detail {

namespace {

std::optional<std::string> utf8OfChar16(CMPIChar16 unit) {
    // A lone UTF-16 surrogate is no character at all.
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        return std::nullopt;
    }
    std::string text;
    if (unit < 0x80) {
        text += static_cast<char>(unit);
    } else if (unit < 0x800) {
        text += static_cast<char>(0xC0 | (unit >> 6));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
        text += static_cast<char>(0xE0 | (unit >> 12));
        text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (unit & 0x3F));
    }
    return text;
}

std::optional<std::string> textOfPath(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return std::nullopt;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIString* const text = CMObjectPathToString(path, &status);
    if (status.rc != CMPI_RC_OK) {
        return std::nullopt;
    }
    return stringText(text);
}

std::optional<std::string> textOfDateTime(const CMPIDateTime* dateTime) {
    if (dateTime == nullptr) {
        return std::nullopt;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIString* const text = CMGetStringFormat(dateTime, &status);
    if (status.rc != CMPI_RC_OK) {
        return std::nullopt;
    }
    return stringText(text);
}

}  // namespace

bool holdsValue(const CMPIData& data) {
    constexpr CMPIValueState kNoValue = CMPI_nullValue | CMPI_notFound | CMPI_badValue;
    return (data.state & kNoValue) == 0;
}

std::optional<std::string> stringText(const CMPIString* string) {
    if (string == nullptr) {
        return std::nullopt;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const char* const characters = CMGetCharsPtr(string, &status);
    if (status.rc != CMPI_RC_OK || characters == nullptr) {
        return std::nullopt;
    }
    return std::string(characters);
}

std::optional<std::string> textOfStringData(const CMPIData& data) {
    if (!holdsValue(data)) {
        return std::nullopt;
    }
    if (data.type == CMPI_string) {
        return stringText(data.value.string);
    }
    if (data.type == CMPI_chars && data.value.chars != nullptr) {
        return std::string(data.value.chars);
    }
    return std::nullopt;
}

std::optional<std::string> keyValueText(const CMPIData& data) {
    if (!holdsValue(data)) {
        return std::nullopt;
    }
    const CMPIValue& value = data.value;
    switch (data.type) {
        case CMPI_string:
        case CMPI_chars:
            return textOfStringData(data);
        case CMPI_boolean:
            return std::string(value.boolean != 0 ? "true" : "false");
        case CMPI_char16:
            return utf8OfChar16(value.char16);
        case CMPI_uint8:
            return std::to_string(value.uint8);
        case CMPI_uint16:
            return std::to_string(value.uint16);
        case CMPI_uint32:
            return std::to_string(value.uint32);
        case CMPI_uint64:
            return std::to_string(value.uint64);
        case CMPI_sint8:
            return std::to_string(static_cast<int>(value.sint8));
        case CMPI_sint16:
            return std::to_string(value.sint16);
        case CMPI_sint32:
            return std::to_string(value.sint32);
        case CMPI_sint64:
            return std::to_string(value.sint64);
        case CMPI_ref:
            return textOfPath(value.ref);
        case CMPI_dateTime:
            return textOfDateTime(value.dateTime);
        default:
            return std::nullopt;
    }
}

bool fitsCString(const std::string& text) {
    return text.find('\0') == std::string::npos;
}

}  // namespace Quill::detail
