#include <fcntl.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <ostream>
#include <streambuf>
#include <mutex>
#include <utility>

#include "FileAccess.h"
#include "InstrumentationLog.h"
#include "SystemDescription.h"
#include "instrumentation.h"
#include "quillclient.h"

namespace Quill {
namespace {

using SystemDescription::Json;

// A description is a hand-written text of a few kilobytes; anything near this
// size is a mistake, not a server.
constexpr std::size_t kMaxFileSize = 64 * 1024 * 1024;
// Beyond this, one record says how many more problems the file has.
constexpr std::size_t kMaxProblemRecords = 20;

constexpr unsigned int kResetState = 9;

struct Loaded {
    NodeTree tree;
    std::map<std::string, std::string> sections;
    std::map<std::string, FileNodeStore::RebootRequests> rebootRequests;
};

std::atomic<unsigned long long> storeSerial{0};

}  // namespace

// What the SnapshotScopes of a thread share: the snapshot one store read,
// and the number of writes of this process it has seen.
struct SnapshotScope::Pin {
    unsigned long long store = 0;
    std::string path;
    unsigned long long writes = 0;
    std::shared_ptr<const Loaded> loaded;
};

namespace {

thread_local SnapshotScope::Pin* scopePin = nullptr;

void reportAll(const char* function, int line, const std::vector<std::string>& failures) {
    for (std::size_t index = 0; index < failures.size(); ++index) {
        if (index == kMaxProblemRecords) {
            InstrumentationLog::reportFailure(
                function, __FILE__, line,
                "... and " + std::to_string(failures.size() - index) + " more problems");
            return;
        }
        InstrumentationLog::reportFailure(function, __FILE__, line, failures[index]);
    }
}

std::string subject(const std::string& path) {
    return "System description " + path;
}

bool isReadOnly(const Json& node, const std::string& name) {
    const auto readOnly = node.find("readOnly");
    if (readOnly == node.end()) {
        return false;
    }
    for (const auto& entry : *readOnly) {
        if (entry == name) {
            return true;
        }
    }
    return false;
}

// One change of a batch, applied to the node's JSON; false refuses the batch.
bool applyChange(Json& node, const std::string& name, NodeLexicon::Properties property,
                 const PropertyValue& value) {
    if (isReadOnly(node, name)) {
        return false;
    }
    const bool restarts =
        property == NodeLexicon::EnabledState &&
        (node.at("type") == "ComputerSystem" || node.at("type") == "IPInterface") &&
        std::get<unsigned int>(value) == kResetState;
    if (restarts) {
        // Nothing here ever restarts the machine or resets an interface: the
        // request is kept for whoever administers it, the state stays.
        Json& requests = node["rebootRequests"];
        if (!requests.is_object()) {
            requests = Json::object();
        }
        const auto count = requests.value("count", 0ULL);
        requests["count"] = count + 1;
        requests["lastRequested"] = SystemDescription::utcNow();
        return true;
    }
    node["properties"][name] = SystemDescription::toJson(value);
    return true;
}

// Hands the serializer's output to a stream's buffer directly: the stream's
// own put and write would check its state on every character.
class StreamBufferOutput : public nlohmann::detail::output_adapter_protocol<char> {
  public:
    explicit StreamBufferOutput(std::streambuf& buffer) : buffer_(buffer) {}
    void write_character(char character) override {
        failed_ |= buffer_.sputc(character) == std::streambuf::traits_type::eof();
    }
    void write_characters(const char* text, std::size_t length) override {
        failed_ |= buffer_.sputn(text, static_cast<std::streamsize>(length)) !=
                   static_cast<std::streamsize>(length);
    }
    bool failed() const { return failed_; }

  private:
    std::streambuf& buffer_;
    bool failed_ = false;
};

// Writes the document as the file keeps it, indented by two; false when the
// stream would not take it all.
bool writeFileText(const Json& document, std::ostream& out) {
    const auto output = std::make_shared<StreamBufferOutput>(*out.rdbuf());
    nlohmann::detail::serializer<Json> writer(output, ' ');
    writer.dump(document, true, false, 2);
    output->write_character('\n');
    return !output->failed();
}

std::shared_ptr<const NodeTree> emptyTree() noexcept {
    try {
        return std::make_shared<const NodeTree>();
    } catch (...) {
        return nullptr;
    }
}

// Reads and interprets the file; failures lists what to report.
std::pair<std::shared_ptr<const Loaded>, FileAccess::Fingerprint> load(
    const std::string& path, const FileAccess::Fingerprint& seen,
    std::vector<std::string>& failures) {
    auto loaded = std::make_shared<Loaded>();
    if (!seen.present) {
        failures.push_back(seen.error == ENOENT
                               ? subject(path) + " does not exist; the node tree is empty"
                               : subject(path) + " cannot be examined (" +
                                     FileAccess::errnoText(seen.error) +
                                     "); the node tree is empty");
        return {loaded, seen};
    }
    FileAccess::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.valid()) {
        failures.push_back(subject(path) + " cannot be opened (" + FileAccess::errnoText(errno) +
                           "); the node tree is empty");
        return {loaded, seen};
    }
    // The version actually read, so a replacement after our stat is noticed.
    const FileAccess::Fingerprint fingerprint = FileAccess::fingerprintOf(fd.get());
    // Each stage is dropped once the next is built: at most two of the
    // document, the definitions and the tree are held at once, and the text
    // is parsed as it is read.
    Json document;
    std::string problem;
    std::string error;
    if (!SystemDescription::parseDocumentFrom(fd.get(), kMaxFileSize, document, problem, error)) {
        failures.push_back(subject(path) +
                           (error.empty() ? " " + problem : " cannot be read (" + error + ")") +
                           "; the node tree is empty");
        return {loaded, fingerprint};
    }
    SystemDescription::Contents contents = SystemDescription::interpret(document);
    Json().swap(document);
    std::vector<std::string> problems = std::move(contents.problems);
    loaded->tree = NodeTree::build(contents.topLevel, &problems);
    std::vector<NodeTree::NodeDefinition>().swap(contents.topLevel);
    loaded->sections = std::move(contents.sections);
    loaded->rebootRequests = std::move(contents.rebootRequests);
    for (const auto& text : problems) {
        failures.push_back(subject(path) + ": " + text +
                           (contents.usable ? "" : "; the node tree is empty"));
    }
    return {loaded, fingerprint};
}

}  // namespace

struct FileNodeStore::State {
    std::optional<std::string> fixedPath;

    std::mutex cacheMutex;
    std::string cachedPath;
    FileAccess::Fingerprint cachedFingerprint;
    std::shared_ptr<const Loaded> cached;

    // Writers of this process queue here before taking the file lock.
    std::mutex writeMutex;
    // Files replaced by this process; a scope's snapshot older than the last
    // one is read anew.
    std::atomic<unsigned long long> writes{0};
    const unsigned long long serial = ++storeSerial;

    std::string currentPath() const { return fixedPath ? *fixedPath : defaultPath(); }

    std::shared_ptr<const Loaded> loaded() {
        const std::string path = currentPath();
        SnapshotScope::Pin* const pin = scopePin;
        const unsigned long long written = writes.load();
        if (pin != nullptr && pin->loaded && pin->store == serial && pin->path == path &&
            pin->writes == written) {
            return pin->loaded;
        }
        const FileAccess::Fingerprint seen = FileAccess::fingerprintOf(path);
        std::vector<std::string> failures;
        std::shared_ptr<const Loaded> result;
        {
            const std::lock_guard<std::mutex> lock(cacheMutex);
            if (cached && path == cachedPath && seen == cachedFingerprint) {
                result = cached;
            } else {
                // The old version goes first: a big tree is not held twice
                // while the new one is built (readers keep what they took).
                cached.reset();
                auto [fresh, fingerprint] = load(path, seen, failures);
                cached = std::move(fresh);
                cachedPath = path;
                cachedFingerprint = fingerprint;
                result = cached;
            }
        }
        if (pin != nullptr) {
            pin->store = serial;
            pin->path = path;
            pin->writes = written;
            pin->loaded = result;
        }
        reportAll(__func__, __LINE__, failures);
        return result;
    }

    // Read-modify-write of the whole document under the file lock. change
    // edits the document and answers false to refuse; a refusal is the
    // caller's answer, not a failure, so it is not reported.
    bool modify(const std::string& what, const std::function<bool(Json&)>& change) {
        const std::lock_guard<std::mutex> processWriters(writeMutex);
        const std::string target = FileAccess::resolvedPath(currentPath());
        const auto refuse = [&](const std::string& why) {
            InstrumentationLog::reportFailure(__func__, __FILE__, __LINE__,
                                              subject(target) + ": cannot " + what + ": " + why);
            return false;
        };
        if (const auto existing = FileAccess::fingerprintOf(target); !existing.present) {
            return refuse(existing.error == ENOENT ? "the file does not exist"
                                                   : FileAccess::errnoText(existing.error));
        }
        const FileAccess::ExclusiveLock fileLock(target + ".lock");
        if (!fileLock.locked()) {
            return refuse(fileLock.error());
        }
        // Read again under the lock: whatever another writer kept is the base.
        Json document;
        std::string problem;
        std::string error;
        {
            const FileAccess::UniqueFd fd(::open(target.c_str(), O_RDONLY | O_CLOEXEC));
            if (!fd.valid()) {
                return refuse("the file cannot be read (" + FileAccess::errnoText(errno) + ")");
            }
            if (!SystemDescription::parseDocumentFrom(fd.get(), kMaxFileSize, document, problem,
                                                      error)) {
                return refuse(error.empty() ? "the file " + problem
                                            : "the file cannot be read (" + error + ")");
            }
        }
        if (!SystemDescription::interpret(document).usable) {
            return refuse("the file's structure is wrong (see the earlier records)");
        }
        // The compact text, not a copy of the document: a fraction of its size.
        std::string before = document.dump();
        if (!change(document)) {
            return false;
        }
        bool unchanged = false;
        try {
            unchanged = document.dump() == before;
        } catch (const Json::exception&) {
            // Text that cannot be written as JSON: the rewrite below says so.
        }
        if (unchanged) {
            return true;
        }
        std::string().swap(before);
        // Straight to the file: the text is as large as the file and need
        // not be held beside the document.
        try {
            if (!FileAccess::replaceAtomically(
                    target, [&document](std::ostream& out) { return writeFileText(document, out); },
                    error)) {
                return refuse(error);
            }
        } catch (const Json::exception& failure) {
            return refuse(std::string("the new content cannot be written as JSON: ") +
                          failure.what());
        }
        ++writes;
        if (!error.empty()) {
            InstrumentationLog::reportFailure(__func__, __FILE__, __LINE__,
                                              subject(target) + ": " + error);
        }
        return true;
    }
};

SnapshotScope::SnapshotScope() {
    if (scopePin == nullptr) {
        pin_ = std::make_unique<Pin>();
        scopePin = pin_.get();
    }
}

SnapshotScope::~SnapshotScope() {
    if (pin_ && scopePin == pin_.get()) {
        scopePin = nullptr;
    }
}

FileNodeStore::FileNodeStore() : state_(std::make_unique<State>()) {}

FileNodeStore::FileNodeStore(std::string path) : state_(std::make_unique<State>()) {
    state_->fixedPath = std::move(path);
}

FileNodeStore::~FileNodeStore() = default;

std::string FileNodeStore::path() const {
    try {
        return state_->currentPath();
    } catch (...) {
        return {};
    }
}

std::string FileNodeStore::defaultPath() {
    const char* explicitPath = std::getenv("OVX_SYSTEM_DESCRIPTION");
    if (explicitPath != nullptr && *explicitPath != '\0') {
        return explicitPath;
    }
    return PlatformUtilities::getKestrelDataDir() + "system.json";
}

std::shared_ptr<const NodeTree> FileNodeStore::snapshot() {
    try {
        auto loaded = state_->loaded();
        return std::shared_ptr<const NodeTree>(loaded, &loaded->tree);
    } catch (...) {
        return emptyTree();
    }
}

bool FileNodeStore::writeProperties(const std::string& path, const PropertyChanges& changes) {
    try {
        std::vector<std::string> names;
        for (const auto& [property, value] : changes) {
            const auto name = NodeLexicon::propertyName(property);
            const auto kind = NodeLexicon::propertyKind(property);
            if (!name || !kind || *kind != valueKind(value)) {
                return false;
            }
            names.push_back(*name);
        }
        std::string what = "write";
        for (const auto& name : names) {
            what += " " + name;
        }
        // Every change is applied to the document read under the lock; one
        // refusal abandons the document, so the file keeps all or none.
        return state_->modify(what + " of " + path, [&](Json& document) {
            Json* node = SystemDescription::locateNode(document, path);
            if (node == nullptr) {
                return false;
            }
            for (std::size_t index = 0; index < changes.size(); ++index) {
                if (!applyChange(*node, names[index], changes[index].first,
                                 changes[index].second)) {
                    return false;
                }
            }
            return true;
        });
    } catch (...) {
        return false;
    }
}

std::optional<std::string> FileNodeStore::readSection(const std::string& name) {
    try {
        const auto loaded = state_->loaded();
        const auto found = loaded->sections.find(name);
        if (found == loaded->sections.end()) {
            return std::nullopt;
        }
        return found->second;
    } catch (...) {
        return std::nullopt;
    }
}

std::shared_ptr<const std::string> FileNodeStore::sharedSection(const std::string& name) {
    try {
        const auto loaded = state_->loaded();
        const auto found = loaded->sections.find(name);
        if (found == loaded->sections.end()) {
            return nullptr;
        }
        return std::shared_ptr<const std::string>(loaded, &found->second);
    } catch (...) {
        return nullptr;
    }
}

bool FileNodeStore::updateSection(const std::string& name,
                                  const std::function<bool(std::string& jsonText)>& update) {
    try {
        if (!update) {
            return false;
        }
        return state_->modify("update section " + name, [&](Json& document) {
            auto sections = document.find("sections");
            const bool present = sections != document.end() && sections->contains(name);
            std::string text = present ? sections->at(name).dump() : std::string();
            bool accepted = false;
            try {
                accepted = update(text);
            } catch (...) {
                InstrumentationLog::reportFailure(
                    __func__, __FILE__, __LINE__,
                    "The update of section " + name + " failed with an exception; nothing written");
                return false;
            }
            if (!accepted) {
                return false;
            }
            if (text.empty()) {
                if (present) {
                    sections->erase(name);
                }
                return true;
            }
            Json value;
            std::string problem;
            if (!SystemDescription::parseDocument(text, value, problem)) {
                InstrumentationLog::reportFailure(
                    __func__, __FILE__, __LINE__,
                    "The new text of section " + name + " " + problem + "; nothing written");
                return false;
            }
            document["sections"][name] = std::move(value);
            return true;
        });
    } catch (...) {
        return false;
    }
}

std::optional<FileNodeStore::RebootRequests> FileNodeStore::rebootRequests(
    const std::string& nodePath) {
    try {
        const auto loaded = state_->loaded();
        const auto found = loaded->rebootRequests.find(nodePath);
        if (found == loaded->rebootRequests.end()) {
            return std::nullopt;
        }
        return found->second;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace Quill
