// The function tables themselves and the operating-system services.
#include "cmpi_test_support.h"
#include "ovx/host/conversions.h"
#include "ovx/host/function_tables.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "nxlogger.h"

namespace ovx::host {
namespace {

using testing::BrokerTest;
using testing::text;

TEST(FunctionTablesTest, EverySlotOfEveryTableIsFilled) {
    const auto tables = functionTables();
    EXPECT_EQ(tables.size(), 18u);
    for (const FunctionTableInfo& table : tables) {
        SCOPED_TRACE(table.name);
        ASSERT_EQ((table.size - table.firstSlot) % sizeof(void*), 0u);
        for (std::size_t offset = table.firstSlot; offset < table.size; offset += sizeof(void*)) {
            const void* slot = nullptr;
            std::memcpy(&slot, static_cast<const char*>(table.table) + offset, sizeof slot);
            EXPECT_NE(slot, nullptr) << "slot at offset " << offset;
        }
        if (table.firstSlot == sizeof(void*)) {
            int version = 0;
            std::memcpy(&version, table.table, sizeof version);
            EXPECT_EQ(version, CMPICurrentVersion);
        }
    }
}

TEST(FunctionTablesTest, BrokerRecordPointsToTheTables) {
    Broker broker;
    const CMPIBroker* mb = broker.cmpi();
    EXPECT_EQ(Broker::fromCmpi(mb), &broker);
    EXPECT_EQ(Broker::fromCmpi(nullptr), nullptr);
    CMPIBroker foreign{};
    EXPECT_EQ(Broker::fromCmpi(&foreign), nullptr);
    EXPECT_NE(mb->bft, nullptr);
    EXPECT_NE(mb->eft, nullptr);
    EXPECT_NE(mb->xft, nullptr);
    EXPECT_NE(mb->mft, nullptr);
    EXPECT_STREQ(CBBrokerName(mb), Broker::kName);
    EXPECT_EQ(CBBrokerVersion(mb), static_cast<unsigned>(CMPICurrentVersion));
    EXPECT_TRUE(CBGetBrokerCapabilities(mb) & CMPI_MB_Supports_MemEnhancements);
}

class NullArgumentsTest : public BrokerTest {};

TEST_F(NullArgumentsTest, NullAndForeignHandlesAreReportedNotFollowed) {
    CMPIStatus rc{};
    EXPECT_EQ(CMNewInstance(mb(), nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(mb()->eft->newObjectPath(nullptr, "root", "C", &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    CMPIBroker foreign{};
    EXPECT_EQ(mb()->eft->newString(&foreign, "x", &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);

    CMPIString* string = CMNewString(mb(), "x", nullptr);
    EXPECT_EQ(string->ft->getCharPtr(nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(string->ft->release(nullptr).rc, CMPI_RC_ERR_INVALID_HANDLE);

    CMPIObjectPath* op = path("root", "C");
    EXPECT_EQ(op->ft->getKeyCount(nullptr, &rc), 0u);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(CMGetKey(op, nullptr, &rc).state & CMPI_badValue, CMPI_badValue);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(CMAddKey(op, "K", nullptr, CMPI_args).rc, CMPI_RC_ERR_INVALID_DATA_TYPE);

    CMPIInstance* inst = CMNewInstance(mb(), op, nullptr);
    CMPIString* notAString = reinterpret_cast<CMPIString*>(op);
    EXPECT_EQ(CMSetProperty(inst, "P", &notAString, CMPI_string).rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(CMGetProperty(inst, nullptr, &rc).state & CMPI_nullValue, CMPI_nullValue);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);

    EXPECT_EQ(CMLogMessage(mb(), CMPI_SEV_INFO, "id", nullptr, nullptr).rc,
              CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(CMTraceMessage(mb(), 99, "component", "text", nullptr).rc,
              CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(CBDeliverIndication(mb(), nullptr, "root", nullptr).rc, CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST(QueryTablesTest, EverySlotAnswersNotSupported) {
    for (const FunctionTableInfo& info : functionTables()) {
        if (std::strcmp(info.name, "CMPISelectExpFT") == 0) {
            const auto* table = static_cast<const CMPISelectExpFT*>(info.table);
            CMPIStatus rc{};
            EXPECT_EQ(table->release(nullptr).rc, CMPI_RC_ERR_NOT_SUPPORTED);
            EXPECT_EQ(table->clone(nullptr, &rc), nullptr);
            EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
            EXPECT_EQ(table->evaluate(nullptr, nullptr, &rc), 0);
            EXPECT_EQ(table->getDOC(nullptr, &rc), nullptr);
            EXPECT_EQ(table->evaluateUsingAccessor(nullptr, nullptr, nullptr, &rc), 0);
            EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
        }
        if (std::strcmp(info.name, "CMPIPredicateFT") == 0) {
            const auto* table = static_cast<const CMPIPredicateFT*>(info.table);
            EXPECT_EQ(table->getData(nullptr, nullptr, nullptr, nullptr, nullptr).rc,
                      CMPI_RC_ERR_NOT_SUPPORTED);
        }
    }
}

class LoggingTest : public BrokerTest {};

TEST_F(LoggingTest, LogAndTraceReachTheLogger) {
    auto sink = std::make_shared<NxLog::MemorySink>();
    NxLog::NxLogger::installSink(sink);
    EXPECT_EQ(CMLogMessage(mb(), CMPI_SEV_ERROR, "OVX.Test", "it failed", nullptr).rc, CMPI_RC_OK);
    CMPIString* text = CMNewString(mb(), "from a string", nullptr);
    EXPECT_EQ(CMTraceMessage(mb(), CMPI_LEV_VERBOSE, "OVX.Trace", nullptr, text).rc, CMPI_RC_OK);
    NxLog::NxLogger::installSink(nullptr);
    const auto records = sink->records();
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].channel, NxLog::Channel::Log);
    EXPECT_EQ(records[0].level, NxLog::NxLogger::kFailureLevel);
    EXPECT_EQ(records[0].component, "OVX.Test");
    EXPECT_EQ(records[0].text, "it failed");
    EXPECT_EQ(records[1].channel, NxLog::Channel::Trace);
    EXPECT_EQ(records[1].level, 3000);
    EXPECT_EQ(records[1].text, "from a string");
}

class ExtensionTest : public BrokerTest {
  protected:
    const CMPIBrokerExtFT* ext() const { return mb()->xft; }
};

void* addOne(void* argument) {
    ++*static_cast<int*>(argument);
    return argument;
}

TEST_F(ExtensionTest, ThreadsStartAndJoin) {
    int counter = 41;
    CMPI_THREAD_TYPE thread = ext()->newThread(addOne, &counter, 0);
    ASSERT_NE(thread, nullptr);
    CMPI_THREAD_RETURN result = nullptr;
    EXPECT_EQ(ext()->joinThread(thread, &result), 0);
    EXPECT_EQ(result, &counter);
    EXPECT_EQ(counter, 42);
    EXPECT_EQ(ext()->joinThread(nullptr, nullptr), EINVAL);
    EXPECT_EQ(ext()->newThread(nullptr, nullptr, 0), nullptr);
    EXPECT_EQ(ext()->threadSleep(1), 0);
}

const CMPIBrokerExtFT* gExtForExit = nullptr;

void* exitEarly(void*) {
    static int code = 7;
    gExtForExit->exitThread(&code);
    return nullptr;
}

TEST_F(ExtensionTest, ExitThreadEndsTheThreadWithItsValue) {
    gExtForExit = ext();
    CMPI_THREAD_TYPE thread = ext()->newThread(exitEarly, nullptr, 0);
    CMPI_THREAD_RETURN result = nullptr;
    ASSERT_EQ(ext()->joinThread(thread, &result), 0);
    EXPECT_EQ(*static_cast<int*>(result), 7);
}

int gOnceRuns = 0;
void countOnce() {
    ++gOnceRuns;
}

TEST_F(ExtensionTest, ThreadOnceRunsOnceAcrossThreads) {
    static int once = 0;
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([&] { ext()->threadOnce(&once, countOnce); });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(ext()->threadOnce(&once, countOnce), 0);
    EXPECT_EQ(gOnceRuns, 1);
    EXPECT_EQ(ext()->threadOnce(nullptr, countOnce), EINVAL);
}

TEST_F(ExtensionTest, ThreadKeysArePerThread) {
    CMPI_THREAD_KEY_TYPE key = 0;
    ASSERT_EQ(ext()->createThreadKey(&key, nullptr), 0);
    int mine = 1;
    ASSERT_EQ(ext()->setThreadSpecific(key, &mine), 0);
    void* seenByOther = &mine;
    std::thread other([&] { seenByOther = ext()->getThreadSpecific(key); });
    other.join();
    EXPECT_EQ(seenByOther, nullptr);
    EXPECT_EQ(ext()->getThreadSpecific(key), &mine);
    EXPECT_EQ(ext()->destroyThreadKey(key), 0);
    EXPECT_EQ(ext()->createThreadKey(nullptr, nullptr), EINVAL);
}

TEST_F(ExtensionTest, MutexAndConditionHandOver) {
    CMPI_MUTEX_TYPE mutex = ext()->newMutex(0);
    CMPI_COND_TYPE condition = ext()->newCondition(0);
    ASSERT_NE(mutex, nullptr);
    ASSERT_NE(condition, nullptr);
    bool ready = false;
    std::thread producer([&] {
        ext()->lockMutex(mutex);
        ready = true;
        ext()->signalCondition(condition);
        ext()->unlockMutex(mutex);
    });
    ext()->lockMutex(mutex);
    while (!ready) {
        ext()->condWait(condition, mutex);
    }
    ext()->unlockMutex(mutex);
    producer.join();
    EXPECT_TRUE(ready);

    timespec past{};
    clock_gettime(CLOCK_REALTIME, &past);
    past.tv_nsec = 0;
    ext()->lockMutex(mutex);
    EXPECT_EQ(ext()->timedCondWait(condition, mutex, &past), ETIMEDOUT);
    ext()->unlockMutex(mutex);
    EXPECT_EQ(ext()->condWait(nullptr, mutex), EINVAL);
    ext()->destroyCondition(condition);
    ext()->destroyMutex(mutex);
    ext()->lockMutex(nullptr);  // ignored, no crash
}

TEST_F(ExtensionTest, ResolveFileNameGivesTheLibraryName) {
    char* name = ext()->resolveFileName("IPInterfaceProvider");
    ASSERT_NE(name, nullptr);
    EXPECT_STREQ(name, "libIPInterfaceProvider.so");
    std::free(name);
    EXPECT_EQ(ext()->resolveFileName(nullptr), nullptr);
}

}  // namespace
}  // namespace ovx::host
