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

}  // namespace

CMPIObjectPath* ProviderUtilities::createObjectPath(const CMPIBroker* broker, const char* className,
                                                    std::string nameSpace) {
    if (broker == nullptr || !isUsableName(className) || !detail::fitsCString(nameSpace)) {
        return nullptr;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIObjectPath* const path = CMNewObjectPath(broker, nameSpace.c_str(), className, &status);
    if (status.rc != CMPI_RC_OK) {
        if (path != nullptr) {
            CMRelease(path);
        }
        return nullptr;
    }
    return path;
}

bool ProviderUtilities::setKeyProperty(CMPIObjectPath* path, const char* key,
                                       const std::string& value) {
    if (path == nullptr || !isUsableName(key) || !detail::fitsCString(value)) {
        return false;
    }
    return CMAddKey(path, key, value.c_str(), CMPI_chars).rc == CMPI_RC_OK;
}

bool ProviderUtilities::setKeyProperty(CMPIObjectPath* path, const char* key,
                                       CMPIObjectPath* reference) {
    if (path == nullptr || !isUsableName(key) || reference == nullptr) {
        return false;
    }
    return CMAddKey(path, key, &reference, CMPI_ref).rc == CMPI_RC_OK;
}

bool ProviderUtilities::getKeyProperty(const CMPIObjectPath* path, const char* key,
                                       std::string& value) {
    if (path == nullptr || !isUsableName(key)) {
        return false;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetKey(path, key, &status);
    if (status.rc != CMPI_RC_OK) {
        return false;
    }
    auto text = detail::keyValueText(data);
    if (!text) {
        return false;
    }
    value = std::move(*text);
    return true;
}

bool ProviderUtilities::getKeyProperty(const CMPIObjectPath* path, const char* key,
                                       CMPIObjectPath** reference) {
    if (path == nullptr || !isUsableName(key) || reference == nullptr) {
        return false;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetKey(path, key, &status);
    if (status.rc != CMPI_RC_OK || !detail::holdsValue(data) || data.type != CMPI_ref ||
        data.value.ref == nullptr) {
        return false;
    }
    *reference = data.value.ref;
    return true;
}

unsigned short ProviderUtilities::getKeyCount(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return 0;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPICount count = CMGetKeyCount(path, &status);
    if (status.rc != CMPI_RC_OK) {
        return 0;
    }
    // Saturate: wrapping would make a path with 65536 keys look keyless.
    constexpr CMPICount kMostCountable = std::numeric_limits<unsigned short>::max();
    return static_cast<unsigned short>(count < kMostCountable ? count : kMostCountable);
}

std::string ProviderUtilities::getNamespace(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return {};
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIString* const nameSpace = CMGetNameSpace(path, &status);
    if (status.rc != CMPI_RC_OK) {
        return {};
    }
    return detail::stringText(nameSpace).value_or(std::string());
}

std::string ProviderUtilities::getClassName(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return {};
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIString* const className = CMGetClassName(path, &status);
    if (status.rc != CMPI_RC_OK) {
        return {};
    }
    return detail::stringText(className).value_or(std::string());
}

bool ProviderUtilities::transformObjectPathToMoniker(const CMPIObjectPath* path, Moniker& moniker) {
    if (path == nullptr) {
        return false;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPICount count = CMGetKeyCount(path, &status);
    if (status.rc != CMPI_RC_OK) {
        return false;
    }
    // Built aside so that a key that cannot be read leaves the caller's
    // moniker as it was.
    Moniker keys;
    for (CMPICount index = 0; index < count; ++index) {
        CMPIString* name = nullptr;
        const CMPIData data = CMGetKeyAt(path, index, &name, &status);
        if (status.rc != CMPI_RC_OK) {
            return false;
        }
        auto nameText = detail::stringText(name);
        auto valueText = detail::keyValueText(data);
        if (!nameText || !valueText) {
            return false;
        }
        keys.addKey(std::move(*nameText), *valueText, data.type);
    }
    moniker = std::move(keys);
    return true;
}

bool ProviderUtilities::transformMonikerToObjectPath(Moniker& moniker, CMPIObjectPath** path) {
    if (path == nullptr || *path == nullptr) {
        return false;
    }
    // Refuse before writing anything: a path has no way to drop a key again.
    for (const Moniker::KeyComponent& key : moniker.keys()) {
        if (key.name.empty() || !detail::fitsCString(key.name) || !detail::fitsCString(key.value)) {
            return false;
        }
    }
    for (const Moniker::KeyComponent& key : moniker.keys()) {
        if (!setKeyProperty(*path, key.name.c_str(), key.value)) {
            return false;
        }
    }
    return true;
}

}  // namespace Quill
