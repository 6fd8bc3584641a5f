#include "literals.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/datetime.h"
#include "ovx/host/names.h"
#include "ovx/host/object_path.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <utility>

namespace ovx::host::mof::detail {

namespace {

[[noreturn]] void fail(const SourceLocation& where, const std::string& message) {
    throw SourceError(where, message);
}

struct Integer {
    bool negative = false;
    std::uint64_t magnitude = 0;
};

unsigned digitValue(char c) {
    if (c >= '0' && c <= '9') {
        return static_cast<unsigned>(c - '0');
    }
    if (c >= 'a' && c <= 'f') {
        return static_cast<unsigned>(c - 'a' + 10);
    }
    if (c >= 'A' && c <= 'F') {
        return static_cast<unsigned>(c - 'A' + 10);
    }
    return 99;
}

// Decimal, 0x hexadecimal, 0 octal, or binary with a b suffix.
Integer parseInteger(const Literal& literal) {
    std::string_view text = literal.text;
    Integer result;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        result.negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned base = 10;
    const char* baseName = "decimal";
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        baseName = "hexadecimal";
        text.remove_prefix(2);
    } else if (!text.empty() && (text.back() == 'b' || text.back() == 'B')) {
        base = 2;
        baseName = "binary";
        text.remove_suffix(1);
    } else if (text.size() > 1 && text[0] == '0') {
        base = 8;
        baseName = "octal";
        text.remove_prefix(1);
    }
    for (const char c : text) {
        const unsigned digit = digitValue(c);
        if (digit >= base) {
            fail(literal.where, "invalid digit '" + std::string(1, c) + "' in " + baseName +
                                    " number " + literal.text);
        }
        if (result.magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / base) {
            fail(literal.where, "number " + literal.text + " is too large");
        }
        result.magnitude = result.magnitude * base + digit;
    }
    if (result.magnitude == 0) {
        result.negative = false;
    }
    return result;
}

double parseReal(const Literal& literal) {
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(literal.text.c_str(), &end);
    if (end != literal.text.c_str() + literal.text.size() || errno == ERANGE ||
        !std::isfinite(value)) {
        fail(literal.where, "real number " + literal.text + " is out of range");
    }
    return value;
}

struct IntegerRange {
    CMPIType type;
    bool isSigned;
    std::uint64_t maxMagnitudePositive;
    std::uint64_t maxMagnitudeNegative;
};

constexpr std::array<IntegerRange, 8> kIntegerRanges{{
    {CMPI_uint8, false, 0xFF, 0},
    {CMPI_uint16, false, 0xFFFF, 0},
    {CMPI_uint32, false, 0xFFFFFFFF, 0},
    {CMPI_uint64, false, std::numeric_limits<std::uint64_t>::max(), 0},
    {CMPI_sint8, true, 0x7F, 0x80},
    {CMPI_sint16, true, 0x7FFF, 0x8000},
    {CMPI_sint32, true, 0x7FFFFFFF, 0x80000000},
    {CMPI_sint64, true, 0x7FFFFFFFFFFFFFFF, 0x8000000000000000},
}};

const IntegerRange* integerRange(CMPIType type) {
    for (const IntegerRange& range : kIntegerRanges) {
        if (range.type == type) {
            return &range;
        }
    }
    return nullptr;
}

Value integerValue(const Integer& number, CMPIType type) {
    const auto signedValue = [&number]() {
        return number.negative
                   ? static_cast<std::int64_t>(~number.magnitude + 1)  // two's complement
                   : static_cast<std::int64_t>(number.magnitude);
    };
    switch (type) {
        case CMPI_uint8:
            return Value::uint8(static_cast<std::uint8_t>(number.magnitude));
        case CMPI_uint16:
            return Value::uint16(static_cast<std::uint16_t>(number.magnitude));
        case CMPI_uint32:
            return Value::uint32(static_cast<std::uint32_t>(number.magnitude));
        case CMPI_uint64:
            return Value::uint64(number.magnitude);
        case CMPI_sint8:
            return Value::sint8(static_cast<std::int8_t>(signedValue()));
        case CMPI_sint16:
            return Value::sint16(static_cast<std::int16_t>(signedValue()));
        case CMPI_sint32:
            return Value::sint32(static_cast<std::int32_t>(signedValue()));
        default:
            return Value::sint64(signedValue());
    }
}

std::uint16_t char16Of(const Literal& literal) {
    const std::string& text = literal.text;
    const auto byte = [&text](std::size_t index) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(text[index]));
    };
    std::uint32_t codePoint = 0;
    if (text.size() == 1) {
        codePoint = byte(0);
    } else if (text.size() == 2) {
        codePoint = ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
    } else if (text.size() == 3) {
        codePoint = ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
    } else {
        fail(literal.where, "character outside the range of char16");
    }
    return static_cast<std::uint16_t>(codePoint);
}

const char* kindName(Literal::Kind kind) {
    switch (kind) {
        case Literal::Kind::Null:
            return "null";
        case Literal::Kind::Boolean:
            return "a boolean";
        case Literal::Kind::Integer:
            return "an integer";
        case Literal::Kind::Real:
            return "a real number";
        case Literal::Kind::String:
            return "a string";
        case Literal::Kind::Char:
            return "a character";
    }
    return "a value";
}

[[noreturn]] void failMismatch(const Literal& literal, CMPIType type) {
    fail(literal.where, std::string("expected a value of type ") + typeName(type) + ", found " +
                            kindName(literal.kind));
}

Value scalarForType(const Literal& literal, CMPIType type) {
    if (literal.kind == Literal::Kind::Null) {
        return Value::null(type);
    }
    if (const IntegerRange* range = integerRange(type)) {
        if (literal.kind != Literal::Kind::Integer) {
            failMismatch(literal, type);
        }
        const Integer number = parseInteger(literal);
        if ((number.negative &&
             (!range->isSigned || number.magnitude > range->maxMagnitudeNegative)) ||
            (!number.negative && number.magnitude > range->maxMagnitudePositive)) {
            fail(literal.where, "value " + literal.text + " is out of range for " + typeName(type));
        }
        return integerValue(number, type);
    }
    switch (type) {
        case CMPI_boolean:
            if (literal.kind != Literal::Kind::Boolean) {
                failMismatch(literal, type);
            }
            return Value::boolean(literal.text == "true");
        case CMPI_real32:
        case CMPI_real64: {
            if (literal.kind != Literal::Kind::Real && literal.kind != Literal::Kind::Integer) {
                failMismatch(literal, type);
            }
            double value = 0;
            if (literal.kind == Literal::Kind::Real) {
                value = parseReal(literal);
            } else {
                const Integer number = parseInteger(literal);
                value = static_cast<double>(number.magnitude) * (number.negative ? -1.0 : 1.0);
            }
            if (type == CMPI_real64) {
                return Value::real64(value);
            }
            if (std::fabs(value) > std::numeric_limits<float>::max()) {
                fail(literal.where, "value " + literal.text + " is out of range for real32");
            }
            return Value::real32(static_cast<float>(value));
        }
        case CMPI_char16:
            if (literal.kind != Literal::Kind::Char) {
                failMismatch(literal, type);
            }
            return Value::char16(char16Of(literal));
        case CMPI_string:
            if (literal.kind != Literal::Kind::String) {
                failMismatch(literal, type);
            }
            return Value::string(literal.text);
        case CMPI_dateTime:
            if (literal.kind != Literal::Kind::String) {
                failMismatch(literal, type);
            }
            try {
                return Value::dateTime(CimDateTime::parse(literal.text));
            } catch (const CimError& error) {
                fail(literal.where, "invalid datetime \"" + literal.text + "\": " + error.what());
            }
        case CMPI_ref:
            if (literal.kind != Literal::Kind::String) {
                failMismatch(literal, type);
            }
            try {
                return Value::reference(ObjectPath::parse(literal.text));
            } catch (const CimError& error) {
                fail(literal.where,
                     "invalid object path \"" + literal.text + "\": " + error.what());
            }
        default:
            break;
    }
    failMismatch(literal, type);
}

}  // namespace

CMPIType dataTypeFromKeyword(std::string_view keyword) noexcept {
    static constexpr std::array<std::pair<std::string_view, CMPIType>, 14> kTypes{{
        {"boolean", CMPI_boolean},
        {"string", CMPI_string},
        {"char16", CMPI_char16},
        {"datetime", CMPI_dateTime},
        {"uint8", CMPI_uint8},
        {"uint16", CMPI_uint16},
        {"uint32", CMPI_uint32},
        {"uint64", CMPI_uint64},
        {"sint8", CMPI_sint8},
        {"sint16", CMPI_sint16},
        {"sint32", CMPI_sint32},
        {"sint64", CMPI_sint64},
        {"real32", CMPI_real32},
        {"real64", CMPI_real64},
    }};
    for (const auto& [name, type] : kTypes) {
        if (namesEqual(name, keyword)) {
            return type;
        }
    }
    return CMPI_null;
}

Value valueForType(const Initializer& initializer, CMPIType type,
                   const std::optional<std::uint32_t>& arraySize) {
    const bool arrayType = (type & CMPI_ARRAY) != 0;
    const auto elementType = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    const bool nullScalar = !initializer.isArray && initializer.elements.size() == 1 &&
                            initializer.elements.front().kind == Literal::Kind::Null;
    if (arrayType && nullScalar) {
        return Value::null(type);
    }
    if (arrayType != initializer.isArray) {
        fail(initializer.where, arrayType ? "an array needs a value in braces: { ... }"
                                          : "a scalar cannot take a value in braces");
    }
    if (!arrayType) {
        return scalarForType(initializer.elements.front(), type);
    }
    if (arraySize && initializer.elements.size() > *arraySize) {
        fail(initializer.where, "array of size " + std::to_string(*arraySize) + " given " +
                                    std::to_string(initializer.elements.size()) + " values");
    }
    std::vector<Value> elements;
    elements.reserve(initializer.elements.size());
    for (const Literal& literal : initializer.elements) {
        elements.push_back(scalarForType(literal, elementType));
    }
    return Value::array(elementType, std::move(elements));
}

Value qualifierValue(const RawQualifier& qualifier) {
    if (!qualifier.value) {
        return Value::boolean(true);
    }
    const Initializer& initializer = *qualifier.value;
    const auto typeOf = [](const Literal& literal) {
        switch (literal.kind) {
            case Literal::Kind::Boolean:
                return CMPI_boolean;
            case Literal::Kind::Integer: {
                const Integer number = parseInteger(literal);
                return number.negative || number.magnitude <= 0x7FFFFFFFFFFFFFFF ? CMPI_sint64
                                                                                 : CMPI_uint64;
            }
            case Literal::Kind::Real:
                return CMPI_real64;
            case Literal::Kind::String:
                return CMPI_string;
            case Literal::Kind::Char:
                return CMPI_char16;
            case Literal::Kind::Null:
                break;
        }
        return CMPI_null;
    };
    if (!initializer.isArray) {
        const Literal& literal = initializer.elements.front();
        const CMPIType type = typeOf(literal);
        return type == CMPI_null ? Value() : scalarForType(literal, type);
    }
    CMPIType elementType = CMPI_null;
    for (const Literal& literal : initializer.elements) {
        const CMPIType type = typeOf(literal);
        if (type == CMPI_null) {
            continue;
        }
        if (elementType == CMPI_null) {
            elementType = type;
        } else if (elementType != type) {
            fail(literal.where,
                 "the values of qualifier " + qualifier.name + " must all be of one type");
        }
    }
    if (elementType == CMPI_null) {
        elementType = CMPI_string;
    }
    std::vector<Value> elements;
    for (const Literal& literal : initializer.elements) {
        elements.push_back(scalarForType(literal, elementType));
    }
    return Value::array(elementType, std::move(elements));
}

}  // namespace ovx::host::mof::detail
