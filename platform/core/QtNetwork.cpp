#include "platform/core/QtNetwork.h"

#include "platform/core/LocalAddress.h"
#include "res/ResourceIds.h"

#include <QHostInfo>
#include <QSocketNotifier>
#include <QTimer>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jostle {

// A selected socket: FD_READ is reported once and then not again until the
// next Receive, so "readable" repeats while unread data remains without
// flooding the queue; FD_CLOSE is reported once.
struct QtNetwork::Watch {
    std::uint64_t serial = 0;
    QSocketNotifier* readable = nullptr;
    QSocketNotifier* writable = nullptr;
    bool closeReported = false;
};

namespace {

constexpr std::size_t kMaxHostNameLength = 253;

bool ConnectWithin(int fd, std::uint32_t address, std::uint16_t port, int timeoutMilliseconds) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = address;
    remote.sin_port = htons(port);
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) == 0) {
        return true;
    }
    if (errno != EINPROGRESS) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        pollfd entry{fd, POLLOUT, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        int error = 0;
        socklen_t length = sizeof error;
        return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
}

bool SetNonBlocking(int fd, bool nonBlocking) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0) {
        return false;
    }
    const int wanted = nonBlocking ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
    return ::fcntl(fd, F_SETFL, wanted) == 0;
}

int LookupError(const QHostInfo& info) {
    switch (info.error()) {
    case QHostInfo::NoError:
        return 0;
    case QHostInfo::HostNotFound:
        return kLookupHostNotFound;
    case QHostInfo::UnknownError:
        break;
    }
    return kLookupNoRecovery;
}

std::vector<std::uint32_t> Ipv4Addresses(const QHostInfo& info) {
    std::vector<std::uint32_t> addresses;
    for (const QHostAddress& address : info.addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            addresses.push_back(htonl(address.toIPv4Address()));
        }
    }
    return addresses;
}

// The local lookup keeps only the last address of the list, the one the
// original platform's result layout yields.
std::pair<int, HostEntry> LookupResult(const QHostInfo& info, const std::string& name,
                                       bool keepLastAddress) {
    const int error = LookupError(info);
    HostEntry entry{name, AF_INET, Ipv4Addresses(info)};
    if (error != 0) {
        return {error, HostEntry{}};
    }
    if (entry.addresses.empty()) {
        return {kLookupNoAddress, HostEntry{}};
    }
    if (keepLastAddress) {
        entry.addresses = {entry.addresses.back()};
    }
    return {0, entry};
}

bool CanLookUp(const std::string& name) {
    return !name.empty() && name.size() <= kMaxHostNameLength &&
           name.find('\0') == std::string::npos;
}

} // namespace

QtNetwork::QtNetwork(QObject* parent) : QObject(parent) {}

QtNetwork::~QtNetwork() {
    while (!m_ownSockets.empty()) {
        Close(*m_ownSockets.begin());
    }
}

void QtNetwork::SetEventSink(INetworkEvents* sink) {
    m_sink = sink;
}

std::string QtNetwork::HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

void QtNetwork::LookupLocalHost(const std::string& hostName) {
    if (const auto address = FindLocalAddress()) {
        CompleteLookupLater(LookupKind::Local, 0, HostEntry{hostName, AF_INET, {*address}});
    } else if (CanLookUp(hostName)) {
        StartHostInfoLookup(LookupKind::Local, hostName, true);
    } else {
        CompleteLookupLater(LookupKind::Local, kLookupHostNotFound, {});
    }
}

void QtNetwork::LookupTarget(const std::string& name) {
    if (CanLookUp(name)) {
        StartHostInfoLookup(LookupKind::Target, name, false);
    } else {
        CompleteLookupLater(LookupKind::Target, kLookupHostNotFound, {});
    }
}

// A dotted address needs no resolver: answering it here also keeps the
// resolver from asking for the address's name.
void QtNetwork::StartHostInfoLookup(LookupKind kind, const std::string& name,
                                    bool keepLastAddress) {
    in_addr literal{};
    if (inet_pton(AF_INET, name.c_str(), &literal) == 1) {
        CompleteLookupLater(kind, 0, HostEntry{name, AF_INET, {literal.s_addr}});
        return;
    }
    QHostInfo::lookupHost(QString::fromStdString(name), this,
                          [this, kind, name, keepLastAddress](const QHostInfo& info) {
                              const auto [error, entry] = LookupResult(info, name, keepLastAddress);
                              CompleteLookup(kind, error, entry);
                          });
}

void QtNetwork::CompleteLookupLater(LookupKind kind, int error, HostEntry entry) {
    QTimer::singleShot(0, this, [this, kind, error, entry = std::move(entry)] {
        CompleteLookup(kind, error, entry);
    });
}

void QtNetwork::CompleteLookup(LookupKind kind, int error, const HostEntry& entry) {
    if (m_sink == nullptr) {
        return;
    }
    if (kind == LookupKind::Local) {
        m_sink->OnLocalHostFound(error, entry);
    } else {
        m_sink->OnTargetHostFound(error, entry);
    }
}

ConnectResult QtNetwork::Connect(std::uint32_t address, std::uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {ConnectStatus::CreateFailed, kNoSocket};
    }
    if (!ConnectWithin(fd, address, port, kConnectTimeoutMilliseconds) ||
        !SetNonBlocking(fd, false)) {
        ::close(fd);
        return {ConnectStatus::ConnectFailed, kNoSocket};
    }
    m_ownSockets.insert(fd);
    return {ConnectStatus::Connected, fd};
}

bool QtNetwork::Select(SocketHandle socket) {
    if (m_ownSockets.count(socket) == 0 || m_watches.count(socket) != 0 ||
        !SetNonBlocking(socket, true)) {
        return false;
    }
    auto watch = std::make_unique<Watch>(
        Watch{m_nextSerial++, new QSocketNotifier(socket, QSocketNotifier::Read, this),
              new QSocketNotifier(socket, QSocketNotifier::Write, this), false});
    const std::uint64_t serial = watch->serial;
    connect(watch->readable, &QSocketNotifier::activated, this,
            [this, socket, serial] { OnReadable(socket, serial); });
    connect(watch->writable, &QSocketNotifier::activated, this,
            [this, socket, serial] { OnWritable(socket, serial); });
    m_watches[socket] = std::move(watch);
    return true;
}

QtNetwork::Watch* QtNetwork::FindWatch(SocketHandle socket, std::uint64_t serial) {
    const auto found = m_watches.find(socket);
    return found != m_watches.end() && found->second->serial == serial ? found->second.get()
                                                                       : nullptr;
}

void QtNetwork::OnWritable(SocketHandle socket, std::uint64_t serial) {
    Watch* watch = FindWatch(socket, serial);
    if (watch == nullptr) {
        return;
    }
    watch->writable->setEnabled(false);
    DeliverSocketEvent(socket, ids::FD_WRITE);
}

// A peek tells data from the peer's close or reset.
void QtNetwork::OnReadable(SocketHandle socket, std::uint64_t serial) {
    Watch* watch = FindWatch(socket, serial);
    if (watch == nullptr) {
        return;
    }
    watch->readable->setEnabled(false);
    char probe = 0;
    const ssize_t peeked = ::recv(socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        DeliverSocketEvent(socket, ids::FD_READ);
    } else if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        watch->readable->setEnabled(true);
    } else {
        watch->closeReported = true;
        DeliverSocketEvent(socket, ids::FD_CLOSE);
    }
}

void QtNetwork::DeliverSocketEvent(SocketHandle socket, int event) {
    if (m_sink != nullptr) {
        m_sink->OnSocketEvent(socket, event);
    }
}

long QtNetwork::Send(SocketHandle socket, const char* data, std::size_t length) {
    if (m_ownSockets.count(socket) == 0) {
        return -1;
    }
    return ::send(socket, data, length, MSG_NOSIGNAL);
}

long QtNetwork::Receive(SocketHandle socket, char* buffer, std::size_t maxLength) {
    if (m_ownSockets.count(socket) == 0) {
        return -1;
    }
    const ssize_t count = ::recv(socket, buffer, maxLength, 0);
    const auto found = m_watches.find(socket);
    if (found != m_watches.end() && !found->second->closeReported) {
        found->second->readable->setEnabled(true);
    }
    return count;
}

void QtNetwork::Close(SocketHandle socket) {
    if (m_ownSockets.erase(socket) == 0) {
        return;
    }
    StopWatching(socket);
    ::close(socket);
}

// The notifiers may be the ones whose signal is being handled right now, so
// they go later; disabled, they can report nothing more meanwhile.
void QtNetwork::StopWatching(SocketHandle socket) {
    const auto found = m_watches.find(socket);
    if (found == m_watches.end()) {
        return;
    }
    for (QSocketNotifier* notifier : {found->second->readable, found->second->writable}) {
        notifier->setEnabled(false);
        notifier->deleteLater();
    }
    m_watches.erase(found);
}

} // namespace jostle
