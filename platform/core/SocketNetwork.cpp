#include "platform/core/SocketNetwork.h"

#include "platform/core/ConnectStop.h"
#include "platform/core/LocalAddress.h"

#include <QSocketNotifier>
#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <system_error>
#include <unistd.h>

namespace jostle {

// A watched socket: "readable" is reported once and then not again until the
// next Receive, so it repeats while unread data remains without flooding the
// queue; "closed" is reported once.
struct SocketNetwork::Watched {
    std::uint64_t serial = 0;
    QSocketNotifier* readable = nullptr;
    bool closeReported = false;
};

namespace {

constexpr std::size_t kMaxHostNameLength = 253;

template <typename SocketAddress>
socklen_t Store(const SocketAddress& address, sockaddr_storage& remote) {
    std::memcpy(&remote, &address, sizeof address);
    return sizeof address;
}

socklen_t ToSocketAddress(const IpAddress& address, std::uint16_t port, sockaddr_storage& remote) {
    if (address.IsV6()) {
        sockaddr_in6 v6{};
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        std::memcpy(&v6.sin6_addr, address.bytes.data(), sizeof v6.sin6_addr);
        return Store(v6, remote);
    }
    sockaddr_in v4{};
    v4.sin_family = AF_INET;
    v4.sin_port = htons(port);
    std::memcpy(&v4.sin_addr, address.bytes.data(), sizeof v4.sin_addr);
    return Store(v4, remote);
}

// Waits for the connect to complete, the time-out or a stop, whichever comes
// first. Returns 0 once connected, else the connect's error (ETIMEDOUT after
// the time-out, ECANCELED on a stop).
int ConnectWithin(int fd, const sockaddr_storage& remote, socklen_t length,
                  std::chrono::milliseconds timeout) {
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), length) == 0) {
        return 0;
    }
    if (errno != EINPROGRESS) {
        return errno;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        // Rounded up: poll must not return before the deadline.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return ETIMEDOUT;
        }
        std::array<pollfd, 2> entries{{{fd, POLLOUT, 0}, {ConnectStopDescriptor(), POLLIN, 0}}};
        const int ready = ::poll(entries.data(), entries.size(), static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return ready < 0 ? errno : ETIMEDOUT;
        }
        if (entries[0].revents == 0) {
            return ECANCELED;
        }
        int error = 0;
        socklen_t errorLength = sizeof error;
        return ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &errorLength) == 0 ? error : errno;
    }
}

// Failures for want of a route of the address's family, after which the
// engine tries the name's other addresses, apart from all others.
ConnectStatus FailureStatus(int error) {
    switch (error) {
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EADDRNOTAVAIL:
    case EAFNOSUPPORT:
        return ConnectStatus::NoRoute;
    default:
        return ConnectStatus::ConnectFailed;
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

HostEntry EntryOf(const std::string& name, const IpAddress& address) {
    HostEntry entry{name, {}, {}};
    (address.IsV6() ? entry.ipv6Addresses : entry.ipv4Addresses).push_back(address);
    return entry;
}

void AddOnce(const IpAddress& address, std::vector<IpAddress>& addresses) {
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) {
        addresses.push_back(address);
    }
}

// Asked for any family, configured ones only, as the lookups always were, so
// that the resolver is asked the same where IPv4 works; each address is kept
// once, in the resolver's order, the two families apart. None when the
// resolver fails or finds neither family.
std::optional<HostEntry> Resolve(AddressResolver resolve, const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_IDN;
    addrinfo* list = nullptr;
    if (resolve(name.c_str(), nullptr, &hints, &list) != 0) {
        return std::nullopt;
    }
    HostEntry entry{name, {}, {}};
    for (const addrinfo* item = list; item != nullptr; item = item->ai_next) {
        if (const auto address = FromSocketAddress(item->ai_addr, item->ai_addrlen)) {
            AddOnce(*address, address->IsV6() ? entry.ipv6Addresses : entry.ipv4Addresses);
        }
    }
    ::freeaddrinfo(list);
    if (entry.ipv4Addresses.empty() && entry.ipv6Addresses.empty()) {
        return std::nullopt;
    }
    return entry;
}

// The local lookup keeps one address: the last IPv4 one, the one the original
// platform's result layout yields; without IPv4, the first IPv6 one, which the
// resolver prefers.
std::optional<HostEntry> OneOwnAddress(std::optional<HostEntry> found) {
    if (!found) {
        return found;
    }
    if (!found->ipv4Addresses.empty()) {
        found->ipv4Addresses = {found->ipv4Addresses.back()};
        found->ipv6Addresses.clear();
    } else {
        found->ipv6Addresses.resize(1);
    }
    return found;
}

std::optional<IpAddress> AddressLiteral(const std::string& name) {
    in_addr v4{};
    if (inet_pton(AF_INET, name.c_str(), &v4) == 1) {
        return IpAddress::FromV4(v4.s_addr);
    }
    return ParseIpv6Literal(name);
}

bool CanLookUp(const std::string& name) {
    return !name.empty() && name.size() <= kMaxHostNameLength &&
           name.find('\0') == std::string::npos;
}

} // namespace

SocketNetwork::SocketNetwork(NetworkOptions options) : m_options(options) {}

SocketNetwork::~SocketNetwork() {
    for (auto& [lookup, thread] : m_lookups) {
        thread.join();
    }
    while (!m_ownSockets.empty()) {
        Close(*m_ownSockets.begin());
    }
}

void SocketNetwork::SetEventSink(INetworkEvents* sink) {
    m_sink = sink;
}

std::string SocketNetwork::HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0) {
        return {};
    }
    return name;
}

void SocketNetwork::LookupLocalHost(const std::string& hostName) {
    if (const auto address = FindLocalAddress()) {
        CompleteLookupLater(LookupKind::Local, EntryOf(hostName, *address));
    } else if (CanLookUp(hostName)) {
        StartResolverLookup(LookupKind::Local, hostName);
    } else {
        CompleteLookupLater(LookupKind::Local, std::nullopt);
    }
}

void SocketNetwork::LookupTarget(const std::string& name) {
    if (CanLookUp(name)) {
        StartResolverLookup(LookupKind::Target, name);
    } else {
        CompleteLookupLater(LookupKind::Target, std::nullopt);
    }
}

// An address of either family needs no resolver. Any other name is resolved
// on a thread of its own, which posts the answer back to this object's event
// loop; the destructor waits for every such thread, and answers still queued
// then die with this object.
void SocketNetwork::StartResolverLookup(LookupKind kind, const std::string& name) {
    if (const auto literal = AddressLiteral(name)) {
        CompleteLookupLater(kind, EntryOf(name, *literal));
        return;
    }
    const std::uint64_t lookup = m_nextLookup++;
    try {
        m_lookups.emplace(lookup,
                          std::thread(&SocketNetwork::ResolveAndPost, this, lookup, kind, name));
    } catch (const std::system_error&) { // no thread to be had
        CompleteLookupLater(kind, std::nullopt);
    }
}

// On the lookup's own thread.
void SocketNetwork::ResolveAndPost(std::uint64_t lookup, LookupKind kind, const std::string& name) {
    Lookup found = Resolve(m_options.resolve, name);
    if (kind == LookupKind::Local) {
        found = OneOwnAddress(std::move(found));
    }
    QMetaObject::invokeMethod(
        this,
        [this, lookup, kind, found = std::move(found)] {
            FinishResolverLookup(lookup, kind, found);
        },
        Qt::QueuedConnection);
}

void SocketNetwork::FinishResolverLookup(std::uint64_t lookup, LookupKind kind,
                                         const Lookup& found) {
    const auto thread = m_lookups.find(lookup);
    if (thread != m_lookups.end()) {
        thread->second.join(); // it has posted this answer: it is ending
        m_lookups.erase(thread);
    }
    CompleteLookup(kind, found);
}

void SocketNetwork::CompleteLookupLater(LookupKind kind, Lookup found) {
    QMetaObject::invokeMethod(
        this, [this, kind, found = std::move(found)] { CompleteLookup(kind, found); },
        Qt::QueuedConnection);
}

void SocketNetwork::CompleteLookup(LookupKind kind, const Lookup& found) {
    if (m_sink == nullptr) {
        return;
    }
    if (kind == LookupKind::Local) {
        m_sink->OnLocalHostFound(found);
    } else {
        m_sink->OnTargetHostFound(found);
    }
}

ConnectResult SocketNetwork::Connect(const IpAddress& address, std::uint16_t port) {
    sockaddr_storage remote{};
    const socklen_t length = ToSocketAddress(address, port, remote);
    const int fd = ::socket(remote.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        // A family this machine lacks is a family without a route.
        const bool noFamily = errno == EAFNOSUPPORT;
        return {noFamily ? ConnectStatus::NoRoute : ConnectStatus::CreateFailed, kNoSocket};
    }
    const int error = ConnectWithin(fd, remote, length, m_options.connectTimeout);
    if (error != 0 || !SetNonBlocking(fd, false)) {
        ::close(fd);
        return {error != 0 ? FailureStatus(error) : ConnectStatus::ConnectFailed, kNoSocket};
    }
    m_ownSockets.insert(fd);
    return {ConnectStatus::Connected, fd};
}

bool SocketNetwork::Watch(SocketHandle socket) {
    if (m_ownSockets.count(socket) == 0 || m_watched.count(socket) != 0 ||
        !SetNonBlocking(socket, true)) {
        return false;
    }
    const std::uint64_t serial = m_nextSerial++;
    auto* readable = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(readable, &QSocketNotifier::activated, this,
            [this, socket, serial] { OnNotifierActivated(socket, serial); });
    m_watched[socket] = std::make_unique<Watched>(Watched{serial, readable, false});
    return true;
}

SocketNetwork::Watched* SocketNetwork::FindWatched(SocketHandle socket, std::uint64_t serial) {
    const auto found = m_watched.find(socket);
    return found != m_watched.end() && found->second->serial == serial ? found->second.get()
                                                                       : nullptr;
}

// A peek tells data from the peer's close or reset.
void SocketNetwork::OnNotifierActivated(SocketHandle socket, std::uint64_t serial) {
    Watched* watched = FindWatched(socket, serial);
    if (watched == nullptr) {
        return;
    }
    watched->readable->setEnabled(false);
    char probe = 0;
    const ssize_t peeked = ::recv(socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        watched->readable->setEnabled(true);
        return;
    }
    watched->closeReported = peeked <= 0;
    if (m_sink == nullptr) {
        return;
    }
    if (peeked > 0) {
        m_sink->OnReadable(socket);
    } else {
        m_sink->OnClosed(socket);
    }
}

long SocketNetwork::Send(SocketHandle socket, const char* data, std::size_t length) {
    if (m_ownSockets.count(socket) == 0) {
        return -1;
    }
    return ::send(socket, data, length, MSG_NOSIGNAL);
}

long SocketNetwork::Receive(SocketHandle socket, char* buffer, std::size_t maxLength) {
    if (m_ownSockets.count(socket) == 0) {
        return -1;
    }
    const ssize_t count = ::recv(socket, buffer, maxLength, 0);
    const auto found = m_watched.find(socket);
    if (found != m_watched.end() && !found->second->closeReported) {
        found->second->readable->setEnabled(true);
    }
    return count;
}

void SocketNetwork::Close(SocketHandle socket) {
    if (m_ownSockets.erase(socket) == 0) {
        return;
    }
    StopWatching(socket);
    ::close(socket);
}

// The notifier may be the one whose signal is being handled right now, so it
// goes later; disabled, it can report nothing more meanwhile.
void SocketNetwork::StopWatching(SocketHandle socket) {
    const auto found = m_watched.find(socket);
    if (found == m_watched.end()) {
        return;
    }
    found->second->readable->setEnabled(false);
    found->second->readable->deleteLater();
    m_watched.erase(found);
}

} // namespace jostle
