#include "platform/core/LocalAddress.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>

namespace jostle {

namespace {

constexpr const char* kBlanks = " \t\r\v\f";

std::optional<unsigned long> ParseHex(std::string_view text) {
    unsigned long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

// Takes the text up to the next blank (or end) off the front of text.
std::string_view NextField(std::string_view& text) {
    const std::size_t start = std::min(text.find_first_not_of(kBlanks), text.size());
    const std::size_t end = std::min(text.find_first_of(kBlanks, start), text.size());
    const std::string_view field = text.substr(start, end - start);
    text.remove_prefix(end);
    return field;
}

// The first Count fields of a line; none when it has fewer.
template <std::size_t Count>
std::optional<std::array<std::string_view, Count>> LeadingFields(std::string_view line) {
    std::array<std::string_view, Count> fields;
    for (std::string_view& field : fields) {
        field = NextField(line);
        if (field.empty()) {
            return std::nullopt;
        }
    }
    return fields;
}

// The lines of a table, the column titles (if it has them) left out.
std::vector<std::string_view> TableRows(std::string_view table, bool hasTitles) {
    std::vector<std::string_view> rows;
    for (std::size_t start = 0; start < table.size();) {
        const std::size_t end = std::min(table.find('\n', start), table.size());
        rows.push_back(table.substr(start, end - start));
        start = end + 1;
    }
    if (hasTitles && !rows.empty()) {
        rows.erase(rows.begin());
    }
    return rows;
}

bool IsUp(std::string_view flags) {
    const auto bits = ParseHex(flags);
    return bits && (*bits & RTF_UP) != 0 && (*bits & RTF_REJECT) == 0;
}

// "Iface Destination Gateway Flags RefCnt Use Metric Mask ..."
std::optional<std::string> Ipv4DefaultRouteInterface(std::string_view row) {
    const auto fields = LeadingFields<8>(row);
    if (!fields || ParseHex((*fields)[1]) != 0UL || ParseHex((*fields)[7]) != 0UL ||
        !IsUp((*fields)[3])) {
        return std::nullopt;
    }
    return std::string((*fields)[0]);
}

// "Destination PrefixLength Source SourceLength NextHop Metric RefCnt Use Flags Iface"; the
// kernel's own unreachable default on lo is not up.
std::optional<std::string> Ipv6DefaultRouteInterface(std::string_view row) {
    const auto fields = LeadingFields<10>(row);
    if (!fields || (*fields)[0].find_first_not_of('0') != std::string_view::npos ||
        ParseHex((*fields)[1]) != 0UL || !IsUp((*fields)[8])) {
        return std::nullopt;
    }
    return std::string((*fields)[9]);
}

std::optional<std::string>
FirstDefaultRoute(std::string_view table, bool hasTitles,
                  std::optional<std::string> (*defaultRouteInterface)(std::string_view)) {
    for (const std::string_view row : TableRows(table, hasTitles)) {
        if (auto interfaceName = defaultRouteInterface(row)) {
            return interfaceName;
        }
    }
    return std::nullopt;
}

bool IsLinkLocal(const IpAddress& address) {
    return address.IsV6() && address.bytes[0] == 0xfe && (address.bytes[1] & 0xc0) == 0x80;
}

bool CanBeOwnAddress(const InterfaceAddress& entry) {
    return !entry.loopback && !IsLinkLocal(entry.address);
}

std::string ReadSmallFile(const char* path) {
    std::string text;
    std::FILE* file = std::fopen(path, "re");
    if (file == nullptr) {
        return text;
    }
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text.append(buffer, count);
    }
    std::fclose(file);
    return text;
}

} // namespace

std::optional<std::string> DefaultRouteInterface(std::string_view routeTable) {
    return FirstDefaultRoute(routeTable, true, Ipv4DefaultRouteInterface);
}

std::optional<std::string> DefaultIpv6RouteInterface(std::string_view routeTable) {
    return FirstDefaultRoute(routeTable, false, Ipv6DefaultRouteInterface);
}

std::optional<IpAddress> ChooseLocalAddress(const std::vector<InterfaceAddress>& interfaces,
                                            const std::optional<std::string>& defaultRoute) {
    std::optional<IpAddress> lastCandidate;
    for (const InterfaceAddress& entry : interfaces) {
        if (!CanBeOwnAddress(entry)) {
            continue;
        }
        if (defaultRoute && entry.interfaceName == *defaultRoute) {
            return entry.address;
        }
        lastCandidate = entry.address;
    }
    return lastCandidate;
}

std::vector<InterfaceAddress> ListInterfaceAddresses(IpAddress::Family family) {
    const bool v6 = family == IpAddress::Family::V6;
    const int wanted = v6 ? AF_INET6 : AF_INET;
    const std::size_t length = v6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    std::vector<InterfaceAddress> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return result;
    }
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != wanted ||
            (entry->ifa_flags & IFF_UP) == 0) {
            continue;
        }
        if (const auto address = FromSocketAddress(entry->ifa_addr, length)) {
            result.push_back({entry->ifa_name, *address, (entry->ifa_flags & IFF_LOOPBACK) != 0});
        }
    }
    freeifaddrs(list);
    return result;
}

std::optional<IpAddress> FindLocalAddress() {
    if (auto v4 = ChooseLocalAddress(ListInterfaceAddresses(IpAddress::Family::V4),
                                     DefaultRouteInterface(ReadSmallFile("/proc/net/route")))) {
        return v4;
    }
    return ChooseLocalAddress(ListInterfaceAddresses(IpAddress::Family::V6),
                              DefaultIpv6RouteInterface(ReadSmallFile("/proc/net/ipv6_route")));
}

} // namespace jostle
