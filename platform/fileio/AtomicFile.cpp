#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <streambuf>
#include <utility>
#include <vector>

namespace Quill::FileIo {
namespace {

constexpr mode_t kNewFileMode = 0644;

std::atomic<bool> failBeforeRename{false};

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() { close(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, reporting what close() says: for a written file, a late
    // write error may surface only here. Linux releases the descriptor even
    // when close reports EINTR, so it is never retried.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Removes the temporary file unless the rename that publishes it succeeded.
class TemporaryFile {
  public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!published_) {
            ::unlink(path_.c_str());
        }
    }

    const std::string& path() const { return path_; }
    bool publishAs(const std::string& target) {
        published_ = ::rename(path_.c_str(), target.c_str()) == 0;
        return published_;
    }

  private:
    std::string path_;
    bool published_ = false;
};

bool writeAll(int fd, const char* next, std::size_t left) {
    while (left > 0) {
        const ssize_t written = ::write(fd, next, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        next += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// A stream buffer that writes to a descriptor in blocks and remembers the
// errno of the first write that failed.
class DescriptorBuffer : public std::streambuf {
  public:
    explicit DescriptorBuffer(int fd) : fd_(fd), block_(kBlockSize) { resetArea(); }

    int error() const { return error_; }

  protected:
    int_type overflow(int_type next) override {
        if (!writePending()) {
            return traits_type::eof();
        }
        if (!traits_type::eq_int_type(next, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(next);
            pbump(1);
        }
        return traits_type::not_eof(next);
    }

    int sync() override { return writePending() ? 0 : -1; }

  private:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    void resetArea() { setp(block_.data(), block_.data() + block_.size()); }

    bool writePending() {
        if (error_ != 0) {
            return false;
        }
        if (!writeAll(fd_, pbase(), static_cast<std::size_t>(pptr() - pbase()))) {
            error_ = errno != 0 ? errno : EIO;
            return false;
        }
        resetArea();
        return true;
    }

    int fd_;
    std::vector<char> block_;
    int error_ = 0;
};

std::string directoryOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool replaceAtomically(const std::string& target, const std::string& content, std::string& error) {
    return replaceAtomically(
        target,
        [&content](std::ostream& out) {
            out.write(content.data(), static_cast<std::streamsize>(content.size()));
            return true;
        },
        error);
}

bool replaceAtomically(const std::string& target, const std::function<bool(std::ostream&)>& write,
                       std::string& error) {
    const std::string directory = directoryOf(target);
    std::string pattern = directory + "/." + fileNameOf(target) + ".XXXXXX";
    Descriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid()) {
        error = "cannot create a temporary file in " + directory + ": " + errnoText(errno);
        return false;
    }
    TemporaryFile temporary(pattern);
    const auto fail = [&](const std::string& what) {
        error = what + ": " + errnoText(errno);
        return false;
    };

    struct stat original {};
    const bool existed = ::stat(target.c_str(), &original) == 0;
    if (existed && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
        // Only a privileged writer can hand the file back to another owner;
        // everyone else writes files of their own, which is fine.
        if (::fchown(fd.get(), original.st_uid, original.st_gid) != 0) {
            errno = 0;
        }
    }
    // After fchown, which clears set-id bits.
    const mode_t mode = existed ? (original.st_mode & 07777) : kNewFileMode;
    if (::fchmod(fd.get(), mode) != 0) {
        return fail("cannot set the mode of " + temporary.path());
    }
    {
        DescriptorBuffer buffer(fd.get());
        std::ostream out(&buffer);
        if (!write(out)) {
            error = "the content of " + target + " could not be produced";
            return false;
        }
        out.flush();
        if (!out || buffer.error() != 0) {
            errno = buffer.error() != 0 ? buffer.error() : EIO;
            return fail("cannot write " + temporary.path());
        }
    }
    if (::fsync(fd.get()) != 0) {
        return fail("cannot sync " + temporary.path());
    }
    if (!fd.close()) {
        return fail("cannot close " + temporary.path());
    }
    if (failBeforeRename.load()) {
        errno = EIO;
        return fail("stopped before renaming " + temporary.path() + " to " + target);
    }
    if (!temporary.publishAs(target)) {
        return fail("cannot rename " + temporary.path() + " to " + target);
    }
    const Descriptor directoryFd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directoryFd.valid() || ::fsync(directoryFd.get()) != 0) {
        // The new content is in place; only its durability across a power
        // loss is in doubt, so the write stands and the caller is warned.
        error = "cannot sync the directory " + directory + ": " + errnoText(errno);
    }
    return true;
}

void failBeforeRenameForTesting(bool fail) {
    failBeforeRename.store(fail);
}

std::string errnoText(int error) {
    std::vector<char> buffer(256, '\0');
    // The GNU strerror_r may return a static string instead of filling buffer.
    const char* text = ::strerror_r(error, buffer.data(), buffer.size());
    return text ? std::string(text) : "error " + std::to_string(error);
}

}  // namespace Quill::FileIo
