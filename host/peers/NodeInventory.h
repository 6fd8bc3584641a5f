// The systems, service processors, LAN endpoints and IP interfaces of one
// snapshot of the node tree, as the instances other providers would serve.
#pragma once

#include "PeerObjects.h"

#include <instrumentation.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ovx::peers {

// What the dependency between DNS and IP endpoints needs of one interface.
struct InterfaceRecord {
    std::string name;
    std::string description;
    // The name under which the IP interface provider serves this interface.
    ObjectName ipEndpoint;
    // The CIM enabled state of the interface, when its node has one.
    std::optional<std::uint16_t> enabledState;
};

class NodeInventory {
  public:
    explicit NodeInventory(std::shared_ptr<const Quill::NodeTree> tree);

    std::vector<PeerInstance> computerSystems() const;
    std::vector<PeerInstance> serviceProcessors() const;
    // macAddresses: LAN endpoint name to twelve hexadecimal digits.
    std::vector<PeerInstance> lanEndpoints(
        const std::map<std::string, std::string>& macAddresses) const;
    // Interfaces without a Name are left out: nothing could name them.
    std::vector<InterfaceRecord> interfaces() const;

  private:
    // The system that owns the node at position: class and name.
    std::pair<std::string, std::string> owningSystem(std::size_t position) const;

    std::shared_ptr<const Quill::NodeTree> tree_;
};

// The machine's host name, the name interfaces of the host are known by.
std::string thisHostName();

// The CIM EnabledState for a node's code: 1 enabled (2), 12 or 16 disabled
// (3), anything else not applicable (5).
std::uint16_t cimEnabledState(unsigned int nodeState);

// The name service processors go by when their node carries none.
inline constexpr const char* kDefaultServiceProcessorName = "BMC:-1";

}  // namespace ovx::peers
