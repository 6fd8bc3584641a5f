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

// The path of the host's configuration service.
inline ovx::host::ObjectPath servicePath(const std::string& systemName = thisHostName()) {
    ovx::host::ObjectPath path(kNamespace, "OVX_IPConfigurationService");
    path.setKey("SystemCreationClassName", ovx::host::Value::string("OVX_ComputerSystem"));
    path.setKey("SystemName", ovx::host::Value::string(systemName));
    path.setKey("CreationClassName", ovx::host::Value::string("OVX_IPConfigurationService"));
    path.setKey("Name", ovx::host::Value::string("IPConfigService"));
    return path;
}

// The provider's MI functions called as a CIMOM calls them, each call in an
// operation scope of its own, so that callers may run on threads of their own.
class MiCalls {
  public:
    MiCalls(const ovx::host::Broker& broker, CMPIInstanceMI* instanceMI, CMPIMethodMI* methodMI)
        : host_(broker), instance_(instanceMI), method_(methodMI) {}

    Outcome enumerateNames(const ovx::host::ObjectPath& path) const {
        return call([&](const CMPIContext* context, const CMPIResult* result) {
            return instance_->ft->enumerateInstanceNames(instance_, context, result,
                                                         ovx::host::toCmpi(path));
        });
    }
    Outcome enumerateInstances(const ovx::host::ObjectPath& path,
                               const char** properties = nullptr) const {
        return call([&](const CMPIContext* context, const CMPIResult* result) {
            return instance_->ft->enumerateInstances(instance_, context, result,
                                                     ovx::host::toCmpi(path), properties);
        });
    }
    Outcome getInstance(const ovx::host::ObjectPath& path) const {
        return call([&](const CMPIContext* context, const CMPIResult* result) {
            return instance_->ft->getInstance(instance_, context, result, ovx::host::toCmpi(path),
                                              nullptr);
        });
    }
    Outcome modifyInstance(const ovx::host::ObjectPath& path, const ovx::host::Instance& instance,
                           const char** properties = nullptr) const {
        return call([&](const CMPIContext* context, const CMPIResult* result) {
            return instance_->ft->modifyInstance(instance_, context, result,
                                                 ovx::host::toCmpi(path),
                                                 ovx::host::toCmpi(instance), properties);
        });
    }

    struct MethodOutcome {
        Outcome outcome;
        ovx::host::Arguments out;
    };
    MethodOutcome invoke(const ovx::host::ObjectPath& path, const char* method,
                         const ovx::host::Arguments& in) const {
        ovx::host::OperationScope scope(host_);
        CMPIArgs* const out = ovx::host::toCmpi(ovx::host::Arguments{});
        Outcome outcome = call([&](const CMPIContext* context, const CMPIResult* result) {
            return method_->ft->invokeMethod(method_, context, result, ovx::host::toCmpi(path),
                                             method, ovx::host::toCmpi(in), out);
        });
        return MethodOutcome{std::move(outcome), ovx::host::fromCmpi(out)};
    }

  private:
    template <typename Slot>
    Outcome call(const Slot& slot) const {
        ovx::host::OperationScope scope(host_);
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status = slot(
            ovx::host::toCmpi(ovx::host::Context::forOperation(kNamespace, 0, "tester")), result);
        return outcomeOf(status, result);
    }

    const ovx::host::Broker& host_;
    CMPIInstanceMI* const instance_;
    CMPIMethodMI* const method_;
};

// The host objects of one CIM operation around the provider's MIs.
struct ProviderObjects {
    ovx::host::Broker broker_;
    ovx::host::OperationScope scope_{broker_};
    CMPIInstanceMI* const instanceMI_ =
        IPInterfaceProvider_Create_InstanceMI(broker_.cmpi(), nullptr, nullptr);
    CMPIMethodMI* const methodMI_ =
        IPInterfaceProvider_Create_MethodMI(broker_.cmpi(), nullptr, nullptr);
    CMPIContext* const context_ =
        ovx::host::toCmpi(ovx::host::Context::forOperation(kNamespace, 0, "tester"));
};

class ProviderCalls : public ::testing::Test, protected ProviderObjects, protected MiCalls {
  protected:
    ProviderCalls() : MiCalls(broker_, instanceMI_, methodMI_) {}

    void useSystem(const Json& description) {
        system_.reset();
        system_ = std::make_unique<SystemDescriptionFile>(description);
    }
    SystemDescriptionFile& system() { return *system_; }

  private:
    std::unique_ptr<SystemDescriptionFile> system_;
};

}  // namespace ProviderTest
