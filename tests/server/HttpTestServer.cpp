// A tiny HTTP server for the networked tests. It only ever binds a loopback
// address and is meant to run inside the private namespace of tests/netns.sh.
//
//   jostle_test_http_server [--address A] [--port N] [--mode MODE]
//                           [--record PREFIX] [--ready FILE] [--max-seconds N]
//
//   --address A      address to listen on: one in 127.0.0.0/8 (default
//                    127.0.0.1) or ::1. Anything else is refused (exit 2).
//   --port N         TCP port (default 80; 0 picks a free one).
//   --mode MODE      how to answer each connection (default normal):
//       normal   after the request's blank line (or the peer's end of data):
//                a small HTTP/1.0 200 reply, then close
//       packets  the same kind of reply in 4 packets, 150 ms apart, then close
//       flood    a 200 reply with a 10 MB (10485760 byte) body, then close
//       slow     the small reply, one byte a second
//       silent   never answers; keeps the connection until the peer closes
//       close    closes without sending anything once the request is in
//                (or 500 ms after accepting, if no request comes)
//       reset    sends the start of a reply, waits 300 ms, then resets the
//                connection (SO_LINGER 0)
//       backlog  listens with backlog 0, never accepts and fills the queue
//                with its own connections, so further connects hang: a host
//                that never answers
//   --record PREFIX  the bytes received on connection n (1, 2, ... in accept
//                order) are appended, byte for byte, to the file "PREFIX.n",
//                as they arrive
//   --ready FILE     once listening, writes "PORT\n" to FILE (through a
//                temporary file and rename, so it appears complete)
//   --max-seconds N  stops by itself after N seconds (default 600)
//
// Once listening it also prints "READY PORT" on standard output. It stops on
// SIGTERM or SIGINT. Exit status: 0 after a normal stop, 2 for bad arguments,
// 1 when it cannot listen.
#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <list>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

enum class Mode { Normal, Packets, Flood, Slow, Silent, Close, Reset, Backlog };

struct Options {
    std::string address = "127.0.0.1";
    std::uint16_t port = 80;
    Mode mode = Mode::Normal;
    std::string recordPrefix;
    std::string readyFile;
    int maxSeconds = 600;
};

constexpr std::string_view kSmallReply = "HTTP/1.0 200 OK\r\n"
                                         "Content-Type: text/html\r\n"
                                         "Content-Length: 44\r\n"
                                         "\r\n"
                                         "<html><body>jostle test server</body></html>";
constexpr std::string_view kResetPrefix = "HTTP/1.0 200 OK\r\nContent-Type: text/ht";
constexpr std::size_t kFloodBytes = 10U * 1024U * 1024U;
constexpr std::size_t kFloodChunk = 64U * 1024U;
constexpr int kPacketCount = 4;

volatile std::sig_atomic_t g_stop = 0;

void OnStopSignal(int) {
    g_stop = 1;
}

std::optional<long> ParseNumber(std::string_view text, long low, long high) {
    long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<Mode> ParseMode(std::string_view text) {
    static constexpr std::pair<std::string_view, Mode> kModes[] = {
        {"normal", Mode::Normal}, {"packets", Mode::Packets}, {"flood", Mode::Flood},
        {"slow", Mode::Slow},     {"silent", Mode::Silent},   {"close", Mode::Close},
        {"reset", Mode::Reset},   {"backlog", Mode::Backlog},
    };
    for (const auto& [name, mode] : kModes) {
        if (name == text) {
            return mode;
        }
    }
    return std::nullopt;
}

bool ApplyOption(Options& options, std::string_view name, std::string_view value) {
    if (name == "--address") {
        options.address = value;
    } else if (name == "--port") {
        const auto port = ParseNumber(value, 0, 65535);
        if (!port) {
            return false;
        }
        options.port = static_cast<std::uint16_t>(*port);
    } else if (name == "--mode") {
        const auto mode = ParseMode(value);
        if (!mode) {
            return false;
        }
        options.mode = *mode;
    } else if (name == "--record") {
        options.recordPrefix = value;
    } else if (name == "--ready") {
        options.readyFile = value;
    } else if (name == "--max-seconds") {
        const auto seconds = ParseNumber(value, 1, 86400);
        if (!seconds) {
            return false;
        }
        options.maxSeconds = static_cast<int>(*seconds);
    } else {
        return false;
    }
    return true;
}

std::optional<Options> ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc || !ApplyOption(options, argv[i], argv[i + 1])) {
            std::fprintf(stderr, "jostle_test_http_server: bad argument '%s'\n", argv[i]);
            return std::nullopt;
        }
    }
    return options;
}

// A socket address of either family and its length.
struct Endpoint {
    sockaddr_storage storage{};
    socklen_t length = 0;

    int Family() const { return storage.ss_family; }
    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&storage); }
};

template <typename SocketAddress> Endpoint MakeEndpoint(const SocketAddress& address) {
    Endpoint endpoint;
    std::memcpy(&endpoint.storage, &address, sizeof address);
    endpoint.length = sizeof address;
    return endpoint;
}

// The whole point of this server is to stay on this machine.
std::optional<Endpoint> LoopbackEndpoint(const std::string& text, std::uint16_t port) {
    sockaddr_in v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4.sin_addr) == 1 &&
        (ntohl(v4.sin_addr.s_addr) >> 24) == 127) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        return MakeEndpoint(v4);
    }
    sockaddr_in6 v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6.sin6_addr) == 1 &&
        IN6_IS_ADDR_LOOPBACK(&v6.sin6_addr)) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        return MakeEndpoint(v6);
    }
    return std::nullopt;
}

std::uint16_t PortOf(const Endpoint& endpoint) {
    if (endpoint.Family() == AF_INET6) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, &endpoint.storage, sizeof v6);
        return ntohs(v6.sin6_port);
    }
    sockaddr_in v4{};
    std::memcpy(&v4, &endpoint.storage, sizeof v4);
    return ntohs(v4.sin_port);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        std::swap(m_fd, other.m_fd);
        return *this;
    }
    ~FileDescriptor() { Reset(); }
    int Get() const { return m_fd; }
    void Reset() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = -1;
    }

private:
    int m_fd;
};

void WriteAll(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

bool WriteReadyFile(const std::string& path, std::uint16_t port) {
    const std::string temporary = path + ".tmp";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.Get() < 0) {
        return false;
    }
    const std::string text = std::to_string(port) + "\n";
    WriteAll(file.Get(), text.data(), text.size());
    file.Reset();
    return ::rename(temporary.c_str(), path.c_str()) == 0;
}

// What one connection still has to send, and at what pace.
struct ReplyPlan {
    std::string head;
    std::size_t fillerBytes = 0;
    std::size_t chunk = 0;
    milliseconds pause{0};
    bool resetAtEnd = false;
};

ReplyPlan PlanReply(Mode mode) {
    switch (mode) {
    case Mode::Normal:
        return {std::string(kSmallReply), 0, kSmallReply.size(), milliseconds(0), false};
    case Mode::Packets:
        return {std::string(kSmallReply), 0, kSmallReply.size() / kPacketCount + 1,
                milliseconds(150), false};
    case Mode::Flood:
        return {"HTTP/1.0 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                    std::to_string(kFloodBytes) + "\r\n\r\n",
                kFloodBytes, kFloodChunk, milliseconds(0), false};
    case Mode::Slow:
        return {std::string(kSmallReply), 0, 1, milliseconds(1000), false};
    case Mode::Reset:
        return {std::string(kResetPrefix), 0, kResetPrefix.size(), milliseconds(300), true};
    case Mode::Close:
    case Mode::Silent:
    case Mode::Backlog:
        break;
    }
    return {};
}

class Connection {
public:
    Connection(FileDescriptor socket, FileDescriptor record, Mode mode)
        : m_socket(std::move(socket)), m_record(std::move(record)), m_mode(mode),
          m_acceptedAt(Clock::now()) {}

    int Fd() const { return m_socket.Get(); }
    bool Finished() const { return m_finished; }

    short WantedEvents() const {
        short events = m_peerDone ? 0 : POLLIN;
        if (Replying() && Clock::now() >= m_nextSend) {
            events |= POLLOUT;
        }
        return events;
    }

    void OnReadable() {
        char buffer[16384];
        const ssize_t count = ::recv(Fd(), buffer, sizeof buffer, 0);
        if (count < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (count <= 0) {
            m_peerDone = true;
            OnRequestComplete();
            if (m_shutDown || m_mode == Mode::Silent || count < 0) {
                m_finished = true;
            }
            return;
        }
        if (m_record.Get() >= 0) {
            WriteAll(m_record.Get(), buffer, static_cast<std::size_t>(count));
        }
        NoteRequestBytes(std::string_view(buffer, static_cast<std::size_t>(count)));
    }

    void OnWritable() {
        if (!Replying() || Clock::now() < m_nextSend) {
            return;
        }
        SendNextChunk();
    }

    // Timed steps: the close mode's grace period and the drain's end.
    void OnTick() {
        const auto now = Clock::now();
        if (m_mode == Mode::Close && !m_requestDone && now - m_acceptedAt > milliseconds(500)) {
            m_finished = true;
        }
        if (m_shutDown && now - m_shutDownAt > milliseconds(2000)) {
            m_finished = true;
        }
    }

    milliseconds TimeToNextSend() const {
        if (!Replying()) {
            return milliseconds(100);
        }
        const auto wait = std::chrono::duration_cast<milliseconds>(m_nextSend - Clock::now());
        return std::max(wait, milliseconds(0));
    }

private:
    bool Replying() const { return m_requestDone && !m_shutDown && !m_finished && m_hasPlan; }

    void NoteRequestBytes(std::string_view bytes) {
        m_tail.append(bytes);
        if (m_tail.find("\r\n\r\n") != std::string::npos) {
            OnRequestComplete();
        }
        if (m_tail.size() > 3) {
            m_tail.erase(0, m_tail.size() - 3);
        }
    }

    void OnRequestComplete() {
        if (m_requestDone) {
            return;
        }
        m_requestDone = true;
        if (m_mode == Mode::Close) {
            m_finished = true;
            return;
        }
        m_plan = PlanReply(m_mode);
        m_hasPlan = m_mode != Mode::Silent;
        m_nextSend = Clock::now();
        if (m_plan.pause > milliseconds(0)) {
            const int on = 1;
            ::setsockopt(Fd(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        }
    }

    void SendNextChunk() {
        const std::size_t remaining = m_plan.head.size() - m_headSent + m_plan.fillerBytes;
        if (remaining == 0) {
            EndReply();
            return;
        }
        const std::size_t length = std::min(m_plan.chunk, remaining);
        // A chunk never straddles the head and the filler.
        const std::string_view chunk = ChunkData(length);
        const ssize_t sent = ::send(Fd(), chunk.data(), chunk.size(), MSG_NOSIGNAL);
        if (sent < 0) {
            m_finished = errno != EAGAIN && errno != EINTR;
            return;
        }
        ConsumeSent(static_cast<std::size_t>(sent));
        m_nextSend = Clock::now() + m_plan.pause;
        if (m_plan.head.size() == m_headSent && m_plan.fillerBytes == 0 &&
            m_plan.pause == milliseconds(0)) {
            EndReply();
        }
    }

    std::string_view ChunkData(std::size_t length) {
        if (m_headSent < m_plan.head.size()) {
            return std::string_view(m_plan.head).substr(m_headSent, length);
        }
        if (m_filler.size() < length) {
            m_filler.assign(kFloodChunk, 'x');
        }
        return std::string_view(m_filler).substr(0, length);
    }

    void ConsumeSent(std::size_t sent) {
        const std::size_t fromHead = std::min(sent, m_plan.head.size() - m_headSent);
        m_headSent += fromHead;
        m_plan.fillerBytes -= sent - fromHead;
    }

    void EndReply() {
        if (m_plan.resetAtEnd) {
            const linger abortive{1, 0};
            ::setsockopt(Fd(), SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            m_finished = true;
            return;
        }
        // Half-close and go on reading, so that no unread request byte turns
        // the close into a reset.
        ::shutdown(Fd(), SHUT_WR);
        m_shutDown = true;
        m_shutDownAt = Clock::now();
        m_finished = m_peerDone;
    }

    FileDescriptor m_socket;
    FileDescriptor m_record;
    Mode m_mode;
    Clock::time_point m_acceptedAt;
    Clock::time_point m_nextSend{};
    Clock::time_point m_shutDownAt{};
    ReplyPlan m_plan;
    std::size_t m_headSent = 0;
    std::string m_tail;
    std::string m_filler;
    bool m_hasPlan = false;
    bool m_requestDone = false;
    bool m_peerDone = false;
    bool m_shutDown = false;
    bool m_finished = false;
};

FileDescriptor Listen(const Endpoint& local, int backlog) {
    FileDescriptor listener(::socket(local.Family(), SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (listener.Get() < 0) {
        return listener;
    }
    const int on = 1;
    ::setsockopt(listener.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(listener.Get(), local.Get(), local.length) != 0 ||
        ::listen(listener.Get(), backlog) != 0) {
        listener.Reset();
    }
    return listener;
}

// The listener's address, with the port it got.
Endpoint BoundEndpoint(int fd, const Endpoint& asked) {
    Endpoint bound = asked;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound.storage), &bound.length);
    return bound;
}

// Connects to our own never-accepting listener until a connect no longer
// completes: from then on the queue is full and every SYN goes unanswered.
std::vector<FileDescriptor> FillBacklog(const Endpoint& remote) {
    std::vector<FileDescriptor> fillers;
    for (int attempt = 0; attempt < 64; ++attempt) {
        FileDescriptor filler(
            ::socket(remote.Family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (filler.Get() < 0) {
            break;
        }
        ::connect(filler.Get(), remote.Get(), remote.length);
        pollfd entry{filler.Get(), POLLOUT, 0};
        const bool completed = ::poll(&entry, 1, 300) == 1;
        fillers.push_back(std::move(filler));
        if (!completed) {
            break;
        }
    }
    return fillers;
}

FileDescriptor OpenRecord(const Options& options, int connectionNumber) {
    if (options.recordPrefix.empty()) {
        return FileDescriptor();
    }
    const std::string path = options.recordPrefix + "." + std::to_string(connectionNumber);
    return FileDescriptor(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
}

class Server {
public:
    Server(const Options& options, FileDescriptor listener)
        : m_options(options), m_listener(std::move(listener)) {}

    void Run(Clock::time_point deadline) {
        while (g_stop == 0 && Clock::now() < deadline) {
            PollOnce();
        }
    }

private:
    void PollOnce() {
        std::vector<pollfd> entries;
        const short listenerEvents = m_options.mode == Mode::Backlog ? 0 : POLLIN;
        entries.push_back({m_listener.Get(), listenerEvents, 0});
        milliseconds timeout(100);
        for (const Connection& connection : m_connections) {
            entries.push_back({connection.Fd(), connection.WantedEvents(), 0});
            timeout = std::min(timeout, connection.TimeToNextSend());
        }
        if (::poll(entries.data(), entries.size(), static_cast<int>(timeout.count())) < 0) {
            return;
        }
        if ((entries[0].revents & POLLIN) != 0) {
            Accept();
        }
        Service(entries);
    }

    void Accept() {
        FileDescriptor socket(
            ::accept4(m_listener.Get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (socket.Get() >= 0) {
            ++m_accepted;
            m_connections.emplace_back(std::move(socket), OpenRecord(m_options, m_accepted),
                                       m_options.mode);
        }
    }

    void Service(const std::vector<pollfd>& entries) {
        auto entry = entries.begin() + 1;
        for (auto connection = m_connections.begin(); connection != m_connections.end();) {
            if (entry != entries.end() && entry->fd == connection->Fd()) {
                if ((entry->revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                    connection->OnReadable();
                }
                if ((entry->revents & POLLOUT) != 0) {
                    connection->OnWritable();
                }
                ++entry;
            }
            connection->OnTick();
            connection =
                connection->Finished() ? m_connections.erase(connection) : std::next(connection);
        }
    }

    const Options& m_options;
    FileDescriptor m_listener;
    std::list<Connection> m_connections;
    int m_accepted = 0;
};

void InstallSignalHandlers() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

} // namespace

int main(int argc, char** argv) {
    const auto options = ParseOptions(argc, argv);
    if (!options) {
        return 2;
    }
    const auto local = LoopbackEndpoint(options->address, options->port);
    if (!local) {
        std::fprintf(
            stderr, "jostle_test_http_server: refusing to listen on '%s': not 127.0.0.0/8 or ::1\n",
            options->address.c_str());
        return 2;
    }
    InstallSignalHandlers();
    const auto deadline = Clock::now() + std::chrono::seconds(options->maxSeconds);
    const bool backlog = options->mode == Mode::Backlog;
    FileDescriptor listener = Listen(*local, backlog ? 0 : SOMAXCONN);
    if (listener.Get() < 0) {
        std::perror("jostle_test_http_server: listen");
        return 1;
    }
    const Endpoint bound = BoundEndpoint(listener.Get(), *local);
    const std::uint16_t port = PortOf(bound);
    const auto fillers = backlog ? FillBacklog(bound) : std::vector<FileDescriptor>();
    if (!options->readyFile.empty() && !WriteReadyFile(options->readyFile, port)) {
        std::perror("jostle_test_http_server: ready file");
        return 1;
    }
    std::printf("READY %u\n", static_cast<unsigned>(port));
    std::fflush(stdout);
    Server(*options, std::move(listener)).Run(deadline);
    return 0;
}
