#include "InterfaceConfiguration.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "Trace.h"
#include "instrumentation.h"
#include "quillclient.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kBridgeDescription = "Bridge";

// Node AddressOrigin codes of the two origins a configuration can apply.
constexpr unsigned int kNodeDhcp = 1;
constexpr unsigned int kNodeStatic = 3;
// The computer-system node's EnabledState that asks for a restart.
constexpr unsigned int kNodeRestart = 9;

// The node AddressOrigin for the configuration's CIM origin; 0 for none.
unsigned int nodeAddressOrigin(unsigned short cimOrigin) {
    switch (cimOrigin) {
        case 3:
            return kNodeStatic;
        case 4:
            return kNodeDhcp;
        default:
            return 0;
    }
}

std::vector<std::string> nameTokens(const std::string& name) {
    std::vector<std::string> tokens;
    std::string::size_type start = 0;
    while (start <= name.size()) {
        const std::string::size_type end = std::min(name.find('_', start), name.size());
        if (end > start) {
            tokens.push_back(name.substr(start, end - start));
        }
        start = end + 1;
    }
    return tokens;
}

// Stands the cursor on the interface a configuration for name changes: the
// node named exactly name; only when there is none, the node named by the
// part before the first "_". False when neither exists.
bool selectConfiguredInterface(Instrumentation& cursor, const std::string& name) {
    QUILL_TRACE_ENTER_PARAMS(" name=" << name);
    const std::vector<std::string> name_tokens = nameTokens(name);
    std::optional<Instrumentation> byFirstToken;
    for (cursor.selectNode(NodeLexicon::IPInterface); cursor; ++cursor) {
        std::string elementName;
        if (!cursor.getProperty(NodeLexicon::Name, elementName)) {
            continue;
        }
        QUILL_TRACE_VARIABLE(elementName);
        if (!name.empty() && elementName == name) {
            return true;
        }
        if (!name_tokens.empty()) {
            QUILL_TRACE_VALUE("name_tokens[0]", name_tokens[0]);
            if (!byFirstToken && elementName == name_tokens[0]) {
                byFirstToken = cursor;
            }
        }
    }
    if (byFirstToken) {
        cursor = *byFirstToken;
        return true;
    }
    return false;
}

std::string propertyText(NodeLexicon::Properties property) {
    return NodeLexicon::propertyName(property).value_or(std::to_string(property));
}

// The network configuration file is writable exactly as long as this lives.
class NetworkConfigurationAccess {
  public:
    NetworkConfigurationAccess() : file_(PlatformUtilities::getNetworkConfigurationFile()) {
        if (!PlatformUtilities::changeFilePermission(file_, true)) {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                                "Could not make the network configuration file writable: " + file_);
        }
    }
    NetworkConfigurationAccess(const NetworkConfigurationAccess&) = delete;
    NetworkConfigurationAccess& operator=(const NetworkConfigurationAccess&) = delete;
    ~NetworkConfigurationAccess() {
        try {
            if (!PlatformUtilities::changeFilePermission(file_, false)) {
                QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                                    "Could not make the network configuration file read-only "
                                    "again: " +
                                        file_);
            }
        } catch (...) {
            // A destructor must not throw; the rights were already handed back or could not be.
        }
    }

  private:
    const std::string file_;
};

// Restart threads are joined, never detached: whoever unloads the library
// waits for them first.
class RebootThreads {
  public:
    RebootThreads() = default;
    RebootThreads(const RebootThreads&) = delete;
    RebootThreads& operator=(const RebootThreads&) = delete;
    ~RebootThreads() { waitForAll(); }

    void start() {
        const std::lock_guard<std::mutex> lock(mutex_);
        joinFinished();
        auto done = std::make_shared<std::atomic<bool>>(false);
        std::thread thread([done] {
            SystemRebootThread(nullptr);
            done->store(true);
        });
        running_.push_back(Running{std::move(thread), std::move(done)});
    }

    void waitForAll() {
        std::vector<Running> taken;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            taken.swap(running_);
        }
        for (Running& entry : taken) {
            if (entry.thread.joinable()) {
                entry.thread.join();
            }
        }
    }

  private:
    struct Running {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void joinFinished() {
        for (auto entry = running_.begin(); entry != running_.end();) {
            if (entry->done->load()) {
                entry->thread.join();
                entry = running_.erase(entry);
            } else {
                ++entry;
            }
        }
    }

    std::mutex mutex_;
    std::vector<Running> running_;
};

// Made on first use, after every record the library emits has its component
// name, and so destroyed, joining the threads, before those names.
RebootThreads& rebootThreads() {
    static RebootThreads threads;
    return threads;
}

}  // namespace

bool checkIfbridgeInteface(std::string name) {
    QUILL_TRACE_ENTER_PARAMS(" name=" << name);
    Instrumentation node;
    if (!selectConfiguredInterface(node, name)) {
        return false;
    }
    const std::string bridge = node.getNodeDescription();
    QUILL_TRACE_VARIABLE(bridge);
    return bridge == kBridgeDescription;
}

AppliedConfiguration isSystemRebootRequired(const IPConfigData& cfg_data) {
    QUILL_TRACE_ENTER_PARAMS(" param=" << static_cast<const void*>(&cfg_data));
    QUILL_TRACE_VALUE("cfg_data->name", cfg_data.name);
    QUILL_TRACE_VALUE("cfg_data->addr_origin", cfg_data.addr_origin);
    QUILL_TRACE_VALUE("cfg_data->subnet_mask", cfg_data.subnet_mask);
    QUILL_TRACE_VALUE("cfg_data->ipAddress", cfg_data.ipAddress);
    QUILL_TRACE_VALUE("cfg_data->ipGateway", cfg_data.ipGateway);
    QUILL_TRACE_VALUE("cfg_data->ipv6_prefix", cfg_data.ipv6_prefix);
    QUILL_TRACE_VALUE("cfg_data->ipv6Address", cfg_data.ipv6Address);
    QUILL_TRACE_VALUE("cfg_data->ipv6Gateway", cfg_data.ipv6Gateway);
    QUILL_TRACE_VALUE("cfg_data->dnsHostName", cfg_data.dnsHostName);

    const NetworkConfigurationAccess access;
    AppliedConfiguration outcome;
    Instrumentation node;
    if (!selectConfiguredInterface(node, cfg_data.name)) {
        outcome.failure = "No IP interface is named '" + cfg_data.name + "'; nothing was applied";
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, *outcome.failure);
        return outcome;
    }
    std::string interfaceName;
    node.getProperty(NodeLexicon::Name, interfaceName);
    std::string currentIPv4;
    node.getProperty(NodeLexicon::IPv4Address, currentIPv4);
    std::string currentIPv6;
    node.getProperty(NodeLexicon::IPv6Address, currentIPv6);
    unsigned int currentOrigin = 0;
    node.getProperty(NodeLexicon::AddressOrigin, currentOrigin);

    const unsigned int origin = nodeAddressOrigin(cfg_data.addr_origin);
    QUILL_TRACE_VARIABLE(origin);
    if (origin == 0) {
        outcome.failure = "No Configuration to Apply for the interface";
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, *outcome.failure);
        return outcome;
    }

    bool restart = false;
    PropertyChanges writes;
    if (origin != currentOrigin) {
        writes.emplace_back(NodeLexicon::AddressOrigin, origin);
    }
    if (!cfg_data.dnsServers.empty()) {
        QUILL_TRACE_VALUE("cfg_data->dnsServers.size()", cfg_data.dnsServers.size());
        writes.emplace_back(NodeLexicon::DNSServers, cfg_data.dnsServers);
    }
    if (!cfg_data.dnsSuffixes.empty()) {
        QUILL_TRACE_VALUE("cfg_data->dnsSuffixes.size()", cfg_data.dnsSuffixes.size());
        writes.emplace_back(NodeLexicon::DNSSuffixes, cfg_data.dnsSuffixes);
    }
    std::string current;
    if (node.getProperty(NodeLexicon::HostName, current) && !cfg_data.dnsHostName.empty() &&
        cfg_data.dnsHostName != current) {
        QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "Applying the Hostname");
        writes.emplace_back(NodeLexicon::HostName, cfg_data.dnsHostName);
        restart = true;
    }
    current.clear();
    if (node.getProperty(NodeLexicon::DomainName, current) && !cfg_data.dnsDomainName.empty() &&
        cfg_data.dnsDomainName != current) {
        QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "Applying the Domainname");
        writes.emplace_back(NodeLexicon::DomainName, cfg_data.dnsDomainName);
    }
    if (!cfg_data.ipAddress.empty()) {
        writes.emplace_back(NodeLexicon::IPv4Address, cfg_data.ipAddress);
        restart = restart || cfg_data.ipAddress != currentIPv4;
    }
    if (!cfg_data.subnet_mask.empty()) {
        writes.emplace_back(NodeLexicon::SubnetMask, cfg_data.subnet_mask);
    }
    if (!cfg_data.ipGateway.empty()) {
        const std::string& ipv4_gateway = cfg_data.ipGateway;
        QUILL_TRACE_VARIABLE(ipv4_gateway);
        QUILL_TRACE_VALUE("cfg_data->ipGateway", cfg_data.ipGateway);
        writes.emplace_back(NodeLexicon::IPv4Gateway, cfg_data.ipGateway);
    }
    current.clear();
    node.getProperty(NodeLexicon::IPv6Gateway, current);
    if (!cfg_data.ipv6Gateway.empty() && cfg_data.ipv6Gateway != current) {
        QUILL_TRACE_MESSAGE(Trace::kInfoLevel, "Inside the Gateway Calling setProperty");
        writes.emplace_back(NodeLexicon::IPv6Gateway, cfg_data.ipv6Gateway);
    }
    if (!cfg_data.ipv6Address.empty()) {
        writes.emplace_back(NodeLexicon::IPv6Address, cfg_data.ipv6Address);
        restart = restart || cfg_data.ipv6Address != currentIPv6;
    }
    if (cfg_data.ipv6_prefix != 0) {
        writes.emplace_back(NodeLexicon::IPv6PrefixLength,
                            static_cast<unsigned int>(cfg_data.ipv6_prefix));
    }
    const int network_restart = 0;
    QUILL_TRACE_VARIABLE(network_restart);
    restart = restart || (currentOrigin == kNodeStatic && origin == kNodeDhcp);

    for (const auto& write : writes) {
        bool readOnly = true;
        if (!node.isPropertyReadOnly(write.first, readOnly) || readOnly) {
            const std::string why = node.getReadOnlyNote();
            outcome.failure = "Property '" + propertyText(write.first) + "' of interface " +
                              interfaceName + " cannot be changed" +
                              (why.empty() ? "" : " (" + why + ")") + "; nothing was applied";
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel, *outcome.failure);
            return outcome;
        }
    }
    // One batch: the interface never holds half of a configuration.
    if (!node.setProperties(writes)) {
        outcome.failure = "The system refused the new settings of interface " + interfaceName +
                          "; nothing was applied";
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, *outcome.failure);
        return outcome;
    }
    outcome.restart = restart;
    const bool brestart = restart;
    QUILL_TRACE_VARIABLE(brestart);
    return outcome;
}

void* SystemRebootThread(void*) {
    QUILL_TRACE_ENTER();
    try {
        Instrumentation system;
        if (!system.selectNode(NodeLexicon::ComputerSystem)) {
            return nullptr;
        }
        unsigned int state = kNodeRestart;
        if (system.setProperty(NodeLexicon::EnabledState, state)) {
            QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "Agent Restarted Successfully");
        } else {
            QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "Failed to Reboot");
        }
    } catch (const std::exception& failure) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, failure.what());
    } catch (...) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, "Failed to Reboot");
    }
    return nullptr;
}

bool startSystemRebootThread() {
    QUILL_TRACE_ENTER();
    try {
        rebootThreads().start();
        return true;
    } catch (const std::exception& failure) {
        QUILL_TRACE_MESSAGE(
            Trace::kFailureLevel,
            std::string("The restart thread could not be started: ") + failure.what());
        return false;
    }
}

void waitForSystemRebootThreads() {
    QUILL_TRACE_ENTER();
    rebootThreads().waitForAll();
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
