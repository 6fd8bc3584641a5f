// The agent's common library: text conversion, file paths and key=value
// property files such as the per-interface ifcfg files.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace Quill {

// UTF-8 to wide text and back. A byte that is not part of valid UTF-8 becomes
// one of U+DC80..U+DCFF and turns back into the same byte, so that
// make_string(make_wstring(text)) == text for any bytes at all. Wide
// characters that are no Unicode scalar value (other lone surrogates, values
// beyond U+10FFFF) are written as U+FFFD.
std::wstring make_wstring(const std::string& text);
std::string make_string(const std::wstring& text);

namespace File {

// A file system path, held in the system's narrow (UTF-8) form.
class Path {
  public:
    Path() = default;
    explicit Path(std::string path) : path_(std::move(path)) {}
    explicit Path(const char* path) : path_(path != nullptr ? path : "") {}
    explicit Path(const std::wstring& path) : path_(make_string(path)) {}
    explicit Path(const wchar_t* path)
        : path_(path != nullptr ? make_string(std::wstring(path)) : std::string()) {}

    const std::string& native() const noexcept { return path_; }
    const std::string& string() const noexcept { return path_; }
    std::wstring wstring() const { return make_wstring(path_); }
    bool empty() const noexcept { return path_.empty(); }

  private:
    std::string path_;
};

// Whether anything exists at the path (symbolic links are followed).
bool exists(const Path& path);
bool exists(const std::wstring& path);
bool exists(const std::string& path);

}  // namespace File

// A text file of "key=value" lines, kept whole in memory between open() and
// close(). The key is the text before the first '=', compared exactly; the
// value is everything after it, kept verbatim except for the line end ("\n"
// or "\r\n"). Lines starting with '#', blank lines and lines without '=' are
// kept as they are and never match a key.
//
// Note for callers: `PropertyFile file(File::Path(name));` declares a
// function; write `PropertyFile file{File::Path(name)};` instead.
class PropertyFile {
  public:
    // Modes of open().
    static constexpr int ReadOnly = 1;
    // Allows setValue() and save(); a file that does not exist yet opens empty
    // and is created by save().
    static constexpr int ReadWrite = 2;

    // Files beyond this size are refused rather than read into memory.
    static constexpr std::size_t kMaxFileSize = 1024 * 1024;

    explicit PropertyFile(File::Path path);

    const File::Path& path() const noexcept { return path_; }

    // Reads the file; false when the mode is unknown, the file cannot be read,
    // is not a regular file, or is larger than kMaxFileSize (in ReadOnly mode
    // also when it does not exist). Opening again reads the file anew and
    // drops unsaved changes. ReadWrite first takes the file's write lock (an
    // flock on "<file>.lock" beside it), held until close(), the next open()
    // or destruction, so that writers in any thread or process take turns and
    // none loses what another saved; a writer that dies drops it. Copies
    // share the hold.
    bool open(int mode);
    bool isOpen() const noexcept { return mode_ != 0; }

    bool hasKey(const std::wstring& key) const;
    // The value of the first line with this key; empty when there is none
    // (use hasKey to tell an empty value from a missing key).
    std::wstring getValue(const std::wstring& key) const;

    // Rewrites every line of the key in place, or appends one when there is
    // none; in memory only until save(). False (and nothing changed) when the
    // file is not open for writing, or when the key is empty, starts with '#',
    // or holds '=', a line break or NUL, or the value holds a line break or NUL.
    bool setValue(const std::wstring& key, const std::wstring& value);

    // Replaces the file atomically: a temporary file in the same directory is
    // written, flushed to disk, given the original's permissions (0644 for a
    // new file) and renamed over it, so readers see either the old or the new
    // content, never a mix. A symbolic link is kept and its target replaced.
    // False, with the file untouched, on any failure or when not open for
    // writing.
    bool save();
    // The same, saying why it failed.
    bool save(std::string& error);

    // Forgets the content; unsaved changes are dropped.
    void close() noexcept;

  private:
    struct Line {
        std::string text;  // without line end
        bool crlf = false;
    };

    bool readLines(bool missingIsEmpty);
    std::string content() const;
    const Line* findLine(const std::string& key) const;

    File::Path path_;
    int mode_ = 0;
    std::vector<Line> lines_;
    std::shared_ptr<void> writeLock_;
};

}  // namespace Quill
