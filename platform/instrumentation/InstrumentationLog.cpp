#include "InstrumentationLog.h"

#include "nxlogger.h"

namespace Quill::InstrumentationLog {

void reportFailure(const char* function, const char* file, int line, const std::string& text) {
    NxLog::NxLogger::logLevelMessage(function, file, line, kComponent,
                                     NxLog::NxLogger::kFailureLevel, nullptr, 0, 0, text);
}

}  // namespace Quill::InstrumentationLog
