#include "platform/core/LocalAddress.h"

#include <charconv>
#include <cstring>
#include <fstream>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sstream>

namespace jostle {

namespace {

std::optional<unsigned long> ParseHex(const std::string& text) {
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// One route line: "Iface Destination Gateway Flags RefCnt Use Metric Mask ...".
bool IsDefaultRoute(const std::string& line, std::string& interfaceName) {
    std::istringstream fields(line);
    std::string destination;
    std::string gateway;
    std::string flags;
    std::string refCount;
    std::string use;
    std::string metric;
    std::string mask;
    if (!(fields >> interfaceName >> destination >> gateway >> flags >> refCount >> use >> metric >>
          mask)) {
        return false;
    }
    const auto flagBits = ParseHex(flags);
    return ParseHex(destination) == 0UL && ParseHex(mask) == 0UL && flagBits &&
           (*flagBits & RTF_UP) != 0;
}

} // namespace

std::optional<std::string> DefaultRouteInterface(std::istream& routeTable) {
    std::string line;
    std::getline(routeTable, line); // the column titles
    while (std::getline(routeTable, line)) {
        std::string interfaceName;
        if (IsDefaultRoute(line, interfaceName)) {
            return interfaceName;
        }
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ChooseLocalAddress(const std::vector<InterfaceAddress>& interfaces,
                                                const std::optional<std::string>& defaultRoute) {
    std::optional<std::uint32_t> lastNonLoopback;
    for (const InterfaceAddress& entry : interfaces) {
        if (defaultRoute && entry.interfaceName == *defaultRoute) {
            return entry.address;
        }
        if (!entry.loopback) {
            lastNonLoopback = entry.address;
        }
    }
    return lastNonLoopback;
}

std::vector<InterfaceAddress> ListInterfaceAddresses() {
    std::vector<InterfaceAddress> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return result;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET ||
            (entry->ifa_flags & IFF_UP) == 0) {
            continue;
        }
        sockaddr_in address{};
        std::memcpy(&address, entry->ifa_addr, sizeof address);
        result.push_back(
            {entry->ifa_name, address.sin_addr.s_addr, (entry->ifa_flags & IFF_LOOPBACK) != 0});
    }
    freeifaddrs(list);
    return result;
}

std::optional<std::uint32_t> FindLocalAddress() {
    std::ifstream routeTable("/proc/net/route");
    return ChooseLocalAddress(ListInterfaceAddresses(), DefaultRouteInterface(routeTable));
}

} // namespace jostle
