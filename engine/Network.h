// The network as the engine sees it: host lookups, one TCP connection at a
// time, and the events that report back. The Qt Core layer implements it with
// POSIX sockets; the unit tests with a fake.
#pragma once

#include "base/IpAddress.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jostle {

using SocketHandle = int; // -1: no socket
inline constexpr SocketHandle kNoSocket = -1;

// What a host lookup found.
struct HostEntry {
    std::optional<std::string> officialName; // none: the lookup gave no name
    std::vector<IpAddress> ipv4Addresses;    // in the resolver's order
    // Tried when the name has no IPv4 address or no IPv4 route reaches it.
    std::vector<IpAddress> ipv6Addresses;
};

enum class ConnectStatus {
    Connected,
    CreateFailed,  // no socket could be made
    NoRoute,       // network or host unreachable, or no such local address
    ConnectFailed, // refused, timed out, stopped, or any other failure
};

struct ConnectResult {
    ConnectStatus status;
    SocketHandle socket; // valid only when Connected
};

// Where the network reports back; called from the event loop on the UI thread.
class INetworkEvents {
public:
    virtual ~INetworkEvents() = default;
    // A lookup finished; none when it failed.
    virtual void OnLocalHostFound(const std::optional<HostEntry>& entry) = 0;
    virtual void OnTargetHostFound(const std::optional<HostEntry>& entry) = 0;
    // Unread data waits on a watched socket; reported again while some remains.
    virtual void OnReadable(SocketHandle socket) = 0;
    // The peer closed or reset a watched socket; reported once.
    virtual void OnClosed(SocketHandle socket) = 0;
};

// Lookups complete later, never from inside the call that starts them. A
// lookup that cannot be started completes as a failure the same way.
class INetwork {
public:
    virtual ~INetwork() = default;
    virtual void SetEventSink(INetworkEvents* sink) = 0;
    // The machine's host name; empty on failure.
    virtual std::string HostName() = 0;
    virtual void LookupLocalHost(const std::string& hostName) = 0;
    // Both families: IPv4 addresses first, as the engine tries them.
    virtual void LookupTarget(const std::string& name) = 0;
    // Blocking TCP connect, bounded in time and woken by a stop signal.
    virtual ConnectResult Connect(const IpAddress& address, std::uint16_t port) = 0;
    // Reports readable and closed for the socket from now on; it becomes non-blocking.
    virtual bool Watch(SocketHandle socket) = 0;
    virtual long Send(SocketHandle socket, const char* data, std::size_t length) = 0;
    // Reads at most maxLength bytes; returns the count, 0 at end, -1 on error.
    virtual long Receive(SocketHandle socket, char* buffer, std::size_t maxLength) = 0;
    virtual void Close(SocketHandle socket) = 0;
};

} // namespace jostle
