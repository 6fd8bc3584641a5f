// The peer provider's CMPI entry points: the instance and association
// function tables and their factories. Every operation sees the node store as
// it is now; what was built from an unchanged store is reused.
#include "CmpiBridge.h"
#include "PeerCatalogue.h"
#include "PeerClasses.h"
#include "SettingsSection.h"

#include <cmpidt.h>
#include <cmpift.h>
#include <cmpimacs.h>
#include <instrumentation.h>
#include <nxlogger.h>

#include <atomic>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace ovx::peers {
namespace {

constexpr const char* kLogComponent = "OVX.PeerProvider";
constexpr int kRefusalLevel = 4000;

std::atomic<const CMPIBroker*> g_broker{nullptr};

const CMPIBroker* broker() {
    return g_broker.load();
}

void logOutcome(const char* operation, int level, const std::string& text) {
    NxLog::NxLogger::logLevelMessage(operation, __FILE__, __LINE__, kLogComponent, level, nullptr,
                                     0, 0, text);
}

CMPIStatus okStatus() {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus refused(const char* operation, const Outcome& outcome) {
    logOutcome(operation, kRefusalLevel, outcome.message);
    return bridge::statusOf(broker(), outcome.rc, outcome.message);
}

// Runs an operation so that nothing it throws crosses into the CIMOM.
template <typename Operation>
CMPIStatus guarded(const char* operation, Operation&& body) noexcept {
    try {
        return body();
    } catch (const bridge::CmpiFailure& failure) {
        logOutcome(operation, NxLog::NxLogger::kFailureLevel, failure.what());
        return bridge::statusOf(broker(), failure.rc, failure.what());
    } catch (const std::exception& error) {
        const std::string text = std::string(operation) + " failed: " + error.what();
        logOutcome(operation, NxLog::NxLogger::kFailureLevel, text);
        return bridge::statusOf(broker(), CMPI_RC_ERR_FAILED, text);
    } catch (...) {
        const std::string text = std::string(operation) + " failed for an unknown reason";
        logOutcome(operation, NxLog::NxLogger::kFailureLevel, text);
        return bridge::statusOf(broker(), CMPI_RC_ERR_FAILED, text);
    }
}

std::shared_ptr<const PeerCatalogue> loadCatalogue() {
    return PeerCatalogue::current(*Quill::currentNodeStore());
}

bool isDependency(const std::string& className) {
    return equalsIgnoreCase(className, classes::kDNSSAPSAPDependency);
}

Outcome unknownClass(const std::string& className) {
    return Outcome::failure(CMPI_RC_ERR_INVALID_CLASS,
                            (className.empty() ? std::string("The class") : className) +
                                " is not served by this provider");
}

Outcome notSupported(const std::string& className, const char* what) {
    if (!classes::isServed(className)) {
        return unknownClass(className);
    }
    return Outcome::failure(CMPI_RC_ERR_NOT_SUPPORTED,
                            std::string(what) + " is not supported for " + className);
}

struct ReferencePair {
    std::pair<std::string, CMPIObjectPath*> antecedent;
    std::pair<std::string, CMPIObjectPath*> dependent;
};

ReferencePair referencesOf(const std::string& nameSpace, const DnsDependency& link) {
    return {{std::string(kAntecedentRole), bridge::makePath(broker(), nameSpace, link.antecedent)},
            {std::string(kDependentRole), bridge::makePath(broker(), nameSpace, link.dependent)}};
}

CMPIObjectPath* dependencyPath(const std::string& nameSpace, const DnsDependency& link) {
    const ReferencePair ends = referencesOf(nameSpace, link);
    return bridge::makeAssociationPath(broker(), nameSpace,
                                       std::string(classes::kDNSSAPSAPDependency), ends.antecedent,
                                       ends.dependent);
}

CMPIInstance* dependencyInstance(const std::string& nameSpace, const DnsDependency& link,
                                 const char** properties) {
    const ReferencePair ends = referencesOf(nameSpace, link);
    CMPIObjectPath* path =
        bridge::makeAssociationPath(broker(), nameSpace, std::string(classes::kDNSSAPSAPDependency),
                                    ends.antecedent, ends.dependent);
    return bridge::makeAssociationInstance(broker(), path, ends.antecedent, ends.dependent,
                                           properties);
}

CMPIStatus finish(const CMPIResult* result) {
    if (result != nullptr) {
        CMReturnDone(result);
    }
    return okStatus();
}

// ---- instance operations ----------------------------------------------------

CMPIStatus peerCleanup(CMPIInstanceMI*, const CMPIContext*, CMPIBoolean) {
    return okStatus();
}

// Hands every object of the class to the result: the dependencies as
// associations, every other class's objects from the catalogue.
template <typename ReturnDependency, typename ReturnPeer>
CMPIStatus returnEveryObject(const char* operation, const CMPIResult* result,
                             const CMPIObjectPath* op, ReturnDependency&& returnDependency,
                             ReturnPeer&& returnPeer) {
    return guarded(operation, [&]() {
        const std::string className = bridge::classNameOf(op);
        const std::string nameSpace = bridge::nameSpaceOf(op);
        const auto shared = loadCatalogue();
        const PeerCatalogue& catalogue = *shared;
        if (isDependency(className)) {
            std::vector<DnsDependency> links;
            if (Outcome listed = catalogue.dependencies(links); !listed.ok()) {
                return refused(operation, listed);
            }
            for (const auto& link : links) {
                returnDependency(nameSpace, link);
            }
            return finish(result);
        }
        std::vector<PeerInstance> instances;
        if (Outcome listed = catalogue.instancesOf(className, instances); !listed.ok()) {
            return refused(operation, listed);
        }
        for (const auto& instance : instances) {
            returnPeer(nameSpace, instance);
        }
        return finish(result);
    });
}

CMPIStatus peerEnumInstanceNames(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                                 const CMPIObjectPath* op) {
    return returnEveryObject(
        __func__, result, op,
        [&](const std::string& nameSpace, const DnsDependency& link) {
            CMReturnObjectPath(result, dependencyPath(nameSpace, link));
        },
        [&](const std::string& nameSpace, const PeerInstance& instance) {
            CMReturnObjectPath(result, bridge::makePath(broker(), nameSpace, instance.name));
        });
}

CMPIStatus peerEnumInstances(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                             const CMPIObjectPath* op, const char** properties) {
    return returnEveryObject(
        __func__, result, op,
        [&](const std::string& nameSpace, const DnsDependency& link) {
            CMReturnInstance(result, dependencyInstance(nameSpace, link, properties));
        },
        [&](const std::string& nameSpace, const PeerInstance& instance) {
            CMReturnInstance(result,
                             bridge::makeInstance(broker(), nameSpace, instance, properties));
        });
}

Outcome findDependency(const PeerCatalogue& catalogue, const CMPIObjectPath* op,
                       DnsDependency& found) {
    std::vector<DnsDependency> links;
    if (Outcome listed = catalogue.dependencies(links); !listed.ok()) {
        return listed;
    }
    const auto antecedent = bridge::referenceKeyOf(op, kAntecedentRole.data());
    const auto dependent = bridge::referenceKeyOf(op, kDependentRole.data());
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPICount keyCount = CMGetKeyCount(op, &status);
    if (antecedent && dependent && status.rc == CMPI_RC_OK && keyCount == 2) {
        for (const auto& link : links) {
            if (sameObject(link.antecedent, *antecedent) &&
                sameObject(link.dependent, *dependent)) {
                found = link;
                return Outcome::success();
            }
        }
    }
    return Outcome::failure(CMPI_RC_ERR_NOT_FOUND, std::string("No instance of ") +
                                                       std::string(classes::kDNSSAPSAPDependency) +
                                                       " has these keys");
}

CMPIStatus peerGetInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                           const CMPIObjectPath* op, const char** properties) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        const std::string className = bridge::classNameOf(op);
        const std::string nameSpace = bridge::nameSpaceOf(op);
        const auto shared = loadCatalogue();
        const PeerCatalogue& catalogue = *shared;
        if (isDependency(className)) {
            DnsDependency link;
            if (Outcome found = findDependency(catalogue, op, link); !found.ok()) {
                return refused(operation, found);
            }
            CMReturnInstance(result, dependencyInstance(nameSpace, link, properties));
            return finish(result);
        }
        if (!classes::isServed(className)) {
            return refused(operation, unknownClass(className));
        }
        const auto name = bridge::objectNameOf(op);
        PeerInstance instance;
        const Outcome found =
            name ? catalogue.find(*name, instance)
                 : Outcome::failure(CMPI_RC_ERR_NOT_FOUND,
                                    "No instance of " + className + " has these keys");
        if (!found.ok()) {
            return refused(operation, found);
        }
        CMReturnInstance(result, bridge::makeInstance(broker(), nameSpace, instance, properties));
        return finish(result);
    });
}

CMPIStatus peerCreateInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*,
                              const CMPIObjectPath* op, const CMPIInstance*) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        return refused(operation, notSupported(bridge::classNameOf(op), "Creating instances"));
    });
}

CMPIStatus peerDeleteInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*,
                              const CMPIObjectPath* op) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        return refused(operation, notSupported(bridge::classNameOf(op), "Deleting instances"));
    });
}

CMPIStatus peerExecQuery(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*,
                         const CMPIObjectPath* op, const char*, const char*) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        return refused(operation, notSupported(bridge::classNameOf(op), "Querying instances"));
    });
}

// The names of the properties a modification covers: the requested list, or
// every property the client's instance carries.
std::vector<std::string> propertiesToModify(const CMPIInstance* instance, const char** properties) {
    std::vector<std::string> names;
    if (properties != nullptr) {
        for (const char** entry = properties; *entry != nullptr; ++entry) {
            names.emplace_back(*entry);
        }
        return names;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPICount count = CMGetPropertyCount(instance, &status);
    if (status.rc != CMPI_RC_OK) {
        throw bridge::CmpiFailure(status.rc, "Could not read the modified instance");
    }
    for (CMPICount index = 0; index < count; ++index) {
        CMPIString* name = nullptr;
        CMGetPropertyAt(instance, index, &name, &status);
        if (status.rc != CMPI_RC_OK || name == nullptr) {
            throw bridge::CmpiFailure(CMPI_RC_ERR_FAILED, "Could not read the modified instance");
        }
        const char* text = CMGetCharsPtr(name, nullptr);
        names.emplace_back(text != nullptr ? text : "");
    }
    return names;
}

bool isNull(const CMPIData& data) {
    return (data.state & (CMPI_nullValue | CMPI_notFound)) != 0;
}

Outcome changesFor(const SettingClass& settingClass, const CMPIInstance* instance,
                   const char** properties, std::vector<PropertyChange>& changes) {
    for (const auto& name : propertiesToModify(instance, properties)) {
        CMPIStatus status{CMPI_RC_OK, nullptr};
        CMPIData data = CMGetProperty(instance, name.c_str(), &status);
        if (status.rc != CMPI_RC_OK) {
            // Listed but not given: the property becomes null.
            data.state = CMPI_notFound;
        }
        const PropertyRule* rule = settingClass.rule(name);
        if (rule == nullptr) {
            // Instances made from the full class carry its other properties
            // as nulls; those ask for nothing. A list names them on purpose.
            if (properties == nullptr && isNull(data)) {
                continue;
            }
            return Outcome::failure(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                                    "\"" + name + "\" is not a property of " +
                                        std::string(settingClass.className) + " that can be set");
        }
        std::optional<PeerValue> value;
        if (Outcome read = bridge::peerValueOf(data, rule->kind, value); !read.ok()) {
            return Outcome::failure(read.rc, std::string(rule->name) + ": " + read.message);
        }
        changes.push_back({std::string(rule->name), std::move(value)});
    }
    return Outcome::success();
}

CMPIStatus peerModifyInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                              const CMPIObjectPath* op, const CMPIInstance* instance,
                              const char** properties) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        const std::string className = bridge::classNameOf(op);
        const SettingClass* settingClass = findSettingClass(className);
        if (settingClass == nullptr) {
            return refused(operation, notSupported(className, "Modifying instances"));
        }
        const auto name = bridge::objectNameOf(op);
        const std::string* instanceId = name ? name->key("InstanceID") : nullptr;
        if (instanceId == nullptr || instance == nullptr) {
            return refused(operation, Outcome::failure(CMPI_RC_ERR_INVALID_PARAMETER,
                                                       "A modification needs the InstanceID of " +
                                                           className + " and the new instance"));
        }
        if (name->keys.size() != 1) {
            return refused(operation,
                           Outcome::failure(CMPI_RC_ERR_NOT_FOUND,
                                            "No instance of " + className + " has these keys"));
        }
        std::vector<PropertyChange> changes;
        if (Outcome gathered = changesFor(*settingClass, instance, properties, changes);
            !gathered.ok()) {
            return refused(operation, gathered);
        }
        const Outcome modified =
            modifySetting(*Quill::currentNodeStore(), className, *instanceId, changes);
        if (!modified.ok()) {
            return refused(operation, modified);
        }
        return finish(result);
    });
}

// ---- association operations -------------------------------------------------

CMPIStatus peerAssociationCleanup(CMPIAssociationMI*, const CMPIContext*, CMPIBoolean) {
    return okStatus();
}

std::optional<std::string> filterText(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    return std::string(text);
}

// The far ends the CIMOM must supply itself: ask it, and answer with the key
// properties alone when no provider can say more about an existing endpoint.
CMPIInstance* foreignInstance(const CMPIContext* context, const std::string& nameSpace,
                              const ObjectName& name, const char** properties) {
    CMPIObjectPath* path = bridge::makePath(broker(), nameSpace, name);
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIInstance* fetched = CBGetInstance(broker(), context, path, properties, &status);
    if (status.rc == CMPI_RC_OK && fetched != nullptr) {
        return fetched;
    }
    if (status.rc == CMPI_RC_ERR_NOT_FOUND) {
        return nullptr;
    }
    return bridge::makeInstance(broker(), nameSpace, PeerInstance{name, {}}, properties);
}

Outcome matchingLinks(const PeerCatalogue& catalogue, const CMPIObjectPath* op,
                      const LinkFilter& filter, std::vector<LinkMatch>& matches) {
    matches.clear();
    const auto source = bridge::objectNameOf(op);
    if (!source) {
        return Outcome::success();
    }
    return catalogue.linksOf(*source, filter, matches);
}

CMPIStatus peerAssociators(CMPIAssociationMI*, const CMPIContext* context, const CMPIResult* result,
                           const CMPIObjectPath* op, const char* associationClass,
                           const char* resultClass, const char* role, const char* resultRole,
                           const char** properties) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        const std::string nameSpace = bridge::nameSpaceOf(op);
        const auto shared = loadCatalogue();
        const PeerCatalogue& catalogue = *shared;
        std::vector<LinkMatch> matches;
        const LinkFilter filter{filterText(associationClass), filterText(resultClass),
                                filterText(role), filterText(resultRole)};
        if (Outcome found = matchingLinks(catalogue, op, filter, matches); !found.ok()) {
            return refused(operation, found);
        }
        for (const auto& match : matches) {
            PeerInstance served;
            CMPIInstance* instance = nullptr;
            if (catalogue.find(match.far, served).ok()) {
                instance = bridge::makeInstance(broker(), nameSpace, served, properties);
            } else {
                instance = foreignInstance(context, nameSpace, match.far, properties);
            }
            if (instance != nullptr) {
                CMReturnInstance(result, instance);
            }
        }
        return finish(result);
    });
}

CMPIStatus peerAssociatorNames(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                               const CMPIObjectPath* op, const char* associationClass,
                               const char* resultClass, const char* role, const char* resultRole) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        const std::string nameSpace = bridge::nameSpaceOf(op);
        std::vector<LinkMatch> matches;
        const LinkFilter filter{filterText(associationClass), filterText(resultClass),
                                filterText(role), filterText(resultRole)};
        if (Outcome found = matchingLinks(*loadCatalogue(), op, filter, matches); !found.ok()) {
            return refused(operation, found);
        }
        for (const auto& match : matches) {
            CMReturnObjectPath(result, bridge::makePath(broker(), nameSpace, match.far));
        }
        return finish(result);
    });
}

// The links a reference request names, under its result-class and role filters.
Outcome referencedLinks(const CMPIObjectPath* op, const char* resultClass, const char* role,
                        std::vector<LinkMatch>& matches) {
    const LinkFilter filter{filterText(resultClass), std::nullopt, filterText(role), std::nullopt};
    return matchingLinks(*loadCatalogue(), op, filter, matches);
}

CMPIStatus peerReferences(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath* op, const char* resultClass, const char* role,
                          const char** properties) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        const std::string nameSpace = bridge::nameSpaceOf(op);
        std::vector<LinkMatch> matches;
        if (Outcome found = referencedLinks(op, resultClass, role, matches); !found.ok()) {
            return refused(operation, found);
        }
        for (const auto& match : matches) {
            CMReturnInstance(result, dependencyInstance(nameSpace, match.link, properties));
        }
        return finish(result);
    });
}

CMPIStatus peerReferenceNames(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                              const CMPIObjectPath* op, const char* resultClass, const char* role) {
    const char* const operation = __func__;
    return guarded(operation, [&]() {
        const std::string nameSpace = bridge::nameSpaceOf(op);
        std::vector<LinkMatch> matches;
        if (Outcome found = referencedLinks(op, resultClass, role, matches); !found.ok()) {
            return refused(operation, found);
        }
        for (const auto& match : matches) {
            CMReturnObjectPath(result, dependencyPath(nameSpace, match.link));
        }
        return finish(result);
    });
}

CMPIInstanceMIFT g_instanceTable = {
    CMPICurrentVersion, CMPICurrentVersion,    "instanceOVXPeerProvider",
    peerCleanup,        peerEnumInstanceNames, peerEnumInstances,
    peerGetInstance,    peerCreateInstance,    peerModifyInstance,
    peerDeleteInstance, peerExecQuery,
};
CMPIInstanceMI g_instanceMI = {nullptr, &g_instanceTable};

CMPIAssociationMIFT g_associationTable = {
    CMPICurrentVersion,     CMPICurrentVersion, "associationOVXPeerProvider",
    peerAssociationCleanup, peerAssociators,    peerAssociatorNames,
    peerReferences,         peerReferenceNames,
};
CMPIAssociationMI g_associationMI = {nullptr, &g_associationTable};

// Every operation needs the broker: without one the MI is refused.
template <typename MI>
MI* handOut(MI* mi, const CMPIBroker* given, CMPIStatus* status) {
    if (given == nullptr) {
        if (status != nullptr) {
            *status = CMPIStatus{CMPI_RC_ERR_FAILED, nullptr};
        }
        return nullptr;
    }
    g_broker.store(given);
    if (status != nullptr) {
        *status = okStatus();
    }
    return mi;
}

}  // namespace
}  // namespace ovx::peers

CMPI_EXTERN_C CMPIInstanceMI* OVXPeerProvider_Create_InstanceMI(const CMPIBroker* broker,
                                                                const CMPIContext*,
                                                                CMPIStatus* status) {
    return ovx::peers::handOut(&ovx::peers::g_instanceMI, broker, status);
}

CMPI_EXTERN_C CMPIAssociationMI* OVXPeerProvider_Create_AssociationMI(const CMPIBroker* broker,
                                                                      const CMPIContext*,
                                                                      CMPIStatus* status) {
    return ovx::peers::handOut(&ovx::peers::g_associationMI, broker, status);
}
