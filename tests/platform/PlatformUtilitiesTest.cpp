#include "quillclient.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

namespace {

using ovx::test::permissionsOf;
using ovx::test::ScopedEnvironmentVariable;
using ovx::test::ScratchDirectory;
using Quill::PlatformUtilities;

TEST(DataDirectory, DefaultsToTheAgentDirectory) {
    ScopedEnvironmentVariable unset("OVX_DATA_DIR", std::nullopt);
    EXPECT_EQ(PlatformUtilities::getKestrelDataDir(), "/var/lib/ovx/");
}

TEST(DataDirectory, AnEmptySettingMeansTheDefault) {
    ScopedEnvironmentVariable empty("OVX_DATA_DIR", std::string());
    EXPECT_EQ(PlatformUtilities::getKestrelDataDir(), "/var/lib/ovx/");
}

TEST(DataDirectory, FollowsTheEnvironmentAndAlwaysEndsWithASlash) {
    {
        ScopedEnvironmentVariable set("OVX_DATA_DIR", std::string("/tmp/agent"));
        EXPECT_EQ(PlatformUtilities::getKestrelDataDir(), "/tmp/agent/");
    }
    {
        ScopedEnvironmentVariable set("OVX_DATA_DIR", std::string("/tmp/agent/"));
        EXPECT_EQ(PlatformUtilities::getKestrelDataDir(), "/tmp/agent/");
    }
    {
        ScopedEnvironmentVariable set("OVX_DATA_DIR", std::string("relative"));
        EXPECT_EQ(PlatformUtilities::getKestrelDataDir(), "relative/");
    }
}

TEST(NetworkConfigurationFile, LiesInTheDataDirectoryByDefault) {
    ScopedEnvironmentVariable file("OVX_NETWORK_CONFIG_FILE", std::nullopt);
    ScopedEnvironmentVariable directory("OVX_DATA_DIR", std::string("/tmp/agent"));
    EXPECT_EQ(PlatformUtilities::getNetworkConfigurationFile(), "/tmp/agent/network.conf");
}

TEST(NetworkConfigurationFile, FollowsItsOwnSettingFirst) {
    ScopedEnvironmentVariable directory("OVX_DATA_DIR", std::string("/tmp/agent"));
    {
        ScopedEnvironmentVariable file("OVX_NETWORK_CONFIG_FILE", std::string("/tmp/x/net.conf"));
        EXPECT_EQ(PlatformUtilities::getNetworkConfigurationFile(), "/tmp/x/net.conf");
    }
    {
        ScopedEnvironmentVariable file("OVX_NETWORK_CONFIG_FILE", std::string());
        EXPECT_EQ(PlatformUtilities::getNetworkConfigurationFile(), "/tmp/agent/network.conf");
    }
}

class FilePermission : public ::testing::Test {
  protected:
    void SetUp() override { ovx::test::writeFile(path_, "NETWORKING=yes\n"); }
    void setMode(mode_t mode) { ASSERT_EQ(::chmod(path_.c_str(), mode), 0); }

    ScratchDirectory scratch_;
    const std::string path_ = scratch_.file("network.conf");
};

TEST_F(FilePermission, TurnsTheOwnerWriteBitOnAndKeepsTheOthers) {
    setMode(0454);
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(path_, true));
    EXPECT_EQ(permissionsOf(path_), 0654u);
}

TEST_F(FilePermission, TurnsTheOwnerWriteBitOffAndKeepsTheOthers) {
    setMode(0676);
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(path_, false));
    EXPECT_EQ(permissionsOf(path_), 0476u);
}

TEST_F(FilePermission, OnAndOffRestoresTheOriginalMode) {
    setMode(0440);
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(path_, true));
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(path_, false));
    EXPECT_EQ(permissionsOf(path_), 0440u);
}

TEST_F(FilePermission, ABitAlreadyInPlaceIsLeftAlone) {
    setMode(0644);
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(path_, true));
    EXPECT_EQ(permissionsOf(path_), 0644u);
    EXPECT_EQ(ovx::test::readFile(path_), "NETWORKING=yes\n");
}

TEST_F(FilePermission, FollowsASymbolicLinkToItsTarget) {
    setMode(0444);
    const std::string link = scratch_.file("link.conf");
    ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(link, true));
    EXPECT_EQ(permissionsOf(path_), 0644u);
}

TEST_F(FilePermission, AMissingFileIsNothingToChange) {
    const std::string missing = scratch_.file("absent.conf");
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(missing, true));
    EXPECT_TRUE(PlatformUtilities::changeFilePermission(missing, false));
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(FilePermission, OtherFailuresAreReportedAsFalse) {
    EXPECT_FALSE(PlatformUtilities::changeFilePermission("", true));
    // A regular file used as a directory: not missing, just wrong.
    EXPECT_FALSE(PlatformUtilities::changeFilePermission(path_ + "/inner", true));
}

}  // namespace
