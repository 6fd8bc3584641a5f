// The content of an extended error (CMPIError) as the host keeps it.
#pragma once

#include <cmpidt.h>

#include <optional>
#include <string>
#include <vector>

namespace ovx::host {

struct ErrorInfo {
    CMPIErrorType errorType = UnknownErrorType;
    std::optional<std::string> otherErrorType;
    std::optional<std::string> owningEntity;
    std::optional<std::string> messageId;
    std::optional<std::string> message;
    CMPIErrorSeverity perceivedSeverity = ErrorSevUnknown;
    CMPIErrorProbableCause probableCause = ErrorProbCauseUnknown;
    std::optional<std::string> probableCauseDescription;
    std::optional<std::vector<std::string>> recommendedActions;
    std::optional<std::string> errorSource;
    CMPIErrorSrcFormat errorSourceFormat = CMPIErrSrcUnknown;
    std::optional<std::string> otherErrorSourceFormat;
    CMPIrc cimStatusCode = CMPI_RC_OK;
    std::optional<std::string> cimStatusCodeDescription;
    std::optional<std::vector<std::string>> messageArguments;

    // One line: status code, owner, message id and message.
    std::string toString() const;
};

}  // namespace ovx::host
