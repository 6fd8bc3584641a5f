#include "quillcommon.h"

#include "AtomicFile.h"
#include "PlatformTestSupport.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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
    // Entries besides the writers' lock file, which stays once made.
    std::size_t entriesInScratch() const {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
            count += entry.path().extension() == ".lock" ? 0 : 1;
        }
        return count;
    }

    std::string fileWith(const std::string& content) {
        writeFile(path_, content);
        return path_;
    }

    ScratchDirectory scratch_;
    const std::string path_ = scratch_.file("ifcfg-eth0");
};

using PathAndExists = PropertyFileTest;

TEST_F(PathAndExists, PathKeepsBothFormsInStepAndExistsSeesRealFilesByEither) {
    const Path narrow(std::string("/tmp/ifcfg-eth0"));
    EXPECT_EQ(narrow.native(), "/tmp/ifcfg-eth0");
    EXPECT_EQ(narrow.wstring(), L"/tmp/ifcfg-eth0");
    const Path wide(std::wstring(L"/tmp/B\u00fcro"));
    EXPECT_EQ(wide.string(), "/tmp/B\xC3\xBCro");
    EXPECT_TRUE(Path().empty());
    EXPECT_EQ(Path(static_cast<const char*>(nullptr)).native(), "");

    const std::string name = scratch_.file("ifcfg-B\xC3\xBCro");
    EXPECT_FALSE(Quill::File::exists(make_wstring(name)));
    writeFile(name, "");
    EXPECT_TRUE(Quill::File::exists(make_wstring(name)));
    EXPECT_TRUE(Quill::File::exists(Path(name)));
    EXPECT_TRUE(Quill::File::exists(name));
    EXPECT_FALSE(Quill::File::exists(std::wstring()));
}

using Reading = PropertyFileTest;

TEST_F(Reading, FindsTheValueOfTheExactKey) {
    constexpr const wchar_t* kMissing = L"<missing>";
    struct Case {
        const char* content;
        const wchar_t* key;
        const wchar_t* expected;  // kMissing: no such key
    };
    const Case cases[] = {
        {"CONFIG_NAME=office\nIPV4ADDR=192.0.2.7\nNETMASK=255.255.255.0\n", L"NETMASK",
         L"255.255.255.0"},
        {"IPV4ADDR=192.0.2.7\n", L"ipv4addr", kMissing},
        {"IPV4ADDR=192.0.2.7\n", L"IPV4", kMissing},
        {"IPV4ADDR=192.0.2.7\n", L"", kMissing},
        {"IPV6GATEWAY=fe80::1\nGATEWAY=192.0.2.254\n", L"GATEWAY", L"192.0.2.254"},
        {"IPV6GATEWAY=fe80::1\nGATEWAY=192.0.2.254\n", L"IPV6GATEWAY", L"fe80::1"},
        // Values keep everything after the first '=', blanks included.
        {"OPTS=a=b=c\n", L"OPTS", L"a=b=c"},
        {"SPACED= padded value \n", L"SPACED", L" padded value "},
        {"TAB=\tx\n", L"TAB", L"\tx"},
        // Keys are not trimmed.
        {" IPV4ADDR=1.1.1.1\n", L"IPV4ADDR", kMissing},
        {" IPV4ADDR=1.1.1.1\n", L" IPV4ADDR", L"1.1.1.1"},
        {"NETMASK =255.0.0.0\n", L"NETMASK", kMissing},
        {"IPV4ADDR=192.0.2.1\r\nNETMASK=255.255.0.0\r\n", L"IPV4ADDR", L"192.0.2.1"},
        {"A=1\nPREFIX=64", L"PREFIX", L"64"},
        {"IPV4ADDR=\n", L"IPV4ADDR", L""},
        {"# IPV4ADDR=10.0.0.1\n#IPV4ADDR=10.0.0.2\n\nIPV4ADDR\nIPV4ADDR=10.0.0.3\n", L"IPV4ADDR",
         L"10.0.0.3"},
        {"#IPV4ADDR=10.0.0.2\n", L"#IPV4ADDR", kMissing},
        {"DNS=first\nDNS=second\n", L"DNS", L"first"},
        {"CONFIG_NAME=B\xC3\xBCro \xE2\x9C\x93 \xF0\x9F\x98\x80\n", L"CONFIG_NAME",
         L"B\u00fcro \u2713 \U0001F600"},
        {"NAME_\xC3\xA9=x\n", L"NAME_\u00e9", L"x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.content) + " / " + make_string(c.key));
        PropertyFile file{Path(fileWith(c.content))};
        ASSERT_TRUE(file.open(PropertyFile::ReadOnly));
        const bool present = std::wstring(c.expected) != kMissing;
        EXPECT_EQ(file.hasKey(c.key), present);
        EXPECT_EQ(file.getValue(c.key), present ? c.expected : L"");
    }
}

TEST_F(PropertyFileTest, OpeningRefusesWhatCannotBeAPropertyFile) {
    PropertyFile missing{Path(path_)};
    EXPECT_FALSE(missing.open(PropertyFile::ReadOnly));
    EXPECT_FALSE(missing.isOpen());
    EXPECT_FALSE(PropertyFile{Path(std::string())}.open(PropertyFile::ReadWrite));

    PropertyFile file{Path(fileWith("A=1\n"))};
    EXPECT_FALSE(file.open(0));
    EXPECT_FALSE(file.open(3));
    EXPECT_FALSE(file.isOpen());

    PropertyFile directory{Path(scratch_.path().string())};
    EXPECT_FALSE(directory.open(PropertyFile::ReadOnly));
    EXPECT_FALSE(directory.open(PropertyFile::ReadWrite));

    const std::string fifo = scratch_.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(PropertyFile{Path(fifo)}.open(PropertyFile::ReadOnly));

    PropertyFile huge{Path(fileWith(std::string(PropertyFile::kMaxFileSize + 1, 'x')))};
    EXPECT_FALSE(huge.open(PropertyFile::ReadOnly));
}

using Writing = PropertyFileTest;

TEST_F(Writing, ChangesOnlyTheLinesOfTheKeyAndKeepsEverythingElse) {
    struct Case {
        const char* before;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> changes;
        const char* after;
    };
    const Case cases[] = {
        {"# written by the installer\nCONFIG_NAME=office\n\nIPV4ADDR=192.0.2.7\n"
         "odd line without equals\nNETMASK=255.255.255.0\n",
         {{L"IPV4ADDR", L"192.0.2.8"}},
         "# written by the installer\nCONFIG_NAME=office\n\nIPV4ADDR=192.0.2.8\n"
         "odd line without equals\nNETMASK=255.255.255.0\n"},
        {"A=1\nB=2", {{L"PREFIX", L"64"}}, "A=1\nB=2\nPREFIX=64\n"},
        {"IPV6GATEWAY=fe80::1\nGATEWAY=192.0.2.254\n",
         {{L"GATEWAY", L"192.0.2.1"}, {L"IPV6GATEWAY", L"fe80::2"}},
         "IPV6GATEWAY=fe80::2\nGATEWAY=192.0.2.1\n"},
        {"DNS=a\nX=1\nDNS=b\n", {{L"DNS", L"c"}}, "DNS=c\nX=1\nDNS=c\n"},
        {"A=1\r\nB=2\r\n", {{L"A", L"9"}, {L"C", L"3"}}, "A=9\r\nB=2\r\nC=3\r\n"},
        {"A=1\n", {{L"A", L""}, {L"OPTS", L"k=v"}}, "A=\nOPTS=k=v\n"},
        // UTF-8 out; another line's invalid UTF-8 kept byte for byte.
        {"CONFIG_NAME=old\nLEGACY=caf\xE9\n",
         {{L"CONFIG_NAME", L"B\u00fcro \u2713 \U0001F600"}},
         "CONFIG_NAME=B\xC3\xBCro \xE2\x9C\x93 \xF0\x9F\x98\x80\nLEGACY=caf\xE9\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        PropertyFile file{Path(fileWith(c.before))};
        ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
        for (const auto& [key, value] : c.changes) {
            ASSERT_TRUE(file.setValue(key, value));
            EXPECT_TRUE(file.hasKey(key));
            EXPECT_EQ(file.getValue(key), value);
        }
        ASSERT_TRUE(file.save());
        EXPECT_EQ(readFile(path_), c.after);
    }
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

TEST_F(Writing, RefusesKeysAndValuesThatWouldBreakTheFormat) {
    PropertyFile file{Path(fileWith("A=1\n"))};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    const std::pair<std::wstring, std::wstring> refused[] = {
        {L"", L"x"},           {L"A=B", L"x"},  {L"A\nB", L"x"},
        {L"A\rB", L"x"},       {L"#A", L"x"},   {std::wstring(L"A\0B", 3), L"x"},
        {L"A", L"two\nlines"}, {L"A", L"cr\r"}, {L"A", std::wstring(L"nul\0", 4)},
    };
    for (const auto& [key, value] : refused) {
        EXPECT_FALSE(file.setValue(key, value)) << make_string(key) << "=" << make_string(value);
    }
    EXPECT_EQ(file.getValue(L"A"), L"1");
    ASSERT_TRUE(file.save());
    EXPECT_EQ(readFile(path_), "A=1\n");
}

// Values are there only while open: closing drops unsaved changes, reopening
// reads the file again, and read-only refuses any change. Mode 1 is how
// callers open for reading; invalid UTF-8 comes back byte for byte.
TEST_F(PropertyFileTest, ValuesLiveOnlyWhileOpen) {
    PropertyFile file{Path(fileWith("A=1\nLEGACY=caf\xE9\n"))};
    EXPECT_EQ(file.getValue(L"A"), L"");
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    EXPECT_EQ(make_string(file.getValue(L"LEGACY")), "caf\xE9");
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(file.getValue(L"LEGACY"), L"");
    EXPECT_FALSE(file.hasKey(L"LEGACY"));
    EXPECT_FALSE(file.save());
    EXPECT_EQ(readFile(path_), "A=1\nLEGACY=caf\xE9\n");

    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"2"));
    writeFile(path_, "A=3\n");
    ASSERT_TRUE(file.open(1));
    EXPECT_EQ(file.getValue(L"A"), L"3");
    EXPECT_FALSE(file.setValue(L"A", L"4"));
    EXPECT_FALSE(file.save());
    EXPECT_EQ(file.getValue(L"A"), L"3");
    EXPECT_EQ(readFile(path_), "A=3\n");
}

using AtomicSave = PropertyFileTest;

// Saved through a symbolic link: the link stays, and its target is replaced
// whole by a new file with the original's permissions. A reader that opened
// the file before the save keeps seeing the old content, as it is never
// overwritten in place.
TEST_F(AtomicSave, ReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    fileWith("A=1\nB=2\n");
    ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
    const std::string link = scratch_.file("ifcfg-link");
    ASSERT_EQ(::symlink(path_.c_str(), link.c_str()), 0);
    const int reader = ::open(path_.c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);

    PropertyFile file{Path(link)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"changed"));
    ASSERT_TRUE(file.save());

    char buffer[64] = {};
    const ssize_t count = ::pread(reader, buffer, sizeof buffer - 1, 0);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, static_cast<std::size_t>(count > 0 ? count : 0)), "A=1\nB=2\n");
    EXPECT_EQ(readFile(path_), "A=changed\nB=2\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(permissionsOf(path_), 0600u);
    EXPECT_EQ(entriesInScratch(), 2u) << "the file and the link";
}

TEST_F(AtomicSave, AStreamedWriterThatGivesUpLeavesTheTargetAndNoTemporary) {
    fileWith("A=1\n");
    // Larger than one block, so that part of it reaches the temporary file.
    const std::string content(200 * 1024, 'x');
    std::string error;
    EXPECT_THROW(Quill::FileIo::replaceAtomically(
                     path_,
                     [&](std::ostream& out) -> bool {
                         out << content;
                         throw std::runtime_error("given up");
                     },
                     error),
                 std::runtime_error);
    const auto writeContentAnswering = [&content](bool answer) {
        return [&content, answer](std::ostream& out) {
            out << content;
            return answer;
        };
    };
    EXPECT_FALSE(Quill::FileIo::replaceAtomically(path_, writeContentAnswering(false), error));
    EXPECT_EQ(readFile(path_), "A=1\n");
    EXPECT_EQ(entriesInScratch(), 1u);

    ASSERT_TRUE(Quill::FileIo::replaceAtomically(path_, writeContentAnswering(true), error));
    EXPECT_EQ(readFile(path_), content);
}

TEST_F(AtomicSave, FailsWithoutTouchingAnythingWhenTheDirectoryIsGone) {
    const std::string directory = scratch_.file("gone");
    ASSERT_TRUE(std::filesystem::create_directory(directory));
    const std::string path = directory + "/ifcfg-eth1";
    PropertyFile file{Path(path)};
    ASSERT_TRUE(file.open(PropertyFile::ReadWrite));
    ASSERT_TRUE(file.setValue(L"A", L"1"));
    // With the lock file the writer holds.
    ASSERT_EQ(std::filesystem::remove_all(directory), 2u);
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
    EXPECT_EQ(entriesInScratch(), 1u);
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
    std::string error;
    {
        ScopedFileSizeLimit limit(64);
        saved = file.save(error);
    }
    EXPECT_FALSE(saved);
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_EQ(readFile(path_), original);
    EXPECT_EQ(entriesInScratch(), 1u);
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

// Two writers of one file: the second reads only once the first is done,
// so neither change is lost.
TEST_F(PropertyFileTest, WritersTakeTurns) {
    fileWith("A=1\nB=1\n");
    PropertyFile first{Path(path_)};
    ASSERT_TRUE(first.open(PropertyFile::ReadWrite));
    std::atomic<bool> secondOpened{false};
    std::thread second([&] {
        PropertyFile file{Path(path_)};
        secondOpened = file.open(PropertyFile::ReadWrite);
        file.setValue(L"B", L"2");
        file.save();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(secondOpened);
    ASSERT_TRUE(first.setValue(L"A", L"2"));
    ASSERT_TRUE(first.save());
    first.close();
    second.join();
    EXPECT_TRUE(secondOpened);
    EXPECT_EQ(readFile(path_), "A=2\nB=2\n");
}

}  // namespace
