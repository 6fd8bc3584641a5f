#include <cstdlib>
#include <mutex>
#include <utility>

#include "InstrumentationLog.h"
#include "instrumentation.h"

namespace Quill {
namespace {

struct Registry {
    std::mutex mutex;
    std::shared_ptr<NodeStore> store;
};

Registry& registry() {
    static Registry instance;
    return instance;
}

// Stands in for a backend that was named but does not exist: nothing to
// show, nothing to change, rather than another system's description.
class UnknownBackend : public NodeStore {
  public:
    std::shared_ptr<const NodeTree> snapshot() override {
        return std::make_shared<const NodeTree>();
    }
    bool writeProperties(const std::string&, const PropertyChanges&) override { return false; }
    std::optional<std::string> readSection(const std::string&) override { return std::nullopt; }
    bool updateSection(const std::string&, const std::function<bool(std::string&)>&) override {
        return false;
    }
};

std::shared_ptr<NodeStore> storeFromEnvironment() {
    const char* backend = std::getenv(LinuxNodeStore::kBackendVariable);
    const std::string name = backend != nullptr ? backend : "";
    if (name.empty() || name == "file") {
        return std::make_shared<FileNodeStore>();
    }
    if (name == LinuxNodeStore::kBackendName) {
        return std::make_shared<LinuxNodeStore>(LinuxNodeStore::optionsFromEnvironment());
    }
    InstrumentationLog::reportFailure(__func__, __FILE__, __LINE__,
                                      std::string(LinuxNodeStore::kBackendVariable) + "=\"" + name +
                                          "\" names no node store (\"file\" or \"" +
                                          LinuxNodeStore::kBackendName +
                                          "\"); the node tree is empty");
    return std::make_shared<UnknownBackend>();
}

}  // namespace

bool NodeStore::writeProperty(const std::string& path, NodeLexicon::Properties property,
                              const PropertyValue& value) {
    try {
        return writeProperties(path, PropertyChanges{{property, value}});
    } catch (...) {
        return false;
    }
}

std::shared_ptr<const std::string> NodeStore::sharedSection(const std::string& name) {
    std::optional<std::string> text = readSection(name);
    if (!text) {
        return nullptr;
    }
    return std::make_shared<const std::string>(std::move(*text));
}

void setNodeStore(std::shared_ptr<NodeStore> store) {
    Registry& current = registry();
    const std::lock_guard<std::mutex> lock(current.mutex);
    current.store = std::move(store);
}

std::shared_ptr<NodeStore> currentNodeStore() {
    Registry& current = registry();
    const std::lock_guard<std::mutex> lock(current.mutex);
    if (!current.store) {
        try {
            current.store = storeFromEnvironment();
        } catch (...) {
            return nullptr;
        }
    }
    return current.store;
}

}  // namespace Quill
