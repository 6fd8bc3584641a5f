#include "Trace.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <utility>

namespace Quill {

const std::string kLogComponent{"Tessaly.IPInterfaceProvider"};

namespace Trace {

const char* const kSeparator =
    "==============================================================================";

namespace {

// Markers name the Trace header as their source, whichever file asked for them.
const char* const kTraceHeader = "Trace.h";

using Buffer = std::array<char, kBufferSize>;

// One buffer per record family and per thread, so that concurrent requests
// never mix their records.
Buffer& generalBuffer() {
    thread_local Buffer buffer;
    return buffer;
}
Buffer& parametersBuffer() {
    thread_local Buffer buffer;
    return buffer;
}
Buffer& integerVariableBuffer() {
    thread_local Buffer buffer;
    return buffer;
}
Buffer& stringVariableBuffer() {
    thread_local Buffer buffer;
    return buffer;
}

// Zeroes the buffer and formats into it; snprintf cuts a text that would not
// fit and always terminates it.
template <typename... Arguments>
const char* format(Buffer& buffer, const char* pattern, Arguments... arguments) {
    buffer.fill('\0');
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(buffer.data(), buffer.size(), pattern, arguments...);
#pragma GCC diagnostic pop
    return buffer.data();
}

const char* orEmpty(const char* text) {
    return text != nullptr ? text : "";
}

}  // namespace

std::string qualifiedName(const char* prettyFunction) {
    std::string signature = orEmpty(prettyFunction);
    // clang writes "(anonymous namespace)" where gcc writes "{anonymous}"; one
    // spelling keeps the records alike and the parentheses out of the search.
    static const std::string clangAnonymous = "(anonymous namespace)";
    for (std::size_t at = signature.find(clangAnonymous); at != std::string::npos;
         at = signature.find(clangAnonymous, at)) {
        signature.replace(at, clangAnonymous.size(), "{anonymous}");
    }
    // The parameter list starts at the first '(' after the name; "operator()"
    // has one more pair in its name.
    std::size_t open = signature.find("operator()");
    open = open == std::string::npos ? signature.find('(') : signature.find('(', open + 10);
    std::string name = signature.substr(0, open);
    // Drop the return type: the name starts after the last blank outside
    // template brackets, unless that blank belongs to "operator <type>".
    int depth = 0;
    std::size_t start = 0;
    for (std::size_t i = name.size(); i-- > 0;) {
        const char c = name[i];
        if (c == '>') {
            ++depth;
        } else if (c == '<') {
            --depth;
        } else if (c == ' ' && depth == 0) {
            const std::string before = name.substr(0, i);
            const bool conversionOperator =
                before.size() >= 8 && before.compare(before.size() - 8, 8, "operator") == 0;
            if (!conversionOperator) {
                start = i + 1;
                break;
            }
        }
    }
    return name.substr(start);
}

void emit(const char* function, const char* file, int line, const std::string& component, int level,
          const char* text) {
    NxLog::NxMessageBuffer message;
    const std::string& record = NxLog::NxMessageBuffer::str(message << orEmpty(text));
    NxLog::NxLogger::logLevelMessage(orEmpty(function), orEmpty(file), line, component, level,
                                     nullptr, 0, 0, record);
    NxLog::NxLogger::traceLevelMessage(orEmpty(function), orEmpty(file), line, component, level,
                                       nullptr, 0, 0, record);
}

const char* formatEntering(const char* function, const char* file, int line) {
    return format(generalBuffer(), "ENTERING: %s() in %s [Line: %d]", orEmpty(function),
                  orEmpty(file), line);
}

const char* formatExiting(const char* function, const char* file, int line) {
    return format(generalBuffer(), "EXITING: %s() in %s [Line: %d]", orEmpty(function),
                  orEmpty(file), line);
}

const char* formatMethod(const char* function, const char* file, int line) {
    return format(generalBuffer(), "METHOD: %s() was invoked in %s [Line: %d]", orEmpty(function),
                  orEmpty(file), line);
}

const char* formatMessage(const char* file, int line, const char* text) {
    return format(generalBuffer(), "MESSAGE [File: %s, Line: %d]: %s", orEmpty(file), line,
                  orEmpty(text));
}

const char* formatMessage(const char* file, int line, const std::string& text) {
    return formatMessage(file, line, text.c_str());
}

const char* formatEnteringWithParameters(const char* function, const char* file, int line,
                                         const char* parameters) {
    return format(parametersBuffer(), "ENTERING: %s() in %s [Line: %d],Parameters List: %s",
                  orEmpty(function), orEmpty(file), line, orEmpty(parameters));
}

const char* formatExitingWithParameters(const char* function, const char* file, int line,
                                        const char* parameters) {
    return format(parametersBuffer(), "EXITING: %s() in %s [Line: %d],Parameters List: %s",
                  orEmpty(function), orEmpty(file), line, orEmpty(parameters));
}

const char* formatVariable(const char* name, const char* file, int line, long long value) {
    return format(integerVariableBuffer(), "VARIABLE: '%s' has Value '%lld' at line %d in %s",
                  orEmpty(name), value, line, orEmpty(file));
}

const char* formatVariable(const char* name, const char* file, int line, const char* value) {
    return format(stringVariableBuffer(), "VARIABLE: '%s' has Value '%s' at line %d in %s",
                  orEmpty(name), orEmpty(value), line, orEmpty(file));
}

const char* formatVariable(const char* name, const char* file, int line, const std::string& value) {
    return formatVariable(name, file, line, value.c_str());
}

bool wanted(int level) {
    return NxLog::NxLogger::takesLevel(level);
}

std::string Site::function() const {
    if (signature != nullptr) {
        return qualifiedName(signature);
    }
    std::string name = orEmpty(owner);
    name += "::";
    name += member;
    return name;
}

FunctionScope::FunctionScope(const Site& site, int line, const std::string& component)
    : active_(wanted(kInfoLevel)),
      file_(site.file),
      line_(line),
      component_(component),
      hasParameters_(false) {
    if (active_) {
        function_ = site.function();
        emit(function_.c_str(), file_, line_, component_, kInfoLevel,
             formatEntering(function_.c_str(), file_, line_));
    }
}

FunctionScope::FunctionScope(const Site& site, int line, const std::string& component,
                             Builder builder, const void* parameters)
    : active_(wanted(kEntryExitLevel)),
      file_(site.file),
      line_(line),
      component_(component),
      hasParameters_(true) {
    if (active_) {
        function_ = site.function();
        parameters_ = builder(parameters);
        emit(function_.c_str(), file_, line_, component_, kEntryExitLevel,
             formatEnteringWithParameters(function_.c_str(), file_, line_, parameters_.c_str()));
    }
}

FunctionScope::~FunctionScope() {
    if (!active_) {
        return;
    }
    if (hasParameters_) {
        emit(function_.c_str(), file_, line_, component_, kEntryExitLevel,
             formatExitingWithParameters(function_.c_str(), file_, line_, parameters_.c_str()));
    } else {
        emit(function_.c_str(), file_, line_, component_, kInfoLevel,
             formatExiting(function_.c_str(), file_, line_));
    }
}

void method(const Site& site, int line) {
    const std::string function = site.function();
    emit(function.c_str(), site.file, line, kLogComponent, kInfoLevel,
         formatMethod(function.c_str(), site.file, line));
}

void message(const Site& site, int line, int level, const char* text) {
    emit(site.function().c_str(), site.file, line, kLogComponent, level,
         formatMessage(site.file, line, text));
}

void message(const Site& site, int line, int level, const std::string& text) {
    message(site, line, level, text.c_str());
}

void variable(const Site& site, int line, const char* name, long long value) {
    emit(site.function().c_str(), site.file, line, kLogComponent, kInfoLevel,
         formatVariable(name, site.file, line, value));
}

void variable(const Site& site, int line, const char* name, const char* value) {
    emit(site.function().c_str(), site.file, line, kLogComponent, kInfoLevel,
         formatVariable(name, site.file, line, value));
}

void variable(const Site& site, int line, const char* name, const std::string& value) {
    variable(site, line, name, value.c_str());
}

}  // namespace Trace

void markProviderEntry(const std::string& component, const char* file, const char* function,
                       int line) {
    if (!Trace::wanted(Trace::kInfoLevel)) {
        return;
    }
    const char* const self = "Quill::markProviderEntry";
    const std::string name = Trace::qualifiedName(function);
    Trace::emit(self, Trace::kTraceHeader, __LINE__, component, Trace::kInfoLevel,
                Trace::kSeparator);
    Trace::emit(self, Trace::kTraceHeader, __LINE__, component, Trace::kInfoLevel,
                Trace::formatEntering(name.c_str(), file, line));
}

void markProviderExit(const std::string& component, const char* file, const char* function,
                      int line) {
    if (!Trace::wanted(Trace::kInfoLevel)) {
        return;
    }
    const char* const self = "Quill::markProviderExit";
    const std::string name = Trace::qualifiedName(function);
    Trace::emit(self, Trace::kTraceHeader, __LINE__, component, Trace::kInfoLevel,
                Trace::formatExiting(name.c_str(), file, line));
    Trace::emit(self, Trace::kTraceHeader, __LINE__, component, Trace::kInfoLevel,
                Trace::kSeparator);
}

}  // namespace Quill
