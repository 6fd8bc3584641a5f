// Small system descriptions written into a temporary directory and made the
// node store of the process, for tests of the models and the operations.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "PlatformTestSupport.h"
#include "instrumentation.h"

namespace ProviderTest {

using Json = nlohmann::json;

inline std::string thisHostName() {
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) {
        return std::string();
    }
    return buffer.data();
}

// An interface node as the system description writes it.
inline Json interfaceNode(const std::string& id, const std::string& description, Json properties,
                          Json readOnly = Json::array()) {
    return Json{{"type", "IPInterface"},
                {"id", id},
                {"description", description},
                {"properties", std::move(properties)},
                {"readOnly", std::move(readOnly)}};
}

// A system node owning LAN endpoints, each owning one of the interfaces.
inline Json systemNode(const std::string& id, const std::string& description,
                       const std::string& name, const Json& interfaces) {
    Json lanEndpoints = Json::array();
    int index = 0;
    for (const Json& interface : interfaces) {
        lanEndpoints.push_back(Json{{"type", "LANEndpoint"},
                                    {"id", "lan" + std::to_string(index++)},
                                    {"children", Json::array({interface})}});
    }
    return Json{{"type", "ComputerSystem"},
                {"id", id},
                {"description", description},
                {"properties", {{"Name", name}}},
                {"children", lanEndpoints}};
}

// The host with the given interfaces and a service processor with its own.
inline Json systemDescription(const Json& hostInterfaces,
                              const Json& serviceProcessorInterfaces = Json::array()) {
    Json nodes = Json::array({systemNode("host", "Host", thisHostName(), hostInterfaces)});
    if (!serviceProcessorInterfaces.empty()) {
        nodes.push_back(systemNode("bmc", "BMC", "BMC", serviceProcessorInterfaces));
    }
    return Json{{"nodes", nodes}};
}

// Two host interfaces and one of the service processor, with every
// property the endpoint shows.
inline Json standardSystem() {
    return systemDescription(Json::array({interfaceNode("eth0", "Intel Ethernet",
                                                        {{"Name", "eth0"},
                                                         {"IPv4Address", "192.168.1.10"},
                                                         {"SubnetMask", "255.255.255.0"},
                                                         {"IPv6Address", "fe80::1"},
                                                         {"IPv6PrefixLength", 64},
                                                         {"IPv6AddressType", 5},
                                                         {"ProtocolIFType", 4096},
                                                         {"IPVersion", 1},
                                                         {"EnabledState", 1},
                                                         {"AddressOrigin", 3}}),
                                          interfaceNode("eth1", "Broadcom Ethernet",
                                                        {{"Name", "eth1"},
                                                         {"IPv4Address", "10.0.0.5"},
                                                         {"SubnetMask", "255.0.0.0"},
                                                         {"IPVersion", 3},
                                                         {"EnabledState", 12},
                                                         {"AddressOrigin", 1}})}),
                             Json::array({interfaceNode("bmc0", "BMC NIC",
                                                        {{"Name", "bmc0"},
                                                         {"IPv4Address", "192.168.1.200"},
                                                         {"SubnetMask", "255.255.255.0"},
                                                         {"IPVersion", 1},
                                                         {"EnabledState", 1},
                                                         {"AddressOrigin", 1}})}));
}

// The node of the interface named, wherever it sits in the tree.
inline Json* interfaceIn(Json& nodes, const std::string& name) {
    for (Json& node : nodes) {
        if (node.value("type", "") == "IPInterface" && node.contains("properties") &&
            node["properties"].value("Name", "") == name) {
            return &node;
        }
        if (node.contains("children")) {
            if (Json* const found = interfaceIn(node["children"], name)) {
                return found;
            }
        }
    }
    return nullptr;
}

// A node store passing everything to another; tests override the writes.
class ForwardingStore : public Quill::NodeStore {
  public:
    explicit ForwardingStore(std::shared_ptr<Quill::NodeStore> inner) : inner_(std::move(inner)) {}
    std::shared_ptr<const Quill::NodeTree> snapshot() override { return inner_->snapshot(); }
    bool writeProperties(const std::string& path, const Quill::PropertyChanges& changes) override {
        return inner_->writeProperties(path, changes);
    }
    std::optional<std::string> readSection(const std::string& name) override {
        return inner_->readSection(name);
    }
    bool updateSection(const std::string& name,
                       const std::function<bool(std::string&)>& update) override {
        return inner_->updateSection(name, update);
    }

  protected:
    std::shared_ptr<Quill::NodeStore> inner_;
};

// A temporary directory with a system description that every cursor of the
// process reads while the object lives.
class SystemDescriptionFile {
  public:
    explicit SystemDescriptionFile(const Json& description)
        : path_(directory_.path() / "system.json") {
        write(description);
        Quill::setNodeStore(std::make_shared<Quill::FileNodeStore>(path_.string()));
    }
    SystemDescriptionFile(const SystemDescriptionFile&) = delete;
    SystemDescriptionFile& operator=(const SystemDescriptionFile&) = delete;
    ~SystemDescriptionFile() { Quill::setNodeStore(nullptr); }

    void write(const Json& description) const { std::ofstream(path_) << description.dump(2); }
    std::string text() const { return ovx::test::readFile(path_); }
    Json json() const { return Json::parse(text()); }
    const std::filesystem::path& path() const { return path_; }

    // The ifcfg files of the interfaces sit beside the description.
    std::filesystem::path ifcfgPath(const std::string& interfaceName) const {
        return directory_.path() / ("ifcfg-" + interfaceName);
    }
    void writeIfcfg(const std::string& interfaceName, const std::string& content) const {
        ovx::test::writeFile(ifcfgPath(interfaceName), content);
    }
    // The file's text; nothing when there is no file.
    std::optional<std::string> ifcfg(const std::string& interfaceName) const {
        if (!std::filesystem::exists(ifcfgPath(interfaceName))) {
            return std::nullopt;
        }
        return ovx::test::readFile(ifcfgPath(interfaceName));
    }

    // A property of an interface node as the file holds it now.
    Json interfaceProperty(const std::string& interfaceName, const std::string& property) const {
        Json all = json();
        const Json* const node = interfaceIn(all["nodes"], interfaceName);
        return node != nullptr && (*node)["properties"].contains(property)
                   ? (*node)["properties"][property]
                   : Json();
    }

  private:
    ovx::test::ScratchDirectory directory_;
    std::filesystem::path path_;
};

}  // namespace ProviderTest
