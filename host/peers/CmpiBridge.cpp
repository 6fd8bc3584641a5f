#include "CmpiBridge.h"

#include <cmpimacs.h>

#include <utility>

namespace ovx::peers::bridge {
namespace {

void require(const CMPIStatus& status, const std::string& what) {
    if (status.rc != CMPI_RC_OK) {
        std::string message = what;
        if (status.msg != nullptr) {
            if (const char* text = CMGetCharsPtr(status.msg, nullptr)) {
                message += ": ";
                message += text;
            }
        }
        throw CmpiFailure(status.rc, message);
    }
}

template <typename Handle>
Handle* requireHandle(Handle* handle, const CMPIStatus& status, const std::string& what) {
    require(status, what);
    if (handle == nullptr) {
        throw CmpiFailure(CMPI_RC_ERR_FAILED, what);
    }
    return handle;
}

std::string charsOf(const CMPIString* text) {
    if (text == nullptr) {
        return {};
    }
    const char* chars = CMGetCharsPtr(text, nullptr);
    return chars != nullptr ? std::string(chars) : std::string();
}

void setText(CMPIInstance* instance, const std::string& name, const std::string& text) {
    require(CMSetProperty(instance, name.c_str(), text.c_str(), CMPI_chars),
            "Could not set property " + name);
}

CMPIArray* newArray(const CMPIBroker* broker, std::size_t count, CMPIType type,
                    const std::string& name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIArray* array = CMNewArray(broker, static_cast<CMPICount>(count), type, &status);
    return requireHandle(array, status, "Could not make the array of property " + name);
}

void setValue(const CMPIBroker* broker, CMPIInstance* instance, const std::string& name,
              const PeerValue& value) {
    CMPIValue cmpiValue{};
    if (const auto* text = std::get_if<std::string>(&value)) {
        setText(instance, name, *text);
        return;
    }
    if (const auto* number = std::get_if<std::uint16_t>(&value)) {
        cmpiValue.uint16 = *number;
        require(CMSetProperty(instance, name.c_str(), &cmpiValue, CMPI_uint16),
                "Could not set property " + name);
        return;
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        cmpiValue.boolean = *flag ? 1 : 0;
        require(CMSetProperty(instance, name.c_str(), &cmpiValue, CMPI_boolean),
                "Could not set property " + name);
        return;
    }
    if (const auto* texts = std::get_if<std::vector<std::string>>(&value)) {
        CMPIArray* array = newArray(broker, texts->size(), CMPI_string, name);
        for (std::size_t index = 0; index < texts->size(); ++index) {
            require(CMSetArrayElementAt(array, static_cast<CMPICount>(index),
                                        (*texts)[index].c_str(), CMPI_chars),
                    "Could not fill property " + name);
        }
        cmpiValue.array = array;
        require(CMSetProperty(instance, name.c_str(), &cmpiValue, CMPI_stringA),
                "Could not set property " + name);
        return;
    }
    const auto& numbers = std::get<std::vector<std::uint16_t>>(value);
    CMPIArray* array = newArray(broker, numbers.size(), CMPI_uint16, name);
    for (std::size_t index = 0; index < numbers.size(); ++index) {
        CMPIValue element{};
        element.uint16 = numbers[index];
        require(CMSetArrayElementAt(array, static_cast<CMPICount>(index), &element, CMPI_uint16),
                "Could not fill property " + name);
    }
    cmpiValue.array = array;
    require(CMSetProperty(instance, name.c_str(), &cmpiValue, CMPI_uint16A),
            "Could not set property " + name);
}

// An integer a client sent: whether it fits a 16-bit property, and its text.
struct IntegerValue {
    bool fits;
    std::uint16_t value;
    std::string text;
};

IntegerValue unsignedInteger(unsigned long long number) {
    return {number <= UINT16_MAX, static_cast<std::uint16_t>(number), std::to_string(number)};
}

IntegerValue signedInteger(long long number) {
    return {number >= 0 && number <= UINT16_MAX, static_cast<std::uint16_t>(number),
            std::to_string(number)};
}

std::optional<IntegerValue> integerOf(const CMPIData& data) {
    switch (data.type) {
        case CMPI_uint8:
            return unsignedInteger(data.value.uint8);
        case CMPI_uint16:
            return unsignedInteger(data.value.uint16);
        case CMPI_uint32:
            return unsignedInteger(data.value.uint32);
        case CMPI_uint64:
            return unsignedInteger(data.value.uint64);
        case CMPI_sint8:
            return signedInteger(data.value.sint8);
        case CMPI_sint16:
            return signedInteger(data.value.sint16);
        case CMPI_sint32:
            return signedInteger(data.value.sint32);
        case CMPI_sint64:
            return signedInteger(data.value.sint64);
        default:
            return std::nullopt;
    }
}

const char* kindDescription(ValueKind kind) {
    switch (kind) {
        case ValueKind::TextList:
            return "an array of strings";
        case ValueKind::Number:
            return "an integer";
        case ValueKind::Text:
            break;
    }
    return "a string";
}

}  // namespace

std::string classNameOf(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return {};
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIString* name = CMGetClassName(path, &status);
    return status.rc == CMPI_RC_OK ? charsOf(name) : std::string();
}

std::string nameSpaceOf(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return {};
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIString* name = CMGetNameSpace(path, &status);
    return status.rc == CMPI_RC_OK ? charsOf(name) : std::string();
}

std::optional<std::string> textOf(const CMPIData& data) {
    if ((data.state & (CMPI_nullValue | CMPI_notFound)) != 0) {
        return std::nullopt;
    }
    if (data.type == CMPI_string && data.value.string != nullptr) {
        const char* chars = CMGetCharsPtr(data.value.string, nullptr);
        return chars != nullptr ? std::optional<std::string>(chars) : std::nullopt;
    }
    if (data.type == CMPI_chars && data.value.chars != nullptr) {
        return std::string(data.value.chars);
    }
    return std::nullopt;
}

std::optional<ObjectName> objectNameOf(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return std::nullopt;
    }
    ObjectName name;
    name.className = classNameOf(path);
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPICount count = CMGetKeyCount(path, &status);
    if (status.rc != CMPI_RC_OK) {
        return std::nullopt;
    }
    for (CMPICount index = 0; index < count; ++index) {
        CMPIString* keyName = nullptr;
        const CMPIData data = CMGetKeyAt(path, index, &keyName, &status);
        const auto value = textOf(data);
        if (status.rc != CMPI_RC_OK || !value) {
            return std::nullopt;
        }
        name.keys.emplace_back(charsOf(keyName), *value);
    }
    return name;
}

std::optional<ObjectName> referenceKeyOf(const CMPIObjectPath* path, const char* keyName) {
    if (path == nullptr) {
        return std::nullopt;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetKey(path, keyName, &status);
    if (status.rc != CMPI_RC_OK || data.type != CMPI_ref ||
        (data.state & (CMPI_nullValue | CMPI_notFound)) != 0) {
        return std::nullopt;
    }
    return objectNameOf(data.value.ref);
}

bool propertyWanted(const char** properties, std::string_view name) {
    if (properties == nullptr) {
        return true;
    }
    for (const char** entry = properties; *entry != nullptr; ++entry) {
        if (equalsIgnoreCase(*entry, name)) {
            return true;
        }
    }
    return false;
}

CMPIObjectPath* makePath(const CMPIBroker* broker, const std::string& nameSpace,
                         const ObjectName& name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIObjectPath* path =
        CMNewObjectPath(broker, nameSpace.c_str(), name.className.c_str(), &status);
    requireHandle(path, status, "Could not make a path of class " + name.className);
    for (const auto& [key, value] : name.keys) {
        require(CMAddKey(path, key.c_str(), value.c_str(), CMPI_chars),
                "Could not add key " + key + " to a path of class " + name.className);
    }
    return path;
}

CMPIInstance* makeInstance(const CMPIBroker* broker, const std::string& nameSpace,
                           const PeerInstance& instance, const char** properties) {
    CMPIObjectPath* path = makePath(broker, nameSpace, instance.name);
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIInstance* made = CMNewInstance(broker, path, &status);
    requireHandle(made, status, "Could not make an instance of class " + instance.name.className);
    for (const auto& [key, value] : instance.name.keys) {
        setText(made, key, value);
    }
    for (const auto& property : instance.properties) {
        if (propertyWanted(properties, property.name)) {
            setValue(broker, made, property.name, property.value);
        }
    }
    return made;
}

CMPIObjectPath* makeAssociationPath(const CMPIBroker* broker, const std::string& nameSpace,
                                    const std::string& className,
                                    const std::pair<std::string, CMPIObjectPath*>& first,
                                    const std::pair<std::string, CMPIObjectPath*>& second) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIObjectPath* path = CMNewObjectPath(broker, nameSpace.c_str(), className.c_str(), &status);
    requireHandle(path, status, "Could not make a path of class " + className);
    for (const auto* end : {&first, &second}) {
        CMPIValue value{};
        value.ref = end->second;
        require(CMAddKey(path, end->first.c_str(), &value, CMPI_ref),
                "Could not add key " + end->first + " to a path of class " + className);
    }
    return path;
}

CMPIInstance* makeAssociationInstance(const CMPIBroker* broker, CMPIObjectPath* path,
                                      const std::pair<std::string, CMPIObjectPath*>& first,
                                      const std::pair<std::string, CMPIObjectPath*>& second,
                                      const char** properties) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIInstance* made = CMNewInstance(broker, path, &status);
    requireHandle(made, status, "Could not make an association instance");
    for (const auto* end : {&first, &second}) {
        if (!propertyWanted(properties, end->first)) {
            continue;
        }
        CMPIValue value{};
        value.ref = end->second;
        require(CMSetProperty(made, end->first.c_str(), &value, CMPI_ref),
                "Could not set property " + end->first);
    }
    return made;
}

Outcome peerValueOf(const CMPIData& data, ValueKind kind, std::optional<PeerValue>& value) {
    value.reset();
    if ((data.state & (CMPI_nullValue | CMPI_notFound)) != 0) {
        return Outcome::success();
    }
    const auto mismatch = [kind]() {
        return Outcome::failure(CMPI_RC_ERR_TYPE_MISMATCH,
                                std::string("the value must be ") + kindDescription(kind));
    };
    switch (kind) {
        case ValueKind::Text: {
            const auto text = textOf(data);
            if (!text) {
                return mismatch();
            }
            value = PeerValue(*text);
            return Outcome::success();
        }
        case ValueKind::TextList: {
            if ((data.type != CMPI_stringA && data.type != CMPI_charsA) ||
                data.value.array == nullptr) {
                return mismatch();
            }
            CMPIStatus status{CMPI_RC_OK, nullptr};
            const CMPICount count = CMGetArrayCount(data.value.array, &status);
            require(status, "Could not read an array value");
            std::vector<std::string> texts;
            for (CMPICount index = 0; index < count; ++index) {
                const CMPIData element = CMGetArrayElementAt(data.value.array, index, &status);
                require(status, "Could not read an array value");
                const auto text = textOf(element);
                if (!text) {
                    return Outcome::failure(CMPI_RC_ERR_INVALID_PARAMETER,
                                            "the array holds a null element");
                }
                texts.push_back(*text);
            }
            value = PeerValue(std::move(texts));
            return Outcome::success();
        }
        case ValueKind::Number: {
            const auto number = integerOf(data);
            if (!number) {
                return mismatch();
            }
            if (!number->fits) {
                return Outcome::failure(CMPI_RC_ERR_INVALID_PARAMETER,
                                        "the value " + number->text + " is outside 0 to 65535");
            }
            value = PeerValue(number->value);
            return Outcome::success();
        }
    }
    return mismatch();
}

CMPIStatus statusOf(const CMPIBroker* broker, CMPIrc rc, const std::string& message) {
    CMPIStatus status{rc, nullptr};
    if (broker != nullptr && !message.empty()) {
        status.msg = CMNewString(broker, message.c_str(), nullptr);
    }
    return status;
}

}  // namespace ovx::peers::bridge
