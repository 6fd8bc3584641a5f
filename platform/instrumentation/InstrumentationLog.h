// Failure records of the node-tree library.
#pragma once

#include <string>

namespace Quill::InstrumentationLog {

inline constexpr const char* kComponent = "Quill.Instrumentation";

// Sends one failure record (level 6000) to the agent's log channel.
void reportFailure(const char* function, const char* file, int line, const std::string& text);

}  // namespace Quill::InstrumentationLog
