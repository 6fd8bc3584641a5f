// The agent data directory of a test: the system description and the
// interfaces' ifcfg files side by side in one temporary directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "ProviderTestSupport.h"

namespace ProviderTest {

// Points the agent's data directory at a directory while it lives.
class ScopedDataDirectory : public ovx::test::ScopedEnvironmentVariable {
  public:
    explicit ScopedDataDirectory(const std::filesystem::path& directory)
        : ScopedEnvironmentVariable("OVX_DATA_DIR", directory.string() + "/") {}
};

// A system description with its ifcfg files in the agent data directory.
class AgentData {
  public:
    explicit AgentData(const Json& description)
        : system_(description), dataDirectory_(system_.path().parent_path()) {}

    SystemDescriptionFile& system() { return system_; }
    std::filesystem::path ifcfgPath(const std::string& interfaceName) const {
        return system_.ifcfgPath(interfaceName);
    }
    void writeIfcfg(const std::string& interfaceName, const std::string& content) const {
        system_.writeIfcfg(interfaceName, content);
    }
    std::optional<std::string> ifcfg(const std::string& interfaceName) const {
        return system_.ifcfg(interfaceName);
    }

  private:
    SystemDescriptionFile system_;
    ScopedDataDirectory dataDirectory_;
};

}  // namespace ProviderTest
