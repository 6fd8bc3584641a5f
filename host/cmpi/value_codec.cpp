#include "cmpi/value_codec.h"

#include "cmpi/array_handle.h"
#include "cmpi/datetime_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"
#include "ovx/host/cim_error.h"

#include <cstring>

namespace ovx::host::detail {

namespace {

Value arrayFrom(const CMPIArray* array, CMPIType announced) {
    const ArrayHandle& handle = requireHandle<ArrayHandle>(array, "CMPIArray");
    CMPIType element = static_cast<CMPIType>(announced & ~CMPI_ARRAY);
    if (element == CMPI_chars) {
        element = CMPI_string;
    }
    if (element != handle.elementType) {
        throw CimError(
            CMPI_RC_ERR_TYPE_MISMATCH,
            "a " + typeName(handle.elementType) + " array was passed as " + typeName(announced));
    }
    return handle.toValue();
}

// Providers may point at a variable of just the selected member's type (a
// CMPIUint16, say), so only that many bytes are read, whatever the alignment.
template <typename T>
T member(const CMPIValue* value) {
    T read{};
    std::memcpy(&read, static_cast<const void*>(value), sizeof read);
    return read;
}

Value scalarFrom(const CMPIValue* value, CMPIType type) {
    switch (type) {
        case CMPI_boolean:
            return Value::boolean(member<CMPIBoolean>(value) != 0);
        case CMPI_char16:
            return Value::char16(member<CMPIChar16>(value));
        case CMPI_real32:
            return Value::real32(member<CMPIReal32>(value));
        case CMPI_real64:
            return Value::real64(member<CMPIReal64>(value));
        case CMPI_uint8:
            return Value::uint8(member<CMPIUint8>(value));
        case CMPI_uint16:
            return Value::uint16(member<CMPIUint16>(value));
        case CMPI_uint32:
            return Value::uint32(member<CMPIUint32>(value));
        case CMPI_uint64:
            return Value::uint64(member<CMPIUint64>(value));
        case CMPI_sint8:
            return Value::sint8(member<CMPISint8>(value));
        case CMPI_sint16:
            return Value::sint16(member<CMPISint16>(value));
        case CMPI_sint32:
            return Value::sint32(member<CMPISint32>(value));
        case CMPI_sint64:
            return Value::sint64(member<CMPISint64>(value));
        case CMPI_string: {
            const auto* string = member<CMPIString*>(value);
            return string == nullptr ? Value::null(CMPI_string) : Value::string(textOf(string));
        }
        case CMPI_dateTime: {
            const auto* dateTime = member<CMPIDateTime*>(value);
            return dateTime == nullptr
                       ? Value::null(CMPI_dateTime)
                       : Value::dateTime(
                             requireHandle<DateTimeHandle>(dateTime, "CMPIDateTime").value);
        }
        case CMPI_ref: {
            const auto* path = member<CMPIObjectPath*>(value);
            return path == nullptr
                       ? Value::null(CMPI_ref)
                       : Value::reference(
                             requireHandle<ObjectPathHandle>(path, "CMPIObjectPath").path);
        }
        case CMPI_instance: {
            const auto* instance = member<CMPIInstance*>(value);
            return instance == nullptr
                       ? Value::null(CMPI_instance)
                       : Value::instance(
                             requireHandle<InstanceHandle>(instance, "CMPIInstance").instance);
        }
        default:
            throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE,
                           "type code " + std::to_string(type) + " cannot hold a CIM value");
    }
}

}  // namespace

Value valueFrom(const CMPIValue* value, CMPIType type) {
    if (type == CMPI_null) {
        return Value();
    }
    if (value == nullptr) {
        return Value::null(type);
    }
    if ((type & CMPI_ARRAY) != 0) {
        if (!Value::isSupportedType(type)) {
            throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE,
                           "type code " + std::to_string(type) + " cannot hold a CIM value");
        }
        const auto* array = member<CMPIArray*>(value);
        return array == nullptr ? Value::null(type) : arrayFrom(array, type);
    }
    if (type == CMPI_chars) {
        return Value::string(reinterpret_cast<const char*>(value));
    }
    return scalarFrom(value, type);
}

Value valueFrom(const CMPIData& data) {
    if ((data.state & (CMPI_nullValue | CMPI_notFound | CMPI_badValue)) != 0 ||
        data.type == CMPI_null) {
        return data.type == CMPI_null ? Value() : Value::null(data.type);
    }
    if (data.type == CMPI_chars) {
        return data.value.chars == nullptr ? Value::null(CMPI_string)
                                           : Value::string(data.value.chars);
    }
    return valueFrom(&data.value, data.type);
}

CMPIData dataFrom(const Value& value, Arena& owner, const RegistryPtr& registry) {
    CMPIData data{};
    data.type = value.type();
    if (value.isNull()) {
        data.state = CMPI_nullValue;
        return data;
    }
    data.state = CMPI_goodValue;
    if (value.isArray()) {
        data.value.array =
            &make<ArrayHandle>(owner, value.elementType(), value.elements(), registry);
        return data;
    }
    switch (value.type()) {
        case CMPI_boolean:
            data.value.boolean = value.asBoolean() ? 1 : 0;
            break;
        case CMPI_char16:
            data.value.char16 = value.asChar16();
            break;
        case CMPI_real32:
            data.value.real32 = static_cast<float>(value.asReal());
            break;
        case CMPI_real64:
            data.value.real64 = value.asReal();
            break;
        case CMPI_uint8:
            data.value.uint8 = static_cast<CMPIUint8>(value.asUnsigned());
            break;
        case CMPI_uint16:
            data.value.uint16 = static_cast<CMPIUint16>(value.asUnsigned());
            break;
        case CMPI_uint32:
            data.value.uint32 = static_cast<CMPIUint32>(value.asUnsigned());
            break;
        case CMPI_uint64:
            data.value.uint64 = value.asUnsigned();
            break;
        case CMPI_sint8:
            data.value.sint8 = static_cast<CMPISint8>(value.asSigned());
            break;
        case CMPI_sint16:
            data.value.sint16 = static_cast<CMPISint16>(value.asSigned());
            break;
        case CMPI_sint32:
            data.value.sint32 = static_cast<CMPISint32>(value.asSigned());
            break;
        case CMPI_sint64:
            data.value.sint64 = value.asSigned();
            break;
        case CMPI_string:
            data.value.string = newString(owner, value.asString());
            break;
        case CMPI_dateTime:
            data.value.dateTime = &make<DateTimeHandle>(owner, value.asDateTime());
            break;
        case CMPI_ref:
            data.value.ref = &make<ObjectPathHandle>(owner, value.asReference(), registry);
            break;
        case CMPI_instance:
            data.value.inst = &make<InstanceHandle>(owner, value.asInstance(), registry);
            break;
        default:
            throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE,
                           "type code " + std::to_string(value.type()) + " has no CMPI form");
    }
    return data;
}

}  // namespace ovx::host::detail
