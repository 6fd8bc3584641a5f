#include "nxlogger.h"

#include <fcntl.h>
#include <sys/syscall.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace NxLog {

namespace {

constexpr char kSyslogTag[] = "ovx-ipinterface";

unsigned long currentThreadId() {
    thread_local const auto id = static_cast<unsigned long>(::syscall(SYS_gettid));
    return id;
}

const char* channelName(Channel channel) {
    return channel == Channel::Log ? "LOG" : "TRACE";
}

// Keeps a record on one line whatever its fields contain.
void appendEscaped(std::string& out, const std::string& field) {
    if (field.empty()) {
        out += '-';
        return;
    }
    for (const char c : field) {
        if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (static_cast<unsigned char>(c) < 0x20 && c != '\t') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
}

std::string formatTime(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const auto sinceEpoch = time.time_since_epoch();
    const auto wholeSeconds = duration_cast<seconds>(sinceEpoch);
    auto milliseconds = duration_cast<std::chrono::milliseconds>(sinceEpoch - wholeSeconds).count();
    auto seconds = static_cast<std::time_t>(wholeSeconds.count());
    if (milliseconds < 0) {  // times before 1970 round towards the past
        milliseconds += 1000;
        --seconds;
    }
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[40];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
    std::snprintf(text + length, sizeof text - length, ".%03dZ", static_cast<int>(milliseconds));
    return text;
}

// Closes the descriptor it holds.
class FileDescriptor {
  public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }

  private:
    int fd_ = -1;
};

// Deliberately no openlog(): the library lives inside a CIMOM, and openlog
// would change the ident of every later message of the host process.
class SystemLogSink : public Sink {
  public:
    bool takes(Channel channel, int level) const override {
        return channel == Channel::Log && level >= NxLogger::kFailureLevel;
    }

    void write(const Record& record) override {
        if (record.channel != Channel::Log || record.level < NxLogger::kFailureLevel) {
            return;
        }
        std::string message = kSyslogTag;
        message += ": ";
        appendEscaped(message, record.component);
        message += ' ';
        appendEscaped(message, record.function);
        message += ": ";
        appendEscaped(message, record.text);
        ::syslog(LOG_DAEMON | LOG_ERR, "%s", message.c_str());
    }
};

class TraceFileSink : public Sink {
  public:
    TraceFileSink(std::string path, int lowestLevel)
        : path_(std::move(path)), lowestLevel_(lowestLevel) {}

    bool takes(Channel, int level) const override { return level >= lowestLevel_; }

    void write(const Record& record) override {
        if (record.level < lowestLevel_) {
            return;
        }
        // Opened on demand so that a directory created later still gets the trace.
        if (!file_.valid()) {
            file_ = FileDescriptor(
                ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0640));
            if (!file_.valid()) {
                throw std::system_error(errno, std::generic_category(), "open " + path_);
            }
        }
        std::string line = formatRecord(record);
        line += '\n';
        writeWhole(line);
    }

  private:
    // One write() per line in the normal case, so O_APPEND keeps lines of
    // concurrent writers (other processes included) apart.
    void writeWhole(const std::string& line) {
        const char* next = line.data();
        std::size_t left = line.size();
        while (left > 0) {
            const ssize_t written = ::write(file_.get(), next, left);
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                throw std::system_error(errno, std::generic_category(), "write " + path_);
            }
            next += written;
            left -= static_cast<std::size_t>(written);
        }
    }

    const std::string path_;
    const int lowestLevel_;
    FileDescriptor file_;
};

std::optional<int> parseLevel(const char* text) {
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// What an administrator gets without any installed sink.
class DefaultSinks : public Sink {
  public:
    static std::unique_ptr<DefaultSinks> fromEnvironment() {
        auto sinks = std::make_unique<DefaultSinks>();
        const char* const traceFile = std::getenv("OVX_TRACE_FILE");
        if (traceFile != nullptr && *traceFile != '\0') {
            const int lowestLevel =
                parseLevel(std::getenv("OVX_TRACE_LEVEL")).value_or(NxLogger::kDefaultTraceLevel);
            sinks->traceFile_.emplace(traceFile, lowestLevel);
        }
        return sinks;
    }

    bool takes(Channel channel, int level) const override {
        return systemLog_.takes(channel, level) ||
               (traceFile_ && traceFile_->takes(channel, level));
    }

    void write(const Record& record) override {
        // Each destination gets its chance even when the other one fails.
        bool failed = false;
        try {
            systemLog_.write(record);
        } catch (...) {
            failed = true;
        }
        if (traceFile_) {
            try {
                traceFile_->write(record);
            } catch (...) {
                failed = true;
            }
        }
        if (failed) {
            throw std::runtime_error("a default log destination failed");
        }
    }

  private:
    SystemLogSink systemLog_;
    std::optional<TraceFileSink> traceFile_;
};

// Whether the dispatcher exists; constant-initialised, so it is valid before
// the dispatcher is built and after it is gone.
std::atomic<bool> dispatcherAlive{false};

class Dispatcher {
  public:
    Dispatcher() { dispatcherAlive = true; }
    Dispatcher(const Dispatcher&) = delete;
    Dispatcher& operator=(const Dispatcher&) = delete;
    ~Dispatcher() { dispatcherAlive = false; }

    int emit(Record record) {
        if (insideEmit_) {
            return -1;
        }
        insideEmit_ = true;
        int result = 0;
        try {
            const std::lock_guard<std::mutex> lock(mutex_);
            target().write(record);
        } catch (...) {
            result = -1;
        }
        insideEmit_ = false;
        return result;
    }

    bool takes(int level) {
        if (insideEmit_) {
            return false;
        }
        try {
            const std::lock_guard<std::mutex> lock(mutex_);
            const Sink& sink = target();
            return sink.takes(Channel::Log, level) || sink.takes(Channel::Trace, level);
        } catch (...) {
            return true;
        }
    }

    void install(std::shared_ptr<Sink> sink) {
        const std::lock_guard<std::mutex> lock(mutex_);
        installed_ = std::move(sink);
    }

    void reloadEnvironment() {
        const std::lock_guard<std::mutex> lock(mutex_);
        defaults_.reset();
    }

  private:
    // Called with mutex_ held; reading the environment here makes it lazy and
    // keeps two first callers from both doing it.
    Sink& target() {
        if (installed_) {
            return *installed_;
        }
        if (!defaults_) {
            defaults_ = DefaultSinks::fromEnvironment();
        }
        return *defaults_;
    }

    std::mutex mutex_;
    std::shared_ptr<Sink> installed_;
    std::unique_ptr<DefaultSinks> defaults_;
    static thread_local bool insideEmit_;
};

thread_local bool Dispatcher::insideEmit_ = false;

// Destroyed with the library (at exit or when a CIMOM unloads the provider),
// so nothing it holds is lost memory; records that still arrive afterwards,
// from static destructors or detached threads, are dropped.
Dispatcher* dispatcher() {
    static Dispatcher instance;
    return dispatcherAlive ? &instance : nullptr;
}

int emit(Channel channel, const char* function, const char* file, int line,
         const std::string& component, int level, const char* context, int contextLength,
         const std::string& text) {
    try {
        Record record;
        record.time = std::chrono::system_clock::now();
        record.thread = currentThreadId();
        record.channel = channel;
        record.level = level;
        record.component = component;
        record.function = function != nullptr ? function : "";
        record.file = file != nullptr ? file : "";
        record.line = line;
        record.text = text;
        if (context != nullptr && contextLength > 0) {
            record.context.assign(context, static_cast<std::size_t>(contextLength));
        }
        Dispatcher* const target = dispatcher();
        return target != nullptr ? target->emit(std::move(record)) : -1;
    } catch (...) {
        return -1;
    }
}

}  // namespace

std::string formatRecord(const Record& record) {
    std::string line = formatTime(record.time);
    line += ' ';
    line += std::to_string(record.thread);
    line += ' ';
    line += channelName(record.channel);
    line += ' ';
    line += std::to_string(record.level);
    line += ' ';
    appendEscaped(line, record.component);
    line += ' ';
    appendEscaped(line, record.function);
    line += ' ';
    appendEscaped(line, record.file);
    line += ':';
    line += std::to_string(record.line);
    line += ' ';
    appendEscaped(line, record.text);
    if (!record.context.empty()) {
        line += " [context: ";
        appendEscaped(line, record.context);
        line += ']';
    }
    return line;
}

struct MemorySink::State {
    mutable std::mutex mutex;
    std::vector<Record> records;
};

MemorySink::MemorySink() : state_(std::make_shared<State>()) {}

void MemorySink::write(const Record& record) {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->records.push_back(record);
}

std::vector<Record> MemorySink::records() const {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->records;
}

void MemorySink::clear() {
    const std::lock_guard<std::mutex> lock(state_->mutex);
    state_->records.clear();
}

int NxLogger::logLevelMessage(const char* function, const char* file, int line,
                              const std::string& component, int level, char* context,
                              int contextLength, int /*flags*/, const std::string& text) {
    return emit(Channel::Log, function, file, line, component, level, context, contextLength, text);
}

int NxLogger::traceLevelMessage(const char* function, const char* file, int line,
                                const std::string& component, int level, char* context,
                                int contextLength, int /*flags*/, const std::string& text) {
    return emit(Channel::Trace, function, file, line, component, level, context, contextLength,
                text);
}

bool Sink::takes(Channel, int) const {
    return true;
}

bool NxLogger::takesLevel(int level) {
    Dispatcher* const target = dispatcher();
    return target != nullptr && target->takes(level);
}

void NxLogger::installSink(std::shared_ptr<Sink> sink) {
    if (Dispatcher* const target = dispatcher()) {
        target->install(std::move(sink));
    }
}

void NxLogger::reloadEnvironment() {
    if (Dispatcher* const target = dispatcher()) {
        target->reloadEnvironment();
    }
}

}  // namespace NxLog
