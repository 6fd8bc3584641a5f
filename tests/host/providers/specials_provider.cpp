// Test provider "TestSpecials" (libovx_test_specials.so): the subclass
// TST_SpecialThing, the TST_Summary that it computes through up-calls to the
// host (instances served by TestThings and by itself), the association
// TST_ContainsSpecial whose container end it fetches through the broker,
// and TST_Unrelated, about which a correct host never asks it.
#include "test_provider_support.h"

#include <string>

namespace {

using namespace testprovider;

const CMPIBroker* g_broker = nullptr;

constexpr std::uint32_t kOmegaSize = 10;
constexpr std::uint32_t kOmegaPower = 9000;

CMPIObjectPath* omegaPath(const std::string& ns) {
    return makePath(g_broker, ns, "TST_SpecialThing", "Name", "omega");
}

CMPIObjectPath* boxPath(const std::string& ns) {
    return makePath(g_broker, ns, "TST_Container", "Id", "box1");
}

CMPIInstance* omegaInstance(const std::string& ns) {
    CMPIInstance* instance = CMNewInstance(g_broker, omegaPath(ns), nullptr);
    setString(instance, "Name", "omega");
    setUint32(instance, "Size", kOmegaSize);
    setString(instance, "Label", "special");
    setUint32(instance, "Power", kOmegaPower);
    return instance;
}

// Counts every TST_Thing the host knows and reads alpha's size, both
// through the broker; a refusal from the host is passed on as it came.
CMPIStatus summaryInstance(const CMPIContext* ctx, const std::string& ns, CMPIInstance*& instance) {
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIEnumeration* things = CBEnumInstances(
        g_broker, ctx, makePath(g_broker, ns, "TST_Thing", nullptr, {}), nullptr, &status);
    if (status.rc != CMPI_RC_OK || things == nullptr) {
        return status;
    }
    std::uint32_t count = 0;
    while (CMHasNext(things, nullptr)) {
        const CMPIData item = CMGetNext(things, nullptr);
        if (item.type == CMPI_instance && item.value.inst != nullptr) {
            ++count;
        }
    }
    CMPIInstance* alpha = CBGetInstance(
        g_broker, ctx, makePath(g_broker, ns, "TST_Thing", "Name", "alpha"), nullptr, &status);
    if (status.rc != CMPI_RC_OK || alpha == nullptr) {
        return status;
    }
    instance =
        CMNewInstance(g_broker, makePath(g_broker, ns, "TST_Summary", "Id", "summary"), nullptr);
    setString(instance, "Id", "summary");
    setUint32(instance, "ThingCount", count);
    setUint32(instance, "AlphaSize", uint32Property(alpha, "Size").value_or(0));
    return ok();
}

CMPIStatus notServed(const std::string& className) {
    return failure(g_broker, CMPI_RC_ERR_INVALID_CLASS, "TestSpecials does not serve " + className);
}

CMPIStatus cleanupInstances(CMPIInstanceMI*, const CMPIContext*, CMPIBoolean terminating) {
    logEvent("specials cleanup Instance terminating=" + std::to_string(terminating ? 1 : 0));
    return ok();
}

CMPIStatus enumerate(const CMPIContext* ctx, const CMPIResult* result, const CMPIObjectPath* op,
                     bool names) {
    const std::string cls = className(op);
    const std::string ns = nameSpace(op);
    if (sameName(cls, "TST_SpecialThing")) {
        if (names) {
            CMReturnObjectPath(result, omegaPath(ns));
        } else {
            CMReturnInstance(result, omegaInstance(ns));
        }
    } else if (sameName(cls, "TST_Summary")) {
        CMPIInstance* summary = nullptr;
        const CMPIStatus status = summaryInstance(ctx, ns, summary);
        if (status.rc != CMPI_RC_OK) {
            return status;
        }
        if (names) {
            CMReturnObjectPath(result, CMGetObjectPath(summary, nullptr));
        } else {
            CMReturnInstance(result, summary);
        }
    } else {
        return notServed(cls);
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus enumerateInstanceNames(CMPIInstanceMI*, const CMPIContext* ctx, const CMPIResult* result,
                                  const CMPIObjectPath* op) {
    return enumerate(ctx, result, op, true);
}

CMPIStatus enumerateInstances(CMPIInstanceMI*, const CMPIContext* ctx, const CMPIResult* result,
                              const CMPIObjectPath* op, const char**) {
    return enumerate(ctx, result, op, false);
}

CMPIStatus getInstance(CMPIInstanceMI*, const CMPIContext* ctx, const CMPIResult* result,
                       const CMPIObjectPath* op, const char**) {
    const std::string cls = className(op);
    const std::string ns = nameSpace(op);
    if (sameName(cls, "TST_SpecialThing")) {
        if (stringKey(op, "Name") == std::string("omega")) {
            CMReturnInstance(result, omegaInstance(ns));
        }
    } else if (sameName(cls, "TST_Summary")) {
        if (stringKey(op, "Id") == std::string("summary")) {
            CMPIInstance* summary = nullptr;
            const CMPIStatus status = summaryInstance(ctx, ns, summary);
            if (status.rc != CMPI_RC_OK) {
                return status;
            }
            CMReturnInstance(result, summary);
        }
    } else {
        return notServed(cls);
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus refuse(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*, const CMPIObjectPath*) {
    return failure(g_broker, CMPI_RC_ERR_NOT_SUPPORTED, "TestSpecials is read-only");
}

CMPIStatus refuseCreate(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* result,
                        const CMPIObjectPath* op, const CMPIInstance*) {
    return refuse(mi, ctx, result, op);
}

CMPIStatus refuseModify(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* result,
                        const CMPIObjectPath* op, const CMPIInstance*, const char**) {
    return refuse(mi, ctx, result, op);
}

CMPIStatus refuseQuery(CMPIInstanceMI* mi, const CMPIContext* ctx, const CMPIResult* result,
                       const CMPIObjectPath* op, const char*, const char*) {
    return refuse(mi, ctx, result, op);
}

// ---- association MI -------------------------------------------------------

CMPIStatus cleanupAssociations(CMPIAssociationMI*, const CMPIContext*, CMPIBoolean terminating) {
    logEvent("specials cleanup Association terminating=" + std::to_string(terminating ? 1 : 0));
    return ok();
}

enum class End { None, Box, Omega };

End sourceEnd(const CMPIObjectPath* op) {
    const std::string cls = className(op);
    if (sameName(cls, "TST_Container") && stringKey(op, "Id") == std::string("box1")) {
        return End::Box;
    }
    if (sameName(cls, "TST_SpecialThing") && stringKey(op, "Name") == std::string("omega")) {
        return End::Omega;
    }
    return End::None;
}

// None named, the class itself or its superclass: what sfcb hands a provider
// of TST_ContainsSpecial.
CMPIStatus checkAssociation(const char* asked) {
    if (asked == nullptr || *asked == '\0' || sameName(asked, "TST_ContainsSpecial") ||
        sameName(asked, "TST_Contains")) {
        return ok();
    }
    return failure(g_broker, CMPI_RC_ERR_FAILED,
                   std::string("TestSpecials must not be asked about ") +
                       (asked != nullptr ? asked : "(no association)"));
}

CMPIStatus associated(const CMPIContext* ctx, const CMPIResult* result, const CMPIObjectPath* op,
                      const char* assocClass, bool names) {
    const CMPIStatus checked = checkAssociation(assocClass);
    if (checked.rc != CMPI_RC_OK) {
        return checked;
    }
    const std::string ns = nameSpace(op);
    switch (sourceEnd(op)) {
        case End::Box:
            if (names) {
                CMReturnObjectPath(result, omegaPath(ns));
            } else {
                CMReturnInstance(result, omegaInstance(ns));
            }
            break;
        case End::Omega:
            if (names) {
                CMReturnObjectPath(result, boxPath(ns));
            } else {
                // The container belongs to TestThings: ask the host for it.
                CMPIStatus status{CMPI_RC_OK, nullptr};
                CMPIInstance* box = CBGetInstance(g_broker, ctx, boxPath(ns), nullptr, &status);
                if (status.rc != CMPI_RC_OK) {
                    return status;
                }
                CMReturnInstance(result, box);
            }
            break;
        case End::None:
            break;
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus associators(CMPIAssociationMI*, const CMPIContext* ctx, const CMPIResult* result,
                       const CMPIObjectPath* op, const char* assocClass, const char*, const char*,
                       const char*, const char**) {
    return associated(ctx, result, op, assocClass, false);
}

CMPIStatus associatorNames(CMPIAssociationMI*, const CMPIContext* ctx, const CMPIResult* result,
                           const CMPIObjectPath* op, const char* assocClass, const char*,
                           const char*, const char*) {
    return associated(ctx, result, op, assocClass, true);
}

CMPIStatus linking(const CMPIResult* result, const CMPIObjectPath* op, const char* resultClass,
                   bool names) {
    const CMPIStatus checked = checkAssociation(resultClass);
    if (checked.rc != CMPI_RC_OK) {
        return checked;
    }
    const std::string ns = nameSpace(op);
    if (sourceEnd(op) != End::None) {
        CMPIObjectPath* path = makePath(g_broker, ns, "TST_ContainsSpecial", nullptr, {});
        addReferenceKey(path, "Owner", boxPath(ns));
        addReferenceKey(path, "Part", omegaPath(ns));
        if (names) {
            CMReturnObjectPath(result, path);
        } else {
            CMPIInstance* instance = CMNewInstance(g_broker, path, nullptr);
            setReference(instance, "Owner", boxPath(ns));
            setReference(instance, "Part", omegaPath(ns));
            CMReturnInstance(result, instance);
        }
    }
    CMReturnDone(result);
    return ok();
}

CMPIStatus references(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                      const CMPIObjectPath* op, const char* resultClass, const char*,
                      const char**) {
    return linking(result, op, resultClass, false);
}

CMPIStatus referenceNames(CMPIAssociationMI*, const CMPIContext*, const CMPIResult* result,
                          const CMPIObjectPath* op, const char* resultClass, const char*) {
    return linking(result, op, resultClass, true);
}

CMPIInstanceMIFT instanceTable = {CMPICurrentVersion,
                                  CMPICurrentVersion,
                                  "TestSpecials",
                                  cleanupInstances,
                                  enumerateInstanceNames,
                                  enumerateInstances,
                                  getInstance,
                                  refuseCreate,
                                  refuseModify,
                                  refuse,
                                  refuseQuery};
CMPIAssociationMIFT associationTable = {CMPICurrentVersion,  CMPICurrentVersion, "TestSpecials",
                                        cleanupAssociations, associators,        associatorNames,
                                        references,          referenceNames};

CMPIInstanceMI instanceMi = {nullptr, &instanceTable};
CMPIAssociationMI associationMi = {nullptr, &associationTable};

}  // namespace

CMPI_EXTERN_C CMPIInstanceMI* TestSpecials_Create_InstanceMI(const CMPIBroker* broker,
                                                             const CMPIContext*, CMPIStatus*) {
    logEvent("specials create Instance");
    g_broker = broker;
    return &instanceMi;
}

CMPI_EXTERN_C CMPIAssociationMI* TestSpecials_Create_AssociationMI(const CMPIBroker* broker,
                                                                   const CMPIContext*,
                                                                   CMPIStatus*) {
    logEvent("specials create Association");
    g_broker = broker;
    return &associationMi;
}
