#include "quillcommon.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace Quill {

namespace {

constexpr mode_t kNewFileMode = 0644;

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now, reporting what close() says: for a written file, a late
    // write error may surface only here.
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

bool writeAll(int fd, const std::string& data) {
    const char* next = data.data();
    std::size_t left = data.size();
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

// Where the content really lives: the target of a symbolic link, so that
// renaming over it replaces the file rather than the link.
std::string resolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
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

// Makes the rename itself durable; the new content is already on disk, so a
// failure here is not worth failing the save for.
void syncDirectory(const std::string& directory) {
    const FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.valid()) {
        ::fsync(fd.get());
    }
}

bool isWritableKey(const std::wstring& key) {
    return !key.empty() && key.front() != L'#' &&
           key.find_first_of(L"=\r\n") == std::wstring::npos &&
           key.find(L'\0') == std::wstring::npos;
}

bool isWritableValue(const std::wstring& value) {
    return value.find_first_of(L"\r\n") == std::wstring::npos &&
           value.find(L'\0') == std::wstring::npos;
}

// The key of a line, or nothing for comments and lines without '='.
bool lineKey(const std::string& line, std::string& key) {
    if (!line.empty() && line.front() == '#') {
        return false;
    }
    const auto equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    key.assign(line, 0, equals);
    return true;
}

}  // namespace

PropertyFile::PropertyFile(File::Path path) : path_(std::move(path)) {}

bool PropertyFile::open(int mode) {
    close();
    if (mode != ReadOnly && mode != ReadWrite) {
        return false;
    }
    if (!readLines(mode == ReadWrite)) {
        lines_.clear();
        return false;
    }
    mode_ = mode;
    return true;
}

bool PropertyFile::readLines(bool missingIsEmpty) {
    lines_.clear();
    if (path_.empty()) {
        return false;
    }
    // O_NONBLOCK keeps a FIFO at this path from hanging the caller.
    const FileDescriptor fd(::open(path_.native().c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (!fd.valid()) {
        return errno == ENOENT && missingIsEmpty;
    }
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<std::size_t>(status.st_size) > kMaxFileSize) {
        return false;
    }
    std::string data;
    char chunk[4096];
    for (;;) {
        const ssize_t count = ::read(fd.get(), chunk, sizeof chunk);
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        if (count == 0) {
            break;
        }
        data.append(chunk, static_cast<std::size_t>(count));
        // The file may have grown since fstat().
        if (data.size() > kMaxFileSize) {
            return false;
        }
    }
    std::size_t start = 0;
    while (start < data.size()) {
        auto end = data.find('\n', start);
        if (end == std::string::npos) {
            end = data.size();
        }
        Line line;
        line.text.assign(data, start, end - start);
        if (!line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.crlf = true;
        }
        lines_.push_back(std::move(line));
        start = end + 1;
    }
    return true;
}

const PropertyFile::Line* PropertyFile::findLine(const std::string& key) const {
    std::string lineKeyText;
    for (const Line& line : lines_) {
        if (lineKey(line.text, lineKeyText) && lineKeyText == key) {
            return &line;
        }
    }
    return nullptr;
}

bool PropertyFile::hasKey(const std::wstring& key) const {
    return isOpen() && !key.empty() && findLine(make_string(key)) != nullptr;
}

std::wstring PropertyFile::getValue(const std::wstring& key) const {
    if (!isOpen() || key.empty()) {
        return {};
    }
    const std::string narrowKey = make_string(key);
    const Line* const line = findLine(narrowKey);
    return line != nullptr ? make_wstring(line->text.substr(narrowKey.size() + 1)) : std::wstring();
}

bool PropertyFile::setValue(const std::wstring& key, const std::wstring& value) {
    if (mode_ != ReadWrite || !isWritableKey(key) || !isWritableValue(value)) {
        return false;
    }
    const std::string narrowKey = make_string(key);
    const std::string newText = narrowKey + "=" + make_string(value);
    bool replaced = false;
    std::string lineKeyText;
    // Every line of the key, so that a reader taking the last assignment (as a
    // shell sourcing the file does) sees the new value too.
    for (Line& line : lines_) {
        if (lineKey(line.text, lineKeyText) && lineKeyText == narrowKey) {
            line.text = newText;
            replaced = true;
        }
    }
    if (!replaced) {
        Line line;
        line.text = newText;
        line.crlf = !lines_.empty() && lines_.back().crlf;
        lines_.push_back(std::move(line));
    }
    return true;
}

std::string PropertyFile::content() const {
    std::string data;
    for (const Line& line : lines_) {
        data += line.text;
        data += line.crlf ? "\r\n" : "\n";
    }
    return data;
}

bool PropertyFile::save() {
    if (mode_ != ReadWrite) {
        return false;
    }
    const std::string target = resolveTarget(path_.native());
    const std::string directory = directoryOf(target);

    struct stat original {};
    const bool existed = ::stat(target.c_str(), &original) == 0;
    if (existed && !S_ISREG(original.st_mode)) {
        return false;
    }

    std::string pattern = directory + "/." + fileNameOf(target) + ".XXXXXX";
    FileDescriptor fd(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!fd.valid()) {
        return false;
    }
    TemporaryFile temporary(pattern);

    if (!writeAll(fd.get(), content())) {
        return false;
    }
    if (existed && (original.st_uid != ::geteuid() || original.st_gid != ::getegid())) {
        // Only a privileged process may hand the file back to its owner; an
        // unprivileged one that may rewrite the file keeps it as its own.
        if (::fchown(fd.get(), original.st_uid, original.st_gid) != 0) {
            errno = 0;
        }
    }
    // After fchown, which clears set-id bits.
    const mode_t mode = existed ? (original.st_mode & 07777) : kNewFileMode;
    if (::fchmod(fd.get(), mode) != 0) {
        return false;
    }
    if (::fsync(fd.get()) != 0 || !fd.close()) {
        return false;
    }
    if (!temporary.publishAs(target)) {
        return false;
    }
    syncDirectory(directory);
    return true;
}

void PropertyFile::close() noexcept {
    mode_ = 0;
    lines_.clear();
}

}  // namespace Quill
