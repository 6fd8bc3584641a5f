#include "ovx/host/object_path.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/names.h"

#include <cmath>

namespace ovx::host {

namespace {

bool isInteger(const Value& value) {
    const CMPIType type = value.type();
    return type == CMPI_uint8 || type == CMPI_uint16 || type == CMPI_uint32 ||
           type == CMPI_uint64 || type == CMPI_sint8 || type == CMPI_sint16 ||
           type == CMPI_sint32 || type == CMPI_sint64;
}

bool isSigned(const Value& value) {
    const CMPIType type = value.type();
    return type == CMPI_sint8 || type == CMPI_sint16 || type == CMPI_sint32 || type == CMPI_sint64;
}

bool integersAgree(const Value& left, const Value& right) {
    if (isSigned(left) && isSigned(right)) {
        return left.asSigned() == right.asSigned();
    }
    if (!isSigned(left) && !isSigned(right)) {
        return left.asUnsigned() == right.asUnsigned();
    }
    const Value& signedOne = isSigned(left) ? left : right;
    const Value& unsignedOne = isSigned(left) ? right : left;
    return signedOne.asSigned() >= 0 &&
           static_cast<std::uint64_t>(signedOne.asSigned()) == unsignedOne.asUnsigned();
}

// Text typed by a user may stand for a datetime or a reference key.
bool textAgrees(const std::string& text, const Value& typed) {
    if (typed.type() == CMPI_dateTime) {
        return text == typed.asDateTime().toString();
    }
    if (typed.type() == CMPI_ref) {
        try {
            return ObjectPath::parse(text).sameInstance(typed.asReference());
        } catch (const CimError&) {
            return false;
        }
    }
    return false;
}

bool keyValuesAgree(const Value& left, const Value& right) {
    if (left.isNull() || right.isNull()) {
        return left.isNull() && right.isNull();
    }
    if (isInteger(left) && isInteger(right)) {
        return integersAgree(left, right);
    }
    const CMPIType lt = left.type();
    const CMPIType rt = right.type();
    if ((lt == CMPI_real32 || lt == CMPI_real64) && (rt == CMPI_real32 || rt == CMPI_real64)) {
        // A NaN key still names one instance: a path must match itself.
        const double a = left.asReal();
        const double b = right.asReal();
        return a == b || (std::isnan(a) && std::isnan(b));
    }
    if (lt == CMPI_ref && rt == CMPI_ref) {
        return left.asReference().sameInstance(right.asReference());
    }
    if (lt == CMPI_dateTime && rt == CMPI_dateTime) {
        return left.asDateTime().isInterval() == right.asDateTime().isInterval() &&
               left.asDateTime().microseconds() == right.asDateTime().microseconds();
    }
    if (lt == CMPI_string && rt != CMPI_string) {
        return textAgrees(left.asString(), right);
    }
    if (rt == CMPI_string && lt != CMPI_string) {
        return textAgrees(right.asString(), left);
    }
    return left == right;
}

}  // namespace

void ObjectPath::setKey(std::string_view name, Value value) {
    if (value.isArray() || value.type() == CMPI_instance) {
        throw CimError(CMPI_RC_ERR_INVALID_DATA_TYPE,
                       "key " + std::string(name) + " cannot be of type " + typeName(value.type()));
    }
    keys_.set(name, std::move(value));
}

std::string ObjectPath::toString() const {
    std::string text;
    if (!host_.empty()) {
        text += "//" + host_ + "/";
    }
    if (!nameSpace_.empty()) {
        text += nameSpace_ + ":";
    }
    text += className_;
    for (std::size_t i = 0; i < keys_.size(); ++i) {
        const auto& [name, value] = keys_.at(i);
        text += (i == 0 ? "." : ",") + name + "=" + value.toText();
    }
    return text;
}

bool ObjectPath::sameInstance(const ObjectPath& other) const {
    if (!namesEqual(className_, other.className_)) {
        return false;
    }
    if (!nameSpace_.empty() && !other.nameSpace_.empty() &&
        !namesEqual(nameSpace_, other.nameSpace_)) {
        return false;
    }
    if (keys_.size() != other.keys_.size()) {
        return false;
    }
    for (const auto& [name, value] : keys_) {
        const Value* theirs = other.keys_.find(name);
        if (theirs == nullptr || !keyValuesAgree(value, *theirs)) {
            return false;
        }
    }
    return true;
}

bool operator==(const ObjectPath& left, const ObjectPath& right) {
    return namesEqual(left.host_, right.host_) && namesEqual(left.nameSpace_, right.nameSpace_) &&
           namesEqual(left.className_, right.className_) && left.keys_ == right.keys_;
}

}  // namespace ovx::host
