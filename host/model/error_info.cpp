#include "ovx/host/error_info.h"

namespace ovx::host {

std::string ErrorInfo::toString() const {
    std::string text = "CIM status " + std::to_string(static_cast<int>(cimStatusCode));
    if (owningEntity) {
        text += " from " + *owningEntity;
    }
    if (messageId) {
        text += " [" + *messageId + "]";
    }
    if (message) {
        text += ": " + *message;
    }
    return text;
}

}  // namespace ovx::host
