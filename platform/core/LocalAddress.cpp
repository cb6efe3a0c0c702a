#include "platform/core/LocalAddress.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>

namespace jostle {

namespace {

constexpr std::size_t kRouteFields = 8; // Iface Destination Gateway Flags RefCnt Use Metric Mask
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

// One route line: "Iface Destination Gateway Flags RefCnt Use Metric Mask ...".
bool IsDefaultRoute(std::string_view line, std::string& interfaceName) {
    std::array<std::string_view, kRouteFields> fields;
    for (std::string_view& field : fields) {
        field = NextField(line);
        if (field.empty()) {
            return false;
        }
    }
    interfaceName = fields[0];
    const auto flagBits = ParseHex(fields[3]);
    return ParseHex(fields[1]) == 0UL && ParseHex(fields[7]) == 0UL && flagBits &&
           (*flagBits & RTF_UP) != 0;
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
    std::size_t lineEnd = routeTable.find('\n'); // past the column titles
    while (lineEnd != std::string_view::npos) {
        routeTable.remove_prefix(lineEnd + 1);
        lineEnd = routeTable.find('\n');
        std::string interfaceName;
        if (IsDefaultRoute(routeTable.substr(0, lineEnd), interfaceName)) {
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
    return ChooseLocalAddress(ListInterfaceAddresses(),
                              DefaultRouteInterface(ReadSmallFile("/proc/net/route")));
}

} // namespace jostle
