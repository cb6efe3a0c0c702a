// An IPv4 or IPv6 address as the network layer and the engine pass it around,
// and its text forms.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

struct sockaddr;

namespace jostle {

struct IpAddress {
    enum class Family { V4, V6 };
    Family family = Family::V4;
    std::array<std::uint8_t, 16> bytes{}; // network order; IPv4 uses the first four

    static IpAddress FromV4(std::uint32_t networkOrder);
    bool IsV6() const { return family == Family::V6; }
    bool operator==(const IpAddress&) const = default;
};

// The address of an AF_INET or AF_INET6 socket address of the given length;
// none for any other family or a length too short for it.
std::optional<IpAddress> FromSocketAddress(const sockaddr* address, std::size_t length);

// "192.0.2.7" or "2001:db8::5" (the shortest form, without brackets).
std::string AddressText(const IpAddress& address);

// An IPv6 literal, bare or in brackets ("::1", "[2001:db8::5]"); nothing for
// any other text, dotted IPv4 addresses included.
std::optional<IpAddress> ParseIpv6Literal(const std::string& text);

// The address as a Host header carries it: IPv6 in brackets.
std::string HostHeaderText(const std::string& addressText);

} // namespace jostle
