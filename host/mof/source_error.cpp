#include "ovx/host/mof/source_error.h"

#include <utility>

namespace ovx::host::mof {

std::string SourceLocation::toString() const {
    std::string text = file;
    if (line > 0) {
        text += ":" + std::to_string(line);
        if (column > 0) {
            text += ":" + std::to_string(column);
        }
    }
    return text;
}

SourceError::SourceError(SourceLocation where, const std::string& message)
    : std::runtime_error(where.toString() + ": " + message),
      where_(std::move(where)),
      message_(message) {}

}  // namespace ovx::host::mof
