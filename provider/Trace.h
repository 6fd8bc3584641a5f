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

// Whether any channel takes records of that level. Records nobody takes are
// neither named nor formatted: tracing stays cheap on a production host.
bool wanted(int level);

// The function and source file that records name. Shared code writes its
// records in the name of the code it serves, so a trace tells which ran. The
// name is worked out only for a record that is written.
struct Site {
    const char* signature = nullptr;  // a decorated function signature, or
    const char* owner = nullptr;      // a class name and
    std::string member;               // one of its members
    const char* file = nullptr;

    std::string function() const;
};

// ENTERING on construction and EXITING on destruction, with or without the
// parameter list that was built on entry, when their level is taken on entry.
class FunctionScope {
  public:
    FunctionScope(const Site& site, int line, const std::string& component);
    template <typename BuildParameters>
    FunctionScope(const Site& site, int line, const std::string& component,
                  const BuildParameters& parameters)
        : FunctionScope(site, line, component, &build<BuildParameters>, &parameters) {}
    FunctionScope(const FunctionScope&) = delete;
    FunctionScope& operator=(const FunctionScope&) = delete;
    ~FunctionScope();

  private:
    using Builder = std::string (*)(const void*);
    template <typename BuildParameters>
    static std::string build(const void* parameters) {
        return (*static_cast<const BuildParameters*>(parameters))();
    }
    FunctionScope(const Site& site, int line, const std::string& component, Builder builder,
                  const void* parameters);

    bool active_ = false;
    std::string function_;
    const char* file_;
    const int line_;
    const std::string& component_;
    const bool hasParameters_;
    std::string parameters_;
};

// The single records of a function, written only when their level is taken.
void method(const Site& site, int line);
void message(const Site& site, int line, int level, const char* text);
void message(const Site& site, int line, int level, const std::string& text);
void variable(const Site& site, int line, const char* name, long long value);
void variable(const Site& site, int line, const char* name, const char* value);
void variable(const Site& site, int line, const char* name, const std::string& value);

}  // namespace Trace

// The separator and ENTERING records that open every CMPI operation; function
// is the operation's decorated signature or its qualified name.
void markProviderEntry(const std::string& component, const char* file, const char* function,
                       int line);
// The EXITING and separator records that close it.
void markProviderExit(const std::string& component, const char* file, const char* function,
                      int line);

}  // namespace Quill

// Source files are compiled with __FILE__ relative to the provider's root.
#define QUILL_TRACE_SITE()                                    \
    ::Quill::Trace::Site {                                    \
        __PRETTY_FUNCTION__, nullptr, std::string(), __FILE__ \
    }

#define QUILL_TRACE_CONCAT_(a, b) a##b
#define QUILL_TRACE_CONCAT(a, b) QUILL_TRACE_CONCAT_(a, b)

// The records below, in the name of a Site instead of the enclosing function.
// Their arguments are evaluated only when the record is taken.
#define QUILL_TRACE_ENTER_AT(site)                                                      \
    const ::Quill::Trace::FunctionScope QUILL_TRACE_CONCAT(quillTraceScope_, __LINE__)( \
        site, __LINE__, ::Quill::kLogComponent)
#define QUILL_TRACE_ENTER_PARAMS_AT(site, items)                                        \
    const ::Quill::Trace::FunctionScope QUILL_TRACE_CONCAT(quillTraceScope_, __LINE__)( \
        site, __LINE__, ::Quill::kLogComponent, [&] {                                   \
            ::NxLog::NxMessageBuffer quillTraceParameters;                              \
            quillTraceParameters << items;                                              \
            return std::string(::NxLog::NxMessageBuffer::str(quillTraceParameters));    \
        })
#define QUILL_TRACE_METHOD_AT(site)                                                              \
    (::Quill::Trace::wanted(::Quill::Trace::kInfoLevel) ? ::Quill::Trace::method(site, __LINE__) \
                                                        : (void)0)
#define QUILL_TRACE_VALUE_AT(site, name, value)                  \
    (::Quill::Trace::wanted(::Quill::Trace::kInfoLevel)          \
         ? ::Quill::Trace::variable(site, __LINE__, name, value) \
         : (void)0)
#define QUILL_TRACE_MESSAGE_AT(site, level, text) \
    (::Quill::Trace::wanted(level) ? ::Quill::Trace::message(site, __LINE__, level, text) : (void)0)

// ENTERING now and EXITING when the enclosing scope ends (level 4000).
#define QUILL_TRACE_ENTER() QUILL_TRACE_ENTER_AT(QUILL_TRACE_SITE())
// The same with a parameter list, e.g. QUILL_TRACE_ENTER_PARAMS(" objectPath=" << op)
// (level 3000).
#define QUILL_TRACE_ENTER_PARAMS(items) QUILL_TRACE_ENTER_PARAMS_AT(QUILL_TRACE_SITE(), items)
// The single record of a one-line function.
#define QUILL_TRACE_METHOD() QUILL_TRACE_METHOD_AT(QUILL_TRACE_SITE())
// A value worth seeing, under the name it has in the source.
#define QUILL_TRACE_VALUE(name, value) QUILL_TRACE_VALUE_AT(QUILL_TRACE_SITE(), name, value)
#define QUILL_TRACE_VARIABLE(variable) QUILL_TRACE_VALUE(#variable, variable)
// Free text at the given level.
#define QUILL_TRACE_MESSAGE(level, text) QUILL_TRACE_MESSAGE_AT(QUILL_TRACE_SITE(), level, text)

#define QUILL_MARK_PROVIDER_ENTRY() \
    ::Quill::markProviderEntry(::Quill::kLogComponent, __FILE__, __PRETTY_FUNCTION__, __LINE__)
#define QUILL_MARK_PROVIDER_EXIT() \
    ::Quill::markProviderExit(::Quill::kLogComponent, __FILE__, __PRETTY_FUNCTION__, __LINE__)
