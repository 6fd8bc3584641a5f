#include "nxlogger.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <iterator>
#include <optional>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using NxLog::Channel;
using NxLog::MemorySink;
using NxLog::NxLogger;
using NxLog::Record;
using ovx::test::ScopedEnvironmentVariable;
using ovx::test::ScratchDirectory;

const std::string kComponent = "Tessaly.IPInterfaceProvider";

int logAt(int level, const std::string& text) {
    return NxLogger::logLevelMessage("Quill::f", "CMPI/File.cpp", 42, kComponent, level, nullptr, 0,
                                     0, text);
}

int traceAt(int level, const std::string& text) {
    return NxLogger::traceLevelMessage("Quill::f", "CMPI/File.cpp", 42, kComponent, level, nullptr,
                                       0, 0, text);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// A trace file line: "<UTC time with milliseconds> <thread> <channel> <level>
// <component> <function> <file:line> <text>"; the groups are thread, channel
// and text.
const std::regex kTraceLine(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z (\d+) (LOG|TRACE) 4000 )" +
                            kComponent + R"( Quill::f CMPI/File\.cpp:42 (.*))");

// Every test starts and ends with the default sinks and a freshly read environment.
class LoggerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        NxLogger::installSink(nullptr);
        NxLogger::reloadEnvironment();
    }
    void TearDown() override {
        NxLogger::installSink(nullptr);
        NxLogger::reloadEnvironment();
    }

    std::shared_ptr<MemorySink> installMemorySink() {
        auto sink = std::make_shared<MemorySink>();
        NxLogger::installSink(sink);
        return sink;
    }
};

using LoggerRecords = LoggerTest;

// Null names become empty; context bytes are kept as given, none for a
// negative length.
TEST_F(LoggerRecords, CarryEveryFieldOfTheCall) {
    const auto sink = installMemorySink();
    const auto before = std::chrono::system_clock::now();
    EXPECT_EQ(NxLogger::logLevelMessage("Quill::IPInterfaceProvider::IPInterface_EnumInstances",
                                        "IPInterfaceProvider.cpp", 314, kComponent, 4000, nullptr,
                                        0, 0, "ENTERING: x() in y [Line: 1]"),
              0);
    const auto after = std::chrono::system_clock::now();
    char context[] = {'a', '\0', 'b', 'c'};
    EXPECT_EQ(
        NxLogger::traceLevelMessage(nullptr, nullptr, 0, kComponent, 3000, context, 3, 0, "text"),
        0);
    EXPECT_EQ(NxLogger::traceLevelMessage("f", "g", 1, kComponent, 3000, context, -5, 0, "text"),
              0);

    const auto records = sink->records();
    ASSERT_EQ(records.size(), 3u);
    const Record& record = records[0];
    EXPECT_EQ(record.channel, Channel::Log);
    EXPECT_EQ(record.level, 4000);
    EXPECT_EQ(record.component, kComponent);
    EXPECT_EQ(record.function, "Quill::IPInterfaceProvider::IPInterface_EnumInstances");
    EXPECT_EQ(record.file, "IPInterfaceProvider.cpp");
    EXPECT_EQ(record.line, 314);
    EXPECT_EQ(record.text, "ENTERING: x() in y [Line: 1]");
    EXPECT_TRUE(record.context.empty());
    EXPECT_EQ(record.thread, static_cast<unsigned long>(::syscall(SYS_gettid)));
    EXPECT_LE(before, record.time);
    EXPECT_LE(record.time, after);
    EXPECT_EQ(records[1].function, "");
    EXPECT_EQ(records[1].file, "");
    EXPECT_EQ(records[1].context, std::string("a\0b", 3));
    EXPECT_EQ(records[2].context, "");
}

using LoggerThreads = LoggerTest;

// Guards nothing itself: the logger must hand it one record at a time.
class UnguardedSink : public NxLog::Sink {
  public:
    void write(const Record& record) override {
        if (active_.fetch_add(1) != 0) {
            overlaps.fetch_add(1);
        }
        records.push_back(record);
        std::this_thread::yield();
        active_.fetch_sub(1);
    }
    std::vector<Record> records;
    std::atomic<int> overlaps{0};

  private:
    std::atomic<int> active_{0};
};

TEST_F(LoggerThreads, ConcurrentCallersLoseMixAndOverlapNothing) {
    const auto sink = std::make_shared<UnguardedSink>();
    NxLogger::installSink(sink);
    constexpr int kThreads = 6;
    constexpr int kRecordsPerThread = 400;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < kRecordsPerThread; ++i) {
                const std::string text = std::to_string(t) + ":" + std::to_string(i);
                if (logAt(4000, text) != 0 || traceAt(4000, text) != 0) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    NxLogger::installSink(nullptr);
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(sink->overlaps.load(), 0);

    // Per thread: the log then the trace record of each text, in sequence.
    std::vector<std::vector<std::string>> seen(kThreads);
    for (const Record& record : sink->records) {
        const int thread = std::stoi(record.text);
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << record.text;
        seen[thread].push_back((record.channel == Channel::Log ? "log " : "trace ") + record.text);
    }
    for (int t = 0; t < kThreads; ++t) {
        std::vector<std::string> expected;
        for (int i = 0; i < kRecordsPerThread; ++i) {
            const std::string text = std::to_string(t) + ":" + std::to_string(i);
            expected.push_back("log " + text);
            expected.push_back("trace " + text);
        }
        EXPECT_EQ(seen[t], expected) << "thread " << t;
    }
}

using LoggerFailures = LoggerTest;

class ThrowingSink : public NxLog::Sink {
  public:
    void write(const Record&) override { throw std::runtime_error("sink broken"); }
};

// Logs from inside write(), as a careless sink might.
class RecursiveSink : public NxLog::Sink {
  public:
    void write(const Record& record) override {
        records.push_back(record);
        nestedResults.push_back(traceAt(4000, "nested"));
    }
    std::vector<Record> records;
    std::vector<int> nestedResults;
};

// A sink that throws or logs itself costs the caller one failed call, no
// exception or deadlock, and the logger keeps working.
TEST_F(LoggerFailures, ABrokenSinkIsSwallowedAndReported) {
    NxLogger::installSink(std::make_shared<ThrowingSink>());
    int result = 0;
    EXPECT_NO_THROW(result = logAt(6000, "failure"));
    EXPECT_EQ(result, -1);
    EXPECT_NO_THROW(result = traceAt(3000, "trace"));
    EXPECT_EQ(result, -1);

    const auto recursive = std::make_shared<RecursiveSink>();
    NxLogger::installSink(recursive);
    EXPECT_EQ(logAt(4000, "outer"), 0);
    ASSERT_EQ(recursive->records.size(), 1u);
    EXPECT_EQ(recursive->records[0].text, "outer");
    EXPECT_EQ(recursive->nestedResults, std::vector<int>{-1});

    const auto sink = installMemorySink();
    EXPECT_EQ(logAt(4000, "after"), 0);
    EXPECT_EQ(sink->records().size(), 1u);
}

// Traces to a file in a scratch directory, at the level given (nullopt: unset).
class TraceFile : public LoggerTest {
  protected:
    std::string traceTo(const std::string& name,
                        const std::optional<std::string>& level = std::nullopt) {
        const std::string path = scratch_.file(name);
        file_.emplace("OVX_TRACE_FILE", path);
        level_.emplace("OVX_TRACE_LEVEL", level);
        NxLogger::reloadEnvironment();
        return path;
    }

    ScratchDirectory scratch_;
    std::optional<ScopedEnvironmentVariable> file_;
    std::optional<ScopedEnvironmentVariable> level_;
};

TEST_F(TraceFile, AnUnopenableFileOnlyShowsInTheResult) {
    traceTo("missing-dir/trace.log");
    int result = 0;
    EXPECT_NO_THROW(result = traceAt(4000, "lost"));
    EXPECT_EQ(result, -1);
    // Below the threshold nothing is attempted, so nothing fails.
    EXPECT_EQ(traceAt(2000, "ignored"), 0);
}

// Appended to what the file held, each record on one line.
TEST_F(TraceFile, GetsBothChannelsFromTheConfiguredLevelOn) {
    ovx::test::writeFile(scratch_.file("trace.log"), "earlier line\n");
    const std::string path = traceTo("trace.log", "4000");
    EXPECT_EQ(traceAt(3000, "too low"), 0);
    EXPECT_EQ(logAt(4000, "log record"), 0);
    EXPECT_EQ(traceAt(4000, "trace\nrecord\r\n"), 0);

    const auto lines = linesOf(ovx::test::readFile(path));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "earlier line");
    const std::pair<const char*, const char*> expected[] = {{"LOG", "log record"},
                                                            {"TRACE", "trace\\nrecord\\r\\n"}};
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        std::smatch fields;
        ASSERT_TRUE(std::regex_match(lines[i + 1], fields, kTraceLine)) << lines[i + 1];
        EXPECT_EQ(fields[1], std::to_string(::syscall(SYS_gettid)));
        EXPECT_EQ(fields[2], expected[i].first);
        EXPECT_EQ(fields[3], expected[i].second);
    }
}

TEST_F(TraceFile, DefaultsToLevel3000WhenTheLevelIsUnsetOrNotANumber) {
    for (const std::optional<std::string>& setting :
         {std::optional<std::string>(), std::optional<std::string>("verbose")}) {
        const std::string path = traceTo(setting.value_or("unset") + ".log", setting);
        traceAt(2999, "below");
        traceAt(3000, "at");
        const auto lines = linesOf(ovx::test::readFile(path));
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_NE(lines[0].find(" 3000 "), std::string::npos);
        EXPECT_NE(lines[0].find(" at"), std::string::npos);
    }
}

TEST_F(TraceFile, TheEnvironmentIsReadOnceUntilReloaded) {
    const std::string first = traceTo("first.log");
    const std::string second = scratch_.file("second.log");
    traceAt(4000, "one");
    {
        ScopedEnvironmentVariable moved("OVX_TRACE_FILE", second);
        traceAt(4000, "two");
        EXPECT_FALSE(std::filesystem::exists(second));
        NxLogger::reloadEnvironment();
        traceAt(4000, "three");
    }
    EXPECT_EQ(linesOf(ovx::test::readFile(first)).size(), 2u);
    EXPECT_EQ(linesOf(ovx::test::readFile(second)).size(), 1u);
}

TEST_F(TraceFile, AnInstalledSinkTakesOverAndNullRestoresTheFile) {
    const std::string path = traceTo("trace.log");
    const auto sink = installMemorySink();
    traceAt(4000, "to memory");
    NxLogger::installSink(nullptr);
    traceAt(4000, "to file");

    ASSERT_EQ(sink->records().size(), 1u);
    const auto lines = linesOf(ovx::test::readFile(path));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("to file"), std::string::npos);
}

TEST_F(TraceFile, ConcurrentWritersNeverInterleaveWithinALine) {
    const std::string path = traceTo("trace.log");

    constexpr int kThreads = 4;
    constexpr int kRecordsPerThread = 300;
    const std::string padding(200, 'x');
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &padding] {
            for (int i = 0; i < kRecordsPerThread; ++i) {
                traceAt(4000, "<" + std::to_string(t) + padding + ">");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const auto lines = linesOf(ovx::test::readFile(path));
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kRecordsPerThread));
    const std::string expectedTail = "<" + padding + ">";
    std::vector<int> perThread(kThreads, 0);
    for (const auto& line : lines) {
        std::smatch fields;
        ASSERT_TRUE(std::regex_match(line, fields, kTraceLine)) << line;
        const std::string text = fields[3];
        ASSERT_EQ(text.size(), expectedTail.size() + 1) << line;
        const int thread = text[1] - '0';
        ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
        ASSERT_EQ(text.substr(0, 1) + text.substr(2), expectedTail) << line;
        ++perThread[thread];
    }
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(perThread[t], kRecordsPerThread);
    }
}

TEST(FormatRecord, WritesTimeInUtcWithMillisecondsAndMarksEmptyFields) {
    Record record;
    record.time = std::chrono::system_clock::time_point(std::chrono::milliseconds(1700000000123));
    record.thread = 77;
    record.channel = Channel::Trace;
    record.level = 6000;
    record.component = "C";
    record.line = 9;
    record.text = "t\tx\x01";
    record.context = "ctx";
    EXPECT_EQ(NxLog::formatRecord(record),
              "2023-11-14T22:13:20.123Z 77 TRACE 6000 C - -:9 t\tx\\x01 [context: ctx]");
}

}  // namespace
