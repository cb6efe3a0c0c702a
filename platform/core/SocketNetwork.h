// Name lookups and the keep-alive socket on the UI thread's event loop:
// getaddrinfo on a worker thread per lookup, its answer posted back to the
// loop; POSIX sockets of either family watched by QSocketNotifier.
#pragma once

#include "engine/Network.h"

#include <QObject>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <netdb.h>
#include <set>
#include <thread>

class QSocketNotifier;

namespace jostle {

// Shaped like getaddrinfo, which is the default; tests pass a slower one.
using AddressResolver = int (*)(const char* name, const char* service, const addrinfo* hints,
                                addrinfo** result);

struct NetworkOptions {
    std::chrono::milliseconds connectTimeout{15000};
    AddressResolver resolve = ::getaddrinfo;
};

class SocketNetwork : public QObject, public INetwork {
    Q_OBJECT
public:
    explicit SocketNetwork(NetworkOptions options = {});
    // Waits for the lookups still out; their answers are dropped.
    ~SocketNetwork() override;

    void SetEventSink(INetworkEvents* sink) override;
    std::string HostName() override;
    void LookupLocalHost(const std::string& hostName) override;
    void LookupTarget(const std::string& name) override;
    ConnectResult Connect(const IpAddress& address, std::uint16_t port) override;
    bool Watch(SocketHandle socket) override;
    long Send(SocketHandle socket, const char* data, std::size_t length) override;
    long Receive(SocketHandle socket, char* buffer, std::size_t maxLength) override;
    void Close(SocketHandle socket) override;

private:
    enum class LookupKind { Local, Target };
    using Lookup = std::optional<HostEntry>;
    struct Watched;

    void CompleteLookupLater(LookupKind kind, Lookup found);
    void CompleteLookup(LookupKind kind, const Lookup& found);
    void StartResolverLookup(LookupKind kind, const std::string& name);
    void ResolveAndPost(std::uint64_t lookup, LookupKind kind, const std::string& name);
    void FinishResolverLookup(std::uint64_t lookup, LookupKind kind, const Lookup& found);
    void OnNotifierActivated(SocketHandle socket, std::uint64_t serial);
    Watched* FindWatched(SocketHandle socket, std::uint64_t serial);
    void StopWatching(SocketHandle socket);

    const NetworkOptions m_options;
    INetworkEvents* m_sink = nullptr;
    std::set<SocketHandle> m_ownSockets;
    std::map<SocketHandle, std::unique_ptr<Watched>> m_watched;
    std::uint64_t m_nextSerial = 1;
    std::map<std::uint64_t, std::thread> m_lookups; // one thread per lookup out
    std::uint64_t m_nextLookup = 1;
};

} // namespace jostle
