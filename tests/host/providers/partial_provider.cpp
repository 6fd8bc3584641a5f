// Test library libovx_test_partial.so: registered for instance and method
// operations, but exports only the instance factory.
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
    return returnOnlyInstance(g_broker, result, op, "TST_Part", "Id", "p1", true);
}

CMPIStatus enumerateInstances(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                              const CMPIObjectPath* op, const char**) {
    return returnOnlyInstance(g_broker, result, op, "TST_Part", "Id", "p1", false);
}

CMPIInstanceMIFT instanceTable = {CMPICurrentVersion,
                                  CMPICurrentVersion,
                                  "Partial",
                                  cleanup,
                                  enumerateInstanceNames,
                                  enumerateInstances,
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  nullptr,
                                  nullptr};
CMPIInstanceMI instanceMi = {nullptr, &instanceTable};

}  // namespace

CMPI_EXTERN_C CMPIInstanceMI* Partial_Create_InstanceMI(const CMPIBroker* broker,
                                                        const CMPIContext*, CMPIStatus*) {
    g_broker = broker;
    return &instanceMi;
}
