#include "provider_call.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/conversions.h"
#include "ovx/host/operation_scope.h"

#include <exception>

namespace ovx::host::server {

CmpiPropertyList::CmpiPropertyList(const PropertyList& list) : all_(!list.has_value()) {
    if (all_) {
        return;
    }
    names_ = *list;
    pointers_.reserve(names_.size() + 1);
    for (const std::string& name : names_) {
        pointers_.push_back(name.c_str());
    }
    pointers_.push_back(nullptr);
}

std::string statusMessage(const CMPIStatus& status) {
    const CMPIString* message = status.msg;
    if (message == nullptr || message->ft == nullptr || message->ft->getCharPtr == nullptr) {
        return {};
    }
    const char* text = message->ft->getCharPtr(message, nullptr);
    return text != nullptr ? std::string(text) : std::string();
}

ProviderAnswer callProvider(const Broker& broker, const Context& context, const std::string& who,
                            const ProviderInvocation& invocation) {
    ProviderAnswer answer;
    try {
        const OperationScope scope(broker);
        const CMPIContext* cmpiContext = toCmpi(context);
        const CMPIResult* result = newResult();
        const CMPIStatus status = invocation(cmpiContext, result);
        answer.status = Status{status.rc, statusMessage(status)};
        answer.data = takeResultData(result);
    } catch (const CimError& error) {
        answer.status = Status::failure(error.rc(), error.what());
    } catch (const std::exception& error) {
        answer.status = Status::failure(CMPI_RC_ERR_FAILED, who + " threw: " + error.what());
    } catch (...) {
        answer.status = Status::failure(CMPI_RC_ERR_FAILED, who + " threw an exception");
    }
    return answer;
}

}  // namespace ovx::host::server
