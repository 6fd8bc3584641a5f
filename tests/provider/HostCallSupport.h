// Calls the provider's MI functions the way a CIMOM does, with CMPI objects
// of the embedded host, and collects what comes back.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "IPInterfaceProvider.h"
#include "ProviderTestSupport.h"
#include "cmpimacs.h"
#include "ovx/host/broker.h"
#include "ovx/host/context.h"
#include "ovx/host/conversions.h"
#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"
#include "ovx/host/operation_scope.h"
#include "ovx/host/result_data.h"

namespace ProviderTest {

constexpr const char* kNamespace = "root/cimv2";
constexpr const char* kEndpointClass = "OVX_IPProtocolEndpoint";

struct Outcome {
    CMPIrc rc = CMPI_RC_OK;
    std::string message;
    bool hasMessage = false;
    ovx::host::ResultData data;
};

inline Outcome outcomeOf(const CMPIStatus& status, const CMPIResult* result) {
    Outcome outcome;
    outcome.rc = status.rc;
    if (status.msg != nullptr) {
        outcome.hasMessage = true;
        const char* const text = CMGetCharsPtr(status.msg, nullptr);
        outcome.message = text != nullptr ? text : "";
    }
    outcome.data = ovx::host::resultData(result);
    return outcome;
}

// The full path of an endpoint as the provider names it.
inline ovx::host::ObjectPath endpointPath(const std::string& name,
                                          const std::string& systemName = thisHostName(),
                                          const std::string& systemClass = "OVX_ComputerSystem") {
    ovx::host::ObjectPath path(kNamespace, kEndpointClass);
    path.setKey("SystemCreationClassName", ovx::host::Value::string(systemClass));
    path.setKey("SystemName", ovx::host::Value::string(systemName));
    path.setKey("CreationClassName", ovx::host::Value::string(kEndpointClass));
    path.setKey("Name", ovx::host::Value::string(name));
    return path;
}

// One CIM operation's worth of host objects around the provider's MIs.
class ProviderCalls : public ::testing::Test {
  protected:
    void useSystem(const Json& description) {
        system_.reset();
        system_ = std::make_unique<SystemDescriptionFile>(description);
    }
    SystemDescriptionFile& system() { return *system_; }

    Outcome enumerateNames(const ovx::host::ObjectPath& path) {
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status = instanceMI_->ft->enumerateInstanceNames(
            instanceMI_, context_, result, ovx::host::toCmpi(path));
        return outcomeOf(status, result);
    }
    Outcome enumerateInstances(const ovx::host::ObjectPath& path,
                               const char** properties = nullptr) {
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status = instanceMI_->ft->enumerateInstances(
            instanceMI_, context_, result, ovx::host::toCmpi(path), properties);
        return outcomeOf(status, result);
    }
    Outcome getInstance(const ovx::host::ObjectPath& path) {
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status = instanceMI_->ft->getInstance(instanceMI_, context_, result,
                                                               ovx::host::toCmpi(path), nullptr);
        return outcomeOf(status, result);
    }
    Outcome modifyInstance(const ovx::host::ObjectPath& path, const ovx::host::Instance& instance,
                           const char** properties = nullptr) {
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status =
            instanceMI_->ft->modifyInstance(instanceMI_, context_, result, ovx::host::toCmpi(path),
                                            ovx::host::toCmpi(instance), properties);
        return outcomeOf(status, result);
    }

    struct MethodOutcome {
        Outcome outcome;
        ovx::host::Arguments out;
    };
    MethodOutcome invoke(const ovx::host::ObjectPath& path, const char* method,
                         const ovx::host::Arguments& in) {
        CMPIResult* const result = ovx::host::newResult();
        CMPIArgs* const out = ovx::host::toCmpi(ovx::host::Arguments{});
        const CMPIStatus status =
            methodMI_->ft->invokeMethod(methodMI_, context_, result, ovx::host::toCmpi(path),
                                        method, ovx::host::toCmpi(in), out);
        return MethodOutcome{outcomeOf(status, result), ovx::host::fromCmpi(out)};
    }

    ovx::host::Broker broker_;
    ovx::host::OperationScope scope_{broker_};
    CMPIInstanceMI* const instanceMI_ =
        IPInterfaceProvider_Create_InstanceMI(broker_.cmpi(), nullptr, nullptr);
    CMPIMethodMI* const methodMI_ =
        IPInterfaceProvider_Create_MethodMI(broker_.cmpi(), nullptr, nullptr);
    CMPIContext* const context_ =
        ovx::host::toCmpi(ovx::host::Context::forOperation(kNamespace, 0, "tester"));

  private:
    std::unique_ptr<SystemDescriptionFile> system_;
};

}  // namespace ProviderTest
