// Test provider "TestThings" (libovx_test_things.so): TST_Thing and
// TST_Container instances, the TST_Contains association between them and
// the TST_Thing methods. It answers only for the class it is asked about,
// so a host that routes a request to the wrong provider gets an error.
#include "test_provider_support.h"

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace testprovider;

struct Thing {
    std::uint32_t size;
    std::string label;
};

const std::vector<std::pair<std::string, std::string>> kContents = {
    {"box1", "alpha"}, {"box1", "beta"}, {"box2", "gamma"}};
const std::vector<std::string> kContainers = {"box1", "box2"};

const CMPIBroker* g_broker = nullptr;
std::mutex g_mutex;
std::map<std::string, Thing> g_things;

void resetThings() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    g_things = {{"alpha", {1, "first"}}, {"beta", {2, "second"}}, {"gamma", {3, "third"}}};
}

CMPIObjectPath* thingPath(const std::string& ns, const std::string& name) {
    return makePath(g_broker, ns, "TST_Thing", "Name", name);
}

CMPIObjectPath* containerPath(const std::string& ns, const std::string& id) {
    return makePath(g_broker, ns, "TST_Container", "Id", id);
}

CMPIInstance* thingInstance(const std::string& ns, const std::string& name, const Thing& thing) {
    CMPIInstance* instance = CMNewInstance(g_broker, thingPath(ns, name), nullptr);
    setString(instance, "Name", name);
    setUint32(instance, "Size", thing.size);
    setString(instance, "Label", thing.label);
    return instance;
}

CMPIInstance* containerInstance(const std::string& ns, const std::string& id) {
    CMPIInstance* instance = CMNewInstance(g_broker, containerPath(ns, id), nullptr);
    setString(instance, "Id", id);
    return instance;
}

std::map<std::string, Thing> snapshot() {
    const std::lock_guard<std::mutex> lock(g_mutex);
    return g_things;
}

CMPIStatus notServed(const std::string& className) {
    return failure(g_broker, CMPI_RC_ERR_INVALID_CLASS, "TestThings does not serve " + className);
}

// ---- instance MI ----------------------------------------------------------

CMPIStatus cleanupInstances(CMPIInstanceMI*, const CMPIContext*, CMPIBoolean terminating) {
    logEvent("things cleanup Instance terminating=" + std::to_string(terminating ? 1 : 0));
    return ok();
}

CMPIStatus enumerate(const CMPIResult* result, const CMPIObjectPath* op, bool names) {
    const std::string cls = className(op);
    const std::string ns = nameSpace(op);
    if (sameName(cls, "TST_Thing")) {
        for (const auto& [name, thing] : snapshot()) {
            if (names) {
                CMReturnObjectPath(result, thingPath(ns, name));
            } else {
                CMReturnInstance(result, thingInstance(ns, name, thing));
            }
        }
    } else if (sameName(cls, "TST_Container")) {
        for (const std::string& id : kContainers) {
            if (names) {
                CMReturnObjectPath(result, containerPath(ns, id));
            } else {
                CMReturnInstance(result, containerInstance(ns, id));
            }
        }
    } else {
        return notServed(cls);
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus enumerateInstanceNames(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                                  const CMPIObjectPath* op) {
    return enumerate(result, op, true);
}

CMPIStatus enumerateInstances(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                              const CMPIObjectPath* op, const char**) {
    return enumerate(result, op, false);
}

CMPIStatus getInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                       const CMPIObjectPath* op, const char**) {
    const std::string cls = className(op);
    const std::string ns = nameSpace(op);
    if (sameName(cls, "TST_Thing")) {
        const auto name = stringKey(op, "Name");
        const auto things = snapshot();
        const auto found = name.has_value() ? things.find(*name) : things.end();
        if (found != things.end()) {
            CMReturnInstance(result, thingInstance(ns, found->first, found->second));
        }
    } else if (sameName(cls, "TST_Container")) {
        const auto id = stringKey(op, "Id");
        for (const std::string& known : kContainers) {
            if (id == known) {
                CMReturnInstance(result, containerInstance(ns, known));
            }
        }
    } else {
        return notServed(cls);
    }
    // A missing instance is no error here: the host decides what it means.
    CMReturnDone(result);
    return ok();
}

CMPIStatus createInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath* op, const CMPIInstance* instance) {
    const std::string cls = className(op);
    if (!sameName(cls, "TST_Thing")) {
        return failure(g_broker, CMPI_RC_ERR_NOT_SUPPORTED, "TestThings creates only TST_Thing");
    }
    const auto name = stringProperty(instance, "Name");
    if (!name.has_value() || name->empty()) {
        return failure(g_broker, CMPI_RC_ERR_INVALID_PARAMETER, "a TST_Thing needs a Name");
    }
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        if (g_things.count(*name) != 0) {
            return failure(g_broker, CMPI_RC_ERR_ALREADY_EXISTS, "TST_Thing " + *name + " exists");
        }
        g_things[*name] = Thing{uint32Property(instance, "Size").value_or(0),
                                stringProperty(instance, "Label").value_or("")};
    }
    CMReturnObjectPath(result, thingPath(nameSpace(op), *name));
    CMReturnDone(result);
    return ok();
}

bool listed(const char** properties, const char* name) {
    if (properties == nullptr) {
        return true;
    }
    for (const char** property = properties; *property != nullptr; ++property) {
        if (sameName(*property, name)) {
            return true;
        }
    }
    return false;
}

CMPIStatus modifyInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath* op, const CMPIInstance* instance,
                          const char** properties) {
    if (!sameName(className(op), "TST_Thing")) {
        return failure(g_broker, CMPI_RC_ERR_NOT_SUPPORTED, "TestThings modifies only TST_Thing");
    }
    const auto name = stringKey(op, "Name");
    const std::lock_guard<std::mutex> lock(g_mutex);
    const auto found = name.has_value() ? g_things.find(*name) : g_things.end();
    if (found == g_things.end()) {
        return failure(g_broker, CMPI_RC_ERR_NOT_FOUND, "no TST_Thing " + name.value_or(""));
    }
    if (listed(properties, "Label")) {
        if (const auto label = stringProperty(instance, "Label")) {
            found->second.label = *label;
        }
    }
    if (listed(properties, "Size")) {
        if (const auto size = uint32Property(instance, "Size")) {
            found->second.size = *size;
        }
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus deleteInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath* op) {
    if (!sameName(className(op), "TST_Thing")) {
        return failure(g_broker, CMPI_RC_ERR_NOT_SUPPORTED, "TestThings deletes only TST_Thing");
    }
    const auto name = stringKey(op, "Name");
    const std::lock_guard<std::mutex> lock(g_mutex);
    if (!name.has_value() || g_things.erase(*name) == 0) {
        return failure(g_broker, CMPI_RC_ERR_NOT_FOUND, "no TST_Thing " + name.value_or(""));
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus execQuery(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                     const CMPIObjectPath* op, const char* query, const char* language) {
    if (!sameName(language, "WQL")) {
        return failure(g_broker, CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED,
                       std::string("TestThings speaks WQL, not ") + language);
    }
    unsigned threshold = 0;
    char end = '\0';
    if (std::sscanf(query, "SELECT * FROM TST_Thing WHERE Size > %u%c", &threshold, &end) != 1) {
        return failure(g_broker, CMPI_RC_ERR_INVALID_QUERY,
                       std::string("TestThings cannot read the query: ") + query);
    }
    const std::string ns = nameSpace(op);
    for (const auto& [name, thing] : snapshot()) {
        if (thing.size > threshold) {
            CMReturnInstance(result, thingInstance(ns, name, thing));
        }
    }
    CMReturnDone(result);
    return ok();
}

// ---- association MI -------------------------------------------------------

CMPIStatus cleanupAssociations(CMPIAssociationMI*, const CMPIContext*, CMPIBoolean terminating) {
    logEvent("things cleanup Association terminating=" + std::to_string(terminating ? 1 : 0));
    return ok();
}

struct Link {
    std::string container;
    std::string thing;
};

// The links the source path takes part in, honouring the role it must play.
std::vector<Link> linksOf(const CMPIObjectPath* source, const char* role, bool& sourceIsOwner) {
    std::vector<Link> links;
    const std::string cls = className(source);
    const auto things = snapshot();
    if (sameName(cls, "TST_Container")) {
        sourceIsOwner = true;
        const auto id = stringKey(source, "Id");
        if (role != nullptr && !sameName(role, "Owner")) {
            return links;
        }
        for (const auto& [container, thing] : kContents) {
            if (id == container && things.count(thing) != 0) {
                links.push_back({container, thing});
            }
        }
    } else {
        sourceIsOwner = false;
        const auto name = stringKey(source, "Name");
        if (role != nullptr && !sameName(role, "Part")) {
            return links;
        }
        for (const auto& [container, thing] : kContents) {
            if (name == thing && things.count(thing) != 0) {
                links.push_back({container, thing});
            }
        }
    }
    return links;
}

CMPIStatus wrongAssociation(const char* asked) {
    return failure(g_broker, CMPI_RC_ERR_FAILED,
                   std::string("TestThings was asked for association ") +
                       (asked != nullptr ? asked : "(none)"));
}

// As from sfcb: the class the client named, or none for every association.
bool asksForContains(const char* asked) {
    return asked == nullptr || *asked == '\0' || sameName(asked, "TST_Contains");
}

CMPIStatus associated(const CMPIResult* result, const CMPIObjectPath* op, const char* assocClass,
                      const char* role, bool names) {
    if (!asksForContains(assocClass)) {
        return wrongAssociation(assocClass);
    }
    const std::string ns = nameSpace(op);
    bool sourceIsOwner = false;
    const auto things = snapshot();
    for (const Link& link : linksOf(op, role, sourceIsOwner)) {
        if (sourceIsOwner) {
            const Thing& thing = things.at(link.thing);
            if (names) {
                CMReturnObjectPath(result, thingPath(ns, link.thing));
            } else {
                CMReturnInstance(result, thingInstance(ns, link.thing, thing));
            }
        } else if (names) {
            CMReturnObjectPath(result, containerPath(ns, link.container));
        } else {
            CMReturnInstance(result, containerInstance(ns, link.container));
        }
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus associators(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                       const CMPIObjectPath* op, const char* assocClass, const char*,
                       const char* role, const char*, const char**) {
    return associated(result, op, assocClass, role, false);
}

CMPIStatus associatorNames(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                           const CMPIObjectPath* op, const char* assocClass, const char*,
                           const char* role, const char*) {
    return associated(result, op, assocClass, role, true);
}

CMPIStatus linking(const CMPIResult* result, const CMPIObjectPath* op, const char* resultClass,
                   const char* role, bool names) {
    if (!asksForContains(resultClass)) {
        return wrongAssociation(resultClass);
    }
    const std::string ns = nameSpace(op);
    bool sourceIsOwner = false;
    for (const Link& link : linksOf(op, role, sourceIsOwner)) {
        CMPIObjectPath* path = makePath(g_broker, ns, "TST_Contains", nullptr, {});
        addReferenceKey(path, "Owner", containerPath(ns, link.container));
        addReferenceKey(path, "Part", thingPath(ns, link.thing));
        if (names) {
            CMReturnObjectPath(result, path);
        } else {
            CMPIInstance* instance = CMNewInstance(g_broker, path, nullptr);
            setReference(instance, "Owner", containerPath(ns, link.container));
            setReference(instance, "Part", thingPath(ns, link.thing));
            CMReturnInstance(result, instance);
        }
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus references(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                      const CMPIObjectPath* op, const char* resultClass, const char* role,
                      const char**) {
    return linking(result, op, resultClass, role, false);
}

CMPIStatus referenceNames(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath* op, const char* resultClass, const char* role) {
    return linking(result, op, resultClass, role, true);
}

// ---- method MI ------------------------------------------------------------

CMPIStatus cleanupMethods(CMPIMethodMI*, const CMPIContext*, CMPIBoolean terminating) {
    logEvent("things cleanup Method terminating=" + std::to_string(terminating ? 1 : 0));
    return ok();
}

CMPIStatus returnCode(const CMPIResult* result, std::uint32_t code) {
    CMPIValue value;
    value.uint32 = code;
    CMReturnData(result, &value, CMPI_uint32);
    CMReturnDone(result);
    return ok();
}

CMPIStatus resize(const CMPIResult* result, const CMPIObjectPath* op, const CMPIArgs* in,
                  CMPIArgs* out) {
    const auto newSize = uint32Argument(in, "NewSize");
    if (!newSize.has_value()) {
        return failure(g_broker, CMPI_RC_ERR_INVALID_PARAMETER, "Resize needs NewSize");
    }
    const auto name = stringKey(op, "Name");
    std::uint32_t oldSize = 0;
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        const auto found = name.has_value() ? g_things.find(*name) : g_things.end();
        if (found == g_things.end()) {
            return failure(g_broker, CMPI_RC_ERR_NOT_FOUND, "no TST_Thing " + name.value_or(""));
        }
        oldSize = found->second.size;
        found->second.size = *newSize;
    }
    CMPIValue value;
    value.uint32 = oldSize;
    CMAddArg(out, "OldSize", &value, CMPI_uint32);
    const std::string note = "resized " + *name;
    CMAddArg(out, "Note", note.c_str(), CMPI_chars);
    return returnCode(result, 0);
}

CMPIStatus add(const CMPIResult* result, const CMPIArgs* in, CMPIArgs* out) {
    const auto left = uint32Argument(in, "Left");
    const auto right = uint32Argument(in, "Right");
    if (!left.has_value() || !right.has_value()) {
        return failure(g_broker, CMPI_RC_ERR_INVALID_PARAMETER, "Add needs Left and Right");
    }
    CMPIValue sum;
    sum.uint32 = *left + *right;
    CMAddArg(out, "Sum", &sum, CMPI_uint32);
    return returnCode(result, 0);
}

// Hands back what the host put into the context of the call.
CMPIStatus whoami(const CMPIContext* ctx, const CMPIResult* result, CMPIArgs* out) {
    const auto principal = stringOf(CMGetContextEntry(ctx, CMPIPrincipal, nullptr));
    const auto nameSpace = stringOf(CMGetContextEntry(ctx, CMPIInitNameSpace, nullptr));
    const auto flags = uint32Of(CMGetContextEntry(ctx, CMPIInvocationFlags, nullptr));
    const std::string principalText = principal.value_or("<none>");
    const std::string nameSpaceText = nameSpace.value_or("<none>");
    CMAddArg(out, "Principal", principalText.c_str(), CMPI_chars);
    CMAddArg(out, "NameSpace", nameSpaceText.c_str(), CMPI_chars);
    CMPIValue flagValue;
    flagValue.uint32 = flags.value_or(0xFFFFFFFFu);
    CMAddArg(out, "Flags", &flagValue, CMPI_uint32);
    return returnCode(result, 0);
}

CMPIStatus invokeMethod(CMPIMethodMI*, const CMPIContext* ctx, const CMPIResult* result,
                        const CMPIObjectPath* op, const char* method, const CMPIArgs* in,
                        CMPIArgs* out) {
    if (!sameName(className(op), "TST_Thing")) {
        return notServed(className(op));
    }
    if (sameName(method, "Resize")) {
        return resize(result, op, in, out);
    }
    if (sameName(method, "Add")) {
        return add(result, in, out);
    }
    if (sameName(method, "Whoami")) {
        return whoami(ctx, result, out);
    }
    if (sameName(method, "Silent")) {
        CMReturnDone(result);
        return ok();
    }
    if (sameName(method, "Refuse")) {
        return failure(g_broker, CMPI_RC_ERR_ACCESS_DENIED, "TestThings refuses politely");
    }
    return failure(g_broker, CMPI_RC_ERR_METHOD_NOT_FOUND,
                   std::string("TestThings has no method ") + method);
}

CMPIInstanceMIFT instanceTable = {
    CMPICurrentVersion,     CMPICurrentVersion, "TestThings", cleanupInstances,
    enumerateInstanceNames, enumerateInstances, getInstance,  createInstance,
    modifyInstance,         deleteInstance,     execQuery};
CMPIAssociationMIFT associationTable = {CMPICurrentVersion,  CMPICurrentVersion, "TestThings",
                                        cleanupAssociations, associators,        associatorNames,
                                        references,          referenceNames};
CMPIMethodMIFT methodTable = {CMPICurrentVersion, CMPICurrentVersion, "TestThings", cleanupMethods,
                              invokeMethod};

CMPIInstanceMI instanceMi = {nullptr, &instanceTable};
CMPIAssociationMI associationMi = {nullptr, &associationTable};
CMPIMethodMI methodMi = {nullptr, &methodTable};

}  // namespace

CMPI_EXTERN_C CMPIInstanceMI* TestThings_Create_InstanceMI(const CMPIBroker* broker,
                                                           const CMPIContext*, CMPIStatus*) {
    logEvent("things create Instance");
    g_broker = broker;
    resetThings();
    return &instanceMi;
}

CMPI_EXTERN_C CMPIAssociationMI* TestThings_Create_AssociationMI(const CMPIBroker* broker,
                                                                 const CMPIContext*, CMPIStatus*) {
    logEvent("things create Association");
    g_broker = broker;
    return &associationMi;
}

CMPI_EXTERN_C CMPIMethodMI* TestThings_Create_MethodMI(const CMPIBroker* broker, const CMPIContext*,
                                                       CMPIStatus*) {
    logEvent("things create Method");
    g_broker = broker;
    return &methodMi;
}
