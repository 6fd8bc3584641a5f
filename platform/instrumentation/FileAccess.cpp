#include "FileAccess.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
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

std::string resolvedPath(const std::string& path) {
    std::vector<char> resolved(PATH_MAX + 1, '\0');
    if (::realpath(path.c_str(), resolved.data()) == nullptr) {
        return path;
    }
    return std::string(resolved.data());
}

}  // namespace Quill::FileAccess
