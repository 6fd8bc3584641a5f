// This machine's links, addresses and default routes, read and changed over
// rtnetlink through libnl-route-3. Everything here acts on the network
// namespace of the calling process.
#pragma once

#include <netinet/in.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct nl_sock;

namespace Quill::LinuxNetwork {

struct Address {
    std::string text;
    unsigned int prefixLength = 0;
    bool permanent = false;  // false: it has a lifetime (a lease, an autoconfiguration)
};

struct Link {
    int index = 0;
    std::string name;
    std::string macAddress;  // empty unless the link has a 6-byte hardware address
    std::string kind;        // "bridge", "veth", "vlan", ...; empty for a plain device
    bool up = false;
    bool loopback = false;
    std::optional<Address> ipv4;  // the first primary IPv4 address
    std::optional<Address> ipv6;  // the first global IPv6 address
    std::string ipv4Gateway;      // of the first default route through the link
    std::string ipv6Gateway;
};

// The kind of an IPv6 address by its leading bits, as IPv6AddressType
// numbers it (2 unspecified ... 8 site local).
unsigned int ipv6AddressType(const in6_addr& address);

// "255.255.255.0" as 24; nothing for a text that is no contiguous mask.
std::optional<unsigned int> prefixFromMask(const std::string& mask);
std::string maskFromPrefix(unsigned int prefixLength);

// One request socket. Not shared between threads.
class Connection {
  public:
    // Throws std::runtime_error when no netlink socket can be opened.
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Every link with its facts, in the kernel's order. Throws
    // std::runtime_error when the kernel cannot be asked.
    std::vector<Link> links();

    // Each answers an empty text when done, else why not; a failed change
    // leaves the link as it was.
    std::string setLinkUp(int index, bool up);
    // Replaces the link's first IPv4 address (or adds one; an empty address
    // removes it) and puts back the routes through the link that the kernel
    // drops with the old address.
    std::string replaceIPv4Address(int index, const std::string& address,
                                   unsigned int prefixLength);
    // Replaces the default routes of family (AF_INET, AF_INET6) through the
    // link by one via gateway; an empty gateway only removes them.
    std::string replaceDefaultGateway(int index, int family, const std::string& gateway);

  private:
    struct Socket;
    std::unique_ptr<Socket> socket_;
};

// Kernel notifications of link, address and route changes.
class Monitor {
  public:
    Monitor();  // never throws; usable() tells whether it listens
    ~Monitor();
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    bool usable() const;
    // Reads what has arrived without waiting: true when anything changed
    // since the last call (or notifications were lost); false when unusable.
    bool changed();

  private:
    nl_sock* socket_ = nullptr;
};

}  // namespace Quill::LinuxNetwork
