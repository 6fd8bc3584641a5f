// Tracing for every function of the provider: each record goes to the agent
// logger's log channel first and then to its trace channel.
#pragma once

#include <cstddef>
#include <string>

#include "nxlogger.h"

namespace Quill {

// The component every record carries; one definition for the library.
extern const std::string kLogComponent;

namespace Trace {

constexpr int kEntryExitLevel = 3000;  // ENTERING/EXITING with a parameter list, progress
constexpr int kInfoLevel = 4000;       // markers, METHOD, VARIABLE, informational MESSAGE
constexpr int kFailureLevel = 6000;    // failures and exceptions caught at the boundary

// One record's text, terminator included; longer texts are cut.
constexpr std::size_t kBufferSize = 512;

extern const char* const kSeparator;

// "Quill::X::f" out of a compiler's decorated function signature.
std::string qualifiedName(const char* prettyFunction);

// Hands one finished record to the log channel, then to the trace channel.
void emit(const char* function, const char* file, int line, const std::string& component, int level,
          const char* text);

// Record texts, formatted into this thread's buffer of the record's family and
// valid until the next record of that family on this thread.
const char* formatEntering(const char* function, const char* file, int line);
const char* formatExiting(const char* function, const char* file, int line);
const char* formatMethod(const char* function, const char* file, int line);
const char* formatMessage(const char* file, int line, const char* text);
const char* formatMessage(const char* file, int line, const std::string& text);
const char* formatEnteringWithParameters(const char* function, const char* file, int line,
                                         const char* parameters);
const char* formatExitingWithParameters(const char* function, const char* file, int line,
                                        const char* parameters);
const char* formatVariable(const char* name, const char* file, int line, long long value);
const char* formatVariable(const char* name, const char* file, int line, const char* value);
const char* formatVariable(const char* name, const char* file, int line, const std::string& value);

// The function and source file that records name. Shared code writes its
// records in the name of the code it serves, so a trace tells which ran.
struct Site {
    std::string function;
    const char* file;
};

// ENTERING on construction and EXITING on destruction, with or without the
// parameter list that was built on entry.
class FunctionScope {
  public:
    FunctionScope(std::string function, const char* file, int line, const std::string& component);
    FunctionScope(std::string function, const char* file, int line, const std::string& component,
                  std::string parameters);
    FunctionScope(const FunctionScope&) = delete;
    FunctionScope& operator=(const FunctionScope&) = delete;
    ~FunctionScope();

  private:
    const std::string function_;
    const char* const file_;
    const int line_;
    const std::string& component_;
    const bool hasParameters_;
    const std::string parameters_;
};

}  // namespace Trace

// The separator and ENTERING records that open every CMPI operation.
void markProviderEntry(const std::string& component, const char* file, const char* function,
                       int line);
// The EXITING and separator records that close it.
void markProviderExit(const std::string& component, const char* file, const char* function,
                      int line);

}  // namespace Quill

// Source files are compiled with __FILE__ relative to the provider's root.
#define QUILL_TRACE_FUNCTION() ::Quill::Trace::qualifiedName(__PRETTY_FUNCTION__)

#define QUILL_TRACE_CONCAT_(a, b) a##b
#define QUILL_TRACE_CONCAT(a, b) QUILL_TRACE_CONCAT_(a, b)

// ENTERING now and EXITING when the enclosing scope ends (level 4000).
#define QUILL_TRACE_ENTER()                                                             \
    const ::Quill::Trace::FunctionScope QUILL_TRACE_CONCAT(quillTraceScope_, __LINE__)( \
        QUILL_TRACE_FUNCTION(), __FILE__, __LINE__, ::Quill::kLogComponent)

// The same with a parameter list, e.g. QUILL_TRACE_ENTER_PARAMS(" objectPath=" << op)
// (level 3000).
#define QUILL_TRACE_ENTER_PARAMS(items)                                                 \
    const ::Quill::Trace::FunctionScope QUILL_TRACE_CONCAT(quillTraceScope_, __LINE__)( \
        QUILL_TRACE_FUNCTION(), __FILE__, __LINE__, ::Quill::kLogComponent, [&] {       \
            ::NxLog::NxMessageBuffer quillTraceParameters;                              \
            quillTraceParameters << items;                                              \
            return ::NxLog::NxMessageBuffer::str(quillTraceParameters);                 \
        }())

// The single record of a one-line function.
#define QUILL_TRACE_METHOD()                                                        \
    ::Quill::Trace::emit(                                                           \
        QUILL_TRACE_FUNCTION().c_str(), __FILE__, __LINE__, ::Quill::kLogComponent, \
        ::Quill::Trace::kInfoLevel,                                                 \
        ::Quill::Trace::formatMethod(QUILL_TRACE_FUNCTION().c_str(), __FILE__, __LINE__))

// A value worth seeing, under the name it has in the source.
#define QUILL_TRACE_VALUE(name, value)                                       \
    ::Quill::Trace::emit(QUILL_TRACE_FUNCTION().c_str(), __FILE__, __LINE__, \
                         ::Quill::kLogComponent, ::Quill::Trace::kInfoLevel, \
                         ::Quill::Trace::formatVariable(name, __FILE__, __LINE__, value))
#define QUILL_TRACE_VARIABLE(variable) QUILL_TRACE_VALUE(#variable, variable)

// Free text at the given level.
#define QUILL_TRACE_MESSAGE(level, text)                                     \
    ::Quill::Trace::emit(QUILL_TRACE_FUNCTION().c_str(), __FILE__, __LINE__, \
                         ::Quill::kLogComponent, level,                      \
                         ::Quill::Trace::formatMessage(__FILE__, __LINE__, text))

// The records above in the name of a Site instead of the enclosing function.
#define QUILL_TRACE_SITE()               \
    ::Quill::Trace::Site {               \
        QUILL_TRACE_FUNCTION(), __FILE__ \
    }
#define QUILL_TRACE_ENTER_AT(site)                                                      \
    const ::Quill::Trace::FunctionScope QUILL_TRACE_CONCAT(quillTraceScope_, __LINE__)( \
        (site).function, (site).file, __LINE__, ::Quill::kLogComponent)
#define QUILL_TRACE_ENTER_PARAMS_AT(site, items)                                        \
    const ::Quill::Trace::FunctionScope QUILL_TRACE_CONCAT(quillTraceScope_, __LINE__)( \
        (site).function, (site).file, __LINE__, ::Quill::kLogComponent, [&] {           \
            ::NxLog::NxMessageBuffer quillTraceParameters;                              \
            quillTraceParameters << items;                                              \
            return ::NxLog::NxMessageBuffer::str(quillTraceParameters);                 \
        }())
#define QUILL_TRACE_METHOD_AT(site)                                             \
    ::Quill::Trace::emit(                                                       \
        (site).function.c_str(), (site).file, __LINE__, ::Quill::kLogComponent, \
        ::Quill::Trace::kInfoLevel,                                             \
        ::Quill::Trace::formatMethod((site).function.c_str(), (site).file, __LINE__))
#define QUILL_TRACE_VALUE_AT(site, name, value)                                                  \
    ::Quill::Trace::emit((site).function.c_str(), (site).file, __LINE__, ::Quill::kLogComponent, \
                         ::Quill::Trace::kInfoLevel,                                             \
                         ::Quill::Trace::formatVariable(name, (site).file, __LINE__, value))

#define QUILL_MARK_PROVIDER_ENTRY()                                                              \
    ::Quill::markProviderEntry(::Quill::kLogComponent, __FILE__, QUILL_TRACE_FUNCTION().c_str(), \
                               __LINE__)
#define QUILL_MARK_PROVIDER_EXIT()                                                              \
    ::Quill::markProviderExit(::Quill::kLogComponent, __FILE__, QUILL_TRACE_FUNCTION().c_str(), \
                              __LINE__)
