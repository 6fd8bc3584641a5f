// What the CIM server's tests share: where the test providers and classes
// are, a scratch folder, and a fixture with a server open on them.
#pragma once

#include "ovx/host/cim_server.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace servertest {

namespace fs = std::filesystem;
namespace host = ovx::host;

inline fs::path providerDirectory() {
    return OVX_SERVER_TEST_PROVIDERS;
}
inline fs::path dataDirectory() {
    return OVX_SERVER_TEST_DATA;
}

using ovx::test::ScratchDirectory;

// The providers append their factory and cleanup calls to this file.
class ProviderLog {
  public:
    explicit ProviderLog(const fs::path& file) : file_(file) {
        ::setenv("OVX_TEST_PROVIDER_LOG", file_.c_str(), 1);
    }
    ~ProviderLog() { ::unsetenv("OVX_TEST_PROVIDER_LOG"); }
    ProviderLog(const ProviderLog&) = delete;
    ProviderLog& operator=(const ProviderLog&) = delete;

    std::vector<std::string> lines() const {
        std::vector<std::string> lines;
        std::ifstream stream(file_);
        for (std::string line; std::getline(stream, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::size_t count(const std::string& line) const {
        const auto all = lines();
        return static_cast<std::size_t>(std::count(all.begin(), all.end(), line));
    }

  private:
    fs::path file_;
};

inline host::HostOptions testOptions() {
    host::HostOptions options;
    options.mofFiles = {dataDirectory() / "classes.mof"};
    options.registrationFile = dataDirectory() / "providers.reg";
    options.providerSearchPath = {providerDirectory()};
    return options;
}

inline host::ObjectPath keyed(const std::string& className, const std::string& key,
                              const std::string& value) {
    host::ObjectPath path("root/cimv2", className);
    path.setKey(key, host::Value::string(value));
    return path;
}

inline host::ObjectPath classPath(const std::string& className) {
    return host::ObjectPath("root/cimv2", className);
}

// The string values of one key over paths, sorted.
inline std::vector<std::string> keyValues(const std::vector<host::ObjectPath>& paths,
                                          const std::string& key) {
    std::vector<std::string> values;
    for (const host::ObjectPath& path : paths) {
        const host::Value* value = path.findKey(key);
        values.push_back(value != nullptr ? value->asString() : std::string("<missing>"));
    }
    std::sort(values.begin(), values.end());
    return values;
}

inline std::vector<host::ObjectPath> pathsOf(const std::vector<host::Instance>& instances) {
    std::vector<host::ObjectPath> paths;
    for (const host::Instance& instance : instances) {
        paths.push_back(instance.path());
    }
    return paths;
}

class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        server_ = host::CimServer::open(testOptions());
        context_ = server_->clientContext("tester");
    }

    void TearDown() override { server_.reset(); }

    host::CimServer& server() { return *server_; }
    const host::Context& context() const { return context_; }

    ScratchDirectory scratch_;
    ProviderLog log_{scratch_.path() / "providers.log"};
    std::unique_ptr<host::CimServer> server_;
    host::Context context_;
};

}  // namespace servertest
