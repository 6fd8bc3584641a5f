#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <nlohmann/json.hpp>
#include <thread>

#include "instrumentation_test_support.h"

namespace {

using namespace Quill;
using ovx::test::InstrumentationTest;
using ovx::test::readFile;
using ovx::test::valueAt;
using Json = nlohmann::ordered_json;

constexpr int kInterfaces = 4;

std::string interfacePath(int index) {
    return "/host/if" + std::to_string(index);
}

std::string descriptionWithInterfaces() {
    Json interfaces = Json::array();
    for (int index = 0; index < kInterfaces; ++index) {
        interfaces.push_back({{"type", "IPInterface"},
                              {"id", "if" + std::to_string(index)},
                              {"properties", {{"Name", "eth" + std::to_string(index)}}}});
    }
    const Json document = {
        {"nodes",
         Json::array({{{"type", "ComputerSystem"}, {"id", "host"}, {"children", interfaces}}})},
        {"sections", {{"counter", {{"count", 0}}}}}};
    return document.dump(2);
}

bool incrementCounter(NodeStore& store) {
    return store.updateSection("counter", [](std::string& text) {
        Json value = Json::parse(text);
        value["count"] = value["count"].get<int>() + 1;
        text = value.dump();
        return true;
    });
}

int counterOf(NodeStore& store) {
    const auto text = store.readSection("counter");
    return text ? Json::parse(*text)["count"].get<int>() : -1;
}

// Reads the file over and over while writers run; counts texts that are not
// a whole JSON document.
class FileWatcher {
  public:
    explicit FileWatcher(std::string path) : path_(std::move(path)), thread_([this] { watch(); }) {}
    ~FileWatcher() { stop(); }

    int stop() {
        stopped_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        return invalid_;
    }
    int reads() const { return reads_; }

  private:
    void watch() {
        while (!stopped_) {
            if (!Json::accept(readFile(path_))) {
                ++invalid_;
            }
            ++reads_;
        }
    }

    std::string path_;
    std::atomic<bool> stopped_{false};
    std::atomic<int> invalid_{0};
    std::atomic<int> reads_{0};
    std::thread thread_;
};

class ConcurrencyTest : public InstrumentationTest {
  protected:
    void SetUp() override {
        InstrumentationTest::SetUp();
        store_ = useDescription(descriptionWithInterfaces());
    }

    std::shared_ptr<FileNodeStore> store_;
};

// Half the threads share the test's store, the others open stores of their own.
TEST_F(ConcurrencyTest, ThreadsLoseNoCounterUpdateWithSharedOrOwnStores) {
    constexpr int kThreads = 4;
    constexpr int kIncrements = 40;
    std::atomic<int> refused{0};
    FileWatcher watcher(path_);
    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) {
        threads.emplace_back([&, thread] {
            std::optional<FileNodeStore> own;
            if (thread % 2 == 1) {
                own.emplace(path_);
            }
            NodeStore& store = own ? *own : static_cast<NodeStore&>(*store_);
            for (int step = 0; step < kIncrements; ++step) {
                if (!incrementCounter(store)) {
                    ++refused;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(watcher.stop(), 0);
    EXPECT_GT(watcher.reads(), 0);
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(counterOf(*store_), kThreads * kIncrements);
    EXPECT_TRUE(failures().empty());
}

TEST_F(ConcurrencyTest, ReadersAlwaysSeeAWholeTreeWhileWritersWork) {
    std::atomic<bool> writing{true};
    std::atomic<int> incomplete{0};
    std::atomic<int> walks{0};
    std::vector<std::thread> readers;
    for (int reader = 0; reader < 3; ++reader) {
        readers.emplace_back([&] {
            while (writing) {
                int count = 0;
                Instrumentation cursor;
                for (cursor.selectNode(NodeLexicon::IPInterface); cursor; ++cursor) {
                    std::string name;
                    if (cursor.getProperty(NodeLexicon::Name, name)) {
                        ++count;
                    }
                }
                if (count != kInterfaces) {
                    ++incomplete;
                }
                ++walks;
            }
        });
    }
    for (int step = 0; step < 60; ++step) {
        ASSERT_TRUE(incrementCounter(*store_));
    }
    writing = false;
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_GT(walks, 0);
    EXPECT_EQ(incomplete, 0);
    EXPECT_TRUE(failures().empty());
}

// The child's share of the two-process test; its exit status says whether
// every one of its writes was accepted.
[[noreturn]] void writeFromChild(const std::string& path, int increments) {
    int failed = 0;
    {
        FileNodeStore own(path);
        for (int step = 1; step <= increments; ++step) {
            if (!incrementCounter(own) ||
                !own.writeProperty(interfacePath(1), NodeLexicon::IPv4Address,
                                   "10.1.0." + std::to_string(step))) {
                ++failed;
            }
        }
    }
    ::_exit(failed == 0 ? 0 : 1);
}

TEST_F(ConcurrencyTest, TwoProcessesLoseNoUpdate) {
    constexpr int kIncrements = 60;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        writeFromChild(path_, kIncrements);
    }
    FileWatcher watcher(path_);
    int refused = 0;
    {
        FileNodeStore own(path_);
        for (int step = 1; step <= kIncrements; ++step) {
            if (!incrementCounter(own) ||
                !own.writeProperty(interfacePath(0), NodeLexicon::IPv4Address,
                                   "10.0.0." + std::to_string(step))) {
                ++refused;
            }
        }
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(watcher.stop(), 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(refused, 0);

    EXPECT_EQ(counterOf(*store_), 2 * kIncrements);
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(interfacePath(0)));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address),
              "10.0.0." + std::to_string(kIncrements));
    ASSERT_TRUE(cursor.selectNode(interfacePath(1)));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address),
              "10.1.0." + std::to_string(kIncrements));
}

}  // namespace
