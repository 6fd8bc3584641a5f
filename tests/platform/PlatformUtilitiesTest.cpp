#include "quillclient.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>

namespace {

using ovx::test::permissionsOf;
using ovx::test::ScopedEnvironmentVariable;
using ovx::test::ScratchDirectory;
using Quill::PlatformUtilities;

// The unset and empty settings mean the default; a setting always ends with a slash.
TEST(DataDirectory, FollowsTheEnvironmentOrDefaultsToTheAgentDirectory) {
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {std::nullopt, "/var/lib/ovx/"},
        {std::string(), "/var/lib/ovx/"},
        {"/tmp/agent", "/tmp/agent/"},
        {"/tmp/agent/", "/tmp/agent/"},
        {"relative", "relative/"}};
    for (const auto& [setting, directory] : cases) {
        ScopedEnvironmentVariable set("OVX_DATA_DIR", setting);
        EXPECT_EQ(PlatformUtilities::getKestrelDataDir(), directory) << setting.value_or("unset");
    }
}

TEST(NetworkConfigurationFile, FollowsItsOwnSettingOrLiesInTheDataDirectory) {
    ScopedEnvironmentVariable directory("OVX_DATA_DIR", std::string("/tmp/agent"));
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {std::nullopt, "/tmp/agent/network.conf"},
        {std::string(), "/tmp/agent/network.conf"},
        {"/tmp/x/net.conf", "/tmp/x/net.conf"}};
    for (const auto& [setting, file] : cases) {
        ScopedEnvironmentVariable set("OVX_NETWORK_CONFIG_FILE", setting);
        EXPECT_EQ(PlatformUtilities::getNetworkConfigurationFile(), file)
            << setting.value_or("unset");
    }
}

class FilePermission : public ::testing::Test {
  protected:
    void SetUp() override { ovx::test::writeFile(path_, "NETWORKING=yes\n"); }
    void setMode(mode_t mode) { ASSERT_EQ(::chmod(path_.c_str(), mode), 0); }

    ScratchDirectory scratch_;
    const std::string path_ = scratch_.file("network.conf");
};

// Only the owner's write bit changes; one already as asked is left alone.
TEST_F(FilePermission, TurnsTheOwnerWriteBitOnOrOffAndKeepsTheOthers) {
    const struct {
        mode_t before;
        bool writable;
        mode_t after;
    } cases[] = {{0454, true, 0654}, {0676, false, 0476}, {0644, true, 0644}, {0440, false, 0440}};
    for (const auto& change : cases) {
        setMode(change.before);
        EXPECT_TRUE(PlatformUtilities::changeFilePermission(path_, change.writable));
        EXPECT_EQ(permissionsOf(path_), change.after) << std::oct << change.before;
    }
    EXPECT_EQ(ovx::test::readFile(path_), "NETWORKING=yes\n");
}

// A link is followed to its target; a missing file is nothing to change, any
// other failure is reported.
TEST_F(FilePermission, FollowsLinksAndTellsMissingFromFailing) {
    setMode(0444);
    const std::string link = scratch_.file("link.conf");
    ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(link, true));
    EXPECT_EQ(permissionsOf(path_), 0644u);

    const std::string missing = scratch_.file("absent.conf");
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(missing, true));
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(missing, false));
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(PlatformUtilities::changeFilePermission("", true));
    // A regular file used as a directory: not missing, just wrong.
    EXPECT_FALSE(PlatformUtilities::changeFilePermission(path_ + "/inner", true));
}

}  // namespace
