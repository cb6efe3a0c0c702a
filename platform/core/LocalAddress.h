// Working out the machine's own IPv4 address without the network: the
// interface that holds the default route, else the last non-loopback IPv4
// address of the interface list.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jostle {

struct InterfaceAddress {
    std::string interfaceName;
    std::uint32_t address = 0; // IPv4, network byte order
    bool loopback = false;
};

// The interface of the first usable default route in a routing table laid out
// like /proc/net/route; none when the table holds no default route.
std::optional<std::string> DefaultRouteInterface(std::string_view routeTable);

// The address of the default-route interface if it has one, else the last
// non-loopback address of the list.
std::optional<std::uint32_t> ChooseLocalAddress(const std::vector<InterfaceAddress>& interfaces,
                                                const std::optional<std::string>& defaultRoute);

// The IPv4 addresses of this machine's interfaces that are up, in list order.
std::vector<InterfaceAddress> ListInterfaceAddresses();

// ChooseLocalAddress over this machine's interfaces and /proc/net/route.
std::optional<std::uint32_t> FindLocalAddress();

} // namespace jostle
