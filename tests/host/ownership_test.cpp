// Who frees what: scopes, early release, clones, children, marks, threads.
#include "cmpi_test_support.h"
#include "ovx/host/conversions.h"

#include <atomic>
#include <thread>

namespace ovx::host {
namespace {

using testing::text;

class OwnershipTest : public ::testing::Test {
  protected:
    const CMPIBroker* mb() const { return broker.cmpi(); }

    Broker broker{std::make_shared<ClassRegistry>()};
};

TEST_F(OwnershipTest, ScopeOwnsWhatTheBrokerMakes) {
    OperationScope scope(broker);
    EXPECT_TRUE(OperationScope::active());
    CMNewString(mb(), "a", nullptr);
    CMPIObjectPath* op = CMNewObjectPath(mb(), "root", "C", nullptr);
    CMNewInstance(mb(), op, nullptr);
    EXPECT_EQ(scope.handleCount(), 3u);
}

TEST_F(OwnershipTest, NestedScopesFreeTheirOwnObjects) {
    OperationScope outer(broker);
    CMNewString(mb(), "outer", nullptr);
    {
        OperationScope inner;
        CMNewString(mb(), "inner", nullptr);
        CMNewString(mb(), "inner2", nullptr);
        EXPECT_EQ(inner.handleCount(), 2u);
        EXPECT_EQ(outer.handleCount(), 1u);
    }
    EXPECT_EQ(outer.handleCount(), 1u);
}

TEST_F(OwnershipTest, ReleaseFreesEarlyAndOnlyOnce) {
    OperationScope scope(broker);
    CMPIString* string = CMNewString(mb(), "early", nullptr);
    CMPIObjectPath* op = CMNewObjectPath(mb(), "root", "C", nullptr);
    ASSERT_EQ(scope.handleCount(), 2u);
    EXPECT_EQ(CMRelease(string).rc, CMPI_RC_OK);
    EXPECT_EQ(scope.handleCount(), 1u);
    EXPECT_EQ(CMRelease(op).rc, CMPI_RC_OK);
    EXPECT_EQ(scope.handleCount(), 0u);
}

TEST_F(OwnershipTest, CloneSurvivesTheScopeUntilTheCallerReleasesIt) {
    const std::size_t before = callerOwnedHandleCount();
    CMPIInstance* kept = nullptr;
    {
        OperationScope scope(broker);
        CMPIObjectPath* op = CMNewObjectPath(mb(), "root/cimv2", "OVX_C", nullptr);
        CMAddKey(op, "Id", "k1", CMPI_chars);
        CMPIInstance* inst = CMNewInstance(mb(), op, nullptr);
        kept = CMClone(inst, nullptr);
        EXPECT_EQ(scope.handleCount(), 2u);
    }
    EXPECT_EQ(callerOwnedHandleCount(), before + 1);
    EXPECT_EQ(fromCmpi(kept).findProperty("Id")->asString(), "k1");
    EXPECT_EQ(text(CMGetKey(CMGetObjectPath(kept, nullptr), "Id", nullptr).value.string), "k1");
    EXPECT_EQ(CMRelease(kept).rc, CMPI_RC_OK);
    EXPECT_EQ(callerOwnedHandleCount(), before);
}

TEST_F(OwnershipTest, ObjectsMadeOutsideAnyScopeBelongToTheCaller) {
    ASSERT_FALSE(OperationScope::active());
    const std::size_t before = callerOwnedHandleCount();
    CMPIString* loose = CMNewString(mb(), "loose", nullptr);
    EXPECT_EQ(callerOwnedHandleCount(), before + 1);
    EXPECT_EQ(CMRelease(loose).rc, CMPI_RC_OK);
    EXPECT_EQ(callerOwnedHandleCount(), before);
}

TEST_F(OwnershipTest, GetterResultsBelongToTheirParent) {
    OperationScope scope(broker);
    CMPIObjectPath* op = CMNewObjectPath(mb(), "root", "C", nullptr);
    CMAddKey(op, "Name", "n", CMPI_chars);
    CMPIInstance* inst = CMNewInstance(mb(), op, nullptr);
    for (int i = 0; i < 10; ++i) {
        CMGetClassName(op, nullptr);
        CMGetProperty(inst, "Name", nullptr);
        CMGetObjectPath(inst, nullptr);
    }
    EXPECT_EQ(scope.handleCount(), 2u);
    // A getter's result may be released on its own, and dies with the parent otherwise.
    CMPIString* className = CMGetClassName(op, nullptr);
    EXPECT_EQ(CMRelease(className).rc, CMPI_RC_OK);
    CMPIObjectPath* instancePath = CMGetObjectPath(inst, nullptr);
    EXPECT_EQ(CMRelease(inst).rc, CMPI_RC_OK);
    EXPECT_EQ(scope.handleCount(), 1u);
    (void)instancePath;  // freed with its instance; LeakSanitizer checks nothing stays
}

TEST_F(OwnershipTest, StatusMessagesLiveInTheScope) {
    OperationScope scope(broker);
    CMPIStatus rc{};
    CMNewDateTimeFromChars(mb(), "bad", &rc);
    ASSERT_NE(rc.msg, nullptr);
    EXPECT_EQ(scope.handleCount(), 1u);
    EXPECT_NE(text(rc.msg).find("expected 25 characters"), std::string::npos);
}

TEST_F(OwnershipTest, MarkAndReleaseFreeEverythingMadeSince) {
    OperationScope scope(broker);
    CMNewString(mb(), "before", nullptr);
    CMPIStatus rc{};
    CMPIGcStat* mark = mb()->mft->mark(mb(), &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    CMNewString(mb(), "after", nullptr);
    void* block = mb()->mft->cmpiMalloc(mb(), 64);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(scope.handleCount(), 1u);
    EXPECT_EQ(mb()->mft->release(mb(), mark).rc, CMPI_RC_OK);
    EXPECT_EQ(scope.handleCount(), 1u);
    CMNewString(mb(), "after release", nullptr);  // back in the operation's scope
    EXPECT_EQ(scope.handleCount(), 2u);
    EXPECT_EQ(mb()->mft->release(mb(), mark).rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(mb()->mft->release(mb(), nullptr).rc, CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(OwnershipTest, UnreleasedMarksEndWithTheirOperation) {
    {
        OperationScope scope(broker);
        mb()->mft->mark(mb(), nullptr);
        CMNewString(mb(), "in mark", nullptr);
        mb()->mft->cmpiStrDup(mb(), "in mark too");
    }
    EXPECT_FALSE(OperationScope::active());
}

TEST_F(OwnershipTest, MallocFamily) {
    OperationScope scope(broker);
    const CMPIBrokerMemFT* mem = mb()->mft;
    char* copy = mem->cmpiStrDup(mb(), "text");
    EXPECT_STREQ(copy, "text");
    auto* zeros = static_cast<unsigned char*>(mem->cmpiCalloc(mb(), 4, 4));
    ASSERT_NE(zeros, nullptr);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(zeros[i], 0);
    }
    auto* grown = static_cast<char*>(mem->cmpiRealloc(mb(), copy, 1000));
    ASSERT_NE(grown, nullptr);
    EXPECT_STREQ(grown, "text");
    mem->cmpiFree(mb(), grown);
    mem->cmpiFree(mb(), grown);  // no longer ours: ignored
    int own = 0;
    EXPECT_EQ(mem->cmpiRealloc(mb(), &own, 8), nullptr);
    EXPECT_EQ(mem->cmpiCalloc(mb(), ~size_t{0}, 16), nullptr);
    EXPECT_EQ(mem->cmpiStrDup(mb(), nullptr), nullptr);
}

TEST_F(OwnershipTest, FreeFunctionsReleaseObjects) {
    OperationScope scope(broker);
    const CMPIBrokerMemFT* mem = mb()->mft;
    CMPIObjectPath* op = CMNewObjectPath(mb(), "root", "C", nullptr);
    mem->freeInstance(mb(), CMNewInstance(mb(), op, nullptr));
    mem->freeObjectPath(mb(), op);
    mem->freeArgs(mb(), CMNewArgs(mb(), nullptr));
    mem->freeString(mb(), CMNewString(mb(), "s", nullptr));
    mem->freeArray(mb(), CMNewArray(mb(), 1, CMPI_uint8, nullptr));
    mem->freeDateTime(mb(), CMNewDateTime(mb(), nullptr));
    mem->freeSelectExp(mb(), nullptr);
    mem->freeString(mb(), nullptr);
    EXPECT_EQ(scope.handleCount(), 0u);
}

TEST_F(OwnershipTest, AttachedThreadsGetAScopeFreedOnDetach) {
    OperationScope scope(broker);
    CMPIContext* ctx = toCmpi(Context::forOperation("root/cimv2", 0, "admin"));
    CMPIContext* threadContext = CBPrepareAttachThread(mb(), ctx);
    ASSERT_NE(threadContext, nullptr);
    std::atomic<bool> attached{false};
    std::atomic<std::size_t> scopesAfterDetach{99};
    std::string principal;
    std::thread worker([&] {
        attached = CBAttachThread(mb(), threadContext).rc == CMPI_RC_OK;
        CMNewString(mb(), "thread object", nullptr);
        principal = text(CMGetContextEntry(threadContext, CMPIPrincipal, nullptr).value.string);
        CBDetachThread(mb(), threadContext);
        scopesAfterDetach = OperationScope::active() ? 1 : 0;
    });
    worker.join();
    EXPECT_TRUE(attached);
    EXPECT_EQ(principal, "admin");
    EXPECT_EQ(scopesAfterDetach, 0u);
    EXPECT_EQ(scope.handleCount(), 1u);  // only ctx; nothing of the worker leaked in
    EXPECT_EQ(CBDetachThread(mb(), ctx).rc, CMPI_RC_ERR_FAILED);  // this thread never attached
}

TEST_F(OwnershipTest, AThreadEndingWhileAttachedFreesItsScope) {
    OperationScope scope(broker);
    CMPIContext* ctx = toCmpi(Context::forOperation("root/cimv2", 0, "admin"));
    EXPECT_EQ(CBPrepareAttachThread(mb(), nullptr), nullptr);
    CMPIContext* threadContext = CBPrepareAttachThread(mb(), ctx);
    std::thread worker([&] {
        CBAttachThread(mb(), threadContext);
        CMNewInstance(mb(), CMNewObjectPath(mb(), "root", "C", nullptr), nullptr);
        mb()->mft->mark(mb(), nullptr);
        CMNewString(mb(), "inside a mark", nullptr);
        // ends without detaching: the thread's scopes die with it
    });
    worker.join();
    EXPECT_EQ(CMRelease(threadContext).rc, CMPI_RC_OK);
}

TEST_F(OwnershipTest, ThreadsRunOperationsAtTheSameTime) {
    constexpr int kThreads = 4;
    constexpr int kRounds = 200;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                OperationScope scope(broker);
                CMPIObjectPath* op = CMNewObjectPath(mb(), "root/cimv2", "OVX_C", nullptr);
                const std::string name = "t" + std::to_string(t) + "r" + std::to_string(round);
                CMAddKey(op, "Name", name.c_str(), CMPI_chars);
                CMPIInstance* inst = CMNewInstance(mb(), op, nullptr);
                CMPIUint32 value = static_cast<CMPIUint32>(round);
                CMSetProperty(inst, "Round", &value, CMPI_uint32);
                const Instance copy = fromCmpi(inst);
                if (copy.findProperty("Name")->asString() != name ||
                    copy.findProperty("Round")->asUnsigned() != value || scope.handleCount() != 2) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
}

}  // namespace
}  // namespace ovx::host
