// An exclusive advisory lock shared by every writer of one file, in this
// process or another.
#pragma once

#include <string>

namespace Quill::FileIo {

// Holds flock(LOCK_EX) on a lock file, created if needed, while it lives.
// The system drops the lock when its holder dies, so a writer killed while
// holding it never blocks the next one.
class ExclusiveLock {
  public:
    explicit ExclusiveLock(const std::string& lockPath);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    bool locked() const { return fd_ >= 0; }
    const std::string& error() const { return error_; }

  private:
    int fd_ = -1;
    std::string error_;
};

}  // namespace Quill::FileIo
