#include "Trace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using NxLog::Channel;
using NxLog::Record;

// Every record the provider traces, as the logger received it.
class TraceRecords : public ::testing::Test {
  protected:
    void SetUp() override { NxLog::NxLogger::installSink(sink_); }
    void TearDown() override { NxLog::NxLogger::installSink(nullptr); }

    // The texts of one channel, in order.
    std::vector<std::string> texts(Channel channel) const {
        std::vector<std::string> result;
        for (const Record& record : sink_->records()) {
            if (record.channel == channel) {
                result.push_back(record.text);
            }
        }
        return result;
    }

    std::shared_ptr<NxLog::MemorySink> sink_ = std::make_shared<NxLog::MemorySink>();
};

void tracedWithParameters(int count, const char* name) {
    QUILL_TRACE_ENTER_PARAMS(" count=" << count << " name=" << name);
    QUILL_TRACE_VARIABLE(count);
    QUILL_TRACE_VALUE("name", name);
}

struct Widget {
    void oneLiner() const { QUILL_TRACE_METHOD(); }
    explicit operator bool() const {
        QUILL_TRACE_ENTER();
        return true;
    }
};

TEST_F(TraceRecords, EveryRecordGoesToTheLogBeforeTheTrace) {
    tracedWithParameters(7, "eth0");
    const std::vector<Record> records = sink_->records();
    ASSERT_EQ(records.size(), 8u);
    for (std::size_t i = 0; i < records.size(); i += 2) {
        EXPECT_EQ(records[i].channel, Channel::Log);
        EXPECT_EQ(records[i + 1].channel, Channel::Trace);
        EXPECT_EQ(records[i].text, records[i + 1].text);
        EXPECT_EQ(records[i].level, records[i + 1].level);
        EXPECT_EQ(records[i].function, records[i + 1].function);
        EXPECT_EQ(records[i].component, "Tessaly.IPInterfaceProvider");
    }
}

TEST_F(TraceRecords, FunctionRecordsCarryQualifiedNamesParametersAndLevels) {
    tracedWithParameters(7, "eth0");
    const std::vector<Record> records = sink_->records();
    ASSERT_EQ(records.size(), 8u);
    const std::string function = "{anonymous}::tracedWithParameters";
    EXPECT_EQ(records[0].function, function);
    EXPECT_EQ(records[0].level, 3000);
    EXPECT_EQ(records[0].text.rfind("ENTERING: " + function + "() in ", 0), 0u) << records[0].text;
    EXPECT_NE(records[0].text.find("],Parameters List:  count=7 name=eth0"), std::string::npos)
        << records[0].text;
    EXPECT_EQ(records[2].level, 4000);
    EXPECT_EQ(records[2].text.rfind("VARIABLE: 'count' has Value '7' at line ", 0), 0u);
    EXPECT_EQ(records[4].text.rfind("VARIABLE: 'name' has Value 'eth0' at line ", 0), 0u);
    EXPECT_EQ(records[6].level, 3000);
    EXPECT_EQ(records[6].text.rfind("EXITING: " + function + "() in ", 0), 0u);
    EXPECT_NE(records[6].text.find(",Parameters List:  count=7 name=eth0"), std::string::npos);
}

TEST_F(TraceRecords, OneLineAndParameterlessFunctions) {
    const Widget widget;
    widget.oneLiner();
    EXPECT_TRUE(static_cast<bool>(widget));
    const std::vector<std::string> log = texts(Channel::Log);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0].rfind("METHOD: {anonymous}::Widget::oneLiner() was invoked in ", 0), 0u)
        << log[0];
    EXPECT_EQ(log[1].rfind("ENTERING: {anonymous}::Widget::operator bool() in ", 0), 0u) << log[1];
    EXPECT_EQ(log[2].rfind("EXITING: {anonymous}::Widget::operator bool() in ", 0), 0u) << log[2];
    for (const Record& record : sink_->records()) {
        EXPECT_EQ(record.level, 4000);
    }
}

TEST_F(TraceRecords, ProviderMarkersFrameAnOperation) {
    Quill::markProviderEntry(Quill::kLogComponent, "IPInterfaceProvider.cpp",
                             "Quill::IPInterfaceProvider::IPInterface_EnumInstances", 42);
    Quill::markProviderExit(Quill::kLogComponent, "IPInterfaceProvider.cpp",
                            "Quill::IPInterfaceProvider::IPInterface_EnumInstances", 57);
    const std::string separator(78, '=');
    EXPECT_EQ(texts(Channel::Log),
              (std::vector<std::string>{
                  separator,
                  "ENTERING: Quill::IPInterfaceProvider::IPInterface_EnumInstances() in "
                  "IPInterfaceProvider.cpp [Line: 42]",
                  "EXITING: Quill::IPInterfaceProvider::IPInterface_EnumInstances() in "
                  "IPInterfaceProvider.cpp [Line: 57]",
                  separator}));
    EXPECT_EQ(texts(Channel::Trace), texts(Channel::Log));
    const std::vector<Record> records = sink_->records();
    ASSERT_EQ(records.size(), 8u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(records[i].function, "Quill::markProviderEntry");
        EXPECT_EQ(records[i + 4].function, "Quill::markProviderExit");
    }
    for (const Record& record : records) {
        EXPECT_EQ(record.level, 4000);
        EXPECT_EQ(record.file, "Trace.h");
    }
}

TEST_F(TraceRecords, MessagesCarryFileLineAndLevel) {
    QUILL_TRACE_MESSAGE(Quill::Trace::kFailureLevel, "gethostname Failed");
    const std::vector<Record> records = sink_->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].level, 6000);
    EXPECT_EQ(records[0].text, "MESSAGE [File: " + records[0].file + ", Line: " +
                                   std::to_string(records[0].line) + "]: gethostname Failed");
}

TEST_F(TraceRecords, LongRecordsAreCutAt511Characters) {
    const std::string longText(2000, 'x');
    QUILL_TRACE_MESSAGE(Quill::Trace::kInfoLevel, longText);
    QUILL_TRACE_VALUE("long", longText);
    for (const Record& record : sink_->records()) {
        EXPECT_EQ(record.text.size(), 511u);
    }
    EXPECT_EQ(std::string(Quill::Trace::formatVariable("n", "f.cpp", 1, 5LL)),
              "VARIABLE: 'n' has Value '5' at line 1 in f.cpp");
}

TEST_F(TraceRecords, ConcurrentThreadsNeverMixRecords) {
    constexpr int kRecordsPerThread = 500;
    auto traceMany = [](const std::string& word) {
        for (int i = 0; i < kRecordsPerThread; ++i) {
            QUILL_TRACE_VALUE("word", word + std::to_string(i));
        }
    };
    std::thread first(traceMany, std::string(200, 'Q'));
    std::thread second(traceMany, std::string(200, 'Z'));
    first.join();
    second.join();
    const std::vector<Record> records = sink_->records();
    ASSERT_EQ(records.size(), 4u * kRecordsPerThread);
    for (const Record& record : records) {
        const auto qs = std::count(record.text.begin(), record.text.end(), 'Q');
        const auto zs = std::count(record.text.begin(), record.text.end(), 'Z');
        EXPECT_TRUE((qs == 200 && zs == 0) || (qs == 0 && zs == 200)) << record.text;
    }
}

TEST(QualifiedName, StripsReturnTypesAndParameters) {
    using Quill::Trace::qualifiedName;
    EXPECT_EQ(qualifiedName("CMPIStatus Quill::IPInterfaceProvider::IPInterface_EnumInstances("
                            "CMPIInstanceMI*, const CMPIContext*)"),
              "Quill::IPInterfaceProvider::IPInterface_EnumInstances");
    EXPECT_EQ(qualifiedName("Quill::X::operator bool() const"), "Quill::X::operator bool");
    EXPECT_EQ(qualifiedName("void Quill::X::operator++()"), "Quill::X::operator++");
    EXPECT_EQ(qualifiedName("Quill::X::X(const CMPIBroker*, std::string)"), "Quill::X::X");
    EXPECT_EQ(qualifiedName("const char* Quill::X::operator()(int)"), "Quill::X::operator()");
    EXPECT_EQ(qualifiedName("std::vector<int, std::allocator<int> > Quill::f()"), "Quill::f");
    EXPECT_EQ(qualifiedName("void (anonymous namespace)::Widget::run(int)"),
              "{anonymous}::Widget::run");
    EXPECT_EQ(qualifiedName(nullptr), "");
}

}  // namespace
