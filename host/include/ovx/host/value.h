// A CIM value as the host keeps it, free of CMPI handles: a CMPI type code,
// a null flag and the payload. Arrays carry CMPI_ARRAY in their type and hold
// their elements as scalar Values (each may be null). CMPI_chars is never a
// stored type: text is always CMPI_string.
#pragma once

#include "ovx/host/datetime.h"

#include <cmpidt.h>

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace ovx::host {

class ObjectPath;
class Instance;

class Value {
  public:
    // A null value of no particular type (CMPI_null).
    Value() = default;

    static Value null(CMPIType type);
    static Value boolean(bool value);
    static Value char16(std::uint16_t value);
    static Value uint8(std::uint8_t value);
    static Value uint16(std::uint16_t value);
    static Value uint32(std::uint32_t value);
    static Value uint64(std::uint64_t value);
    static Value sint8(std::int8_t value);
    static Value sint16(std::int16_t value);
    static Value sint32(std::int32_t value);
    static Value sint64(std::int64_t value);
    static Value real32(float value);
    static Value real64(double value);
    static Value string(std::string value);
    static Value dateTime(CimDateTime value);
    static Value reference(ObjectPath value);
    static Value instance(Instance value);
    // Every element must be of elementType or a null; throws
    // CimError(CMPI_RC_ERR_TYPE_MISMATCH) otherwise.
    static Value array(CMPIType elementType, std::vector<Value> elements);

    // True for every type code a Value can hold, scalar or array.
    static bool isSupportedType(CMPIType type) noexcept;

    CMPIType type() const noexcept { return type_; }
    CMPIType elementType() const noexcept { return static_cast<CMPIType>(type_ & ~CMPI_ARRAY); }
    bool isNull() const noexcept;
    bool isArray() const noexcept { return (type_ & CMPI_ARRAY) != 0; }

    // Each accessor throws CimError(CMPI_RC_ERR_TYPE_MISMATCH) when the value
    // is null or of another type. asUnsigned serves uint8..uint64,
    // asSigned sint8..sint64, asReal real32 and real64.
    bool asBoolean() const;
    std::uint16_t asChar16() const;
    std::uint64_t asUnsigned() const;
    std::int64_t asSigned() const;
    double asReal() const;
    const std::string& asString() const;
    const CimDateTime& asDateTime() const;
    const ObjectPath& asReference() const;
    const Instance& asInstance() const;
    const std::vector<Value>& elements() const;

    // The literal form used in object paths: strings and datetimes quoted
    // (with \" and \\ escaped), booleans TRUE/FALSE, numbers bare, references
    // as a quoted path, arrays as {a,b}, null as NULL.
    std::string toText() const;

    friend bool operator==(const Value& left, const Value& right);
    friend bool operator!=(const Value& left, const Value& right) { return !(left == right); }

  private:
    using Payload = std::variant<std::monostate, bool, std::uint64_t, std::int64_t, double,
                                 std::string, CimDateTime, std::shared_ptr<const ObjectPath>,
                                 std::shared_ptr<const Instance>, std::vector<Value>>;

    Value(CMPIType type, Payload payload) : type_(type), payload_(std::move(payload)) {}

    template <typename T>
    const T& payloadAs(CMPIType expected) const;

    CMPIType type_ = CMPI_null;
    Payload payload_;
};

// Quotes text for an object path or MOF literal: "..." with \" and \\.
std::string quoteCimString(const std::string& text);

// A readable name of a type code, e.g. "uint16" or "string[]".
std::string typeName(CMPIType type);

}  // namespace ovx::host
