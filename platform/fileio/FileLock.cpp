#include "FileLock.h"

#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

namespace Quill::FileIo {

ExclusiveLock::ExclusiveLock(const std::string& lockPath) {
    // flock needs no write access, so a lock file made by another user serves too.
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error_ = "cannot open the lock file " + lockPath + ": " + errnoText(errno);
        return;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error_ = "cannot lock " + lockPath + ": " + errnoText(errno);
            ::close(fd);
            return;
        }
    }
    fd_ = fd;
}

ExclusiveLock::~ExclusiveLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

}  // namespace Quill::FileIo
