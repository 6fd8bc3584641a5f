// Small helpers the server's test providers share: reading keys and
// properties, making paths and instances through the broker, and a log of
// factory and cleanup calls that tests read back.
#pragma once

#include <cmpidt.h>
#include <cmpift.h>
#include <cmpimacs.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <strings.h>

namespace testprovider {

inline bool sameName(const char* left, const std::string& right) {
    return left != nullptr && ::strcasecmp(left, right.c_str()) == 0;
}

inline bool sameName(const std::string& left, const std::string& right) {
    return sameName(left.c_str(), right);
}

inline CMPIStatus ok() {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

inline CMPIStatus failure(const CMPIBroker* broker, CMPIrc rc, const std::string& message) {
    return CMPIStatus{rc, CMNewString(broker, message.c_str(), nullptr)};
}

inline std::string text(const CMPIString* string) {
    if (string == nullptr) {
        return {};
    }
    const char* chars = CMGetCharsPtr(string, nullptr);
    return chars != nullptr ? std::string(chars) : std::string();
}

inline std::string className(const CMPIObjectPath* path) {
    return text(CMGetClassName(path, nullptr));
}

inline std::string nameSpace(const CMPIObjectPath* path) {
    return text(CMGetNameSpace(path, nullptr));
}

inline std::optional<std::string> stringOf(const CMPIData& data) {
    if ((data.state & CMPI_nullValue) != 0 || (data.state & CMPI_notFound) != 0 ||
        data.type != CMPI_string) {
        return std::nullopt;
    }
    return text(data.value.string);
}

inline std::optional<std::uint32_t> uint32Of(const CMPIData& data) {
    if ((data.state & CMPI_nullValue) != 0 || (data.state & CMPI_notFound) != 0 ||
        data.type != CMPI_uint32) {
        return std::nullopt;
    }
    return data.value.uint32;
}

inline std::optional<std::string> stringKey(const CMPIObjectPath* path, const char* name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetKey(path, name, &status);
    if (status.rc != CMPI_RC_OK) {
        return std::nullopt;
    }
    return stringOf(data);
}

inline std::optional<std::string> stringProperty(const CMPIInstance* instance, const char* name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetProperty(instance, name, &status);
    return status.rc == CMPI_RC_OK ? stringOf(data) : std::nullopt;
}

inline std::optional<std::uint32_t> uint32Property(const CMPIInstance* instance, const char* name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetProperty(instance, name, &status);
    return status.rc == CMPI_RC_OK ? uint32Of(data) : std::nullopt;
}

inline std::optional<std::uint32_t> uint32Argument(const CMPIArgs* arguments, const char* name) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetArg(arguments, name, &status);
    return status.rc == CMPI_RC_OK ? uint32Of(data) : std::nullopt;
}

inline CMPIObjectPath* makePath(const CMPIBroker* broker, const std::string& nameSpace,
                                const std::string& className, const char* keyName,
                                const std::string& keyValue) {
    CMPIObjectPath* path = CMNewObjectPath(broker, nameSpace.c_str(), className.c_str(), nullptr);
    if (path != nullptr && keyName != nullptr) {
        CMAddKey(path, keyName, keyValue.c_str(), CMPI_chars);
    }
    return path;
}

inline void setString(const CMPIInstance* instance, const char* name, const std::string& value) {
    CMSetProperty(instance, name, value.c_str(), CMPI_chars);
}

inline void setUint32(const CMPIInstance* instance, const char* name, std::uint32_t value) {
    CMPIValue payload;
    payload.uint32 = value;
    CMSetProperty(instance, name, &payload, CMPI_uint32);
}

inline void setReference(const CMPIInstance* instance, const char* name,
                         const CMPIObjectPath* target) {
    CMPIValue payload;
    payload.ref = const_cast<CMPIObjectPath*>(target);
    CMSetProperty(instance, name, &payload, CMPI_ref);
}

inline void addReferenceKey(CMPIObjectPath* path, const char* name, const CMPIObjectPath* target) {
    CMPIValue payload;
    payload.ref = const_cast<CMPIObjectPath*>(target);
    CMAddKey(path, name, &payload, CMPI_ref);
}

// Answers an enumeration with the one instance of `className` whose string
// key `keyName` is `keyValue`: its path, or the instance with that key set.
inline CMPIStatus returnOnlyInstance(const CMPIBroker* broker, const CMPIResult* result,
                                     const CMPIObjectPath* op, const char* className,
                                     const char* keyName, const std::string& keyValue, bool names) {
    CMPIObjectPath* path = makePath(broker, nameSpace(op), className, keyName, keyValue);
    if (names) {
        CMReturnObjectPath(result, path);
    } else {
        CMPIInstance* instance = CMNewInstance(broker, path, nullptr);
        setString(instance, keyName, keyValue);
        CMReturnInstance(result, instance);
    }
    CMReturnDone(result);
    return ok();
}

// Appends a line to the file named by OVX_TEST_PROVIDER_LOG, when set.
inline void logEvent(const std::string& line) {
    static std::mutex mutex;
    const char* file = std::getenv("OVX_TEST_PROVIDER_LOG");
    if (file == nullptr || *file == '\0') {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex);
    std::ofstream stream(file, std::ios::app);
    stream << line << '\n';
}

}  // namespace testprovider
