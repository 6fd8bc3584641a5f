#include "typed_values.h"

#include "usage_error.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/datetime.h"
#include "ovx/host/names.h"
#include "ovx/host/object_path.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

namespace ovx::cli {

namespace {

using host::Value;

bool isUnsignedType(CMPIType type) {
    return type == CMPI_uint8 || type == CMPI_uint16 || type == CMPI_uint32 || type == CMPI_uint64;
}

bool isSignedType(CMPIType type) {
    return type == CMPI_sint8 || type == CMPI_sint16 || type == CMPI_sint32 || type == CMPI_sint64;
}

bool isRealType(CMPIType type) {
    return type == CMPI_real32 || type == CMPI_real64;
}

[[noreturn]] void doesNotFit(std::string_view text, CMPIType type, const std::string& what,
                             const std::string& reason = {}) {
    std::string message = "the value \"" + std::string(text) + "\" for " + what +
                          " does not fit its type " + host::typeName(type);
    if (!reason.empty()) {
        message += ": " + reason;
    }
    throw UsageError(message);
}

std::uint64_t unsignedLimit(CMPIType type) {
    switch (type) {
        case CMPI_uint8:
            return std::numeric_limits<std::uint8_t>::max();
        case CMPI_uint16:
            return std::numeric_limits<std::uint16_t>::max();
        case CMPI_uint32:
            return std::numeric_limits<std::uint32_t>::max();
        default:
            return std::numeric_limits<std::uint64_t>::max();
    }
}

std::pair<std::int64_t, std::int64_t> signedLimits(CMPIType type) {
    switch (type) {
        case CMPI_sint8:
            return {std::numeric_limits<std::int8_t>::min(),
                    std::numeric_limits<std::int8_t>::max()};
        case CMPI_sint16:
            return {std::numeric_limits<std::int16_t>::min(),
                    std::numeric_limits<std::int16_t>::max()};
        case CMPI_sint32:
            return {std::numeric_limits<std::int32_t>::min(),
                    std::numeric_limits<std::int32_t>::max()};
        default:
            return {std::numeric_limits<std::int64_t>::min(),
                    std::numeric_limits<std::int64_t>::max()};
    }
}

std::optional<Value> unsignedValue(CMPIType type, std::uint64_t number) {
    if (number > unsignedLimit(type)) {
        return std::nullopt;
    }
    switch (type) {
        case CMPI_uint8:
            return Value::uint8(static_cast<std::uint8_t>(number));
        case CMPI_uint16:
            return Value::uint16(static_cast<std::uint16_t>(number));
        case CMPI_uint32:
            return Value::uint32(static_cast<std::uint32_t>(number));
        default:
            return Value::uint64(number);
    }
}

std::optional<Value> signedValue(CMPIType type, std::int64_t number) {
    const auto [low, high] = signedLimits(type);
    if (number < low || number > high) {
        return std::nullopt;
    }
    switch (type) {
        case CMPI_sint8:
            return Value::sint8(static_cast<std::int8_t>(number));
        case CMPI_sint16:
            return Value::sint16(static_cast<std::int16_t>(number));
        case CMPI_sint32:
            return Value::sint32(static_cast<std::int32_t>(number));
        default:
            return Value::sint64(number);
    }
}

// A magnitude in decimal or 0x-hexadecimal; nothing when the text is not
// entirely digits or overflows 64 bits.
std::optional<std::uint64_t> magnitudeFrom(std::string_view digits) {
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return magnitude;
}

Value integerFromText(std::string_view text, CMPIType type, const std::string& what) {
    std::string_view digits = text;
    bool negative = false;
    if (!digits.empty() && (digits[0] == '+' || digits[0] == '-')) {
        negative = digits[0] == '-';
        digits.remove_prefix(1);
    }
    const std::optional<std::uint64_t> magnitude = magnitudeFrom(digits);
    if (!magnitude) {
        doesNotFit(text, type, what, "expected an integer");
    }
    std::optional<Value> value;
    if (isUnsignedType(type)) {
        if (negative && *magnitude != 0) {
            doesNotFit(text, type, what, "it cannot be negative");
        }
        value = unsignedValue(type, *magnitude);
        if (!value) {
            doesNotFit(text, type, what,
                       "the largest value is " + std::to_string(unsignedLimit(type)));
        }
        return *std::move(value);
    }
    const auto [low, high] = signedLimits(type);
    const std::uint64_t highMagnitude = static_cast<std::uint64_t>(high);
    if (negative) {
        // The most negative value's magnitude is one past the largest positive.
        if (*magnitude > highMagnitude + 1) {
            doesNotFit(text, type, what, "the smallest value is " + std::to_string(low));
        }
        const std::int64_t number =
            *magnitude == highMagnitude + 1 ? low : -static_cast<std::int64_t>(*magnitude);
        return *signedValue(type, number);
    }
    if (*magnitude > highMagnitude) {
        doesNotFit(text, type, what, "the largest value is " + std::to_string(high));
    }
    return *signedValue(type, static_cast<std::int64_t>(*magnitude));
}

Value realFromText(std::string_view text, CMPIType type, const std::string& what) {
    std::string_view digits = text;
    if (!digits.empty() && digits[0] == '+') {
        digits.remove_prefix(1);
    }
    double number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
        !std::isfinite(number)) {
        doesNotFit(text, type, what, "expected a finite real number");
    }
    if (type == CMPI_real32) {
        if (std::fabs(number) > std::numeric_limits<float>::max()) {
            doesNotFit(text, type, what, "it is beyond the range of real32");
        }
        return Value::real32(static_cast<float>(number));
    }
    return Value::real64(number);
}

// One UTF-8 character of the Basic Multilingual Plane.
Value char16FromText(std::string_view text, const std::string& what) {
    const auto byteAt = [&](std::size_t index) { return static_cast<unsigned char>(text[index]); };
    std::uint32_t codePoint = 0;
    std::size_t length = 0;
    if (!text.empty()) {
        const unsigned char lead = byteAt(0);
        if (lead < 0x80) {
            codePoint = lead;
            length = 1;
        } else if ((lead & 0xE0) == 0xC0) {
            codePoint = lead & 0x1F;
            length = 2;
        } else if ((lead & 0xF0) == 0xE0) {
            codePoint = lead & 0x0F;
            length = 3;
        }
    }
    if (length == 0 || text.size() != length) {
        doesNotFit(text, CMPI_char16, what, "expected exactly one character");
    }
    for (std::size_t i = 1; i < length; ++i) {
        if ((byteAt(i) & 0xC0) != 0x80) {
            doesNotFit(text, CMPI_char16, what, "it is not valid UTF-8");
        }
        codePoint = (codePoint << 6) | (byteAt(i) & 0x3F);
    }
    return Value::char16(static_cast<std::uint16_t>(codePoint));
}

Value booleanFromText(std::string_view text, const std::string& what) {
    if (host::namesEqual(text, "true")) {
        return Value::boolean(true);
    }
    if (host::namesEqual(text, "false")) {
        return Value::boolean(false);
    }
    doesNotFit(text, CMPI_boolean, what, "expected true or false");
}

Value dateTimeFromText(std::string_view text, const std::string& what) {
    try {
        return Value::dateTime(host::CimDateTime::parse(text));
    } catch (const host::CimError& error) {
        doesNotFit(text, CMPI_dateTime, what,
                   std::string(error.what()) +
                       " (expected yyyymmddhhmmss.mmmmmm+utc or ddddddddhhmmss.mmmmmm:000)");
    }
}

Value referenceFromText(std::string_view text, const std::string& what) {
    try {
        host::ObjectPath path = host::ObjectPath::parse(text);
        return Value::reference(std::move(path));
    } catch (const host::CimError& error) {
        doesNotFit(text, CMPI_ref, what, error.what());
    }
}

// Text that may arrive quoted: strings, datetimes, references, characters.
bool acceptsQuotes(CMPIType type) {
    return type == CMPI_string || type == CMPI_dateTime || type == CMPI_ref || type == CMPI_char16;
}

// The text of a value, quotes already removed.
Value typedScalar(std::string_view text, CMPIType type, const std::string& what) {
    if (isUnsignedType(type) || isSignedType(type)) {
        return integerFromText(text, type, what);
    }
    if (isRealType(type)) {
        return realFromText(text, type, what);
    }
    switch (type) {
        case CMPI_boolean:
            return booleanFromText(text, what);
        case CMPI_char16:
            return char16FromText(text, what);
        case CMPI_string:
            return Value::string(std::string(text));
        case CMPI_dateTime:
            return dateTimeFromText(text, what);
        case CMPI_ref:
            return referenceFromText(text, what);
        default:
            throw UsageError(what + " is of type " + host::typeName(type) +
                             ", which cannot be given on the command line");
    }
}

Value scalarFromText(std::string_view written, CMPIType type, const std::string& what) {
    std::string unquoted;
    if (acceptsQuotes(type) && unquoteLiteral(written, unquoted)) {
        return typedScalar(unquoted, type, what);
    }
    if (written == "NULL") {
        return Value::null(type);
    }
    return typedScalar(written, type, what);
}

// Splits {a,"b,c",d} or a,b,d into element texts, keeping quotes so that
// each element unquotes by its type.
std::vector<std::string> arrayElementTexts(std::string_view text, CMPIType type,
                                           const std::string& what) {
    std::string_view body = text;
    if (!body.empty() && body.front() == '{') {
        if (body.size() < 2 || body.back() != '}') {
            doesNotFit(text, type, what, "missing the closing '}'");
        }
        body = body.substr(1, body.size() - 2);
    }
    std::vector<std::string> elements;
    if (body.empty()) {
        return elements;
    }
    std::string current;
    bool quoted = false;
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (quoted && c == '\\' && i + 1 < body.size()) {
            current += c;
            current += body[++i];
            continue;
        }
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            elements.push_back(std::move(current));
            current.clear();
            continue;
        }
        current += c;
    }
    if (quoted) {
        doesNotFit(text, type, what, "missing a closing '\"'");
    }
    elements.push_back(std::move(current));
    return elements;
}

Value arrayFromText(std::string_view text, CMPIType type, const std::string& what) {
    if (text == "NULL") {
        return Value::null(type);
    }
    const auto elementType = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    std::vector<Value> elements;
    for (const std::string& element : arrayElementTexts(text, type, what)) {
        elements.push_back(scalarFromText(element, elementType, what));
    }
    return Value::array(elementType, std::move(elements));
}

std::string numberText(const Value& value) {
    if (value.type() == CMPI_uint64) {
        return std::to_string(value.asUnsigned());
    }
    return std::to_string(value.asSigned());
}

}  // namespace

bool unquoteLiteral(std::string_view text, std::string& unquoted) {
    if (text.size() < 2 || text.front() != '"' || text.back() != '"') {
        return false;
    }
    std::string result;
    for (std::size_t i = 1; i + 1 < text.size(); ++i) {
        char c = text[i];
        if (c == '"') {
            return false;
        }
        if (c == '\\') {
            if (i + 2 >= text.size() || (text[i + 1] != '"' && text[i + 1] != '\\')) {
                return false;
            }
            c = text[++i];
        }
        result += c;
    }
    unquoted = std::move(result);
    return true;
}

host::Value valueFromText(std::string_view text, CMPIType type, const std::string& what) {
    if ((type & CMPI_ARRAY) != 0) {
        return arrayFromText(text, type, what);
    }
    return scalarFromText(text, type, what);
}

host::Value conformValue(const host::Value& value, CMPIType type, const std::string& what) {
    if (value.isNull()) {
        return Value::null(type);
    }
    if (value.type() == type) {
        return value;
    }
    if ((type & CMPI_ARRAY) != 0 || value.isArray()) {
        doesNotFit(value.toText(), type, what);
    }
    const CMPIType source = value.type();
    const bool integerSource = source == CMPI_sint64 || source == CMPI_uint64;
    if (source == CMPI_string) {
        // Quoted on the path: the text itself is what must fit.
        return typedScalar(value.asString(), type, what);
    }
    if (integerSource && (isUnsignedType(type) || isSignedType(type))) {
        return integerFromText(numberText(value), type, what);
    }
    if (integerSource && isRealType(type)) {
        return realFromText(numberText(value), type, what);
    }
    if (integerSource && type == CMPI_string) {
        return Value::string(numberText(value));
    }
    if (source == CMPI_ref && type == CMPI_string) {
        return Value::string(value.asReference().toString());
    }
    if (source == CMPI_real64 && type == CMPI_real32) {
        return realFromText(value.toText(), type, what);
    }
    doesNotFit(value.toText(), type, what);
}

}  // namespace ovx::cli
