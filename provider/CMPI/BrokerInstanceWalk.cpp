#include "CMPI/BrokerInstanceWalk.h"

#include <utility>

#include "Exceptions.h"
#include "Trace.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

BrokerInstanceWalk::BrokerInstanceWalk(const CMPIBroker* broker, const CMPIContext* context,
                                       std::string nameSpace)
    : broker_(broker), context_(context), nameSpace_(std::move(nameSpace)) {}

void BrokerInstanceWalk::enumerate(const CMPIObjectPath* path,
                                   const std::function<bool(const CMPIInstance*)>& keep,
                                   const char* failure) {
    QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(path));
    instances_.clear();
    position_ = 0;
    // The CIMOM enumerates by class; the keys of an instance path play no part.
    CMPIObjectPath* const classPath = ProviderUtilities::createObjectPath(
        broker_, ProviderUtilities::getClassName(path).c_str(), nameSpace_);
    CMPIStatus status{CMPI_RC_ERR_FAILED, nullptr};
    CMPIEnumeration* const enumeration =
        classPath != nullptr ? CBEnumInstances(broker_, context_, classPath, nullptr, &status)
                             : nullptr;
    if (status.rc != CMPI_RC_OK || enumeration == nullptr) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, failure);
        throw ProviderException(failure);
    }
    while (CMHasNext(enumeration, nullptr)) {
        CMPIStatus next{CMPI_RC_OK, nullptr};
        const CMPIData data = CMGetNext(enumeration, &next);
        if (next.rc == CMPI_RC_OK && data.type == CMPI_instance && data.value.inst != nullptr &&
            keep(data.value.inst)) {
            instances_.push_back(data.value.inst);
        }
    }
}

void BrokerInstanceWalk::fetch(const CMPIObjectPath* path, const char* failure) {
    QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(path));
    instances_.clear();
    position_ = 0;
    CMPIStatus status{CMPI_RC_ERR_FAILED, nullptr};
    CMPIInstance* const instance =
        path != nullptr ? CBGetInstance(broker_, context_, path, nullptr, &status) : nullptr;
    if (status.rc == CMPI_RC_ERR_NOT_FOUND) {
        return;
    }
    if (status.rc != CMPI_RC_OK || instance == nullptr) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, failure);
        throw ProviderException(failure);
    }
    instances_.push_back(instance);
}

CMPIObjectPath* BrokerInstanceWalk::getObjectPath() const {
    QUILL_TRACE_ENTER();
    CMPIInstance* const current = getCMPIInstance();
    if (current == nullptr) {
        return nullptr;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    CMPIObjectPath* const path = CMGetObjectPath(current, &status);
    return status.rc == CMPI_RC_OK ? path : nullptr;
}

CMPIInstance* BrokerInstanceWalk::getCMPIInstance() const {
    return position_ < instances_.size() ? instances_[position_] : nullptr;
}

BrokerInstanceWalk::operator bool() const {
    const bool valid = position_ < instances_.size();
    QUILL_TRACE_VARIABLE(valid);
    return valid;
}

void BrokerInstanceWalk::operator++() {
    if (position_ < instances_.size()) {
        ++position_;
    }
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
