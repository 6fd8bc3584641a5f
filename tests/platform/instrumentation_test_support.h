// Shared setup of the node-tree library tests: a sample server description in
// a scratch directory, a captured log, and the process-wide store put back.
#pragma once

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "instrumentation.h"
#include "nxlogger.h"

namespace ovx::test {

// A host with two interfaces (one with IPv6) and a management controller with
// one interface; every interface sits below a LAN endpoint of its system.
inline const char* const kSampleDescription = R"({
  "_comment": "sample server for the node-tree tests",
  "nodes": [
    {"type": "ComputerSystem", "id": "host", "description": "Host system",
     "properties": {"Name": "server1.example.com", "EnabledState": 1},
     "children": [
      {"type": "LANEndpoint", "id": "eth0", "description": "Ethernet port 0",
       "properties": {"Name": "eth0"},
       "children": [
        {"type": "IPInterface", "id": "ip", "description": "Onboard NIC eth0",
         "properties": {"Name": "eth0", "IPv4Address": "192.0.2.10",
                        "SubnetMask": "255.255.255.0", "IPv4Gateway": "192.0.2.1",
                        "AddressOrigin": 3, "EnabledState": 1, "IPVersion": 1,
                        "ProtocolIFType": 4096, "HostName": "server1",
                        "DomainName": "example.com", "DNSServers": ["192.0.2.53", "192.0.2.54"],
                        "DNSSuffixes": ["example.com"]},
         "readOnly": ["ProtocolIFType"]}]},
      {"type": "LANEndpoint", "id": "eth1", "properties": {"Name": "eth1"},
       "children": [
        {"type": "IPInterface", "id": "ip", "description": "Onboard NIC eth1",
         "properties": {"Name": "eth1", "IPv4Address": "198.51.100.7",
                        "SubnetMask": "255.255.255.0", "IPv6Address": "2001:db8::7",
                        "IPv6PrefixLength": 64, "IPv6AddressType": 6,
                        "IPv6Gateway": "2001:db8::1", "AddressOrigin": 1, "EnabledState": 1,
                        "IPVersion": 3, "ProtocolIFType": 4098}}]}]},
    {"type": "ServiceProcessor", "id": "bmc", "description": "BMC",
     "properties": {"Name": "BMC:-1"},
     "children": [
      {"type": "LANEndpoint", "id": "lan", "properties": {"Name": "bmc0"},
       "children": [
        {"type": "IPInterface", "id": "ip", "description": "BMC dedicated port",
         "properties": {"Name": "bmc0", "IPv4Address": "192.0.2.200",
                        "SubnetMask": "255.255.255.0", "AddressOrigin": 3,
                        "EnabledState": 1, "IPVersion": 1},
         "readOnly": ["Name"]}]}]}],
  "sections": {"peer": {"jobs": 0}}
}
)";

// Gives a file a modification time no earlier write can have had, so a change
// is visible however coarse the file system's timestamps are.
inline void bumpModificationTime(const std::string& path) {
    static long offset = 0;
    offset += 10;
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = std::time(nullptr) + 1000 + offset;
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0) {
        throw std::runtime_error("cannot set the modification time of " + path);
    }
}

inline void replaceContent(const std::string& path, const std::string& content) {
    writeFile(path, content);
    bumpModificationTime(path);
}

// The value of a property at the cursor, or nothing when it cannot be read as T.
template <typename T>
std::optional<T> valueAt(const Quill::Instrumentation& cursor,
                         Quill::NodeLexicon::Properties property) {
    T value{};
    if (!cursor.getProperty(property, value)) {
        return std::nullopt;
    }
    return value;
}

// Every test starts with its own description file, a log that records into
// memory, and the default store restored afterwards.
class InstrumentationTest : public ::testing::Test {
  protected:
    void SetUp() override { NxLog::NxLogger::installSink(sink_); }

    void TearDown() override {
        Quill::setNodeStore(nullptr);
        NxLog::NxLogger::installSink(nullptr);
    }

    // Writes text as the description and makes a store on it the current one.
    std::shared_ptr<Quill::FileNodeStore> useDescription(const std::string& text) {
        writeFile(path_, text);
        auto store = std::make_shared<Quill::FileNodeStore>(path_);
        Quill::setNodeStore(store);
        return store;
    }

    // The failure records of the node-tree library.
    std::vector<NxLog::Record> failures() const {
        std::vector<NxLog::Record> found;
        for (const auto& record : sink_->records()) {
            if (record.component == "Quill.Instrumentation" && record.level == 6000) {
                found.push_back(record);
            }
        }
        return found;
    }

    bool someFailureMentions(const std::string& text) const {
        const auto records = failures();
        return std::any_of(records.begin(), records.end(), [&](const NxLog::Record& record) {
            return record.text.find(text) != std::string::npos;
        });
    }

    ScratchDirectory directory_;
    const std::string path_ = directory_.file("system.json");
    std::shared_ptr<NxLog::MemorySink> sink_ = std::make_shared<NxLog::MemorySink>();
};

}  // namespace ovx::test
