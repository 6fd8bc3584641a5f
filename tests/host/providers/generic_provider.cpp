// Test library libovx_test_generic.so: makes its MIs through the generic
// factories, as some provider frameworks do. It also exports a specific
// factory that fails, so that a host which does not prefer the generic one
// is caught. Its method MI asks for a CMPI version no host offers.
#include "test_provider_support.h"

#include <string>

namespace {

using namespace testprovider;

const CMPIBroker* g_broker = nullptr;

CMPIStatus cleanup(CMPIInstanceMI*, const CMPIContext*, CMPIBoolean) {
    return ok();
}

CMPIStatus enumerateInstanceNames(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                                  const CMPIObjectPath* op) {
    return returnOnlyInstance(g_broker, result, op, "TST_Gadget", "Id", "g1", true);
}

CMPIStatus enumerateInstances(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                              const CMPIObjectPath* op, const char**) {
    return returnOnlyInstance(g_broker, result, op, "TST_Gadget", "Id", "g1", false);
}

CMPIStatus methodCleanup(CMPIMethodMI*, const CMPIContext*, CMPIBoolean) {
    return ok();
}

CMPIStatus invokeMethod(CMPIMethodMI*, const CMPIContext*, const CMPIResult* result,
                        const CMPIObjectPath*, const char*, const CMPIArgs*, CMPIArgs*) {
    CMReturnDone(result);
    return ok();
}

// Slots the host must not call are left empty on purpose.
CMPIInstanceMIFT instanceTable = {CMPICurrentVersion,
                                  CMPICurrentVersion,
                                  "GenericGadgets",
                                  cleanup,
                                  enumerateInstanceNames,
                                  enumerateInstances,
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  nullptr};
CMPIMethodMIFT futureMethodTable = {CMPICurrentVersion, 999, "GenericGadgets", methodCleanup,
                                    invokeMethod};

CMPIInstanceMI instanceMi = {nullptr, &instanceTable};
CMPIMethodMI futureMethodMi = {nullptr, &futureMethodTable};

}  // namespace

CMPI_EXTERN_C CMPIInstanceMI* _Generic_Create_InstanceMI(const CMPIBroker* broker,
                                                         const CMPIContext*, const char* miName,
                                                         CMPIStatus* rc) {
    if (!sameName(miName, "GenericGadgets")) {
        *rc = failure(broker, CMPI_RC_ERR_NOT_FOUND,
                      std::string("no provider named ") + (miName != nullptr ? miName : "(null)"));
        return nullptr;
    }
    logEvent("generic create Instance " + std::string(miName));
    g_broker = broker;
    return &instanceMi;
}

CMPI_EXTERN_C CMPIMethodMI* _Generic_Create_MethodMI(const CMPIBroker* broker, const CMPIContext*,
                                                     const char*, CMPIStatus*) {
    g_broker = broker;
    return &futureMethodMi;
}

CMPI_EXTERN_C CMPIInstanceMI* GenericGadgets_Create_InstanceMI(const CMPIBroker* broker,
                                                               const CMPIContext*, CMPIStatus* rc) {
    logEvent("generic specific factory used");
    *rc = failure(broker, CMPI_RC_ERR_FAILED, "the specific factory must not be used");
    return nullptr;
}
