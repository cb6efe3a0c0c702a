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

// A watched socket: readable is reported once and then not again until the
// next Receive, so it repeats while unread data remains without flooding the
// queue; closed is reported once.
struct SocketNetwork::SocketWatch {
    std::uint64_t serial = 0;
    QSocketNotifier* readable = nullptr;
    bool closeReported = false;
};

namespace {

constexpr std::size_t kMaxHostNameLength = 253;

// Waits for the connect to complete, the time-out or a stop, whichever comes first.
bool ConnectWithin(int fd, std::uint32_t address, std::uint16_t port,
                   std::chrono::milliseconds timeout) {
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
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        // Rounded up: poll must not return before the deadline.
        const auto left =
            std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        std::array<pollfd, 2> entries{{{fd, POLLOUT, 0}, {ConnectStopDescriptor(), POLLIN, 0}}};
        const int ready = ::poll(entries.data(), entries.size(), static_cast<int>(left));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0 || entries[0].revents == 0) {
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

// The resolver's failures as the engine has always seen them: a name that
// does not exist, or any other trouble.
int LookupError(int resolverError) {
    switch (resolverError) {
    case EAI_NONAME:
    case EAI_FAIL:
    case EAI_NODATA:
    case EAI_IDN_ENCODE:
        return kLookupHostNotFound;
    default:
        return kLookupNoRecovery;
    }
}

void AddIpv4Once(const addrinfo& entry, std::vector<std::uint32_t>& addresses) {
    if (entry.ai_family != AF_INET || entry.ai_addrlen < sizeof(sockaddr_in)) {
        return;
    }
    sockaddr_in address{};
    std::memcpy(&address, entry.ai_addr, sizeof address);
    if (std::find(addresses.begin(), addresses.end(), address.sin_addr.s_addr) == addresses.end()) {
        addresses.push_back(address.sin_addr.s_addr);
    }
}

// Asked for any family, configured ones only, as the lookups always were, so
// that the errors stay the same; only the IPv4 addresses are kept, each once,
// in the resolver's order.
std::pair<int, std::vector<std::uint32_t>> ResolveIpv4(AddressResolver resolve,
                                                       const std::string& name) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG | AI_IDN;
    addrinfo* list = nullptr;
    const int result = resolve(name.c_str(), nullptr, &hints, &list);
    if (result != 0) {
        return {LookupError(result), {}};
    }
    std::vector<std::uint32_t> addresses;
    for (const addrinfo* entry = list; entry != nullptr; entry = entry->ai_next) {
        AddIpv4Once(*entry, addresses);
    }
    ::freeaddrinfo(list);
    return {0, addresses};
}

HostEntry EntryOf(const std::string& name, const std::vector<std::uint32_t>& addresses) {
    HostEntry entry;
    entry.officialName = name;
    for (const std::uint32_t address : addresses) {
        entry.ipv4Addresses.push_back(IpAddress::FromV4(address));
    }
    return entry;
}

// The local lookup keeps only the last address of the list, the one the
// original platform's result layout yields.
std::pair<int, HostEntry> LookupResult(AddressResolver resolve, const std::string& name,
                                       bool keepLastAddress) {
    auto [error, addresses] = ResolveIpv4(resolve, name);
    if (error != 0) {
        return {error, HostEntry{}};
    }
    if (addresses.empty()) {
        return {kLookupNoAddress, HostEntry{}};
    }
    if (keepLastAddress) {
        addresses = {addresses.back()};
    }
    return {0, EntryOf(name, addresses)};
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
        CompleteLookupLater(LookupKind::Local, 0, EntryOf(hostName, {*address}));
    } else if (CanLookUp(hostName)) {
        StartResolverLookup(LookupKind::Local, hostName, true);
    } else {
        CompleteLookupLater(LookupKind::Local, kLookupHostNotFound, {});
    }
}

void SocketNetwork::LookupTarget(const std::string& name) {
    if (CanLookUp(name)) {
        StartResolverLookup(LookupKind::Target, name, false);
    } else {
        CompleteLookupLater(LookupKind::Target, kLookupHostNotFound, {});
    }
}

// An address needs no resolver, and an IPv6 one is a host without IPv4
// address. Any other name is resolved on a thread of its own, which posts the
// answer back to this object's event loop; the destructor waits for every
// such thread, and answers still queued then die with this object.
void SocketNetwork::StartResolverLookup(LookupKind kind, const std::string& name,
                                        bool keepLastAddress) {
    in_addr literal{};
    if (inet_pton(AF_INET, name.c_str(), &literal) == 1) {
        CompleteLookupLater(kind, 0, EntryOf(name, {literal.s_addr}));
        return;
    }
    if (in6_addr literal6{}; inet_pton(AF_INET6, name.c_str(), &literal6) == 1) {
        CompleteLookupLater(kind, kLookupNoAddress, {});
        return;
    }
    const std::uint64_t lookup = m_nextLookup++;
    try {
        m_lookups.emplace(lookup, std::thread(&SocketNetwork::ResolveAndPost, this, lookup, kind,
                                              name, keepLastAddress));
    } catch (const std::system_error&) { // no thread to be had
        CompleteLookupLater(kind, kLookupNoRecovery, {});
    }
}

// On the lookup's own thread.
void SocketNetwork::ResolveAndPost(std::uint64_t lookup, LookupKind kind, const std::string& name,
                                   bool keepLastAddress) {
    const auto [error, entry] = LookupResult(m_options.resolve, name, keepLastAddress);
    QMetaObject::invokeMethod(
        this,
        [this, lookup, kind, error = error, entry = entry] {
            FinishResolverLookup(lookup, kind, error, entry);
        },
        Qt::QueuedConnection);
}

void SocketNetwork::FinishResolverLookup(std::uint64_t lookup, LookupKind kind, int error,
                                         const HostEntry& entry) {
    const auto found = m_lookups.find(lookup);
    if (found != m_lookups.end()) {
        found->second.join(); // it has posted this answer: it is ending
        m_lookups.erase(found);
    }
    CompleteLookup(kind, error, entry);
}

void SocketNetwork::CompleteLookupLater(LookupKind kind, int error, HostEntry entry) {
    QMetaObject::invokeMethod(
        this, [this, kind, error, entry = std::move(entry)] { CompleteLookup(kind, error, entry); },
        Qt::QueuedConnection);
}

void SocketNetwork::CompleteLookup(LookupKind kind, int error, const HostEntry& entry) {
    if (m_sink == nullptr) {
        return;
    }
    const std::optional<HostEntry> found =
        error == 0 ? std::optional<HostEntry>(entry) : std::nullopt;
    if (kind == LookupKind::Local) {
        m_sink->OnLocalHostFound(found);
    } else {
        m_sink->OnTargetHostFound(found);
    }
}

ConnectResult SocketNetwork::Connect(const IpAddress& target, std::uint16_t port) {
    if (target.IsV6()) {
        return {ConnectStatus::ConnectFailed, kNoSocket};
    }
    std::uint32_t address = 0;
    std::memcpy(&address, target.bytes.data(), sizeof address);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return {ConnectStatus::CreateFailed, kNoSocket};
    }
    if (!ConnectWithin(fd, address, port, m_options.connectTimeout) || !SetNonBlocking(fd, false)) {
        ::close(fd);
        return {ConnectStatus::ConnectFailed, kNoSocket};
    }
    m_ownSockets.insert(fd);
    return {ConnectStatus::Connected, fd};
}

bool SocketNetwork::Watch(SocketHandle socket) {
    if (m_ownSockets.count(socket) == 0 || m_watches.count(socket) != 0 ||
        !SetNonBlocking(socket, true)) {
        return false;
    }
    auto watch = std::make_unique<SocketWatch>(SocketWatch{
        m_nextSerial++, new QSocketNotifier(socket, QSocketNotifier::Read, this), false});
    const std::uint64_t serial = watch->serial;
    connect(watch->readable, &QSocketNotifier::activated, this,
            [this, socket, serial] { OnReadable(socket, serial); });
    m_watches[socket] = std::move(watch);
    return true;
}

SocketNetwork::SocketWatch* SocketNetwork::FindWatch(SocketHandle socket, std::uint64_t serial) {
    const auto found = m_watches.find(socket);
    return found != m_watches.end() && found->second->serial == serial ? found->second.get()
                                                                       : nullptr;
}

// A peek tells data from the peer's close or reset.
void SocketNetwork::OnReadable(SocketHandle socket, std::uint64_t serial) {
    SocketWatch* watch = FindWatch(socket, serial);
    if (watch == nullptr) {
        return;
    }
    watch->readable->setEnabled(false);
    char probe = 0;
    const ssize_t peeked = ::recv(socket, &probe, 1, MSG_PEEK | MSG_DONTWAIT);
    if (peeked > 0) {
        if (m_sink != nullptr) {
            m_sink->OnReadable(socket);
        }
    } else if (peeked < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        watch->readable->setEnabled(true);
    } else {
        watch->closeReported = true;
        if (m_sink != nullptr) {
            m_sink->OnClosed(socket);
        }
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
    const auto found = m_watches.find(socket);
    if (found != m_watches.end() && !found->second->closeReported) {
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
// goes later; disabled, they can report nothing more meanwhile.
void SocketNetwork::StopWatching(SocketHandle socket) {
    const auto found = m_watches.find(socket);
    if (found == m_watches.end()) {
        return;
    }
    found->second->readable->setEnabled(false);
    found->second->readable->deleteLater();
    m_watches.erase(found);
}

} // namespace jostle
