#include "ovx/host/value.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"

#include <charconv>
#include <cmath>

namespace ovx::host {

namespace {

bool isUnsignedType(CMPIType type) noexcept {
    return type == CMPI_uint8 || type == CMPI_uint16 || type == CMPI_uint32 || type == CMPI_uint64;
}

bool isSignedType(CMPIType type) noexcept {
    return type == CMPI_sint8 || type == CMPI_sint16 || type == CMPI_sint32 || type == CMPI_sint64;
}

bool isScalarType(CMPIType type) noexcept {
    return type == CMPI_boolean || type == CMPI_char16 || type == CMPI_real32 ||
           type == CMPI_real64 || isUnsignedType(type) || isSignedType(type) ||
           type == CMPI_string || type == CMPI_dateTime || type == CMPI_ref ||
           type == CMPI_instance;
}

// Text always travels as CMPI_string inside the host.
CMPIType normalised(CMPIType type) noexcept {
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    if (element == CMPI_chars) {
        return static_cast<CMPIType>((type & CMPI_ARRAY) | CMPI_string);
    }
    return type;
}

[[noreturn]] void mismatch(CMPIType actual, const char* wanted) {
    throw CimError(CMPI_RC_ERR_TYPE_MISMATCH,
                   "value of type " + typeName(actual) + " read as " + wanted);
}

template <typename Real>
std::string realText(Real value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-Infinity" : "Infinity";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, result.ptr);
    // A whole number keeps a fraction, so that the text reads back as a real
    // and not as an integer (a key would name another instance).
    if (text.find_first_of(".eE") == std::string::npos) {
        text += ".0";
    }
    return text;
}

}  // namespace

bool Value::isSupportedType(CMPIType type) noexcept {
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    if ((type & CMPI_ARRAY) == 0 && type == CMPI_null) {
        return true;
    }
    return isScalarType(element) || element == CMPI_chars;
}

Value Value::null(CMPIType type) {
    if (!isSupportedType(type)) {
        throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE,
                       "type code " + std::to_string(type) + " cannot hold a CIM value");
    }
    return Value(normalised(type), std::monostate{});
}

Value Value::boolean(bool value) {
    return Value(CMPI_boolean, value);
}
Value Value::char16(std::uint16_t value) {
    return Value(CMPI_char16, std::uint64_t{value});
}
Value Value::uint8(std::uint8_t value) {
    return Value(CMPI_uint8, std::uint64_t{value});
}
Value Value::uint16(std::uint16_t value) {
    return Value(CMPI_uint16, std::uint64_t{value});
}
Value Value::uint32(std::uint32_t value) {
    return Value(CMPI_uint32, std::uint64_t{value});
}
Value Value::uint64(std::uint64_t value) {
    return Value(CMPI_uint64, value);
}
Value Value::sint8(std::int8_t value) {
    return Value(CMPI_sint8, std::int64_t{value});
}
Value Value::sint16(std::int16_t value) {
    return Value(CMPI_sint16, std::int64_t{value});
}
Value Value::sint32(std::int32_t value) {
    return Value(CMPI_sint32, std::int64_t{value});
}
Value Value::sint64(std::int64_t value) {
    return Value(CMPI_sint64, value);
}
Value Value::real32(float value) {
    return Value(CMPI_real32, double{value});
}
Value Value::real64(double value) {
    return Value(CMPI_real64, value);
}
Value Value::string(std::string value) {
    return Value(CMPI_string, std::move(value));
}
Value Value::dateTime(CimDateTime value) {
    return Value(CMPI_dateTime, value);
}

Value Value::reference(ObjectPath value) {
    return Value(CMPI_ref, std::make_shared<const ObjectPath>(std::move(value)));
}

Value Value::instance(Instance value) {
    return Value(CMPI_instance, std::make_shared<const Instance>(std::move(value)));
}

Value Value::array(CMPIType elementType, std::vector<Value> elements) {
    const CMPIType element = normalised(static_cast<CMPIType>(elementType & ~CMPI_ARRAY));
    if (!isScalarType(element)) {
        throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE,
                       "type code " + std::to_string(elementType) + " cannot be an array element");
    }
    for (std::size_t i = 0; i < elements.size(); ++i) {
        Value& item = elements[i];
        if (item.type_ == CMPI_null) {
            item.type_ = element;  // an untyped null takes the array's type
        } else if (item.type_ != element) {
            throw CimError(CMPI_RC_ERR_TYPE_MISMATCH, "element " + std::to_string(i) + " of a " +
                                                          typeName(element) + " array has type " +
                                                          typeName(item.type_));
        }
    }
    return Value(static_cast<CMPIType>(element | CMPI_ARRAY), std::move(elements));
}

bool Value::isNull() const noexcept {
    return std::holds_alternative<std::monostate>(payload_);
}

template <typename T>
const T& Value::payloadAs(CMPIType expected) const {
    const T* payload = std::get_if<T>(&payload_);
    if (payload == nullptr || type_ != expected) {
        mismatch(type_, typeName(expected).c_str());
    }
    return *payload;
}

bool Value::asBoolean() const {
    return payloadAs<bool>(CMPI_boolean);
}

std::uint16_t Value::asChar16() const {
    return static_cast<std::uint16_t>(payloadAs<std::uint64_t>(CMPI_char16));
}

std::uint64_t Value::asUnsigned() const {
    if (!isUnsignedType(type_) || isNull()) {
        mismatch(type_, "an unsigned integer");
    }
    return std::get<std::uint64_t>(payload_);
}

std::int64_t Value::asSigned() const {
    if (!isSignedType(type_) || isNull()) {
        mismatch(type_, "a signed integer");
    }
    return std::get<std::int64_t>(payload_);
}

double Value::asReal() const {
    if ((type_ != CMPI_real32 && type_ != CMPI_real64) || isNull()) {
        mismatch(type_, "a real number");
    }
    return std::get<double>(payload_);
}

const std::string& Value::asString() const {
    return payloadAs<std::string>(CMPI_string);
}

const CimDateTime& Value::asDateTime() const {
    return payloadAs<CimDateTime>(CMPI_dateTime);
}

const ObjectPath& Value::asReference() const {
    return *payloadAs<std::shared_ptr<const ObjectPath>>(CMPI_ref);
}

const Instance& Value::asInstance() const {
    return *payloadAs<std::shared_ptr<const Instance>>(CMPI_instance);
}

const std::vector<Value>& Value::elements() const {
    if (!isArray() || isNull()) {
        mismatch(type_, "an array");
    }
    return std::get<std::vector<Value>>(payload_);
}

std::string Value::toText() const {
    if (isNull()) {
        return "NULL";
    }
    if (isArray()) {
        std::string text = "{";
        const auto& items = elements();
        for (std::size_t i = 0; i < items.size(); ++i) {
            text += (i == 0 ? "" : ",") + items[i].toText();
        }
        return text + "}";
    }
    switch (type_) {
        case CMPI_boolean:
            return asBoolean() ? "TRUE" : "FALSE";
        case CMPI_char16: {
            const std::uint16_t c = asChar16();
            return c < 0x80 ? quoteCimString(std::string(1, static_cast<char>(c)))
                            : std::to_string(c);
        }
        case CMPI_real32:
            return realText(static_cast<float>(asReal()));
        case CMPI_real64:
            return realText(asReal());
        case CMPI_string:
            return quoteCimString(asString());
        case CMPI_dateTime:
            return quoteCimString(asDateTime().toString());
        case CMPI_ref:
            return quoteCimString(asReference().toString());
        case CMPI_instance:
            return quoteCimString(asInstance().toString());
        default:
            break;
    }
    if (isUnsignedType(type_)) {
        return std::to_string(asUnsigned());
    }
    return std::to_string(asSigned());
}

bool operator==(const Value& left, const Value& right) {
    if (left.type_ != right.type_ || left.isNull() != right.isNull()) {
        return false;
    }
    if (left.type_ == CMPI_ref && !left.isNull()) {
        return left.asReference() == right.asReference();
    }
    if (left.type_ == CMPI_instance && !left.isNull()) {
        return left.asInstance() == right.asInstance();
    }
    return left.payload_ == right.payload_;
}

std::string quoteCimString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + "\"";
}

std::string typeName(CMPIType type) {
    const bool array = (type & CMPI_ARRAY) != 0;
    const CMPIType element = static_cast<CMPIType>(type & ~CMPI_ARRAY);
    std::string name;
    switch (element) {
        case CMPI_null:
            name = "null";
            break;
        case CMPI_boolean:
            name = "boolean";
            break;
        case CMPI_char16:
            name = "char16";
            break;
        case CMPI_real32:
            name = "real32";
            break;
        case CMPI_real64:
            name = "real64";
            break;
        case CMPI_uint8:
            name = "uint8";
            break;
        case CMPI_uint16:
            name = "uint16";
            break;
        case CMPI_uint32:
            name = "uint32";
            break;
        case CMPI_uint64:
            name = "uint64";
            break;
        case CMPI_sint8:
            name = "sint8";
            break;
        case CMPI_sint16:
            name = "sint16";
            break;
        case CMPI_sint32:
            name = "sint32";
            break;
        case CMPI_sint64:
            name = "sint64";
            break;
        case CMPI_string:
            name = "string";
            break;
        case CMPI_chars:
            name = "chars";
            break;
        case CMPI_dateTime:
            name = "datetime";
            break;
        case CMPI_ref:
            name = "reference";
            break;
        case CMPI_instance:
            name = "instance";
            break;
        case CMPI_args:
            name = "args";
            break;
        case CMPI_enumeration:
            name = "enumeration";
            break;
        default:
            name = "type " + std::to_string(element);
            break;
    }
    return array ? name + "[]" : name;
}

}  // namespace ovx::host
