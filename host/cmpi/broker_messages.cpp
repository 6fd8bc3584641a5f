#include "cmpi/broker_messages.h"

#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"

#include <vector>

#include "nxlogger.h"

namespace ovx::host::detail {

namespace {

// Reads one (type code, value) pair; false when the type code is unknown,
// since then the size of the value is unknown too.
bool readArgument(va_list& args, std::string& text) {
    const int type = va_arg(args, int);
    switch (type) {
        case CMPI_sint32:
            text = std::to_string(va_arg(args, int));
            return true;
        case CMPI_uint32:
            text = std::to_string(va_arg(args, unsigned int));
            return true;
        case CMPI_sint64:
            text = std::to_string(va_arg(args, long long));
            return true;
        case CMPI_uint64:
            text = std::to_string(va_arg(args, unsigned long long));
            return true;
        case CMPI_real64:
            text = std::to_string(va_arg(args, double));
            return true;
        case CMPI_boolean:
            text = va_arg(args, int) != 0 ? "true" : "false";
            return true;
        case CMPI_chars: {
            const char* chars = va_arg(args, const char*);
            text = chars == nullptr ? "" : chars;
            return true;
        }
        case CMPI_string: {
            const CMPIString* string = va_arg(args, const CMPIString*);
            const StringHandle* handle = findHandle<StringHandle>(string);
            text = handle == nullptr ? "" : handle->text;
            return true;
        }
        default:
            return false;
    }
}

constexpr int kDebugLevel = 3000;
constexpr int kInfoLevel = 4000;
constexpr int kWarningLevel = 5000;
constexpr int kErrorLevel = 6000;
static_assert(kErrorLevel == NxLog::NxLogger::kFailureLevel, "errors must reach the system log");

void write(bool trace, int level, const std::string& component, const std::string& text) {
    const int written =
        trace ? NxLog::NxLogger::traceLevelMessage("trace", __FILE__, __LINE__, component, level,
                                                   nullptr, 0, 0, text)
              : NxLog::NxLogger::logLevelMessage("logMessage", __FILE__, __LINE__, component, level,
                                                 nullptr, 0, 0, text);
    if (written != 0) {
        throw CimError(CMPI_RC_ERR_FAILED, "the record could not be written");
    }
}

}  // namespace

std::string formatMessage(const char* defaultText, CMPICount count, va_list args, CMPIrc& problem) {
    problem = CMPI_RC_OK;
    std::vector<std::string> values;
    va_list walk;
    va_copy(walk, args);
    for (CMPICount i = 0; i < count && i < 10; ++i) {
        std::string text;
        if (!readArgument(walk, text)) {
            problem = CMPI_RC_ERR_INVALID_DATA_TYPE;
            break;
        }
        values.push_back(std::move(text));
    }
    va_end(walk);

    const std::string pattern = defaultText == nullptr ? "" : defaultText;
    std::string message;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        if (pattern[i] == '$' && next >= '0' && next <= '9' &&
            static_cast<std::size_t>(next - '0') < values.size()) {
            message += values[static_cast<std::size_t>(next - '0')];
            ++i;
        } else {
            message += pattern[i];
        }
    }
    return message;
}

void writeLogMessage(int severity, const std::string& component, const std::string& text) {
    int level = 0;
    switch (severity) {
        case CMPI_SEV_ERROR:
            level = kErrorLevel;
            break;
        case CMPI_SEV_WARNING:
            level = kWarningLevel;
            break;
        case CMPI_SEV_INFO:
            level = kInfoLevel;
            break;
        case CMPI_DEV_DEBUG:
            level = kDebugLevel;
            break;
        default:
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                           "unknown log severity " + std::to_string(severity));
    }
    write(false, level, component, text);
}

void writeTraceMessage(int level, const std::string& component, const std::string& text) {
    int traceLevel = 0;
    switch (level) {
        case CMPI_LEV_INFO:
            traceLevel = kInfoLevel;
            break;
        case CMPI_LEV_WARNING:
            traceLevel = kWarningLevel;
            break;
        case CMPI_LEV_VERBOSE:
            traceLevel = kDebugLevel;
            break;
        default:
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                           "unknown trace level " + std::to_string(level));
    }
    write(true, traceLevel, component, text);
}

}  // namespace ovx::host::detail
