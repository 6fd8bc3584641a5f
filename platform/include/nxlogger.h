// The agent's logging library: a log channel for administrators and a trace
// channel for developers, both fed with complete records.
//
// Without an installed sink, records go to:
//  - the system log (facility daemon, priority error): log-channel records of
//    level kFailureLevel and above;
//  - the file named by OVX_TRACE_FILE, if set: records of both channels from
//    level OVX_TRACE_LEVEL on (3000 when unset or not a number), appended one
//    line per record:
//      <UTC time, ms> <thread> <LOG|TRACE> <level> <component> <function> <file>:<line> <text>
//    Line breaks inside a record are written as \n and \r so that a record is
//    always exactly one line.
// The environment is read on first use; reloadEnvironment() reads it again.
#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

namespace NxLog {

// Accumulates the text of one record; streamable like any std::ostream.
// Pointers are written as addresses (0x...), the integer types below always
// in decimal, whatever flags the stream carries.
class NxMessageBuffer : public std::ostringstream {
  public:
    NxMessageBuffer();
    NxMessageBuffer(const NxMessageBuffer&) = delete;
    NxMessageBuffer& operator=(const NxMessageBuffer&) = delete;
    ~NxMessageBuffer() override;

    // Every other streamable type (double, bool, manipulators, ...) works as
    // on any std::ostream.
    using std::ostringstream::operator<<;
    using std::ostringstream::str;

    NxMessageBuffer& operator<<(const char* text);
    NxMessageBuffer& operator<<(char character);
    NxMessageBuffer& operator<<(const std::string& text);
    NxMessageBuffer& operator<<(const void* address);
    NxMessageBuffer& operator<<(long long number);
    NxMessageBuffer& operator<<(unsigned long long number);
    NxMessageBuffer& operator<<(long number) { return *this << static_cast<long long>(number); }
    NxMessageBuffer& operator<<(unsigned long number) {
        return *this << static_cast<unsigned long long>(number);
    }
    NxMessageBuffer& operator<<(int number) { return *this << static_cast<long long>(number); }
    NxMessageBuffer& operator<<(unsigned number) {
        return *this << static_cast<unsigned long long>(number);
    }

    // The text accumulated so far. The reference stays valid until str() is
    // called again on the same buffer or the buffer is destroyed.
    static const std::string& str(NxMessageBuffer& buffer);
    // For a stream that is an NxMessageBuffer, its text; any other stream
    // yields the empty string.
    static const std::string& str(std::ostream& stream);

  private:
    std::string snapshot_;
};

enum class Channel { Log, Trace };

struct Record {
    std::chrono::system_clock::time_point time;
    unsigned long thread = 0;  // kernel thread id
    Channel channel = Channel::Log;
    int level = 0;
    std::string component;
    std::string function;
    std::string file;
    int line = 0;
    std::string text;
    // The caller's context bytes, when it passed any.
    std::string context;
};

// One record as a single line of text, without line end (the trace file format).
std::string formatRecord(const Record& record);

// Where records go. A sink may fail (throw); the logger swallows it.
class Sink {
  public:
    virtual ~Sink() = default;
    virtual void write(const Record& record) = 0;
    // Whether write would keep a record of that channel and level; callers
    // ask before they spend work on a record. By default every record is kept.
    virtual bool takes(Channel channel, int level) const;
};

// Keeps every record in memory, in the order received; for tests.
// Copies share the same records.
class MemorySink : public Sink {
  public:
    MemorySink();
    void write(const Record& record) override;
    std::vector<Record> records() const;
    void clear();

  private:
    struct State;
    std::shared_ptr<State> state_;
};

class NxLogger {
  public:
    // Level used by records that report a failure; only these reach the
    // system log by default.
    static constexpr int kFailureLevel = 6000;
    // Lowest level written to the trace file when OVX_TRACE_LEVEL is not set.
    static constexpr int kDefaultTraceLevel = 3000;

    // Both return 0 when the record was handed to every sink, -1 otherwise;
    // a failure never reaches the caller in any other way. Null function or
    // file names are recorded as empty; context, when not null, holds
    // contextLength bytes kept with the record; flags are not interpreted.
    // A sink that logs from inside write() gets -1 for that nested record
    // instead of a deadlock.
    static int logLevelMessage(const char* function, const char* file, int line,
                               const std::string& component, int level, char* context,
                               int contextLength, int flags, const std::string& text);
    static int traceLevelMessage(const char* function, const char* file, int line,
                                 const std::string& component, int level, char* context,
                                 int contextLength, int flags, const std::string& text);

    // Whether a record of that level, on either channel, would reach a sink
    // that keeps it: a record nobody takes need not be formatted at all.
    static bool takesLevel(int level);

    // Replaces the default sinks with the given one, which then receives every
    // record of both channels, or restores the defaults when given null.
    static void installSink(std::shared_ptr<Sink> sink);

    // Reads OVX_TRACE_FILE and OVX_TRACE_LEVEL again and reopens the trace
    // file; for a process that changed its environment (tests, mostly).
    static void reloadEnvironment();
};

}  // namespace NxLog
