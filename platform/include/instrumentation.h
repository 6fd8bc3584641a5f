// The agent's node-tree library: a tree of managed nodes (systems, service
// processors, LAN endpoints, IP interfaces) with typed properties, read and
// written through a copyable cursor. The tree comes from a node store; the
// default store is the system description file (docs/system-description.md).
//
// Nothing here throws to callers: failures answer false, empty or null.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <variant>
#include <vector>

namespace Quill {

namespace NodeLexicon {

enum NodeType : unsigned {
    LANEndpoint = 12,
    ServiceProcessor = 13,
    IPInterface = 29,
    ComputerSystem = 40,
};

enum Properties : unsigned {
    AddressOrigin = 24,
    IPv4Address = 25,
    SubnetMask = 26,
    IPv6Address = 27,
    IPv6AddressType = 28,
    ProtocolIFType = 47,
    DNSServers = 94,
    IPVersion = 96,
    HostName = 97,
    DomainName = 98,
    DNSSuffixes = 99,
    IPv4Gateway = 100,
    IPv6Gateway = 101,
    IPv6PrefixLength = 102,
    Name = 108,
    EnabledState = 123,
};

// What a property holds: text, an unsigned 32-bit number, or a list of texts.
enum class ValueKind { Text, Number, List };

// Names are the enumerator names above, compared case-sensitively. Values
// outside the lexicon have no name, and unknown names no value.
std::optional<std::string> nodeTypeName(NodeType type);
std::optional<NodeType> nodeTypeFromName(const std::string& name);
std::optional<std::string> propertyName(Properties property);
std::optional<Properties> propertyFromName(const std::string& name);
std::optional<ValueKind> propertyKind(Properties property);

// Every member of the lexicon, in ascending value order.
std::vector<NodeType> allNodeTypes();
std::vector<Properties> allProperties();

}  // namespace NodeLexicon

using PropertyValue = std::variant<std::string, unsigned int, std::vector<std::string>>;

// The kind a value has; a value is fit for a property when the kinds agree.
NodeLexicon::ValueKind valueKind(const PropertyValue& value);

// New values for several properties of one node, applied in order.
using PropertyChanges = std::vector<std::pair<NodeLexicon::Properties, PropertyValue>>;

// What a walk looks for by the Name property: the nodes whose Name reads as
// one of names, whose Name's part before its first "_" is one of firstTokens
// (only Names that have a "_"), or, with anyWithPercent, whose Name holds a "%".
struct NameQuery {
    std::vector<std::string> names;
    std::vector<std::string> firstTokens;
    bool anyWithPercent = false;
};

// Whether skipTo uses the index (the default). Off, it never moves the
// cursor, so that the walks step and test every node: for comparing answers.
void useNameIndex(bool enabled);

// An immutable tree of nodes, kept flat in depth-first pre-order. A node's
// path is "/" followed by the ids from the top-level node down, joined by "/".
class NodeTree {
  public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    struct NodeDefinition {
        NodeLexicon::NodeType type{};
        std::string id;  // non-empty, without "/", unique among its siblings
        std::string description;
        std::map<NodeLexicon::Properties, PropertyValue> properties;
        std::set<NodeLexicon::Properties> readOnly;
        std::string readOnlyNote;  // why readOnly holds what it does, when the store says
        std::vector<NodeDefinition> children;
    };

    struct Node {
        NodeLexicon::NodeType type{};
        std::string path;
        std::string parentPath;  // empty for a top-level node
        std::string description;
        std::map<NodeLexicon::Properties, PropertyValue> properties;
        std::set<NodeLexicon::Properties> readOnly;
        std::string readOnlyNote;
    };

    NodeTree() = default;

    // Builds a tree from nested definitions. A definition that breaks the rules
    // (unknown type, bad or repeated id) is left out with its subtree; an
    // unknown property or a value of the wrong kind is left out alone. Each
    // omission is described in problems when given.
    static NodeTree build(const std::vector<NodeDefinition>& topLevel,
                          std::vector<std::string>* problems = nullptr);

    std::size_t size() const { return nodes_.size(); }
    bool empty() const { return nodes_.empty(); }
    // position < size(), in tree order.
    const Node& node(std::size_t position) const { return nodes_[position]; }
    std::size_t find(const std::string& path) const;
    // The first node of type after position (npos: from the start), or npos.
    std::size_t findNext(NodeLexicon::NodeType type, std::size_t after = npos) const;
    // The first node of type at or after position that the query selects or
    // whose Name cannot be read as text (those may match anything), or npos.
    // Answered from an index of the Names built with the tree.
    std::size_t findCandidate(NodeLexicon::NodeType type, const NameQuery& query,
                              std::size_t from) const;

  private:
    struct NameIndex {
        std::map<std::string, std::vector<std::size_t>> byName;
        std::map<std::string, std::vector<std::size_t>> byFirstToken;
        std::vector<std::size_t> withPercent;
        std::vector<std::size_t> unreadable;
    };

    void add(const NodeDefinition& definition, const std::string& parentPath,
             std::vector<std::string>* problems);
    void indexPaths();
    void indexNames();

    std::vector<Node> nodes_;
    // Positions ordered by path: the paths are the nodes' own, not copies.
    std::vector<std::size_t> byPath_;
    std::map<NodeLexicon::NodeType, NameIndex> names_;
};

// Where the cursor gets its tree and sends its writes. Implementations are
// shared by many threads at once and must be safe for that.
class NodeStore {
  public:
    virtual ~NodeStore() = default;

    // The tree as it is now; never null. Cheap when nothing changed.
    virtual std::shared_ptr<const NodeTree> snapshot() = 0;

    // Sets several properties of the node at path, each to a value of the
    // property's kind, in one step: true once all of them are applied and
    // kept; false, with nothing changed, when any one is refused (a node that
    // does not exist, a read-only property, a value of the wrong kind) or the
    // store cannot be written. Readers see either none or all of them. An
    // empty batch changes nothing and answers true for an existing node.
    // EnabledState 9 written to a ComputerSystem is a restart request and to
    // an IPInterface a reset request; a store handles them in its own way
    // (the file store only records them and leaves the state as it was).
    virtual bool writeProperties(const std::string& path, const PropertyChanges& changes) = 0;

    // A batch of one.
    bool writeProperty(const std::string& path, NodeLexicon::Properties property,
                       const PropertyValue& value);

    // Free-form JSON data that other host-side components keep beside the
    // tree, by section name: the section's JSON text, or nothing when absent.
    virtual std::optional<std::string> readSection(const std::string& name) = 0;
    // The same text without a copy where the store can: a store that keeps
    // its sections with its snapshot hands out the text it holds, so that an
    // unchanged section reads as the same pointer. Null when absent.
    virtual std::shared_ptr<const std::string> sharedSection(const std::string& name);

    // Read-modify-write of one section, atomic with respect to every other
    // writer. update receives the current JSON text (empty when the section
    // does not exist) and changes it in place; it returns false to abandon the
    // change. Leaving the text empty removes the section. True once the result
    // is kept; false when update declines or throws, the result is not JSON,
    // or the store cannot be written. update runs under the store's write lock
    // and must not write to the store itself.
    virtual bool updateSection(const std::string& name,
                               const std::function<bool(std::string& jsonText)>& update) = 0;
};

// The process-wide store used by every cursor from its next selectNode on.
// Null restores the default, chosen from the environment at the next use:
// a LinuxNodeStore when OVX_BACKEND is "linux", a FileNodeStore following the
// environment when it is unset, empty or "file".
// currentNodeStore answers null only when memory runs out.
void setNodeStore(std::shared_ptr<NodeStore> store);
std::shared_ptr<NodeStore> currentNodeStore();

// While one lives on a thread, every file node store reads its file once for
// that thread: the snapshots taken meanwhile are the one first read, unless
// this process wrote the file since. A provider's request thereby sees one
// version of the tree and examines the file once, not at every cursor.
// Scopes nest; the outermost one ends the sharing.
class SnapshotScope {
  public:
    SnapshotScope();
    ~SnapshotScope();
    SnapshotScope(const SnapshotScope&) = delete;
    SnapshotScope& operator=(const SnapshotScope&) = delete;

    struct Pin;

  private:
    // The outermost scope's; its thread finds it through a plain pointer, as
    // a thread-local with a destructor would keep the library from unloading.
    std::unique_ptr<Pin> pin_;
};

// The node store kept in a system description file (JSON). Reads come from a
// parsed snapshot that is reloaded only when the file changes; writes lock the
// file, re-read it, apply the change and replace the file atomically.
class FileNodeStore : public NodeStore {
  public:
    // Follows the environment at every call: OVX_SYSTEM_DESCRIPTION when set
    // and not empty, else "system.json" in the agent's data directory.
    FileNodeStore();
    explicit FileNodeStore(std::string path);
    ~FileNodeStore() override;
    FileNodeStore(const FileNodeStore&) = delete;
    FileNodeStore& operator=(const FileNodeStore&) = delete;

    // The file this store reads now.
    std::string path() const;
    static std::string defaultPath();

    std::shared_ptr<const NodeTree> snapshot() override;
    using NodeStore::writeProperty;
    bool writeProperties(const std::string& path, const PropertyChanges& changes) override;
    std::optional<std::string> readSection(const std::string& name) override;
    std::shared_ptr<const std::string> sharedSection(const std::string& name) override;
    bool updateSection(const std::string& name,
                       const std::function<bool(std::string& jsonText)>& update) override;

    struct RebootRequests {
        unsigned long long count = 0;
        std::string lastRequested;  // UTC, "YYYY-MM-DDThh:mm:ssZ"
    };
    // The restart requests recorded on the ComputerSystem node at nodePath.
    std::optional<RebootRequests> rebootRequests(const std::string& nodePath);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The node store of the running Linux system, read over rtnetlink: one
// ComputerSystem (this machine), one LANEndpoint per link and below it one
// IPInterface when the link has an IPv4 or global IPv6 address or is a
// bridge (loopback links are left out). Nodes the kernel cannot show (a
// service processor, descriptions) come from an optional overlay file in the
// system description format. A snapshot is kept until the kernel reports a
// change or kMaxSnapshotAge passes. Writes reach the kernel only when
// allowChanges is set; the rest of the tree stays read-only, and restart and
// reset requests are only recorded.
class LinuxNodeStore : public NodeStore {
  public:
    struct Options {
        bool allowChanges = false;
        std::string overlayPath;  // empty: no overlay
        // When false, an overlay file that does not exist means no overlay.
        bool overlayRequired = false;
        std::string resolverConfiguration = "/etc/resolv.conf";
    };

    // The variables that configure the store, and the value of the first
    // that allows changes.
    static constexpr const char* kBackendVariable = "OVX_BACKEND";
    static constexpr const char* kBackendName = "linux";
    static constexpr const char* kAllowChangesVariable = "OVX_LIVE_CHANGES";
    static constexpr const char* kOverlayVariable = "OVX_OVERLAY";
    static constexpr long kMaxSnapshotAgeMs = 2000;

    // OVX_LIVE_CHANGES "yes" (or "1", "true") allows changes; OVX_OVERLAY
    // names the overlay, else "overlay.json" in the agent data directory is
    // used when it exists.
    static Options optionsFromEnvironment();

    explicit LinuxNodeStore(Options options);
    ~LinuxNodeStore() override;
    LinuxNodeStore(const LinuxNodeStore&) = delete;
    LinuxNodeStore& operator=(const LinuxNodeStore&) = delete;

    std::shared_ptr<const NodeTree> snapshot() override;
    using NodeStore::writeProperty;
    bool writeProperties(const std::string& path, const PropertyChanges& changes) override;
    // The overlay's sections; the live MAC addresses of the links are added
    // to the "networkSettings" section. Updates go to the overlay file.
    std::optional<std::string> readSection(const std::string& name) override;
    bool updateSection(const std::string& name,
                       const std::function<bool(std::string& jsonText)>& update) override;

    // The restart or reset requests made on a node of the running system
    // since this store was created.
    std::optional<FileNodeStore::RebootRequests> rebootRequests(const std::string& nodePath);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// A cursor on one node of the current store's tree. Idle until a selectNode
// succeeds. Copies walk on independently. A cursor reads the tree it took at
// selectNode, so a walk sees one consistent tree; only its own successful
// writes move it to the newer tree that holds them.
class Instrumentation {
  public:
    Instrumentation();
    Instrumentation(const Instrumentation& other);
    Instrumentation& operator=(const Instrumentation& other);
    Instrumentation(Instrumentation&& other) noexcept;
    Instrumentation& operator=(Instrumentation&& other) noexcept;
    ~Instrumentation();

    // Stands on the first node of type in tree order; operator++ then moves
    // to the following ones. Calling it again restarts the walk.
    bool selectNode(NodeLexicon::NodeType type);
    // Stands on the node at path; operator++ then makes the cursor idle.
    bool selectNode(const std::string& path);
    // The same in the tree that other reads (the store's current tree when
    // other is idle), so that related nodes are read from one tree and a
    // walk pays for no new snapshot per element.
    bool selectNode(const std::string& path, const Instrumentation& other);

    explicit operator bool() const;
    Instrumentation& operator++();
    // Moves a walk by type on to the first node, from the current one on,
    // that the query selects or whose Name cannot be read as text: where
    // operator++ would arrive by testing the Name of every node, without
    // visiting the others. True when the cursor moved (it may have become
    // idle); false when it stays, also on a cursor selected by path.
    bool skipTo(const NameQuery& query);

    // False (out untouched) when idle, when the node lacks the property, or
    // when the value does not convert: a number reads as decimal text; a text
    // reads as a number only when it is all decimal digits and fits; lists
    // convert to nothing else.
    bool getProperty(NodeLexicon::Properties property, std::string& value) const;
    bool getProperty(NodeLexicon::Properties property, unsigned int& value) const;
    bool getProperty(NodeLexicon::Properties property, std::vector<std::string>& value) const;

    // True when applied and kept. The value is converted to the property's
    // kind by the rules of getProperty; a value that does not convert, a
    // read-only property and an idle cursor answer false.
    bool setProperty(NodeLexicon::Properties property, std::string& value);
    bool setProperty(NodeLexicon::Properties property, unsigned int& value);
    bool setProperty(NodeLexicon::Properties property, std::vector<std::string> value);
    // Several properties of the current node at once, all or none: a value
    // that does not convert, a read-only property or an idle cursor refuses
    // the whole batch and nothing is written.
    bool setProperties(const PropertyChanges& changes);

    // True when the cursor stands on a node and the property is in the
    // lexicon; readOnly then tells whether writes are refused.
    bool isPropertyReadOnly(NodeLexicon::Properties property, bool& readOnly) const;

    // Empty when idle; the parent path is also empty for a top-level node.
    std::string getPathToParentNode() const;
    std::string getNodeDescription() const;
    // Why the current node's read-only properties refuse writes, when its
    // store tells (the setting that would allow them); empty otherwise.
    std::string getReadOnlyNote() const;
    std::string getNodePath() const;
    std::optional<NodeLexicon::NodeType> getNodeType() const;

  private:
    const NodeTree::Node* current() const;
    void becomeIdle();

    std::shared_ptr<NodeStore> store_;
    std::shared_ptr<const NodeTree> tree_;
    std::size_t position_ = NodeTree::npos;
    std::optional<NodeLexicon::NodeType> walkType_;
};

}  // namespace Quill
