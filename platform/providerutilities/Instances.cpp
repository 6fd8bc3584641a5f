#include "providerutilities.h"

#include <limits>
#include <utility>

#include "CmpiValueText.h"
#include "cmpimacs.h"

namespace Quill {

namespace {

bool isUsableName(const char* name) {
    return name != nullptr && *name != '\0';
}

bool setValue(CMPIInstance* instance, const char* name, const CMPIValue& value, CMPIType type) {
    if (instance == nullptr || !isUsableName(name)) {
        return false;
    }
    return CMSetProperty(instance, name, &value, type).rc == CMPI_RC_OK;
}

// The property as the instance holds it; a failed read counts as not found.
CMPIData readProperty(const CMPIInstance* instance, const char* name) {
    CMPIData data{};
    data.state = CMPI_notFound;
    if (instance == nullptr || !isUsableName(name)) {
        return data;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData read = CMGetProperty(instance, name, &status);
    return status.rc == CMPI_RC_OK ? read : data;
}

bool isStringType(CMPIType type) {
    return type == CMPI_string || type == CMPI_chars;
}

}  // namespace

CMPIInstance* ProviderUtilities::createInstance(const CMPIBroker* broker,
                                                const CMPIObjectPath* path) {
    if (broker == nullptr || path == nullptr) {
        return nullptr;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIInstance* const instance = CMNewInstance(broker, path, &status);
    if (status.rc != CMPI_RC_OK) {
        if (instance != nullptr) {
            CMRelease(instance);
        }
        return nullptr;
    }
    return instance;
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name,
                                    const std::string& value) {
    if (instance == nullptr || !isUsableName(name) || !detail::fitsCString(value)) {
        return false;
    }
    return CMSetProperty(instance, name, value.c_str(), CMPI_chars).rc == CMPI_RC_OK;
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name, const char* value) {
    return value != nullptr && setProperty(instance, name, std::string(value));
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name, unsigned char value) {
    CMPIValue cmpiValue{};
    cmpiValue.uint8 = value;
    return setValue(instance, name, cmpiValue, CMPI_uint8);
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name,
                                    unsigned short value) {
    CMPIValue cmpiValue{};
    cmpiValue.uint16 = value;
    return setValue(instance, name, cmpiValue, CMPI_uint16);
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name,
                                    unsigned long long value) {
    CMPIValue cmpiValue{};
    cmpiValue.uint64 = value;
    return setValue(instance, name, cmpiValue, CMPI_uint64);
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name, bool value) {
    CMPIValue cmpiValue{};
    cmpiValue.boolean = value ? 1 : 0;
    return setValue(instance, name, cmpiValue, CMPI_boolean);
}

bool ProviderUtilities::setProperty(CMPIInstance* instance, const char* name,
                                    CMPIObjectPath* reference) {
    if (reference == nullptr) {
        return false;
    }
    CMPIValue cmpiValue{};
    cmpiValue.ref = reference;
    return setValue(instance, name, cmpiValue, CMPI_ref);
}

bool ProviderUtilities::setProperty(const CMPIBroker* broker, CMPIInstance* instance,
                                    const char* name, const std::vector<unsigned short>& values) {
    if (broker == nullptr || instance == nullptr || !isUsableName(name) ||
        values.size() > std::numeric_limits<CMPICount>::max()) {
        return false;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIArray* array =
        CMNewArray(broker, static_cast<CMPICount>(values.size()), CMPI_uint16, &status);
    if (status.rc != CMPI_RC_OK || array == nullptr) {
        if (array != nullptr) {
            CMRelease(array);
        }
        return false;
    }
    bool filled = true;
    for (CMPICount index = 0; filled && index < values.size(); ++index) {
        CMPIValue element{};
        element.uint16 = values[index];
        filled = CMSetArrayElementAt(array, index, &element, CMPI_uint16).rc == CMPI_RC_OK;
    }
    const bool set = filled && CMSetProperty(instance, name, &array, CMPI_uint16A).rc == CMPI_RC_OK;
    // The instance keeps its own copy of a property's value.
    CMRelease(array);
    return set;
}

bool ProviderUtilities::getProperty(const CMPIInstance* instance, const char* name,
                                    unsigned short& value) {
    const CMPIData data = readProperty(instance, name);
    if (!detail::holdsValue(data)) {
        return false;
    }
    // Only types whose every value fits; anything wider would be cut.
    if (data.type == CMPI_uint16) {
        value = data.value.uint16;
        return true;
    }
    if (data.type == CMPI_uint8) {
        value = data.value.uint8;
        return true;
    }
    return false;
}

bool ProviderUtilities::getProperty(const CMPIInstance* instance, const char* name,
                                    std::string& value, bool nullAsEmpty) {
    const CMPIData data = readProperty(instance, name);
    if (!isStringType(data.type) || (data.state & CMPI_notFound) != 0) {
        return false;
    }
    if (auto text = detail::textOfStringData(data)) {
        value = std::move(*text);
        return true;
    }
    if (nullAsEmpty && (data.state & CMPI_nullValue) != 0) {
        value.clear();
        return true;
    }
    return false;
}

bool ProviderUtilities::getProperty(const CMPIInstance* instance, const char* name,
                                    std::vector<std::string>& values) {
    const CMPIData data = readProperty(instance, name);
    const bool stringArray = data.type == CMPI_stringA || data.type == CMPI_charsA;
    if (!stringArray || !detail::holdsValue(data) || data.value.array == nullptr) {
        return false;
    }
    const CMPIArray* const array = data.value.array;
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPICount count = CMGetArrayCount(array, &status);
    if (status.rc != CMPI_RC_OK) {
        return false;
    }
    std::vector<std::string> read;
    read.reserve(count);
    for (CMPICount index = 0; index < count; ++index) {
        const CMPIData element = CMGetArrayElementAt(array, index, &status);
        if (status.rc != CMPI_RC_OK) {
            return false;
        }
        // A null entry carries no text to hand on.
        if ((element.state & CMPI_nullValue) != 0) {
            continue;
        }
        auto text = detail::textOfStringData(element);
        if (!text) {
            return false;
        }
        read.push_back(std::move(*text));
    }
    values = std::move(read);
    return true;
}

}  // namespace Quill
