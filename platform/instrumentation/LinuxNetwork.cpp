#include "LinuxNetwork.h"

#include <arpa/inet.h>
#include <linux/if_addr.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netlink/addr.h>
#include <netlink/cache.h>
#include <netlink/errno.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/route/route.h>
#include <netlink/socket.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "InstrumentationLog.h"

namespace Quill::LinuxNetwork {
namespace {

template <typename T, void (*release)(T*)>
struct Releaser {
    void operator()(T* object) const {
        if (object != nullptr) {
            release(object);
        }
    }
};

using CachePtr = std::unique_ptr<nl_cache, Releaser<nl_cache, nl_cache_free>>;
using AddrPtr = std::unique_ptr<nl_addr, Releaser<nl_addr, nl_addr_put>>;
using RtAddrPtr = std::unique_ptr<rtnl_addr, Releaser<rtnl_addr, rtnl_addr_put>>;
using RoutePtr = std::unique_ptr<rtnl_route, Releaser<rtnl_route, rtnl_route_put>>;
using LinkPtr = std::unique_ptr<rtnl_link, Releaser<rtnl_link, rtnl_link_put>>;

std::string errorText(int code) {
    return nl_geterror(code < 0 ? -code : code);
}

// Iterates the objects of a cache as the given libnl type.
template <typename T, typename Visit>
void forEach(nl_cache* cache, Visit visit) {
    for (nl_object* object = nl_cache_get_first(cache); object != nullptr;
         object = nl_cache_get_next(object)) {
        visit(reinterpret_cast<T*>(object));
    }
}

std::string addressText(const nl_addr* address) {
    if (address == nullptr) {
        return {};
    }
    const int family = nl_addr_get_family(address);
    const unsigned int length = nl_addr_get_len(address);
    if ((family == AF_INET && length != 4) || (family == AF_INET6 && length != 16) ||
        (family != AF_INET && family != AF_INET6)) {
        return {};
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (inet_ntop(family, nl_addr_get_binary_addr(address), text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

std::string macText(const nl_addr* address) {
    if (address == nullptr || nl_addr_get_len(address) != 6) {
        return {};
    }
    const auto* bytes =
        static_cast<const unsigned char*>(nl_addr_get_binary_addr(const_cast<nl_addr*>(address)));
    char text[18] = {};
    std::snprintf(text, sizeof text, "%02x:%02x:%02x:%02x:%02x:%02x", bytes[0], bytes[1], bytes[2],
                  bytes[3], bytes[4], bytes[5]);
    return text;
}

bool isDefaultRoute(rtnl_route* route, int family) {
    const nl_addr* destination = rtnl_route_get_dst(route);
    return rtnl_route_get_family(route) == family && rtnl_route_get_table(route) == RT_TABLE_MAIN &&
           rtnl_route_get_type(route) == RTN_UNICAST &&
           (destination == nullptr || nl_addr_get_prefixlen(destination) == 0);
}

// The single next hop of a route, or null for a route with none or several.
rtnl_nexthop* onlyNexthop(rtnl_route* route) {
    return rtnl_route_get_nnexthops(route) == 1 ? rtnl_route_nexthop_n(route, 0) : nullptr;
}

bool throughLink(rtnl_route* route, int index) {
    rtnl_nexthop* hop = onlyNexthop(route);
    return hop != nullptr && rtnl_route_nh_get_ifindex(hop) == index;
}

bool parseAddress(const std::string& text, int family, AddrPtr& address) {
    unsigned char binary[sizeof(in6_addr)] = {};
    if (text.empty() || inet_pton(family, text.c_str(), binary) != 1) {
        return false;
    }
    address.reset(nl_addr_build(family, binary, family == AF_INET ? 4 : 16));
    return address != nullptr;
}

const char* familyName(int family) {
    return family == AF_INET ? "IPv4" : "IPv6";
}

}  // namespace

unsigned int ipv6AddressType(const in6_addr& address) {
    if (IN6_IS_ADDR_UNSPECIFIED(&address)) {
        return 2;
    }
    if (IN6_IS_ADDR_LOOPBACK(&address)) {
        return 3;
    }
    if (IN6_IS_ADDR_MULTICAST(&address)) {
        return 4;
    }
    if (IN6_IS_ADDR_LINKLOCAL(&address)) {
        return 5;
    }
    if (IN6_IS_ADDR_V4MAPPED(&address) || IN6_IS_ADDR_V4COMPAT(&address)) {
        return 7;
    }
    if (IN6_IS_ADDR_SITELOCAL(&address)) {
        return 8;
    }
    return 6;
}

std::optional<unsigned int> prefixFromMask(const std::string& mask) {
    in_addr binary{};
    if (inet_pton(AF_INET, mask.c_str(), &binary) != 1) {
        return std::nullopt;
    }
    const uint32_t bits = ntohl(binary.s_addr);
    const uint32_t inverted = ~bits;
    // A contiguous mask has only ones after its first zero when inverted.
    if ((inverted & (inverted + 1)) != 0) {
        return std::nullopt;
    }
    return static_cast<unsigned int>(__builtin_popcount(bits));
}

std::string maskFromPrefix(unsigned int prefixLength) {
    const uint32_t bits = prefixLength == 0    ? 0U
                          : prefixLength >= 32 ? 0xffffffffU
                                               : ~((1U << (32 - prefixLength)) - 1U);
    in_addr binary{htonl(bits)};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &binary, text, sizeof text);
    return text;
}

struct Connection::Socket {
    std::unique_ptr<nl_sock, Releaser<nl_sock, nl_socket_free>> handle{nl_socket_alloc()};

    CachePtr links() {
        nl_cache* cache = nullptr;
        check(rtnl_link_alloc_cache(handle.get(), AF_UNSPEC, &cache), "links");
        return CachePtr(cache);
    }
    CachePtr addresses() {
        nl_cache* cache = nullptr;
        check(rtnl_addr_alloc_cache(handle.get(), &cache), "addresses");
        return CachePtr(cache);
    }
    CachePtr routes() {
        nl_cache* cache = nullptr;
        check(rtnl_route_alloc_cache(handle.get(), AF_UNSPEC, 0, &cache), "routes");
        return CachePtr(cache);
    }

    static void check(int result, const char* what) {
        if (result < 0) {
            throw std::runtime_error(std::string("the kernel's ") + what +
                                     " cannot be read over netlink: " + errorText(result));
        }
    }
};

Connection::Connection() : socket_(std::make_unique<Socket>()) {
    if (!socket_->handle) {
        throw std::runtime_error("no netlink socket can be allocated");
    }
    if (const int result = nl_connect(socket_->handle.get(), NETLINK_ROUTE); result < 0) {
        throw std::runtime_error("no netlink socket can be opened: " + errorText(result));
    }
}

Connection::~Connection() = default;

std::vector<Link> Connection::links() {
    const CachePtr linkCache = socket_->links();
    const CachePtr addressCache = socket_->addresses();
    const CachePtr routeCache = socket_->routes();

    std::vector<Link> result;
    forEach<rtnl_link>(linkCache.get(), [&](rtnl_link* object) {
        Link link;
        link.index = rtnl_link_get_ifindex(object);
        const char* name = rtnl_link_get_name(object);
        link.name = name != nullptr ? name : "";
        link.macAddress = macText(rtnl_link_get_addr(object));
        const char* kind = rtnl_link_get_type(object);
        link.kind = kind != nullptr ? kind : "";
        const unsigned int flags = rtnl_link_get_flags(object);
        link.up = (flags & IFF_UP) != 0;
        link.loopback = (flags & IFF_LOOPBACK) != 0;
        result.push_back(std::move(link));
    });
    const auto linkOf = [&](int index) -> Link* {
        for (Link& link : result) {
            if (link.index == index) {
                return &link;
            }
        }
        return nullptr;
    };

    forEach<rtnl_addr>(addressCache.get(), [&](rtnl_addr* object) {
        Link* link = linkOf(rtnl_addr_get_ifindex(object));
        const nl_addr* local = rtnl_addr_get_local(object);
        if (link == nullptr || local == nullptr) {
            return;
        }
        const unsigned int flags = rtnl_addr_get_flags(object);
        Address address{addressText(local), static_cast<unsigned>(rtnl_addr_get_prefixlen(object)),
                        (flags & IFA_F_PERMANENT) != 0};
        if (address.text.empty()) {
            return;
        }
        if (rtnl_addr_get_family(object) == AF_INET) {
            if (!link->ipv4 && (flags & IFA_F_SECONDARY) == 0) {
                link->ipv4 = std::move(address);
            }
            return;
        }
        const auto* binary =
            static_cast<const in6_addr*>(nl_addr_get_binary_addr(const_cast<nl_addr*>(local)));
        const bool usable = (flags & (IFA_F_DADFAILED | IFA_F_TEMPORARY)) == 0;
        if (!link->ipv6 && usable && ipv6AddressType(*binary) == 6) {
            link->ipv6 = std::move(address);
        }
    });

    forEach<rtnl_route>(routeCache.get(), [&](rtnl_route* route) {
        for (const int family : {AF_INET, AF_INET6}) {
            rtnl_nexthop* hop = onlyNexthop(route);
            if (hop == nullptr || !isDefaultRoute(route, family)) {
                continue;
            }
            Link* link = linkOf(rtnl_route_nh_get_ifindex(hop));
            std::string gateway = addressText(rtnl_route_nh_get_gateway(hop));
            if (link == nullptr || gateway.empty()) {
                continue;
            }
            std::string& slot = family == AF_INET ? link->ipv4Gateway : link->ipv6Gateway;
            if (slot.empty()) {
                slot = std::move(gateway);
            }
        }
    });
    return result;
}

std::string Connection::setLinkUp(int index, bool up) {
    const CachePtr cache = socket_->links();
    LinkPtr current(rtnl_link_get(cache.get(), index));
    if (!current) {
        return "the link no longer exists";
    }
    const LinkPtr change(rtnl_link_alloc());
    if (!change) {
        return "out of memory";
    }
    if (up) {
        rtnl_link_set_flags(change.get(), IFF_UP);
    } else {
        rtnl_link_unset_flags(change.get(), IFF_UP);
    }
    if (const int result = rtnl_link_change(socket_->handle.get(), current.get(), change.get(), 0);
        result < 0) {
        return std::string("the link cannot be brought ") + (up ? "up" : "down") + ": " +
               errorText(result);
    }
    return {};
}

std::string Connection::replaceIPv4Address(int index, const std::string& text,
                                           unsigned int prefixLength) {
    AddrPtr local;
    if (!text.empty() && (!parseAddress(text, AF_INET, local) || prefixLength > 32)) {
        return "\"" + text + "\" is not an IPv4 address";
    }
    const CachePtr addresses = socket_->addresses();
    const CachePtr routes = socket_->routes();

    rtnl_addr* old = nullptr;
    forEach<rtnl_addr>(addresses.get(), [&](rtnl_addr* candidate) {
        if (old == nullptr && rtnl_addr_get_ifindex(candidate) == index &&
            rtnl_addr_get_family(candidate) == AF_INET &&
            (rtnl_addr_get_flags(candidate) & IFA_F_SECONDARY) == 0) {
            old = candidate;
        }
    });
    if (text.empty()) {
        const int result = old != nullptr ? rtnl_addr_delete(socket_->handle.get(), old, 0) : 0;
        return result < 0 ? "the address cannot be removed: " + errorText(result) : std::string();
    }
    if (old != nullptr && addressText(rtnl_addr_get_local(old)) == text &&
        static_cast<unsigned>(rtnl_addr_get_prefixlen(old)) == prefixLength) {
        return {};
    }
    nl_addr_set_prefixlen(local.get(), static_cast<int>(prefixLength));

    const RtAddrPtr fresh(rtnl_addr_alloc());
    if (!fresh) {
        return "out of memory";
    }
    rtnl_addr_set_ifindex(fresh.get(), index);
    rtnl_addr_set_family(fresh.get(), AF_INET);
    rtnl_addr_set_prefixlen(fresh.get(), static_cast<int>(prefixLength));
    if (rtnl_addr_set_local(fresh.get(), local.get()) < 0) {
        return "out of memory";
    }
    // Keep a broadcast address where the old one had one.
    if (old != nullptr && rtnl_addr_get_broadcast(old) != nullptr && prefixLength < 31) {
        uint32_t host = 0;
        std::memcpy(&host, nl_addr_get_binary_addr(local.get()), 4);
        const uint32_t broadcast = host | htonl(~0U >> prefixLength);
        const AddrPtr broadcastAddress(nl_addr_build(AF_INET, &broadcast, 4));
        if (broadcastAddress) {
            rtnl_addr_set_broadcast(fresh.get(), broadcastAddress.get());
        }
    }

    // Routes the kernel removes when the link loses its address; the ones it
    // makes itself come back with the new address.
    std::vector<rtnl_route*> dependent;
    forEach<rtnl_route>(routes.get(), [&](rtnl_route* route) {
        if (rtnl_route_get_family(route) == AF_INET &&
            rtnl_route_get_table(route) == RT_TABLE_MAIN &&
            rtnl_route_get_protocol(route) != RTPROT_KERNEL && throughLink(route, index)) {
            dependent.push_back(route);
        }
    });
    const auto restoreRoutes = [&]() {
        for (rtnl_route* route : dependent) {
            const int result =
                rtnl_route_add(socket_->handle.get(), route, NLM_F_CREATE | NLM_F_EXCL);
            if (result < 0 && result != -NLE_EXIST) {
                rtnl_nexthop* hop = onlyNexthop(route);
                InstrumentationLog::reportFailure(
                    __func__, __FILE__, __LINE__,
                    "A route through link " + std::to_string(index) + " via " +
                        addressText(hop != nullptr ? rtnl_route_nh_get_gateway(hop) : nullptr) +
                        " could not be put back after its address changed: " + errorText(result));
            }
        }
    };

    if (old != nullptr) {
        if (const int result = rtnl_addr_delete(socket_->handle.get(), old, 0); result < 0) {
            return "the old address cannot be removed: " + errorText(result);
        }
    }
    if (const int result = rtnl_addr_add(socket_->handle.get(), fresh.get(), 0); result < 0) {
        const std::string why = "the address cannot be set: " + errorText(result);
        if (old != nullptr) {
            rtnl_addr_add(socket_->handle.get(), old, 0);
        }
        restoreRoutes();
        return why;
    }
    restoreRoutes();
    return {};
}

std::string Connection::replaceDefaultGateway(int index, int family, const std::string& gateway) {
    AddrPtr next;
    if (!gateway.empty() && !parseAddress(gateway, family, next)) {
        return "\"" + gateway + "\" is not an " + familyName(family) + " address";
    }
    const CachePtr routes = socket_->routes();
    std::vector<rtnl_route*> existing;
    forEach<rtnl_route>(routes.get(), [&](rtnl_route* route) {
        if (isDefaultRoute(route, family) && throughLink(route, index)) {
            existing.push_back(route);
        }
    });
    if (existing.size() == 1 && !gateway.empty() &&
        addressText(rtnl_route_nh_get_gateway(onlyNexthop(existing.front()))) == gateway) {
        return {};
    }
    std::vector<rtnl_route*> removed;
    const auto putBack = [&]() {
        for (rtnl_route* route : removed) {
            rtnl_route_add(socket_->handle.get(), route, NLM_F_CREATE | NLM_F_APPEND);
        }
    };
    for (rtnl_route* route : existing) {
        if (const int result = rtnl_route_delete(socket_->handle.get(), route, 0); result < 0) {
            putBack();
            return "the old default route cannot be removed: " + errorText(result);
        }
        removed.push_back(route);
    }
    if (gateway.empty()) {
        return {};
    }

    const RoutePtr route(rtnl_route_alloc());
    AddrPtr anywhere;
    const unsigned char zeros[sizeof(in6_addr)] = {};
    anywhere.reset(nl_addr_build(family, zeros, family == AF_INET ? 4 : 16));
    rtnl_nexthop* hop = rtnl_route_nh_alloc();
    if (!route || !anywhere || hop == nullptr) {
        rtnl_route_nh_free(hop);
        putBack();
        return "out of memory";
    }
    nl_addr_set_prefixlen(anywhere.get(), 0);
    rtnl_route_set_family(route.get(), static_cast<uint8_t>(family));
    rtnl_route_set_table(route.get(), RT_TABLE_MAIN);
    rtnl_route_set_type(route.get(), RTN_UNICAST);
    rtnl_route_set_scope(route.get(), RT_SCOPE_UNIVERSE);
    rtnl_route_set_protocol(route.get(), removed.empty()
                                             ? static_cast<uint8_t>(RTPROT_STATIC)
                                             : rtnl_route_get_protocol(removed.front()));
    rtnl_route_set_priority(route.get(),
                            removed.empty() ? 0U : rtnl_route_get_priority(removed.front()));
    rtnl_route_set_dst(route.get(), anywhere.get());
    rtnl_route_nh_set_ifindex(hop, index);
    rtnl_route_nh_set_gateway(hop, next.get());
    rtnl_route_add_nexthop(route.get(), hop);
    // Other links may have default routes of their own; IPv4 keeps them side
    // by side only when asked to append.
    const int flags = NLM_F_CREATE | (family == AF_INET ? NLM_F_APPEND : 0);
    if (const int result = rtnl_route_add(socket_->handle.get(), route.get(), flags); result < 0) {
        putBack();
        return "the default route via " + gateway + " cannot be set: " + errorText(result);
    }
    return {};
}

Monitor::Monitor() {
    socket_ = nl_socket_alloc();
    if (socket_ == nullptr) {
        return;
    }
    nl_socket_disable_seq_check(socket_);
    const bool listening =
        nl_connect(socket_, NETLINK_ROUTE) == 0 &&
        nl_socket_add_memberships(socket_, RTNLGRP_LINK, RTNLGRP_IPV4_IFADDR, RTNLGRP_IPV6_IFADDR,
                                  RTNLGRP_IPV4_ROUTE, RTNLGRP_IPV6_ROUTE, 0) == 0 &&
        nl_socket_set_nonblocking(socket_) == 0;
    if (!listening) {
        nl_socket_free(socket_);
        socket_ = nullptr;
        return;
    }
    nl_socket_set_buffer_size(socket_, 1 << 20, 0);
}

Monitor::~Monitor() {
    if (socket_ != nullptr) {
        nl_socket_free(socket_);
    }
}

bool Monitor::usable() const {
    return socket_ != nullptr;
}

bool Monitor::changed() {
    if (socket_ == nullptr) {
        return false;
    }
    bool any = false;
    for (;;) {
        sockaddr_nl from{};
        unsigned char* buffer = nullptr;
        const int received = nl_recv(socket_, &from, &buffer, nullptr);
        std::free(buffer);
        if (received > 0) {
            any = true;
            continue;
        }
        // Nothing more waiting; any other answer (an overflow above all)
        // means notifications were lost.
        return any || (received < 0 && received != -NLE_AGAIN);
    }
}

}  // namespace Quill::LinuxNetwork
