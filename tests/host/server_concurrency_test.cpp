// Many operations at once on several threads: providers are called
// concurrently, up-calls nest, and every answer must still be right.
#include "server_test_support.h"

#include "ovx/host/operation_scope.h"

#include <sstream>
#include <thread>

namespace {

using namespace servertest;
using host::Value;

using Concurrency = ServerTest;

constexpr int kThreads = 4;
constexpr int kRounds = 150;

// Runs one round of mixed operations; returns what went wrong, if anything.
std::string oneRound(host::CimServer& server, const host::Context& context, int thread, int round) {
    std::ostringstream problems;
    const auto names = server.enumerateInstanceNames(context, classPath("TST_Thing"));
    if (!names.status.ok() || keyValues(names.value, "Name") !=
                                  std::vector<std::string>{"alpha", "beta", "gamma", "omega"}) {
        problems << "enumeration: " << names.status.message << " (" << names.value.size()
                 << " names); ";
    }
    const auto beta = server.getInstance(context, keyed("TST_Thing", "Name", "beta"), {});
    if (!beta.status.ok() || beta.value.findProperty("Size") == nullptr ||
        beta.value.findProperty("Size")->asUnsigned() != 2u) {
        problems << "get: " << beta.status.message << "; ";
    }
    const auto linked = server.associatorNames(context, keyed("TST_Container", "Id", "box1"), {});
    if (!linked.status.ok() ||
        keyValues(linked.value, "Name") != std::vector<std::string>{"alpha", "beta", "omega"}) {
        problems << "associators: " << linked.status.message << "; ";
    }
    host::Arguments in;
    in.set("Left", Value::uint32(static_cast<std::uint32_t>(thread)));
    in.set("Right", Value::uint32(static_cast<std::uint32_t>(round)));
    const auto sum = server.invokeMethod(context, classPath("TST_Thing"), "Add", in);
    const Value* result = sum.value.out.find("Sum");
    if (!sum.status.ok() || result == nullptr ||
        result->asUnsigned() != static_cast<std::uint64_t>(thread + round)) {
        problems << "method: " << sum.status.message << "; ";
    }
    const auto summary = server.getInstance(context, keyed("TST_Summary", "Id", "summary"), {});
    if (!summary.status.ok() || summary.value.findProperty("ThingCount") == nullptr ||
        summary.value.findProperty("ThingCount")->asUnsigned() != 4u) {
        problems << "summary: " << summary.status.message << "; ";
    }
    const host::ObjectPath gamma = keyed("TST_Thing", "Name", "gamma");
    const std::string label = "thread" + std::to_string(thread);
    if (!server.setProperty(context, gamma, "Label", Value::string(label)).ok()) {
        problems << "set property; ";
    }
    const auto read = server.getProperty(context, gamma, "Label");
    if (!read.status.ok() || read.value.type() != CMPI_string ||
        read.value.asString().rfind("thread", 0) != 0) {
        problems << "get property: " << read.status.message << "; ";
    }
    return problems.str();
}

TEST_F(Concurrency, MixedOperationsOnSeveralThreadsAllAnswerCorrectly) {
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            const host::Context context = server().clientContext("thread");
            for (int round = 0; round < kRounds && failures[thread].empty(); ++round) {
                failures[thread] = oneRound(server(), context, thread, round);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (int thread = 0; thread < kThreads; ++thread) {
        EXPECT_EQ(failures[thread], "") << "thread " << thread;
    }
    EXPECT_FALSE(host::OperationScope::active());
}

}  // namespace
