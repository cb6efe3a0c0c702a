// What the network tests share: an event sink that records and reads like the
// engine, and the request they send.
#pragma once

#include "platform/core/SocketNetwork.h"

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <arpa/inet.h>
#include <string>
#include <vector>

namespace jostle::test {

const IpAddress kLoopback = IpAddress::FromV4(htonl(INADDR_LOOPBACK));
constexpr std::uint16_t kHttpPort = 80;

// The engine's request but for its Host value.
inline std::string Request(const std::string& host) {
    return "GET / HTTP/1.0\r\nHost: " + host + "\r\n\r\n";
}

enum class SocketEvent { Readable, Closed };

struct Lookup {
    std::optional<HostEntry> entry;
    bool onLoopThread; // the engine is single-threaded
};

// Reads like the engine: when readable, one Receive of at most readSize bytes;
// when closed, Close.
class RecordingSink : public INetworkEvents {
public:
    RecordingSink(SocketNetwork& network, std::size_t readSize)
        : m_network(network), m_readSize(readSize) {
        m_network.SetEventSink(this);
    }
    ~RecordingSink() override { m_network.SetEventSink(nullptr); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void OnLocalHostFound(const std::optional<HostEntry>& entry) override {
        localLookups.push_back({entry, OnLoopThread()});
    }
    void OnTargetHostFound(const std::optional<HostEntry>& entry) override {
        targetLookups.push_back({entry, OnLoopThread()});
    }
    void OnReadable(SocketHandle socket) override {
        events.push_back({socket, SocketEvent::Readable});
        char buffer[1026] = {};
        const long count = m_network.Receive(socket, buffer, m_readSize);
        if (count > 0) {
            receivedBytes += static_cast<std::size_t>(count);
            const std::size_t room = kKeptBytes - std::min(kKeptBytes, received.size());
            received.append(buffer, std::min(room, static_cast<std::size_t>(count)));
        }
    }
    void OnClosed(SocketHandle socket) override {
        events.push_back({socket, SocketEvent::Closed});
        m_network.Close(socket);
    }

    int Count(SocketEvent event) const {
        return static_cast<int>(
            std::count_if(events.begin(), events.end(),
                          [event](const auto& entry) { return entry.second == event; }));
    }

    std::vector<std::pair<SocketHandle, SocketEvent>> events;
    std::vector<Lookup> localLookups;
    std::vector<Lookup> targetLookups;
    static constexpr std::size_t kKeptBytes = 4096;
    std::string received; // the first kKeptBytes bytes
    std::size_t receivedBytes = 0;

private:
    static bool OnLoopThread() {
        return QThread::currentThread() == QCoreApplication::instance()->thread();
    }

    SocketNetwork& m_network;
    std::size_t m_readSize;
};

} // namespace jostle::test
