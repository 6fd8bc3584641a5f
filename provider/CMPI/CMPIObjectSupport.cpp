#include "CMPI/CMPIObjectSupport.h"

#include <strings.h>

#include "cmpimacs.h"

namespace Quill {
namespace IPInterfaceProvider {

CMPIStatus okStatus() {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus statusWithMessage(const CMPIBroker* broker, CMPIrc rc, const std::string& message) {
    CMPIStatus status{rc, nullptr};
    if (broker != nullptr) {
        status.msg = CMNewString(broker, message.c_str(), nullptr);
    }
    return status;
}

std::string objectPathText(const CMPIBroker* broker, const CMPIObjectPath* path) {
    if (broker == nullptr || path == nullptr) {
        return std::string();
    }
    const CMPIString* const text = CDToString(broker, path, nullptr);
    if (text == nullptr || text->hdl == nullptr) {
        return std::string();
    }
    const char* const characters = CMGetCharsPtr(text, nullptr);
    return characters != nullptr ? std::string(characters) : std::string();
}

namespace {

// References name the same instance whatever text form each path gives them.
bool sameReference(const CMPIObjectPath* first, const CMPIObjectPath* second, const char* key) {
    CMPIObjectPath* firstReference = nullptr;
    CMPIObjectPath* secondReference = nullptr;
    return ProviderUtilities::getKeyProperty(first, key, &firstReference) &&
           ProviderUtilities::getKeyProperty(second, key, &secondReference) &&
           strcasecmp(ProviderUtilities::getClassName(firstReference).c_str(),
                      ProviderUtilities::getClassName(secondReference).c_str()) == 0 &&
           haveSameKeys(firstReference, secondReference);
}

}  // namespace

bool haveSameKeys(const CMPIObjectPath* first, const CMPIObjectPath* second) {
    Moniker firstKeys;
    Moniker secondKeys;
    if (!ProviderUtilities::transformObjectPathToMoniker(first, firstKeys) ||
        !ProviderUtilities::transformObjectPathToMoniker(second, secondKeys) ||
        firstKeys.getKeyCount() != secondKeys.getKeyCount()) {
        return false;
    }
    for (const Moniker::KeyComponent& key : firstKeys.keys()) {
        bool matched = false;
        for (const Moniker::KeyComponent& other : secondKeys.keys()) {
            if (strcasecmp(key.name.c_str(), other.name.c_str()) == 0) {
                matched = key.type == CMPI_ref && other.type == CMPI_ref
                              ? sameReference(first, second, key.name.c_str())
                              : key.value == other.value;
                break;
            }
        }
        if (!matched) {
            return false;
        }
    }
    return true;
}

void ModificationPlan::refuse(CMPIrc rc, const std::string& message) {
    QUILL_TRACE_ENTER_PARAMS(" rc=" << static_cast<int>(rc) << " message=" << message);
    if (!refusal_) {
        refusal_ = std::make_pair(rc, message);
    }
}

void ModificationPlan::checkAddress(const char* property, const std::string& value,
                                    const std::string& kind) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " kind=" << kind);
    if (ProviderUtilities::ValidateInput(value, kind) == 0) {
        refuse(CMPI_RC_ERR_INVALID_PARAMETER,
               std::string("Invalid value for property '") + property + "'");
    }
}

void ModificationPlan::checkWritable(const char* property, bool writable) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " writable=" << writable);
    if (!writable) {
        refuse(CMPI_RC_ERR_FAILED, std::string("Property '") + property + "' cannot be changed");
    }
}

void ModificationPlan::write(const char* property, std::function<bool()> apply) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property);
    writes_.push_back(Write{property, std::move(apply)});
}

CMPIStatus ModificationPlan::carryOut(const std::function<bool()>& undo) const {
    QUILL_TRACE_ENTER();
    if (refusal_) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, refusal_->second);
        return statusWithMessage(broker_, refusal_->first, refusal_->second);
    }
    for (const Write& write : writes_) {
        if (!write.apply()) {
            const bool undone = undo();
            const std::string message =
                std::string("The system refused the new value of property '") + write.property +
                (undone ? "'; nothing was changed" : "'; earlier changes could not be taken back");
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel, message);
            return statusWithMessage(broker_, CMPI_RC_ERR_FAILED, message);
        }
    }
    return okStatus();
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
