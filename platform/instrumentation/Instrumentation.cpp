#include <climits>
#include <utility>

#include "instrumentation.h"

namespace Quill {
namespace {

std::optional<unsigned int> numberFromText(const std::string& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    unsigned long long number = 0;
    for (const char digit : text) {
        if (digit < '0' || digit > '9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<unsigned>(digit - '0');
        if (number > UINT_MAX) {
            return std::nullopt;
        }
    }
    return static_cast<unsigned int>(number);
}

// The value as the given kind: numbers and texts of digits convert into each
// other, lists into nothing else.
std::optional<PropertyValue> convert(const PropertyValue& value, NodeLexicon::ValueKind kind) {
    const NodeLexicon::ValueKind from = valueKind(value);
    if (from == kind) {
        return value;
    }
    if (from == NodeLexicon::ValueKind::Number && kind == NodeLexicon::ValueKind::Text) {
        return PropertyValue(std::to_string(std::get<unsigned int>(value)));
    }
    if (from == NodeLexicon::ValueKind::Text && kind == NodeLexicon::ValueKind::Number) {
        if (const auto number = numberFromText(std::get<std::string>(value))) {
            return PropertyValue(*number);
        }
    }
    return std::nullopt;
}

template <typename Out>
bool readAs(const NodeTree::Node* node, NodeLexicon::Properties property,
            NodeLexicon::ValueKind kind, Out& out) {
    if (node == nullptr) {
        return false;
    }
    const auto found = node->properties.find(property);
    if (found == node->properties.end()) {
        return false;
    }
    auto converted = convert(found->second, kind);
    if (!converted) {
        return false;
    }
    out = std::get<Out>(std::move(*converted));
    return true;
}

}  // namespace

Instrumentation::Instrumentation() = default;
Instrumentation::Instrumentation(const Instrumentation& other) = default;
Instrumentation& Instrumentation::operator=(const Instrumentation& other) = default;
Instrumentation::Instrumentation(Instrumentation&& other) noexcept = default;
Instrumentation& Instrumentation::operator=(Instrumentation&& other) noexcept = default;
Instrumentation::~Instrumentation() = default;

bool Instrumentation::selectNode(NodeLexicon::NodeType type) {
    try {
        becomeIdle();
        store_ = currentNodeStore();
        tree_ = store_ ? store_->snapshot() : nullptr;
        position_ = tree_ ? tree_->findNext(type) : NodeTree::npos;
        if (position_ == NodeTree::npos) {
            becomeIdle();
            return false;
        }
        walkType_ = type;
        return true;
    } catch (...) {
        becomeIdle();
        return false;
    }
}

bool Instrumentation::selectNode(const std::string& path) {
    try {
        becomeIdle();
        store_ = currentNodeStore();
        tree_ = store_ ? store_->snapshot() : nullptr;
        position_ = tree_ ? tree_->find(path) : NodeTree::npos;
        if (position_ == NodeTree::npos) {
            becomeIdle();
            return false;
        }
        return true;
    } catch (...) {
        becomeIdle();
        return false;
    }
}

bool Instrumentation::selectNode(const std::string& path, const Instrumentation& other) {
    if (!other.tree_) {
        return selectNode(path);
    }
    try {
        // other may be this cursor.
        std::shared_ptr<NodeStore> store = other.store_;
        std::shared_ptr<const NodeTree> tree = other.tree_;
        becomeIdle();
        position_ = tree->find(path);
        if (position_ == NodeTree::npos) {
            return false;
        }
        store_ = std::move(store);
        tree_ = std::move(tree);
        return true;
    } catch (...) {
        becomeIdle();
        return false;
    }
}

Instrumentation::operator bool() const {
    return current() != nullptr;
}

bool Instrumentation::skipTo(const NameQuery& query) {
    if (current() == nullptr || !walkType_) {
        return false;
    }
    const std::size_t candidate = tree_->findCandidate(*walkType_, query, position_);
    if (candidate == position_) {
        return false;
    }
    position_ = candidate;
    if (position_ == NodeTree::npos) {
        becomeIdle();
    }
    return true;
}

Instrumentation& Instrumentation::operator++() {
    if (current() == nullptr || !walkType_) {
        becomeIdle();
        return *this;
    }
    position_ = tree_->findNext(*walkType_, position_);
    if (position_ == NodeTree::npos) {
        becomeIdle();
    }
    return *this;
}

bool Instrumentation::getProperty(NodeLexicon::Properties property, std::string& value) const {
    try {
        return readAs(current(), property, NodeLexicon::ValueKind::Text, value);
    } catch (...) {
        return false;
    }
}

bool Instrumentation::getProperty(NodeLexicon::Properties property, unsigned int& value) const {
    try {
        return readAs(current(), property, NodeLexicon::ValueKind::Number, value);
    } catch (...) {
        return false;
    }
}

bool Instrumentation::getProperty(NodeLexicon::Properties property,
                                  std::vector<std::string>& value) const {
    try {
        return readAs(current(), property, NodeLexicon::ValueKind::List, value);
    } catch (...) {
        return false;
    }
}

bool Instrumentation::setProperty(NodeLexicon::Properties property, std::string& value) {
    try {
        return setProperties({{property, PropertyValue(value)}});
    } catch (...) {
        return false;
    }
}

bool Instrumentation::setProperty(NodeLexicon::Properties property, unsigned int& value) {
    try {
        return setProperties({{property, PropertyValue(value)}});
    } catch (...) {
        return false;
    }
}

bool Instrumentation::setProperty(NodeLexicon::Properties property,
                                  std::vector<std::string> value) {
    try {
        return setProperties({{property, PropertyValue(std::move(value))}});
    } catch (...) {
        return false;
    }
}

bool Instrumentation::isPropertyReadOnly(NodeLexicon::Properties property, bool& readOnly) const {
    const NodeTree::Node* node = current();
    if (node == nullptr || !NodeLexicon::propertyKind(property)) {
        return false;
    }
    readOnly = node->readOnly.count(property) != 0;
    return true;
}

std::string Instrumentation::getPathToParentNode() const {
    try {
        const NodeTree::Node* node = current();
        return node ? node->parentPath : std::string();
    } catch (...) {
        return std::string();
    }
}

std::string Instrumentation::getNodeDescription() const {
    try {
        const NodeTree::Node* node = current();
        return node ? node->description : std::string();
    } catch (...) {
        return std::string();
    }
}

std::string Instrumentation::getReadOnlyNote() const {
    try {
        const NodeTree::Node* node = current();
        return node ? node->readOnlyNote : std::string();
    } catch (...) {
        return std::string();
    }
}

std::string Instrumentation::getNodePath() const {
    try {
        const NodeTree::Node* node = current();
        return node ? node->path : std::string();
    } catch (...) {
        return std::string();
    }
}

std::optional<NodeLexicon::NodeType> Instrumentation::getNodeType() const {
    const NodeTree::Node* node = current();
    return node ? std::optional<NodeLexicon::NodeType>(node->type) : std::nullopt;
}

const NodeTree::Node* Instrumentation::current() const {
    if (!tree_ || position_ >= tree_->size()) {
        return nullptr;
    }
    return &tree_->node(position_);
}

bool Instrumentation::setProperties(const PropertyChanges& changes) {
    try {
        const NodeTree::Node* node = current();
        if (node == nullptr || !store_) {
            return false;
        }
        PropertyChanges converted;
        converted.reserve(changes.size());
        for (const auto& [property, value] : changes) {
            const auto kind = NodeLexicon::propertyKind(property);
            auto fitting = kind ? convert(value, *kind) : std::nullopt;
            if (!fitting) {
                return false;
            }
            converted.emplace_back(property, std::move(*fitting));
        }
        const std::string path = node->path;
        if (!store_->writeProperties(path, converted)) {
            return false;
        }
        // Stand on the same node of the tree that holds our writes; should the
        // node have vanished meanwhile, keep walking the tree we had. The
        // writes stand either way.
        try {
            auto fresh = store_->snapshot();
            const std::size_t position = fresh ? fresh->find(path) : NodeTree::npos;
            if (position != NodeTree::npos) {
                tree_ = std::move(fresh);
                position_ = position;
            }
        } catch (...) {
        }
        return true;
    } catch (...) {
        return false;
    }
}

void Instrumentation::becomeIdle() {
    store_.reset();
    tree_.reset();
    position_ = NodeTree::npos;
    walkType_.reset();
}

}  // namespace Quill
