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
    CMReturnObjectPath(result, makePath(g_broker, nameSpace(op), "TST_Part", "Id", "p1"));
    CMReturnDone(result);
    return ok();
}

CMPIStatus enumerateInstances(CMPIInstanceMI*, const CMPIContext*, const CMPIResult* result,
                              const CMPIObjectPath* op, const char**) {
    CMPIInstance* instance =
        CMNewInstance(g_broker, makePath(g_broker, nameSpace(op), "TST_Part", "Id", "p1"), nullptr);
    setString(instance, "Id", "p1");
    CMReturnInstance(result, instance);
    CMReturnDone(result);
    return ok();
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
