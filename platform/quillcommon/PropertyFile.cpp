#include "quillcommon.h"

#include "AtomicFile.h"
#include "FileLock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

namespace Quill {

namespace {

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

  private:
    int fd_;
};

// Where the content really lives: the target of a symbolic link, so that
// renaming over it replaces the file rather than the link.
std::string resolveTarget(const std::string& path) {
    char resolved[PATH_MAX];
    return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
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
    if (path_.empty()) {
        return false;
    }
    if (mode == ReadWrite) {
        auto lock =
            std::make_shared<FileIo::ExclusiveLock>(resolveTarget(path_.native()) + ".lock");
        if (!lock->locked()) {
            return false;
        }
        writeLock_ = std::move(lock);
    }
    if (!readLines(mode == ReadWrite)) {
        writeLock_.reset();
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
    std::string error;
    return save(error);
}

bool PropertyFile::save(std::string& error) {
    if (mode_ != ReadWrite) {
        error = path_.native() + " is not open for writing";
        return false;
    }
    const std::string target = resolveTarget(path_.native());
    // Renaming over a FIFO or device would swap it for a plain file.
    struct stat original {};
    if (::stat(target.c_str(), &original) == 0 && !S_ISREG(original.st_mode)) {
        error = target + " is not a regular file";
        return false;
    }
    // A directory that cannot be synced after the rename still holds the
    // new content; that is a success.
    std::string warning;
    if (FileIo::replaceAtomically(target, content(), warning)) {
        return true;
    }
    error = warning;
    return false;
}

void PropertyFile::close() noexcept {
    mode_ = 0;
    lines_.clear();
    writeLock_.reset();
}

}  // namespace Quill
