#include <mutex>

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

}  // namespace

bool NodeStore::writeProperty(const std::string& path, NodeLexicon::Properties property,
                              const PropertyValue& value) {
    try {
        return writeProperties(path, PropertyChanges{{property, value}});
    } catch (...) {
        return false;
    }
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
            current.store = std::make_shared<FileNodeStore>();
        } catch (...) {
            return nullptr;
        }
    }
    return current.store;
}

}  // namespace Quill
