#include <arpa/inet.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <tuple>
#include <map>
#include <mutex>
#include <set>
#include <sstream>

#include "InstrumentationLog.h"
#include "LinuxNetwork.h"
#include "SystemDescription.h"
#include "instrumentation.h"
#include "quillclient.h"

namespace Quill {
namespace {

using Clock = std::chrono::steady_clock;
using Definition = NodeTree::NodeDefinition;
using LinuxNetwork::Link;
namespace Lexicon = NodeLexicon;

constexpr const char* kSystemId = "host";
constexpr const char* kInterfaceId = "ip";
constexpr const char* kBridgeDescription = "Bridge";
constexpr const char* kSettingsSection = "networkSettings";
constexpr const char* kMacMember = "MACAddresses";

// Node codes: enabled, disabled (and its other form), restart or reset.
constexpr unsigned int kEnabled = 1;
constexpr unsigned int kDisabled = 12;
constexpr unsigned int kDisabledToo = 16;
constexpr unsigned int kReset = 9;
// AddressOrigin codes.
constexpr unsigned int kDhcp = 1;
constexpr unsigned int kStatic = 3;
constexpr unsigned int kAutoConfigured = 4;
// ProtocolIFType and IPVersion by the families an interface has.
constexpr unsigned int kIPv4Type = 4096;
constexpr unsigned int kIPv6Type = 4097;
constexpr unsigned int kBothType = 4098;

// What a change may set on an interface; systems and ports take only a state.
const std::set<Lexicon::Properties> kInterfaceWritable = {
    Lexicon::IPv4Address, Lexicon::SubnetMask,   Lexicon::IPv4Gateway,
    Lexicon::IPv6Gateway, Lexicon::EnabledState, Lexicon::AddressOrigin,
};
const std::set<Lexicon::Properties> kStateWritable = {Lexicon::EnabledState};

std::string refusalNote() {
    return std::string("live changes are not allowed; the administrator allows them by setting ") +
           LinuxNodeStore::kAllowChangesVariable + "=yes for the CIM server";
}

bool truthy(const char* value) {
    if (value == nullptr) {
        return false;
    }
    const std::string text(value);
    return text == "yes" || text == "1" || text == "true";
}

struct Resolver {
    std::vector<std::string> servers;
    std::vector<std::string> suffixes;
    std::string domain;
};

// The resolver's servers, search list and domain; a missing file means none.
Resolver readResolver(const std::string& path) {
    Resolver resolver;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        std::vector<std::string> values;
        for (std::string word; words >> word && word[0] != '#' && word[0] != ';';) {
            values.push_back(word);
        }
        if (keyword == "nameserver" && !values.empty()) {
            resolver.servers.push_back(values.front());
        } else if (keyword == "search") {
            // The last of "search" and "domain" wins, as the resolver reads them.
            resolver.suffixes = values;
            resolver.domain.clear();
        } else if (keyword == "domain" && !values.empty()) {
            resolver.domain = values.front();
            resolver.suffixes = {values.front()};
        }
    }
    return resolver;
}

std::string interfaceDescription(const Link& link) {
    if (link.kind == "bridge") {
        return kBridgeDescription;
    }
    return link.kind.empty() ? "Network interface" : link.kind + " interface";
}

void makeReadOnly(Definition& node, bool allowChanges) {
    const auto& writable = node.type == Lexicon::IPInterface ? kInterfaceWritable : kStateWritable;
    for (const auto property : Lexicon::allProperties()) {
        if (!allowChanges || writable.count(property) == 0) {
            node.readOnly.insert(property);
        }
    }
    if (!allowChanges) {
        node.readOnlyNote = refusalNote();
    }
}

Definition interfaceNode(const Link& link, const std::string& hostName, const Resolver& resolver,
                         bool allowChanges) {
    Definition node;
    node.type = Lexicon::IPInterface;
    node.id = kInterfaceId;
    node.description = interfaceDescription(link);
    auto& properties = node.properties;
    properties[Lexicon::Name] = link.name;
    properties[Lexicon::EnabledState] = link.up ? kEnabled : kDisabled;
    if (link.ipv4) {
        properties[Lexicon::IPv4Address] = link.ipv4->text;
        properties[Lexicon::SubnetMask] = LinuxNetwork::maskFromPrefix(link.ipv4->prefixLength);
        properties[Lexicon::AddressOrigin] = link.ipv4->permanent ? kStatic : kDhcp;
    }
    if (link.ipv6) {
        in6_addr binary{};
        inet_pton(AF_INET6, link.ipv6->text.c_str(), &binary);
        properties[Lexicon::IPv6Address] = link.ipv6->text;
        properties[Lexicon::IPv6PrefixLength] = link.ipv6->prefixLength;
        properties[Lexicon::IPv6AddressType] = LinuxNetwork::ipv6AddressType(binary);
        properties.emplace(Lexicon::AddressOrigin,
                           link.ipv6->permanent ? kStatic : kAutoConfigured);
    }
    if (link.ipv4 || link.ipv6) {
        const unsigned int version = (link.ipv4 ? 1U : 0U) | (link.ipv6 ? 2U : 0U);
        properties[Lexicon::IPVersion] = version;
        properties[Lexicon::ProtocolIFType] = version == 1   ? kIPv4Type
                                              : version == 2 ? kIPv6Type
                                                             : kBothType;
    }
    if (!link.ipv4Gateway.empty()) {
        properties[Lexicon::IPv4Gateway] = link.ipv4Gateway;
    }
    if (!link.ipv6Gateway.empty()) {
        properties[Lexicon::IPv6Gateway] = link.ipv6Gateway;
    }
    const auto dot = hostName.find('.');
    if (!hostName.empty()) {
        properties[Lexicon::HostName] = hostName.substr(0, dot);
    }
    std::string domain = resolver.domain;
    if (domain.empty() && dot != std::string::npos) {
        domain = hostName.substr(dot + 1);
    }
    if (domain.empty() && !resolver.suffixes.empty()) {
        domain = resolver.suffixes.front();
    }
    if (!domain.empty()) {
        properties[Lexicon::DomainName] = domain;
    }
    properties[Lexicon::DNSServers] = resolver.servers;
    properties[Lexicon::DNSSuffixes] = resolver.suffixes;
    makeReadOnly(node, allowChanges);
    return node;
}

Definition liveSystem(const std::vector<Link>& links, const std::string& hostName,
                      const Resolver& resolver, bool allowChanges) {
    Definition system;
    system.type = Lexicon::ComputerSystem;
    system.id = kSystemId;
    system.description = "Host system";
    if (!hostName.empty()) {
        system.properties[Lexicon::Name] = hostName;
    }
    system.properties[Lexicon::EnabledState] = kEnabled;
    makeReadOnly(system, allowChanges);
    for (const Link& link : links) {
        if (link.loopback || link.name.empty() || link.name.find('/') != std::string::npos) {
            continue;
        }
        Definition port;
        port.type = Lexicon::LANEndpoint;
        port.id = link.name;
        port.description = interfaceDescription(link);
        port.properties[Lexicon::Name] = link.name;
        port.properties[Lexicon::EnabledState] = link.up ? kEnabled : kDisabled;
        makeReadOnly(port, allowChanges);
        if (link.ipv4 || link.ipv6 || link.kind == "bridge") {
            port.children.push_back(interfaceNode(link, hostName, resolver, allowChanges));
        }
        system.children.push_back(std::move(port));
    }
    return system;
}

// The overlay's nodes as definitions again; a tree is kept in pre-order, so
// every node's children follow it directly.
void collect(const NodeTree& tree, std::size_t& position, const std::string& parentPath,
             std::vector<Definition>& into) {
    while (position < tree.size() && tree.node(position).parentPath == parentPath) {
        const NodeTree::Node& node = tree.node(position++);
        Definition definition;
        definition.type = node.type;
        definition.id = node.path.substr(node.path.rfind('/') + 1);
        definition.description = node.description;
        definition.properties = node.properties;
        definition.readOnly = node.readOnly;
        definition.readOnlyNote = node.readOnlyNote;
        collect(tree, position, node.path, definition.children);
        into.push_back(std::move(definition));
    }
}

// What the kernel reports wins; the overlay adds nodes, properties the kernel
// does not know, descriptions (a bridge stays "Bridge", which refusals rely
// on) and read-only marks.
void merge(std::vector<Definition>& live, std::vector<Definition>& overlay) {
    for (Definition& added : overlay) {
        auto same = std::find_if(live.begin(), live.end(), [&](const Definition& node) {
            return node.id == added.id && node.type == added.type;
        });
        if (same == live.end()) {
            live.push_back(std::move(added));
            continue;
        }
        if (!added.description.empty() && same->description != kBridgeDescription) {
            same->description = added.description;
        }
        same->properties.insert(added.properties.begin(), added.properties.end());
        same->readOnly.insert(added.readOnly.begin(), added.readOnly.end());
        merge(same->children, added.children);
    }
}

void livePaths(const Definition& node, const std::string& parent, std::set<std::string>& into) {
    const std::string path = parent + "/" + node.id;
    into.insert(path);
    for (const Definition& child : node.children) {
        livePaths(child, path, into);
    }
}

bool fileExists(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0;
}

void refuse(const std::string& path, const std::string& why) {
    InstrumentationLog::reportFailure(__func__, __FILE__, __LINE__,
                                      "The change of " + path + " was refused: " + why);
}

// A planned change of one link; unset members stay as they are.
struct LinkPlan {
    std::optional<bool> up;
    std::optional<std::string> address;
    std::optional<unsigned int> prefixLength;
    std::optional<std::string> gateway4;
    std::optional<std::string> gateway6;
    bool originStatic = false;
    bool reset = false;
};

}  // namespace

struct LinuxNodeStore::State {
    Options options;
    std::mutex mutex;
    std::unique_ptr<LinuxNetwork::Connection> connection;
    std::unique_ptr<LinuxNetwork::Monitor> monitor;
    std::unique_ptr<FileNodeStore> overlay;

    std::vector<Link> links;
    bool fresh = false;
    Clock::time_point takenAt;
    std::string lastFailure;

    std::shared_ptr<const NodeTree> tree;
    // Held, not just its address: a new overlay tree built after the old one
    // is freed may land at the same address and pass for it.
    std::shared_ptr<const NodeTree> overlayUsed;
    std::set<std::string> live;
    std::map<std::string, FileNodeStore::RebootRequests> requests;

    FileNodeStore* currentOverlay() {
        if (!overlay || (!options.overlayRequired && !fileExists(options.overlayPath))) {
            return nullptr;
        }
        return overlay.get();
    }

    LinuxNetwork::Connection& kernel() {
        if (!connection) {
            connection = std::make_unique<LinuxNetwork::Connection>();
        }
        return *connection;
    }

    // Asks the kernel again when it reported a change, when the snapshot is
    // old, or when forced; a failure keeps what was known and is reported
    // once until it changes.
    void refresh(bool force) {
        if (!monitor) {
            monitor = std::make_unique<LinuxNetwork::Monitor>();
            if (!monitor->usable()) {
                InstrumentationLog::reportFailure(
                    __func__, __FILE__, __LINE__,
                    "Kernel change notifications cannot be received; the network is read again "
                    "at most every " +
                        std::to_string(kMaxSnapshotAgeMs) + " ms");
            }
        }
        const bool notified = monitor->changed();
        const bool old = Clock::now() - takenAt > std::chrono::milliseconds(kMaxSnapshotAgeMs);
        if (fresh && !notified && !old && !force) {
            return;
        }
        try {
            links = kernel().links();
            lastFailure.clear();
        } catch (const std::exception& failure) {
            connection.reset();
            if (lastFailure != failure.what()) {
                lastFailure = failure.what();
                InstrumentationLog::reportFailure(
                    __func__, __FILE__, __LINE__,
                    std::string("The running system: ") + failure.what());
            }
        }
        takenAt = Clock::now();
        fresh = false;
    }

    std::shared_ptr<const NodeTree> current(bool force) {
        refresh(force);
        FileNodeStore* file = currentOverlay();
        const auto overlayTree = file != nullptr ? file->snapshot() : nullptr;
        if (tree && fresh && overlayTree == overlayUsed) {
            return tree;
        }
        const Resolver resolver = readResolver(options.resolverConfiguration);
        std::vector<Definition> topLevel{
            liveSystem(links, SystemDescription::thisHostName(), resolver, options.allowChanges)};
        live.clear();
        livePaths(topLevel.front(), "", live);
        if (overlayTree) {
            std::vector<Definition> added;
            std::size_t position = 0;
            collect(*overlayTree, position, "", added);
            merge(topLevel, added);
        }
        tree = std::make_shared<const NodeTree>(NodeTree::build(topLevel));
        overlayUsed = overlayTree;
        fresh = true;
        return tree;
    }

    const Link* linkNamed(const std::string& name) const {
        for (const Link& link : links) {
            if (link.name == name) {
                return &link;
            }
        }
        return nullptr;
    }

    void record(const std::string& path, const char* what) {
        auto& entry = requests[path];
        ++entry.count;
        entry.lastRequested = SystemDescription::utcNow();
        InstrumentationLog::reportFailure(__func__, __FILE__, __LINE__,
                                          std::string("A ") + what + " of " + path +
                                              " was requested and recorded; nothing was " +
                                              "restarted");
    }

    bool writeLive(const std::string& path, const NodeTree::Node& node,
                   const PropertyChanges& changes);
    bool carryOut(const std::string& path, Link before, const LinkPlan& plan);
};

bool LinuxNodeStore::State::writeLive(const std::string& path, const NodeTree::Node& node,
                                      const PropertyChanges& changes) {
    if (!options.allowChanges) {
        refuse(path, refusalNote());
        return false;
    }
    LinkPlan plan;
    const Link* link = nullptr;
    if (node.type != Lexicon::ComputerSystem) {
        // /host/<link> or /host/<link>/ip
        const std::string rest = path.substr(std::string("/").append(kSystemId).size() + 1);
        link = linkNamed(rest.substr(0, rest.find('/')));
        if (link == nullptr) {
            refuse(path, "the link no longer exists");
            return false;
        }
    }
    bool restart = false;
    for (const auto& [property, value] : changes) {
        const std::string name = *Lexicon::propertyName(property);
        // A whole configuration may be written back with parts that are not
        // changed here (DNS, names); those agree with the system already.
        const auto present = node.properties.find(property);
        if (present != node.properties.end() && present->second == value &&
            property != Lexicon::EnabledState) {
            continue;
        }
        if (node.readOnly.count(property) != 0) {
            refuse(path, name + " is read-only");
            return false;
        }
        const auto* text = std::get_if<std::string>(&value);
        const auto* number = std::get_if<unsigned int>(&value);
        if (property == Lexicon::EnabledState && node.type == Lexicon::ComputerSystem) {
            if (*number != kReset) {
                refuse(path, "the running system can only be asked to restart (9)");
                return false;
            }
            restart = true;
        } else if (property == Lexicon::EnabledState) {
            if (*number == kReset) {
                plan.reset = true;
            } else if (*number == kEnabled || *number == kDisabled || *number == kDisabledToo) {
                plan.up = *number == kEnabled;
            } else {
                refuse(path, "EnabledState " + std::to_string(*number) + " is not a link state");
                return false;
            }
        } else if (property == Lexicon::IPv4Address) {
            in_addr binary{};
            if (!text->empty() && inet_pton(AF_INET, text->c_str(), &binary) != 1) {
                refuse(path, "\"" + *text + "\" is not an IPv4 address");
                return false;
            }
            plan.address = *text;
        } else if (property == Lexicon::SubnetMask) {
            plan.prefixLength = LinuxNetwork::prefixFromMask(*text);
            if (!plan.prefixLength) {
                refuse(path, "\"" + *text + "\" is not a subnet mask");
                return false;
            }
        } else if (property == Lexicon::IPv4Gateway || property == Lexicon::IPv6Gateway) {
            const bool four = property == Lexicon::IPv4Gateway;
            unsigned char binary[sizeof(in6_addr)] = {};
            if (!text->empty() &&
                inet_pton(four ? AF_INET : AF_INET6, text->c_str(), binary) != 1) {
                refuse(path,
                       "\"" + *text + "\" is not an " + (four ? "IPv4" : "IPv6") + " address");
                return false;
            }
            (four ? plan.gateway4 : plan.gateway6) = *text;
        } else if (property == Lexicon::AddressOrigin) {
            if (*number != kStatic) {
                refuse(path,
                       "only a static address (AddressOrigin 3) can be set on a running "
                       "system; it has no DHCP client to start");
                return false;
            }
            plan.originStatic = true;
        }
    }
    if (plan.originStatic && !plan.address && !plan.prefixLength &&
        !(link->ipv4 && link->ipv4->permanent)) {
        refuse(path, "the address is not static; give the static address to set with it");
        return false;
    }
    if ((plan.address || plan.prefixLength) && !link->ipv4 &&
        !(plan.address && plan.prefixLength) && !(plan.address && plan.address->empty())) {
        refuse(path, "the link has no IPv4 address yet; give the address and the mask together");
        return false;
    }
    if (link != nullptr && !carryOut(path, *link, plan)) {
        return false;
    }
    if (restart) {
        record(path, "restart of the system");
    }
    if (plan.reset) {
        record(path, "reset of the interface");
    }
    fresh = false;
    return true;
}

bool LinuxNodeStore::State::carryOut(const std::string& path, Link before, const LinkPlan& plan) {
    // Steps in an order the kernel accepts (a route needs its link up), each
    // with the step that undoes it should a later one fail.
    using Step = std::function<std::string()>;
    std::vector<std::pair<Step, Step>> steps;
    LinuxNetwork::Connection& net = kernel();
    const int index = before.index;
    if (plan.up && *plan.up && !before.up) {
        steps.emplace_back([&] { return net.setLinkUp(index, true); },
                           [&] { return net.setLinkUp(index, false); });
    }
    if (plan.address || plan.prefixLength) {
        const std::string address =
            plan.address ? *plan.address : (before.ipv4 ? before.ipv4->text : "");
        const unsigned int prefix =
            plan.prefixLength ? *plan.prefixLength : (before.ipv4 ? before.ipv4->prefixLength : 0);
        steps.emplace_back([&net, index, address,
                            prefix] { return net.replaceIPv4Address(index, address, prefix); },
                           [&net, index, &before] {
                               return net.replaceIPv4Address(
                                   index, before.ipv4 ? before.ipv4->text : "",
                                   before.ipv4 ? before.ipv4->prefixLength : 0);
                           });
    }
    for (const auto& [wanted, was, family] :
         {std::tuple{plan.gateway4, before.ipv4Gateway, AF_INET},
          std::tuple{plan.gateway6, before.ipv6Gateway, AF_INET6}}) {
        if (wanted) {
            const std::string next = *wanted;
            const std::string previous = was;
            const int which = family;
            steps.emplace_back([&net, index, which,
                                next] { return net.replaceDefaultGateway(index, which, next); },
                               [&net, index, which, previous] {
                                   return net.replaceDefaultGateway(index, which, previous);
                               });
        }
    }
    if (plan.up && !*plan.up && before.up) {
        steps.emplace_back([&] { return net.setLinkUp(index, false); },
                           [&] { return net.setLinkUp(index, true); });
    }
    for (std::size_t done = 0; done < steps.size(); ++done) {
        const std::string failure = steps[done].first();
        if (failure.empty()) {
            continue;
        }
        std::string undoFailures;
        while (done-- > 0) {
            if (const std::string why = steps[done].second(); !why.empty()) {
                undoFailures += "; undoing an earlier step failed too: " + why;
            }
        }
        fresh = false;
        refuse(path, failure + undoFailures);
        return false;
    }
    return true;
}

LinuxNodeStore::Options LinuxNodeStore::optionsFromEnvironment() {
    Options options;
    options.allowChanges = truthy(std::getenv(kAllowChangesVariable));
    const char* overlay = std::getenv(kOverlayVariable);
    if (overlay != nullptr && *overlay != '\0') {
        options.overlayPath = overlay;
        options.overlayRequired = true;
    } else {
        options.overlayPath = PlatformUtilities::getKestrelDataDir() + "overlay.json";
    }
    return options;
}

LinuxNodeStore::LinuxNodeStore(Options options) : state_(std::make_unique<State>()) {
    state_->options = std::move(options);
    if (!state_->options.overlayPath.empty()) {
        state_->overlay = std::make_unique<FileNodeStore>(state_->options.overlayPath);
    }
}

LinuxNodeStore::~LinuxNodeStore() = default;

std::shared_ptr<const NodeTree> LinuxNodeStore::snapshot() {
    try {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        return state_->current(false);
    } catch (...) {
        try {
            return std::make_shared<const NodeTree>();
        } catch (...) {
            return nullptr;
        }
    }
}

bool LinuxNodeStore::writeProperties(const std::string& path, const PropertyChanges& changes) {
    try {
        for (const auto& [property, value] : changes) {
            const auto kind = Lexicon::propertyKind(property);
            if (!kind || *kind != valueKind(value)) {
                return false;
            }
        }
        const std::lock_guard<std::mutex> lock(state_->mutex);
        // Act on the system as it is now, not as the last snapshot saw it.
        const auto tree = state_->current(true);
        const std::size_t position = tree->find(path);
        if (position == NodeTree::npos) {
            return false;
        }
        if (state_->live.count(path) == 0) {
            FileNodeStore* overlay = state_->currentOverlay();
            return overlay != nullptr && overlay->writeProperties(path, changes);
        }
        return state_->writeLive(path, tree->node(position), changes);
    } catch (const std::exception& failure) {
        refuse(path, failure.what());
        return false;
    } catch (...) {
        return false;
    }
}

std::optional<std::string> LinuxNodeStore::readSection(const std::string& name) {
    try {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        FileNodeStore* overlay = state_->currentOverlay();
        auto text = overlay != nullptr ? overlay->readSection(name) : std::nullopt;
        if (name != kSettingsSection) {
            return text;
        }
        state_->current(false);
        SystemDescription::Json section = SystemDescription::Json::object();
        std::string problem;
        if (text &&
            (!SystemDescription::parseDocument(*text, section, problem) || !section.is_object())) {
            return text;  // the reader of the section says what is wrong with it
        }
        auto& macs = section[kMacMember];
        if (!macs.is_object()) {
            macs = SystemDescription::Json::object();
        }
        for (const Link& link : state_->links) {
            if (!link.macAddress.empty() &&
                state_->live.count(std::string("/") + kSystemId + "/" + link.name) != 0) {
                macs[link.name] = link.macAddress;
            }
        }
        return section.dump();
    } catch (...) {
        return std::nullopt;
    }
}

bool LinuxNodeStore::updateSection(const std::string& name,
                                   const std::function<bool(std::string& jsonText)>& update) {
    try {
        FileNodeStore* overlay = nullptr;
        {
            const std::lock_guard<std::mutex> lock(state_->mutex);
            overlay = state_->currentOverlay();
        }
        if (overlay == nullptr) {
            InstrumentationLog::reportFailure(
                __func__, __FILE__, __LINE__,
                "Section " + name + " cannot be kept: the running system has no overlay file (" +
                    kOverlayVariable + ") to keep it in");
            return false;
        }
        return overlay->updateSection(name, update);
    } catch (...) {
        return false;
    }
}

std::optional<FileNodeStore::RebootRequests> LinuxNodeStore::rebootRequests(
    const std::string& nodePath) {
    try {
        const std::lock_guard<std::mutex> lock(state_->mutex);
        const auto found = state_->requests.find(nodePath);
        if (found == state_->requests.end()) {
            return std::nullopt;
        }
        return found->second;
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace Quill
