#include "base/IpAddress.h"

#include <arpa/inet.h>
#include <cstring>

namespace jostle {

IpAddress IpAddress::FromV4(std::uint32_t networkOrder) {
    IpAddress address;
    std::memcpy(address.bytes.data(), &networkOrder, sizeof networkOrder);
    return address;
}

std::string AddressText(const IpAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    const int family = address.IsV6() ? AF_INET6 : AF_INET;
    if (inet_ntop(family, address.bytes.data(), text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

std::optional<IpAddress> ParseIpv6Literal(const std::string& text) {
    std::string bare = text;
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']') {
        bare = bare.substr(1, bare.size() - 2);
    }
    IpAddress address;
    address.family = IpAddress::Family::V6;
    if (inet_pton(AF_INET6, bare.c_str(), address.bytes.data()) != 1) {
        return std::nullopt;
    }
    return address;
}

std::string HostHeaderText(const std::string& addressText) {
    if (addressText.find(':') == std::string::npos) {
        return addressText;
    }
    return "[" + addressText + "]";
}

} // namespace jostle
