#include "FileAccess.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace Quill::FileAccess {
namespace {

Fingerprint fromStat(const struct stat& status) {
    Fingerprint fingerprint;
    fingerprint.present = true;
    fingerprint.device = status.st_dev;
    fingerprint.inode = status.st_ino;
    fingerprint.size = status.st_size;
    fingerprint.modified = status.st_mtim;
    fingerprint.changed = status.st_ctim;
    return fingerprint;
}

Fingerprint absent(int error) {
    Fingerprint fingerprint;
    fingerprint.error = error;
    return fingerprint;
}

bool sameTime(const timespec& left, const timespec& right) {
    return left.tv_sec == right.tv_sec && left.tv_nsec == right.tv_nsec;
}

bool writeAll(int fd, const std::string& content) {
    const char* next = content.data();
    std::size_t left = content.size();
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

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = other.release();
    }
    return *this;
}

UniqueFd::~UniqueFd() {
    close();
}

int UniqueFd::release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
}

bool UniqueFd::close() {
    if (fd_ < 0) {
        return true;
    }
    // Linux releases the descriptor even when close reports EINTR: never retry.
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
}

bool Fingerprint::operator==(const Fingerprint& other) const {
    if (present != other.present) {
        return false;
    }
    if (!present) {
        return error == other.error;
    }
    return device == other.device && inode == other.inode && size == other.size &&
           sameTime(modified, other.modified) && sameTime(changed, other.changed);
}

Fingerprint fingerprintOf(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return absent(errno);
    }
    return fromStat(status);
}

Fingerprint fingerprintOf(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return absent(errno);
    }
    return fromStat(status);
}

bool readAll(int fd, std::size_t maxSize, std::string& content, std::string& error) {
    std::string text;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const ssize_t count = ::read(fd, buffer.data(), buffer.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            error = errnoText(errno);
            return false;
        }
        if (count == 0) {
            break;
        }
        if (text.size() + static_cast<std::size_t>(count) > maxSize) {
            error = "larger than " + std::to_string(maxSize) + " bytes";
            return false;
        }
        text.append(buffer.data(), static_cast<std::size_t>(count));
    }
    content = std::move(text);
    return true;
}

ExclusiveLock::ExclusiveLock(const std::string& lockPath) {
    // flock needs no write access, so a lock file made by another user serves too.
    UniqueFd fd(::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644));
    if (!fd.valid()) {
        error_ = "cannot open the lock file " + lockPath + ": " + errnoText(errno);
        return;
    }
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = "cannot lock " + lockPath + ": " + errnoText(errno);
            return;
        }
    }
    fd_ = std::move(fd);
}

bool replaceAtomically(const std::string& target, const std::string& content, std::string& error) {
    const std::string directory = directoryOf(target);
    std::string pattern = directory + "/." + fileNameOf(target) + ".XXXXXX";
    std::vector<char> temporaryName(pattern.begin(), pattern.end());
    temporaryName.push_back('\0');
    UniqueFd fd(::mkostemp(temporaryName.data(), O_CLOEXEC));
    if (!fd.valid()) {
        error = "cannot create a temporary file in " + directory + ": " + errnoText(errno);
        return false;
    }
    const std::string temporary(temporaryName.data());
    const auto fail = [&](const std::string& what) {
        error = what + ": " + errnoText(errno);
        fd.close();
        ::unlink(temporary.c_str());
        return false;
    };

    struct stat original {};
    if (::stat(target.c_str(), &original) == 0) {
        if (::fchmod(fd.get(), original.st_mode & 07777) != 0) {
            return fail("cannot set the mode of " + temporary);
        }
        if (::fchown(fd.get(), original.st_uid, original.st_gid) != 0) {
            // Only a privileged writer can hand the file back to another owner;
            // everyone else writes files of their own, which is fine.
            errno = 0;
        }
    } else if (::fchmod(fd.get(), 0644) != 0) {
        return fail("cannot set the mode of " + temporary);
    }
    if (!writeAll(fd.get(), content)) {
        return fail("cannot write " + temporary);
    }
    if (::fsync(fd.get()) != 0) {
        return fail("cannot sync " + temporary);
    }
    if (!fd.close()) {
        return fail("cannot close " + temporary);
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        return fail("cannot rename " + temporary + " to " + target);
    }
    UniqueFd directoryFd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!directoryFd.valid() || ::fsync(directoryFd.get()) != 0) {
        // The new content is in place; only its durability across a power
        // loss is in doubt, so the write stands and the caller is warned.
        error = "cannot sync the directory " + directory + ": " + errnoText(errno);
    }
    return true;
}

std::string resolvedPath(const std::string& path) {
    std::vector<char> resolved(PATH_MAX + 1, '\0');
    if (::realpath(path.c_str(), resolved.data()) == nullptr) {
        return path;
    }
    return std::string(resolved.data());
}

std::string errnoText(int error) {
    std::vector<char> buffer(256, '\0');
    // The GNU strerror_r may return a static string instead of filling buffer.
    const char* text = ::strerror_r(error, buffer.data(), buffer.size());
    return text ? std::string(text) : "error " + std::to_string(error);
}

}  // namespace Quill::FileAccess
