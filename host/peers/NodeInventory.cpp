#include "NodeInventory.h"

#include "PeerClasses.h"

#include <unistd.h>

#include <array>
#include <utility>

namespace ovx::peers {
namespace {

using Quill::NodeTree;
namespace Lexicon = Quill::NodeLexicon;

// CIM_ComputerSystem.Dedicated codes.
constexpr std::uint16_t kNotDedicated = 0;
constexpr std::uint16_t kDedicatedToManagement = 14;
// CIM_ProtocolEndpoint.ProtocolIFType of an Ethernet port.
constexpr std::uint16_t kEthernetCsmaCd = 6;

std::optional<std::string> textOf(const NodeTree::Node& node, Lexicon::Properties property) {
    const auto found = node.properties.find(property);
    if (found == node.properties.end()) {
        return std::nullopt;
    }
    if (const auto* text = std::get_if<std::string>(&found->second)) {
        return *text;
    }
    return std::nullopt;
}

std::optional<unsigned int> numberOf(const NodeTree::Node& node, Lexicon::Properties property) {
    const auto found = node.properties.find(property);
    if (found == node.properties.end()) {
        return std::nullopt;
    }
    if (const auto* number = std::get_if<unsigned int>(&found->second)) {
        return *number;
    }
    return std::nullopt;
}

void addEnabledState(const NodeTree::Node& node, PeerInstance& instance) {
    if (const auto state = numberOf(node, Lexicon::EnabledState)) {
        instance.properties.push_back({"EnabledState", cimEnabledState(*state)});
    }
}

void addDescription(const NodeTree::Node& node, PeerInstance& instance) {
    if (!node.description.empty()) {
        instance.properties.push_back({"Description", node.description});
    }
}

// A management controller's interfaces are told by their description, the
// same test the IP interface provider applies.
bool belongsToServiceProcessor(const std::string& interfaceDescription) {
    return interfaceDescription.find("BMC ") != std::string::npos;
}

}  // namespace

std::string thisHostName() {
    std::array<char, 256> buffer{};
    if (::gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return {};
    }
    return std::string(buffer.data());
}

std::uint16_t cimEnabledState(unsigned int nodeState) {
    switch (nodeState) {
        case 1:
            return 2;
        case 12:
        case 16:
            return 3;
        default:
            return 5;
    }
}

NodeInventory::NodeInventory(std::shared_ptr<const Quill::NodeTree> tree)
    : tree_(tree ? std::move(tree) : std::make_shared<const Quill::NodeTree>()) {}

std::vector<PeerInstance> NodeInventory::computerSystems() const {
    std::vector<PeerInstance> systems;
    for (std::size_t position = tree_->findNext(Lexicon::ComputerSystem);
         position != NodeTree::npos;
         position = tree_->findNext(Lexicon::ComputerSystem, position)) {
        const NodeTree::Node& node = tree_->node(position);
        const std::string name = textOf(node, Lexicon::Name).value_or(thisHostName());
        PeerInstance system;
        system.name = {
            std::string(classes::kComputerSystem),
            {{"CreationClassName", std::string(classes::kComputerSystem)}, {"Name", name}}};
        system.properties.push_back({"ElementName", name});
        addDescription(node, system);
        system.properties.push_back({"NameFormat", std::string("IP")});
        system.properties.push_back({"Dedicated", std::vector<std::uint16_t>{kNotDedicated}});
        addEnabledState(node, system);
        systems.push_back(std::move(system));
    }
    return systems;
}

std::vector<PeerInstance> NodeInventory::serviceProcessors() const {
    std::vector<PeerInstance> processors;
    for (std::size_t position = tree_->findNext(Lexicon::ServiceProcessor);
         position != NodeTree::npos;
         position = tree_->findNext(Lexicon::ServiceProcessor, position)) {
        const NodeTree::Node& node = tree_->node(position);
        const std::string name = textOf(node, Lexicon::Name).value_or(kDefaultServiceProcessorName);
        PeerInstance processor;
        processor.name = {
            std::string(classes::kSPComputerSystem),
            {{"CreationClassName", std::string(classes::kSPComputerSystem)}, {"Name", name}}};
        processor.properties.push_back(
            {"ElementName", node.description.empty() ? name : node.description});
        addDescription(node, processor);
        processor.properties.push_back(
            {"Dedicated", std::vector<std::uint16_t>{kDedicatedToManagement}});
        addEnabledState(node, processor);
        processors.push_back(std::move(processor));
    }
    return processors;
}

std::vector<PeerInstance> NodeInventory::lanEndpoints(
    const std::map<std::string, std::string>& macAddresses) const {
    std::vector<PeerInstance> endpoints;
    for (std::size_t position = tree_->findNext(Lexicon::LANEndpoint); position != NodeTree::npos;
         position = tree_->findNext(Lexicon::LANEndpoint, position)) {
        const NodeTree::Node& node = tree_->node(position);
        const auto name = textOf(node, Lexicon::Name);
        if (!name) {
            continue;
        }
        const auto [systemClass, systemName] = owningSystem(position);
        PeerInstance endpoint;
        endpoint.name = {std::string(classes::kLANEndpoint),
                         {{"SystemCreationClassName", systemClass},
                          {"SystemName", systemName},
                          {"CreationClassName", std::string(classes::kLANEndpoint)},
                          {"Name", *name}}};
        endpoint.properties.push_back({"ElementName", *name});
        addDescription(node, endpoint);
        endpoint.properties.push_back({"ProtocolIFType", kEthernetCsmaCd});
        addEnabledState(node, endpoint);
        if (const auto mac = macAddresses.find(*name); mac != macAddresses.end()) {
            endpoint.properties.push_back({"MACAddress", mac->second});
        }
        endpoints.push_back(std::move(endpoint));
    }
    return endpoints;
}

std::vector<InterfaceRecord> NodeInventory::interfaces() const {
    std::vector<InterfaceRecord> records;
    const std::string hostName = thisHostName();
    for (std::size_t position = tree_->findNext(Lexicon::IPInterface); position != NodeTree::npos;
         position = tree_->findNext(Lexicon::IPInterface, position)) {
        const NodeTree::Node& node = tree_->node(position);
        const auto name = textOf(node, Lexicon::Name);
        if (!name) {
            continue;
        }
        const bool management = belongsToServiceProcessor(node.description);
        InterfaceRecord record;
        record.name = *name;
        record.description = node.description;
        record.ipEndpoint = {
            std::string(classes::kIPProtocolEndpoint),
            {{"SystemCreationClassName",
              std::string(management ? classes::kSPComputerSystem : classes::kComputerSystem)},
             {"SystemName", management ? std::string(kDefaultServiceProcessorName) : hostName},
             {"Name", *name},
             {"CreationClassName", std::string(classes::kIPProtocolEndpoint)}}};
        if (const auto state = numberOf(node, Lexicon::EnabledState)) {
            record.enabledState = cimEnabledState(*state);
        }
        records.push_back(std::move(record));
    }
    return records;
}

std::pair<std::string, std::string> NodeInventory::owningSystem(std::size_t position) const {
    std::string parentPath = tree_->node(position).parentPath;
    while (!parentPath.empty()) {
        const std::size_t parent = tree_->find(parentPath);
        if (parent == NodeTree::npos) {
            break;
        }
        const NodeTree::Node& node = tree_->node(parent);
        if (node.type == Lexicon::ServiceProcessor) {
            return {std::string(classes::kSPComputerSystem),
                    textOf(node, Lexicon::Name).value_or(kDefaultServiceProcessorName)};
        }
        if (node.type == Lexicon::ComputerSystem) {
            return {std::string(classes::kComputerSystem),
                    textOf(node, Lexicon::Name).value_or(thisHostName())};
        }
        parentPath = node.parentPath;
    }
    // An endpoint outside every system is the host's own.
    return {std::string(classes::kComputerSystem), thisHostName()};
}

}  // namespace ovx::peers
