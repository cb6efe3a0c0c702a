#include "base/IpAddress.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>

namespace jostle {

IpAddress IpAddress::FromV4(std::uint32_t networkOrder) {
    IpAddress address;
    std::memcpy(address.bytes.data(), &networkOrder, sizeof networkOrder);
    return address;
}

std::optional<IpAddress> FromSocketAddress(const sockaddr* address, std::size_t length) {
    if (address == nullptr) {
        return std::nullopt;
    }
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        sockaddr_in v4{};
        std::memcpy(&v4, address, sizeof v4);
        return IpAddress::FromV4(v4.sin_addr.s_addr);
    }
    if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, address, sizeof v6);
        IpAddress result;
        result.family = IpAddress::Family::V6;
        std::memcpy(result.bytes.data(), &v6.sin6_addr, result.bytes.size());
        return result;
    }
    return std::nullopt;
}

std::string AddressText(const IpAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    const int family = address.IsV6() ? AF_INET6 : AF_INET;
    if (inet_ntop(family, address.bytes.data(), text, sizeof text) == nullptr) {
        return {};
    }
    return text;
}

// A zero byte would end the text inet_pton sees, and "::1<NUL>junk" is no literal.
std::optional<IpAddress> ParseIpv6Literal(const std::string& text) {
    std::string bare = text;
    if (bare.size() >= 2 && bare.front() == '[' && bare.back() == ']') {
        bare = bare.substr(1, bare.size() - 2);
    }
    IpAddress address;
    address.family = IpAddress::Family::V6;
    if (bare.find('\0') != std::string::npos ||
        inet_pton(AF_INET6, bare.c_str(), address.bytes.data()) != 1) {
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
