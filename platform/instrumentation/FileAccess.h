// File primitives of the file-backed node store: change detection, locking,
// whole-file reads and atomic replacement.
#pragma once

#include "AtomicFile.h"
#include "FileLock.h"

#include <sys/types.h>

#include <ctime>
#include <string>

namespace Quill::FileAccess {

// Owns one open file descriptor.
class UniqueFd {
  public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    ~UniqueFd();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release();
    // Closes now and tells whether the close succeeded.
    bool close();

  private:
    int fd_ = -1;
};

// What tells one version of a file from another without reading it.
struct Fingerprint {
    bool present = false;
    int error = 0;  // errno of a failed stat or open
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    bool operator==(const Fingerprint& other) const;
    bool operator!=(const Fingerprint& other) const { return !(*this == other); }
};

Fingerprint fingerprintOf(const std::string& path);
Fingerprint fingerprintOf(int fd);

// Reads a whole open file of at most maxSize bytes; false with error set
// otherwise.
bool readAll(int fd, std::size_t maxSize, std::string& content, std::string& error);

using FileIo::ExclusiveLock;

// Shared with the other agent libraries that rewrite files.
using FileIo::replaceAtomically;

// The path with symbolic links resolved when it exists, else as given.
std::string resolvedPath(const std::string& path);

using FileIo::errnoText;

}  // namespace Quill::FileAccess
