// Ties the registered "IP Interface" profile in the interop namespace to the
// IP endpoints that conform to it (OVX_ElementConformsToProfile), so that a
// console that found the profile reaches the implementation and back. sfcb
// serves the profile itself from a static instance; the endpoints are asked
// for through the broker on every request, so nothing is kept in between.
#include <cmpidt.h>
#include <cmpift.h>
#include <cmpimacs.h>

#include <strings.h>

#include <cstring>
#include <exception>
#include <string>
#include <vector>

namespace {

constexpr const char* kAssociationClass = "OVX_ElementConformsToProfile";
constexpr const char* kProfileRole = "ConformantStandard";
constexpr const char* kElementRole = "ManagedElement";
// The static instance of mof/OVX_Profile.mof.
constexpr const char* kProfileNamespace = "root/interop";
constexpr const char* kProfileClass = "SFCB_RegisteredProfile";
constexpr const char* kProfileId = "OVX:IP_Interface_1.1.0";
constexpr const char* kElementNamespace = "root/cimv2";
constexpr const char* kElementClass = "OVX_IPProtocolEndpoint";

const CMPIBroker* g_broker = nullptr;

struct Failure : std::exception {
    Failure(CMPIrc code, std::string text) : rc(code), message(std::move(text)) {}
    const char* what() const noexcept override { return message.c_str(); }
    CMPIrc rc;
    std::string message;
};

template <typename T>
T* checked(T* made, const CMPIStatus& status, const char* what) {
    if (made == nullptr || status.rc != CMPI_RC_OK) {
        throw Failure(CMPI_RC_ERR_FAILED, std::string("The broker could not ") + what);
    }
    return made;
}

std::string text(const CMPIString* value) {
    const char* const chars = value != nullptr ? CMGetCharsPtr(value, nullptr) : nullptr;
    return chars != nullptr ? chars : "";
}

bool sameName(const char* a, const char* b) {
    return a != nullptr && b != nullptr && strcasecmp(a, b) == 0;
}

// A filter the client left out matches everything.
bool roleMatches(const char* wanted, const char* role) {
    return wanted == nullptr || *wanted == '\0' || sameName(wanted, role);
}

bool isA(const CMPIObjectPath* path, const char* className) {
    if (className == nullptr || *className == '\0') {
        return true;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    return CMClassPathIsA(g_broker, path, className, &status) != 0 && status.rc == CMPI_RC_OK;
}

CMPIObjectPath* newPath(const char* nameSpace, const char* className) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    return checked(CMNewObjectPath(g_broker, nameSpace, className, &status), status,
                   "make an object path");
}

CMPIObjectPath* profilePath() {
    CMPIObjectPath* const path = newPath(kProfileNamespace, kProfileClass);
    CMAddKey(path, "InstanceID", kProfileId, CMPI_chars);
    return path;
}

bool isOurProfile(const CMPIObjectPath* path) {
    if (!isA(path, "CIM_RegisteredProfile")) {
        return false;
    }
    const CMPIData id = CMGetKey(path, "InstanceID", nullptr);
    return id.type == CMPI_string && id.state == CMPI_goodValue &&
           text(id.value.string) == kProfileId;
}

std::vector<CMPIObjectPath*> elementPaths(const CMPIContext* context) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIEnumeration* const names = checked(
        CBEnumInstanceNames(g_broker, context, newPath(kElementNamespace, kElementClass), &status),
        status, "enumerate the IP endpoints");
    std::vector<CMPIObjectPath*> paths;
    while (CMHasNext(names, nullptr)) {
        const CMPIData name = CMGetNext(names, nullptr);
        if (name.type == CMPI_ref && name.value.ref != nullptr) {
            CMSetNameSpace(name.value.ref, kElementNamespace);
            paths.push_back(name.value.ref);
        }
    }
    return paths;
}

// Whether every key of `key` is in `path` with the same text.
bool keysMatch(const CMPIObjectPath* path, const CMPIObjectPath* key) {
    const unsigned count = CMGetKeyCount(key, nullptr);
    if (count == 0 || count != CMGetKeyCount(path, nullptr)) {
        return false;
    }
    for (unsigned i = 0; i < count; ++i) {
        CMPIString* name = nullptr;
        const CMPIData wanted = CMGetKeyAt(key, i, &name, nullptr);
        const CMPIData found = CMGetKey(path, text(name).c_str(), nullptr);
        if (wanted.type != CMPI_string || found.type != CMPI_string ||
            text(wanted.value.string) != text(found.value.string)) {
            return false;
        }
    }
    return true;
}

// The endpoint a path names, when it exists.
CMPIObjectPath* existingElement(const CMPIContext* context, const CMPIObjectPath* path) {
    if (!isA(path, kElementClass)) {
        return nullptr;
    }
    for (CMPIObjectPath* const element : elementPaths(context)) {
        if (keysMatch(element, path)) {
            return element;
        }
    }
    return nullptr;
}

struct Pair {
    CMPIObjectPath* profile;
    CMPIObjectPath* element;
};

CMPIObjectPath* associationPath(const char* nameSpace, const Pair& pair) {
    CMPIObjectPath* const path = newPath(nameSpace, kAssociationClass);
    CMAddKey(path, kProfileRole, &pair.profile, CMPI_ref);
    CMAddKey(path, kElementRole, &pair.element, CMPI_ref);
    return path;
}

CMPIInstance* associationInstance(const char* nameSpace, const Pair& pair,
                                  const char** properties) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIInstance* const instance =
        checked(CMNewInstance(g_broker, associationPath(nameSpace, pair), &status), status,
                "make an instance");
    CMSetProperty(instance, kProfileRole, &pair.profile, CMPI_ref);
    CMSetProperty(instance, kElementRole, &pair.element, CMPI_ref);
    if (properties != nullptr) {
        CMSetPropertyFilter(instance, properties, nullptr);
    }
    return instance;
}

std::vector<Pair> allPairs(const CMPIContext* context) {
    std::vector<Pair> pairs;
    for (CMPIObjectPath* const element : elementPaths(context)) {
        pairs.push_back(Pair{profilePath(), element});
    }
    return pairs;
}

// The associations a source path takes part in, seen from that source, with
// the far end's role; empty for a path this association does not know.
struct Link {
    Pair pair;
    CMPIObjectPath* farEnd;
    const char* farRole;
    const char* nearRole;
};

std::vector<Link> linksOf(const CMPIContext* context, const CMPIObjectPath* source) {
    std::vector<Link> links;
    if (isOurProfile(source)) {
        for (const Pair& pair : allPairs(context)) {
            links.push_back(Link{pair, pair.element, kElementRole, kProfileRole});
        }
    } else if (CMPIObjectPath* const element = existingElement(context, source)) {
        const Pair pair{profilePath(), element};
        links.push_back(Link{pair, pair.profile, kProfileRole, kElementRole});
    }
    return links;
}

std::string nameSpaceOf(const CMPIObjectPath* path) {
    return text(CMGetNameSpace(path, nullptr));
}

template <typename Body>
CMPIStatus guarded(const CMPIResult* result, Body&& body) noexcept {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    try {
        body();
    } catch (const Failure& failure) {
        status = CMPIStatus{failure.rc, CMNewString(g_broker, failure.what(), nullptr)};
    } catch (const std::exception& error) {
        status = CMPIStatus{CMPI_RC_ERR_FAILED, CMNewString(g_broker, error.what(), nullptr)};
    } catch (...) {
        status = CMPIStatus{CMPI_RC_ERR_FAILED,
                            CMNewString(g_broker, "The request failed unexpectedly", nullptr)};
    }
    CMReturnDone(result);
    return status;
}

void requireOurClass(const CMPIObjectPath* path) {
    if (!sameName(text(CMGetClassName(path, nullptr)).c_str(), kAssociationClass)) {
        throw Failure(CMPI_RC_ERR_INVALID_CLASS, "The class is not served by this provider");
    }
}

// Walks the links of a source that pass the association request's filters.
template <typename Each>
void eachLink(const CMPIContext* context, const CMPIObjectPath* source, const char* assocClass,
              const char* resultClass, const char* role, const char* resultRole, Each&& each) {
    const std::string nameSpace = nameSpaceOf(source);
    if (assocClass != nullptr && *assocClass != '\0' &&
        !isA(newPath(nameSpace.c_str(), kAssociationClass), assocClass)) {
        return;
    }
    for (const Link& link : linksOf(context, source)) {
        if (roleMatches(role, link.nearRole) && roleMatches(resultRole, link.farRole) &&
            isA(link.farEnd, resultClass)) {
            each(nameSpace.c_str(), link);
        }
    }
}

CMPIStatus cleanup(CMPIInstanceMI*, const CMPIContext*, CMPIBoolean) {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus enumInstanceNames(CMPIInstanceMI*, const CMPIContext* context, const CMPIResult* result,
                             const CMPIObjectPath* path) {
    return guarded(result, [&] {
        requireOurClass(path);
        const std::string nameSpace = nameSpaceOf(path);
        for (const Pair& pair : allPairs(context)) {
            CMReturnObjectPath(result, associationPath(nameSpace.c_str(), pair));
        }
    });
}

CMPIStatus enumInstances(CMPIInstanceMI*, const CMPIContext* context, const CMPIResult* result,
                         const CMPIObjectPath* path, const char** properties) {
    return guarded(result, [&] {
        requireOurClass(path);
        const std::string nameSpace = nameSpaceOf(path);
        for (const Pair& pair : allPairs(context)) {
            CMReturnInstance(result, associationInstance(nameSpace.c_str(), pair, properties));
        }
    });
}

CMPIStatus getInstance(CMPIInstanceMI*, const CMPIContext* context, const CMPIResult* result,
                       const CMPIObjectPath* path, const char** properties) {
    return guarded(result, [&] {
        requireOurClass(path);
        const CMPIData profile = CMGetKey(path, kProfileRole, nullptr);
        const CMPIData element = CMGetKey(path, kElementRole, nullptr);
        if (profile.type != CMPI_ref || element.type != CMPI_ref || profile.value.ref == nullptr ||
            element.value.ref == nullptr) {
            throw Failure(CMPI_RC_ERR_INVALID_PARAMETER,
                          "Both references of OVX_ElementConformsToProfile are keys");
        }
        CMPIObjectPath* const found = existingElement(context, element.value.ref);
        if (!isOurProfile(profile.value.ref) || found == nullptr) {
            throw Failure(CMPI_RC_ERR_NOT_FOUND,
                          "No OVX_ElementConformsToProfile instance has the given keys");
        }
        CMReturnInstance(result, associationInstance(nameSpaceOf(path).c_str(),
                                                     Pair{profilePath(), found}, properties));
    });
}

CMPIStatus notSupported(const CMPIResult* result) {
    CMReturnDone(result);
    return CMPIStatus{CMPI_RC_ERR_NOT_SUPPORTED, nullptr};
}

CMPIStatus createInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath*, const CMPIInstance*) {
    return notSupported(result);
}

CMPIStatus modifyInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath*, const CMPIInstance*, const char**) {
    return notSupported(result);
}

CMPIStatus deleteInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath*) {
    return notSupported(result);
}

CMPIStatus execQuery(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                     const CMPIObjectPath*, const char*, const char*) {
    return notSupported(result);
}

CMPIStatus associationCleanup(CMPIAssociationMI*, const CMPIContext*, CMPIBoolean) {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus associators(CMPIAssociationMI*, const CMPIContext* context, const CMPIResult* result,
                       const CMPIObjectPath* source, const char* assocClass,
                       const char* resultClass, const char* role, const char* resultRole,
                       const char** properties) {
    return guarded(result, [&] {
        eachLink(context, source, assocClass, resultClass, role, resultRole,
                 [&](const char*, const Link& link) {
                     CMPIStatus status{CMPI_RC_OK, nullptr};
                     CMPIInstance* const far =
                         CBGetInstance(g_broker, context, link.farEnd, properties, &status);
                     if (far != nullptr && status.rc == CMPI_RC_OK) {
                         CMReturnInstance(result, far);
                     }
                 });
    });
}

CMPIStatus associatorNames(CMPIAssociationMI*, const CMPIContext* context, const CMPIResult* result,
                           const CMPIObjectPath* source, const char* assocClass,
                           const char* resultClass, const char* role, const char* resultRole) {
    return guarded(result, [&] {
        eachLink(context, source, assocClass, resultClass, role, resultRole,
                 [&](const char*, const Link& link) { CMReturnObjectPath(result, link.farEnd); });
    });
}

CMPIStatus references(CMPIAssociationMI*, const CMPIContext* context, const CMPIResult* result,
                      const CMPIObjectPath* source, const char* resultClass, const char* role,
                      const char** properties) {
    return guarded(result, [&] {
        eachLink(context, source, resultClass, nullptr, role, nullptr,
                 [&](const char* nameSpace, const Link& link) {
                     CMReturnInstance(result,
                                      associationInstance(nameSpace, link.pair, properties));
                 });
    });
}

CMPIStatus referenceNames(CMPIAssociationMI*, const CMPIContext* context, const CMPIResult* result,
                          const CMPIObjectPath* source, const char* resultClass, const char* role) {
    return guarded(result, [&] {
        eachLink(context, source, resultClass, nullptr, role, nullptr,
                 [&](const char* nameSpace, const Link& link) {
                     CMReturnObjectPath(result, associationPath(nameSpace, link.pair));
                 });
    });
}

CMPIInstanceMIFT instanceTable = {
    CMPICurrentVersion,
    CMPICurrentVersion,
    "instanceOVXProfileProvider",
    cleanup,
    enumInstanceNames,
    enumInstances,
    getInstance,
    createInstance,
    modifyInstance,
    deleteInstance,
    execQuery,
};

CMPIAssociationMIFT associationTable = {
    CMPICurrentVersion, CMPICurrentVersion, "associationOVXProfileProvider",
    associationCleanup, associators,        associatorNames,
    references,         referenceNames,
};

CMPIInstanceMI instanceMI = {nullptr, &instanceTable};
CMPIAssociationMI associationMI = {nullptr, &associationTable};

}  // namespace

extern "C" {

__attribute__((visibility("default"))) CMPIInstanceMI* OVXProfileProvider_Create_InstanceMI(
    const CMPIBroker* broker, const CMPIContext*, CMPIStatus*) {
    g_broker = broker;
    return &instanceMI;
}

__attribute__((visibility("default"))) CMPIAssociationMI* OVXProfileProvider_Create_AssociationMI(
    const CMPIBroker* broker, const CMPIContext*, CMPIStatus*) {
    g_broker = broker;
    return &associationMI;
}

}  // extern "C"
