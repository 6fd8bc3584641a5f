#include "providerutilities.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "cmpimacs.h"

namespace Quill {

namespace {

struct CatalogueEntry {
    std::string_view className;
    unsigned short classId;
};

constexpr std::array<CatalogueEntry, 20> kCatalogue{{
    {"OVX_ComputerSystem", 1},
    {"OVX_IPProtocolEndpoint", 9},
    {"OVX_LANEndpoint", 16},
    {"OVX_IPAssignmentSettingData", 66},
    {"OVX_BindsToLanEndPoint", 67},
    {"OVX_IPElementSettingData", 68},
    {"OVX_StaticIPAssignmentSettingData", 69},
    {"OVX_IPRemoteServiceAccessPoint", 70},
    {"OVX_StaticOrderedComponent", 71},
    {"OVX_IPHostedAccessPoint", 72},
    {"OVX_StaticIPElementSettingData", 73},
    {"OVX_RemoteHostedAccessPoint", 80},
    {"OVX_IPRemoteAccessAvailableToElement", 81},
    {"OVX_SPComputerSystem", 119},
    {"OVX_SPHostedAccessPoint", 120},
    {"OVX_IPElementCapabilities", 121},
    {"OVX_IPEnabledLogicalElementCapabilities", 128},
    {"OVX_IPConfigurationService", 129},
    {"OVX_IPHostedService", 130},
    {"OVX_IPServiceAffectsElement", 131},
}};

char foldAsciiCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// CIM names compare without regard to case; the catalogue's names are ASCII,
// so no locale may take part.
bool sameCimName(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(),
                      [](char l, char r) { return foldAsciiCase(l) == foldAsciiCase(r); });
}

}  // namespace

unsigned short ProviderUtilities::getClassId(const char* className) {
    if (className == nullptr) {
        return kUnknownClassId;
    }
    const std::string_view name(className);
    const auto entry = std::find_if(
        kCatalogue.begin(), kCatalogue.end(),
        [name](const CatalogueEntry& candidate) { return sameCimName(candidate.className, name); });
    return entry == kCatalogue.end() ? kUnknownClassId : entry->classId;
}

unsigned short ProviderUtilities::getClassId(const CMPIObjectPath* path) {
    if (path == nullptr) {
        return kUnknownClassId;
    }
    const std::string className = getClassName(path);
    return className.empty() ? kUnknownClassId : getClassId(className.c_str());
}

bool ProviderUtilities::areClassesRelated(const CMPIBroker* broker, const std::string& nameSpace,
                                          const char* className, const char* baseClassName) {
    if (broker == nullptr || className == nullptr || baseClassName == nullptr ||
        *baseClassName == '\0') {
        return false;
    }
    CMPIObjectPath* const path = createObjectPath(broker, className, nameSpace);
    if (path == nullptr) {
        return false;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIBoolean related = CMClassPathIsA(broker, path, baseClassName, &status);
    CMRelease(path);
    return status.rc == CMPI_RC_OK && related != 0;
}

}  // namespace Quill
