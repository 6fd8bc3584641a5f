#include "quillcommon.h"

#include "PlatformTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

namespace {

using ovx::test::permissionsOf;
using ovx::test::readFile;
using ovx::test::ScratchDirectory;
using ovx::test::writeFile;
using Quill::make_string;
using Quill::make_wstring;
using Quill::PropertyFile;
using Quill::File::Path;

class PropertyFileTest : public ::testing::Test {
  protected:
    std::string fileWith(const std::string& content) {
        writeFile(path_, content);
        return path_;
    }

    ScratchDirectory scratch_;
    const std::string path_ = scratch_.file("ifcfg-eth0");
};

using PathAndExists = PropertyFileTest;

TEST_F(PathAndExists, PathKeepsNarrowAndWideFormsInStep) {
    const Path narrow(std::string("/tmp/ifcfg-eth0"));
    EXPECT_EQ(narrow.native(), "/tmp/ifcfg-eth0");
    EXPECT_EQ(narrow.wstring(), L"/tmp/ifcfg-eth0");
    const Path wide(std::wstring(L"/tmp/B\u00fcro"));
    EXPECT_EQ(wide.string(), "/tmp/B\xC3\xBCro");
    EXPECT_TRUE(Path().empty());
    EXPECT_EQ(Path(static_cast<const char*>(nullptr)).native(), "");
}

TEST_F(PathAndExists, ExistsSeesRealFilesByEitherForm) {
    const std::string name = scratch_.file("ifcfg-B\xC3\xBCro");
    EXPECT_FALSE(Quill::File::exists(make_wstring(name)));
    writeFile(name, "");
    EXPECT_TRUE(Quill::File::exists(make_wstring(name)));
    EXPECT_TRUE(Quill::File::exists(Path(name)));
    EXPECT_TRUE(Quill::File::exists(name));
    EXPECT_FALSE(Quill::File::exists(std::wstring()));
}

using Reading = PropertyFileTest;

TEST_F(Reading, FindsValuesByExactKey) {
    PropertyFile file{
        Path(fileWith("CONFIG_NAME=office\nIPV4ADDR=192.0.2.7\nNETMASK=255.255.255.0\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"IPV4ADDR"), L"192.0.2.7");
    EXPECT_EQ(file.getValue(L"NETMASK"), L"255.255.255.0");
    EXPECT_EQ(file.getValue(L"CONFIG_NAME"), L"office");
    EXPECT_EQ(file.getValue(L"ipv4addr"), L"");
    EXPECT_EQ(file.getValue(L"IPV4"), L"");
    file.close();
}

TEST_F(Reading, TheCallersSequenceWorksWithModeOne) {
    fileWith("IPV4ADDR=198.51.100.1\n");
    ASSERT_TRUE(Quill::File::exists(make_wstring(path_)));
    PropertyFile file{Quill::File::Path(path_)};
    ASSERT_TRUE(file.open(1));
    const std::wstring value = file.getValue(L"IPV4ADDR");
    EXPECT_EQ(make_string(value), "198.51.100.1");
    file.close();
    EXPECT_FALSE(file.isOpen());
}

TEST_F(Reading, GatewayAndIpv6GatewayAreNotConfused) {
    PropertyFile file{Path(fileWith("IPV6GATEWAY=fe80::1\nGATEWAY=192.0.2.254\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"GATEWAY"), L"192.0.2.254");
    EXPECT_EQ(file.getValue(L"IPV6GATEWAY"), L"fe80::1");
}

TEST_F(Reading, ValuesKeepEverythingAfterTheFirstEquals) {
    PropertyFile file{Path(fileWith("OPTS=a=b=c\nSPACED= padded value \nTAB=\tx\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"OPTS"), L"a=b=c");
    EXPECT_EQ(file.getValue(L"SPACED"), L" padded value ");
    EXPECT_EQ(file.getValue(L"TAB"), L"\tx");
}

TEST_F(Reading, KeysAreNotTrimmed) {
    PropertyFile file{Path(fileWith(" IPV4ADDR=1.1.1.1\nNETMASK =255.0.0.0\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_FALSE(file.hasKey(L"IPV4ADDR"));
    EXPECT_FALSE(file.hasKey(L"NETMASK"));
    EXPECT_EQ(file.getValue(L" IPV4ADDR"), L"1.1.1.1");
}

TEST_F(Reading, ToleratesCrlfLineEnds) {
    PropertyFile file{Path(fileWith("IPV4ADDR=192.0.2.1\r\nNETMASK=255.255.0.0\r\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"IPV4ADDR"), L"192.0.2.1");
    EXPECT_EQ(file.getValue(L"NETMASK"), L"255.255.0.0");
}

TEST_F(Reading, ReadsALastLineWithoutLineEnd) {
    PropertyFile file{Path(fileWith("A=1\nPREFIX=64"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"PREFIX"), L"64");
}

TEST_F(Reading, TellsAnEmptyValueFromAMissingKey) {
    PropertyFile file{Path(fileWith("IPV4ADDR=\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_TRUE(file.hasKey(L"IPV4ADDR"));
    EXPECT_EQ(file.getValue(L"IPV4ADDR"), L"");
    EXPECT_FALSE(file.hasKey(L"NETMASK"));
    EXPECT_FALSE(file.hasKey(L""));
}

TEST_F(Reading, IgnoresCommentsBlankLinesAndLinesWithoutEquals) {
    PropertyFile file{
        Path(fileWith("# IPV4ADDR=10.0.0.1\n#IPV4ADDR=10.0.0.2\n\nIPV4ADDR\n"
                      "IPV4ADDR=10.0.0.3\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"IPV4ADDR"), L"10.0.0.3");
    EXPECT_FALSE(file.hasKey(L"#IPV4ADDR"));
}

TEST_F(Reading, TheFirstLineOfAKeyWins) {
    PropertyFile file{Path(fileWith("DNS=first\nDNS=second\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"DNS"), L"first");
}

TEST_F(Reading, DecodesUtf8ValuesAndMatchesUtf8Keys) {
    PropertyFile file{Path(fileWith("CONFIG_NAME=B\xC3\xBCro \xE2\x9C\x93\nNAME_\xC3\xA9=x\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"CONFIG_NAME"), L"B\u00fcro \u2713");
    EXPECT_EQ(file.getValue(L"NAME_\u00e9"), L"x");
}

TEST_F(Reading, InvalidUtf8InAValueComesBackByteForByte) {
    PropertyFile file{Path(fileWith("CONFIG_NAME=caf\xE9\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(make_string(file.getValue(L"CONFIG_NAME")), "caf\xE9");
}

TEST_F(Reading, NothingIsReadableBeforeOpenOrAfterClose) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    EXPECT_EQ(file.getValue(L"A"), L"");
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    file.close();
    EXPECT_EQ(file.getValue(L"A"), L"");
    EXPECT_FALSE(file.hasKey(L"A"));
}

using Opening = PropertyFileTest;

TEST_F(Opening, AMissingFileCannotBeOpenedForReading) {
    PropertyFile file{Path(path_)};
    EXPECT_FALSE(file.open(PropertyFile::ReadOnly));
    EXPECT_FALSE(file.isOpen());
}

TEST_F(Opening, UnknownModesAreRefused) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    EXPECT_FALSE(file.open(0));
    EXPECT_FALSE(file.open(3));
    EXPECT_FALSE(file.isOpen());
}

TEST_F(Opening, DirectoriesFifosAndOversizedFilesAreRefused) {
    PropertyFile directory{Path(scratch_.path().string())};
    EXPECT_FALSE(directory.open(PropertyFile::ReadOnly));
    EXPECT_FALSE(directory.open(PropertyFile::ReadWrite));

    const std::string fifo = scratch_.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    PropertyFile pipe{Path(fifo)};
    EXPECT_FALSE(pipe.open(PropertyFile::ReadOnly));

    PropertyFile huge{Path(fileWith(std::string(PropertyFile::kMaxFileSize + 1, 'x')))};
    EXPECT_FALSE(huge.open(PropertyFile::ReadOnly));
}

TEST_F(Opening, AnEmptyPathIsRefused) {
    PropertyFile file{Path(std::string())};
    EXPECT_FALSE(file.open(PropertyFile::ReadWrite));
}

TEST_F(Opening, ReopeningReadsTheFileAgainAndDropsUnsavedChanges) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    writeFile(path_, "A=3\n");
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_EQ(file.getValue(L"A"), L"3");
}

using Writing = PropertyFileTest;

TEST_F(Writing, IsRefusedWhenOpenForReadingOnly) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
    EXPECT_FALSE(file.setValue(L"A", L"2"));
    EXPECT_FALSE(file.save());
    EXPECT_EQ(file.getValue(L"A"), L"1");
    EXPECT_EQ(readFile(path_), "A=1\n");
}

TEST_F(Writing, CreatesAMissingFileWithTheSingleLine) {
    PropertyFile file{Path(path_)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    EXPECT_FALSE(file.hasKey(L"NETMASK"));
    ASSERT_TRUE(file.setValue(L"NETMASK", L"255.255.255.0"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "NETMASK=255.255.255.0\n");
    EXPECT_EQ(permissionsOf(path_), 0644u);
}

TEST_F(Writing, ReplacesInPlaceAndKeepsEveryOtherLineAsItWas) {
    const std::string original =
        "# written by the installer\n"
        "CONFIG_NAME=office\n"
        "\n"
        "IPV4ADDR=192.0.2.7\n"
        "odd line without equals\n"
        "NETMASK=255.255.255.0\n";
    PropertyFile file{Path(fileWith(original))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"IPV4ADDR", L"192.0.2.8"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_),
              "# written by the installer\n"
              "CONFIG_NAME=office\n"
              "\n"
              "IPV4ADDR=192.0.2.8\n"
              "odd line without equals\n"
              "NETMASK=255.255.255.0\n");
    EXPECT_EQ(file.getValue(L"IPV4ADDR"), L"192.0.2.8");
}

TEST_F(Writing, AppendsANewKeyAfterTheLastLine) {
    PropertyFile file{Path(fileWith("A=1\nB=2"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"PREFIX", L"64"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "A=1\nB=2\nPREFIX=64\n");
}

TEST_F(Writing, WritingGatewayLeavesIpv6GatewayAlone) {
    PropertyFile file{Path(fileWith("IPV6GATEWAY=fe80::1\nGATEWAY=192.0.2.254\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"GATEWAY", L"192.0.2.1"));
    ASSERT_TRUE(file.setValue(L"IPV6GATEWAY", L"fe80::2"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "IPV6GATEWAY=fe80::2\nGATEWAY=192.0.2.1\n");
}

TEST_F(Writing, ReplacesEveryLineOfADuplicatedKey) {
    PropertyFile file{Path(fileWith("DNS=a\nX=1\nDNS=b\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"DNS", L"c"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "DNS=c\nX=1\nDNS=c\n");
}

TEST_F(Writing, KeepsCrlfLineEndsAndUsesThemForNewLines) {
    PropertyFile file{Path(fileWith("A=1\r\nB=2\r\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"9"));
    ASSERT_TRUE(file.setValue(L"C", L"3"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "A=9\r\nB=2\r\nC=3\r\n");
}

TEST_F(Writing, RefusesKeysAndValuesThatWouldBreakTheFormat) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    EXPECT_FALSE(file.setValue(L"", L"x"));
    EXPECT_FALSE(file.setValue(L"A=B", L"x"));
    EXPECT_FALSE(file.setValue(L"A\nB", L"x"));
    EXPECT_FALSE(file.setValue(L"A\rB", L"x"));
    EXPECT_FALSE(file.setValue(L"#A", L"x"));
    EXPECT_FALSE(file.setValue(std::wstring(L"A\0B", 3), L"x"));
    EXPECT_FALSE(file.setValue(L"A", L"two\nlines"));
    EXPECT_FALSE(file.setValue(L"A", L"cr\r"));
    EXPECT_FALSE(file.setValue(L"A", std::wstring(L"nul\0", 4)));
    EXPECT_EQ(file.getValue(L"A"), L"1");
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "A=1\n");
}

TEST_F(Writing, AcceptsEmptyValuesAndEqualsInValues) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L""));
    ASSERT_TRUE(file.setValue(L"OPTS", L"k=v"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "A=\nOPTS=k=v\n");
    EXPECT_TRUE(file.hasKey(L"A"));
}

TEST_F(Writing, Utf8TextRoundTripsThroughTheFile) {
    const std::wstring name = L"B\u00fcro \u2713 \U0001F600";
    {
        PropertyFile file{Path(fileWith("CONFIG_NAME=old\nLEGACY=caf\xE9\n"))};
        ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
        ASSERT_TRUE(file.setValue(L"CONFIG_NAME", name));
        ASSERT_TRUE(file.save());
    }
    EXPECT_EQ(readFile(path_),
              "CONFIG_NAME=B\xC3\xBCro \xE2\x9C\x93 \xF0\x9F\x98\x80\nLEGACY=caf\xE9\n");
    PropertyFile again{Path(path_)};
    ASSERT_TRUE(again.open(PropertyFile::ReadOnly));
    EXPECT_EQ(again.getValue(L"CONFIG_NAME"), name);
}

TEST_F(Writing, CloseDropsUnsavedChanges) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    file.close();
    EXPECT_FALSE(file.save());
    EXPECT_EQ(readFile(path_), "A=1\n");
}

using AtomicSave = PropertyFileTest;

TEST_F(AtomicSave, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    fileWith("A=1\nB=2\n");
    // A reader that opened the file before the save keeps seeing the old
    // content: the new one arrives as a different file, never overwritten in place.
    const int reader = ::open(path_.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);

    PropertyFile file{Path(path_)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"changed"));
    ASSERT_TRUE(file.save());

    char buffer[64] = {};
    const ssize_t count = ::pread(reader, buffer, sizeof buffer - 1, 0);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count > 0 ? count : 0)), "A=1\nB=2\n");
    EXPECT_EQ(readFile(path_), "A=changed\nB=2\n");

    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
        EXPECT_EQ(entry.path().filename(), "ifcfg-eth0");
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

TEST_F(AtomicSave, KeepsThePermissionsOfTheOriginal) {
    fileWith("A=1\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    PropertyFile file{Path(path_)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(permissionsOf(path_), 0600u);

    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    ASSERT_TRUE(file.save());
    EXPECT_EQ(permissionsOf(path_), 0640u);
}

TEST_F(AtomicSave, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
    fileWith("A=1\n");
    const std::string link = scratch_.file("ifcfg-link");
    ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
    PropertyFile file{Path(link)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    ASSERT_TRUE(file.save());
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(readFile(path_), "A=2\n");
}

TEST_F(AtomicSave, FailsWithoutTouchingAnythingWhenTheDirectoryIsGone) {
    const std::string directory = scratch_.file("gone");
    ASSERT_TRUE(std::filesystem::create_directory(directory));
    const std::string path = directory + "/ifcfg-eth1";
    PropertyFile file{Path(path)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"1"));
    ASSERT_TRUE(std::filesystem::remove(directory));
    EXPECT_FALSE(file.save());
    EXPECT_FALSE(std::filesystem::exists(directory));
}

TEST_F(AtomicSave, RefusesToReplaceSomethingThatIsNoLongerAFile) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(std::filesystem::remove(path_));
    ASSERT_TRUE(std::filesystem::create_directory(path_));
    EXPECT_FALSE(file.save());
    EXPECT_TRUE(std::filesystem::is_directory(path_));
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

// Lowers the largest file this process may write, as a full disk would.
class ScopedFileSizeLimit {
  public:
    explicit ScopedFileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &previous_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = previous_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;
    ~ScopedFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &previous_);
        std::signal(SIGXFSZ, previousHandler_);
    }

  private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

TEST_F(AtomicSave, AWriteThatFailsHalfwayLeavesTheOriginalWhole) {
    const std::string original = "CONFIG_NAME=office\nIPV4ADDR=192.0.2.7\n";
    PropertyFile file{Path(fileWith(original))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"CONFIG_NAME", std::wstring(200, L'n')));
    bool saved = true;
    {
        ScopedFileSizeLimit limit(64);
        saved = file.save();
    }
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(path_), original);
    std::size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
    // Once there is room again, the same change goes through.
    EXPECT_TRUE(file.save());
    EXPECT_EQ(file.getValue(L"CONFIG_NAME"), std::wstring(200, L'n'));
}

TEST_F(AtomicSave, AnUnwritableDirectoryLeavesTheOriginalIntact) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "directory permissions do not bind the superuser";
    }
    const std::string directory = scratch_.file("locked");
    ASSERT_TRUE(std::filesystem::create_directory(directory));
    const std::string path = directory + "/ifcfg-eth2";
    writeFile(path, "A=1\n");
    PropertyFile file{Path(path)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    ASSERT_EQ(::chmod(directory.c_str(), 0500), 0);
    const bool saved = file.save();
    ::chmod(directory.c_str(), 0700);
    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(path), "A=1\n");
}

}  // namespace
