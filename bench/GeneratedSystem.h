// Servers of any size for the benchmark and the tests: a system description
// with N network interfaces under one computer system, one service processor
// interface among them, and an ifcfg file per interface.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace GeneratedSystem {

struct Options {
    std::size_t interfaces = 64;  // on the host; the service processor's comes on top
    // Repeat the names of a few earlier interfaces further down the tree, so
    // that lookups must find the first one.
    bool duplicateNames = false;
};

struct Interface {
    std::string name;
    bool serviceProcessor = false;
    bool dhcp = false;
    bool ipv4Gateway = false;
    bool ipv6Gateway = false;
};

// The interfaces in node-tree order.
std::vector<Interface> interfaces(const Options& options);

// The system description (JSON), with the settings sections the peer
// provider serves.
nlohmann::json describe(const Options& options);

// Writes system.json and the ifcfg files into directory (which must exist).
void write(const Options& options, const std::filesystem::path& directory);

}  // namespace GeneratedSystem
