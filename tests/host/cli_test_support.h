// Runs the built ovx-cim command as a CIM user runs it, on a scratch copy of
// the sample system, and collects its exit status and both output streams.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ovx/host/class_registry.h"
#include "ovx/host/mof/mof_reader.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// The project's classes, read once.
inline const ovx::host::ClassRegistry& projectClasses() {
    static const std::unique_ptr<ovx::host::ClassRegistry> registry = [] {
        auto loaded = std::make_unique<ovx::host::ClassRegistry>();
        ovx::host::mof::loadMofIntoRegistry({OVX_SOURCE_DIR "/mof/host.mof"}, *loaded);
        return loaded;
    }();
    return *registry;
}

inline std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class CliCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "ovx-cim-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        scratch_ = pattern;
        dataDir_ = scratch_ / "data";
        fs::create_directory(dataDir_);
        for (const auto& entry : fs::directory_iterator(OVX_SOURCE_DIR "/examples")) {
            if (entry.is_regular_file()) {
                fs::copy_file(entry.path(), dataDir_ / entry.path().filename());
            }
        }
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(scratch_, ignored);
    }

    // Runs ovx-cim on the scratch data directory, capturing both streams.
    Outcome run(std::vector<std::string> arguments, bool withDataDir = true) {
        if (withDataDir) {
            arguments.insert(arguments.begin(), "--data-dir=" + dataDir_.string());
        }
        const fs::path outFile = scratch_ / "stdout";
        const fs::path errFile = scratch_ / "stderr";
        const pid_t child = ::fork();
        if (child == 0) {
            const int out = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) {
                ::_exit(127);
            }
            std::vector<char*> argv;
            std::string program = OVX_CIM_COMMAND;
            argv.push_back(program.data());
            for (auto& argument : arguments) {
                argv.push_back(argument.data());
            }
            argv.push_back(nullptr);
            ::execv(program.c_str(), argv.data());
            ::_exit(127);
        }
        Outcome outcome;
        int status = 0;
        if (child > 0 && ::waitpid(child, &status, 0) == child) {
            outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        outcome.out = fileText(outFile);
        outcome.err = fileText(errFile);
        return outcome;
    }

    // The single line of a one-path answer.
    std::string onlyPath(const std::vector<std::string>& arguments) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        std::istringstream lines(outcome.out);
        std::string first;
        std::getline(lines, first);
        return first;
    }

    // The path of the instance of `className` whose Name key is `name`.
    std::string pathNamed(const std::string& className, const std::string& name) {
        const Outcome outcome = run({"--json", "ein", className});
        EXPECT_EQ(outcome.status, 0) << outcome.err;
        const auto document = nlohmann::json::parse(outcome.out);
        for (const auto& path : document.at("paths")) {
            if (path.get<std::string>().find("Name=\"" + name + "\"") != std::string::npos) {
                return path;
            }
        }
        ADD_FAILURE() << "no " << className << " " << name << " in " << outcome.out;
        return {};
    }

    fs::path scratch_;
    fs::path dataDir_;
};

inline ::testing::AssertionResult exitedWith(const Outcome& outcome, int status) {
    if (outcome.status == status) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "exit status " << outcome.status << ", expected " << status
           << "\nstdout: " << outcome.out << "\nstderr: " << outcome.err;
}

}  // namespace clitest
