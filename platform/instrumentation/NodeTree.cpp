#include "instrumentation.h"

#include <algorithm>
#include <atomic>
#include <numeric>
#include <set>

namespace Quill {
namespace {

std::atomic<bool> nameIndexInUse{true};

// Deeper trees are refused rather than risking the stack on a hostile input.
constexpr std::size_t kMaxDepth = 64;

bool isUsableId(const std::string& id) {
    return !id.empty() && id.find('/') == std::string::npos;
}

}  // namespace

NodeLexicon::ValueKind valueKind(const PropertyValue& value) {
    if (std::holds_alternative<unsigned int>(value)) {
        return NodeLexicon::ValueKind::Number;
    }
    if (std::holds_alternative<std::vector<std::string>>(value)) {
        return NodeLexicon::ValueKind::List;
    }
    return NodeLexicon::ValueKind::Text;
}

namespace {

std::size_t countDefinitions(const std::vector<NodeTree::NodeDefinition>& definitions) {
    std::size_t count = definitions.size();
    for (const NodeTree::NodeDefinition& definition : definitions) {
        count += countDefinitions(definition.children);
    }
    return count;
}

}  // namespace

NodeTree NodeTree::build(const std::vector<NodeDefinition>& topLevel,
                         std::vector<std::string>* problems) {
    NodeTree tree;
    // Sized once: growing by doubling would hold the old nodes beside the
    // new ones, and leave up to half the room unused, on large servers.
    tree.nodes_.reserve(countDefinitions(topLevel));
    std::set<std::string> ids;
    for (const auto& definition : topLevel) {
        if (isUsableId(definition.id) && !ids.insert(definition.id).second) {
            if (problems) {
                problems->push_back("node /" + definition.id +
                                    ": the id is already used by an earlier sibling; left out");
            }
            continue;
        }
        tree.add(definition, "", problems);
    }
    tree.indexPaths();
    tree.indexNames();
    return tree;
}

// The Name as a text read of it gives it: a number reads as decimal, a list
// not at all.
void NodeTree::indexNames() {
    for (std::size_t position = 0; position < nodes_.size(); ++position) {
        const Node& node = nodes_[position];
        NameIndex& index = names_[node.type];
        const auto found = node.properties.find(NodeLexicon::Name);
        std::string name;
        if (found != node.properties.end() && std::holds_alternative<std::string>(found->second)) {
            name = std::get<std::string>(found->second);
        } else if (found != node.properties.end() &&
                   std::holds_alternative<unsigned int>(found->second)) {
            name = std::to_string(std::get<unsigned int>(found->second));
        } else {
            index.unreadable.push_back(position);
            continue;
        }
        const std::size_t underscore = name.find('_');
        if (underscore != std::string::npos) {
            index.byFirstToken[name.substr(0, underscore)].push_back(position);
        }
        if (name.find('%') != std::string::npos) {
            index.withPercent.push_back(position);
        }
        index.byName[std::move(name)].push_back(position);
    }
}

void useNameIndex(bool enabled) {
    nameIndexInUse = enabled;
}

std::size_t NodeTree::findCandidate(NodeLexicon::NodeType type, const NameQuery& query,
                                    std::size_t from) const {
    if (!nameIndexInUse) {
        return from;
    }
    const auto index = names_.find(type);
    if (index == names_.end()) {
        return npos;
    }
    std::size_t first = npos;
    const auto consider = [&](const std::vector<std::size_t>& positions) {
        const auto next = std::lower_bound(positions.begin(), positions.end(), from);
        if (next != positions.end() && *next < first) {
            first = *next;
        }
    };
    const auto considerKeyed = [&](const std::map<std::string, std::vector<std::size_t>>& keyed,
                                   const std::vector<std::string>& keys) {
        for (const std::string& key : keys) {
            const auto positions = keyed.find(key);
            if (positions != keyed.end()) {
                consider(positions->second);
            }
        }
    };
    considerKeyed(index->second.byName, query.names);
    considerKeyed(index->second.byFirstToken, query.firstTokens);
    if (query.anyWithPercent) {
        consider(index->second.withPercent);
    }
    consider(index->second.unreadable);
    return first;
}

void NodeTree::add(const NodeDefinition& definition, const std::string& parentPath,
                   std::vector<std::string>* problems) {
    const auto report = [problems](const std::string& text) {
        if (problems) {
            problems->push_back(text);
        }
    };
    if (!isUsableId(definition.id)) {
        report("a node below \"" + parentPath + "/\" has an empty id or one containing \"/\" (\"" +
               definition.id + "\"); left out with its children");
        return;
    }
    const std::string path = parentPath + "/" + definition.id;
    if (!NodeLexicon::nodeTypeName(definition.type)) {
        report("node " + path + ": unknown node type " + std::to_string(definition.type) +
               "; left out with its children");
        return;
    }
    const auto depth = static_cast<std::size_t>(std::count(path.begin(), path.end(), '/'));
    if (depth > kMaxDepth) {
        report("node " + path + ": nested deeper than " + std::to_string(kMaxDepth) +
               " levels; left out with its children");
        return;
    }

    Node node;
    node.type = definition.type;
    node.path = path;
    node.parentPath = parentPath;
    node.description = definition.description;
    node.readOnlyNote = definition.readOnlyNote;
    for (const auto& [property, value] : definition.properties) {
        const auto kind = NodeLexicon::propertyKind(property);
        if (!kind) {
            report("node " + path + ": unknown property " + std::to_string(property) +
                   "; left out");
        } else if (*kind != valueKind(value)) {
            report("node " + path + ": the value of " + *NodeLexicon::propertyName(property) +
                   " has the wrong kind; left out");
        } else {
            node.properties.emplace(property, value);
        }
    }
    for (const auto property : definition.readOnly) {
        if (NodeLexicon::propertyKind(property)) {
            node.readOnly.insert(property);
        } else {
            report("node " + path + ": unknown read-only property " + std::to_string(property) +
                   "; left out");
        }
    }
    nodes_.push_back(std::move(node));

    std::set<std::string> childIds;
    for (const auto& child : definition.children) {
        if (isUsableId(child.id) && !childIds.insert(child.id).second) {
            report("node " + path + "/" + child.id +
                   ": the id is already used by an earlier sibling; left out");
            continue;
        }
        add(child, path, problems);
    }
}

void NodeTree::indexPaths() {
    byPath_.resize(nodes_.size());
    std::iota(byPath_.begin(), byPath_.end(), std::size_t{0});
    std::sort(byPath_.begin(), byPath_.end(), [this](std::size_t left, std::size_t right) {
        return nodes_[left].path < nodes_[right].path;
    });
}

std::size_t NodeTree::find(const std::string& path) const {
    const auto found = std::lower_bound(byPath_.begin(), byPath_.end(), path,
                                        [this](std::size_t position, const std::string& wanted) {
                                            return nodes_[position].path < wanted;
                                        });
    return found != byPath_.end() && nodes_[*found].path == path ? *found : npos;
}

std::size_t NodeTree::findNext(NodeLexicon::NodeType type, std::size_t after) const {
    for (std::size_t position = (after == npos ? 0 : after + 1); position < nodes_.size();
         ++position) {
        if (nodes_[position].type == type) {
            return position;
        }
    }
    return npos;
}

}  // namespace Quill
