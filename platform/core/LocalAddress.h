// Working out the machine's own address without the network: IPv4 from the
// interface that holds the default route, else the last non-loopback IPv4
// address of the interface list. Only a machine without any IPv4 address
// gets an IPv6 one, chosen the same way (link-local addresses never count).
#pragma once

#include "base/IpAddress.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jostle {

struct InterfaceAddress {
    std::string interfaceName;
    IpAddress address;
    bool loopback = false;
};

// The interface of the first usable default route in a routing table laid out
// like /proc/net/route; none when the table holds no default route.
std::optional<std::string> DefaultRouteInterface(std::string_view routeTable);

// The same for an IPv6 routing table laid out like /proc/net/ipv6_route.
std::optional<std::string> DefaultIpv6RouteInterface(std::string_view routeTable);

// The address of the default-route interface if it has one, else the last
// address of the list; loopback and IPv6 link-local addresses are passed over.
std::optional<IpAddress> ChooseLocalAddress(const std::vector<InterfaceAddress>& interfaces,
                                            const std::optional<std::string>& defaultRoute);

// The addresses of one family of this machine's interfaces that are up, in list order.
std::vector<InterfaceAddress> ListInterfaceAddresses(IpAddress::Family family);

// ChooseLocalAddress over this machine's IPv4 interfaces and /proc/net/route;
// when that finds none, over its IPv6 interfaces and /proc/net/ipv6_route.
std::optional<IpAddress> FindLocalAddress();

} // namespace jostle
