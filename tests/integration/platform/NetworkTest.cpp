// SocketNetwork against real sockets on loopback, inside the private namespace.
#include "engine/EngineText.h"
#include "platform/core/ConnectStop.h"
#include "platform/core/LocalAddress.h"
#include "platform/core/SocketNetwork.h"
#include "res/ResourceIds.h"
#include "tests/integration/platform/TestServer.h"
#include "tests/support/EventLoop.h"

#include <QCoreApplication>
#include <QThread>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace jostle {
namespace {

using test::PumpFor;
using test::PumpUntil;
using test::TestServer;

const std::uint32_t kLoopback = htonl(INADDR_LOOPBACK);
constexpr std::uint16_t kHttpPort = 80;
const std::string kRequest = "GET / HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n";

struct SocketEvent {
    SocketHandle socket;
    int event;
};

struct Lookup {
    int error;
    HostEntry entry;
    bool onLoopThread; // the engine is single-threaded
};

bool OnLoopThread() {
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Reads like the engine: on FD_READ one Receive of at most readSize bytes,
// on FD_CLOSE Close.
class RecordingSink : public INetworkEvents {
public:
    RecordingSink(SocketNetwork& network, std::size_t readSize)
        : m_network(network), m_readSize(readSize) {
        m_network.SetEventSink(this);
    }
    ~RecordingSink() override { m_network.SetEventSink(nullptr); }
    RecordingSink(const RecordingSink&) = delete;
    RecordingSink& operator=(const RecordingSink&) = delete;

    void OnLocalHostFound(int error, const HostEntry& entry) override {
        localLookups.push_back({error, entry, OnLoopThread()});
    }
    void OnTargetHostFound(int error, const HostEntry& entry) override {
        targetLookups.push_back({error, entry, OnLoopThread()});
    }
    void OnSocketEvent(SocketHandle socket, int event) override {
        events.push_back({socket, event});
        if (event == FD_READ) {
            char buffer[1026] = {};
            const long count = m_network.Receive(socket, buffer, m_readSize);
            if (count > 0) {
                receivedBytes += static_cast<std::size_t>(count);
                const std::size_t room = kKeptBytes - std::min(kKeptBytes, received.size());
                received.append(buffer, std::min(room, static_cast<std::size_t>(count)));
            }
        } else if (event == FD_CLOSE) {
            m_network.Close(socket);
        }
    }

    int Count(int event) const {
        int count = 0;
        for (const SocketEvent& entry : events) {
            count += entry.event == event ? 1 : 0;
        }
        return count;
    }

    std::vector<SocketEvent> events;
    std::vector<Lookup> localLookups;
    std::vector<Lookup> targetLookups;
    static constexpr std::size_t kKeptBytes = 4096;
    std::string received; // the first kKeptBytes bytes
    std::size_t receivedBytes = 0;

private:
    SocketNetwork& m_network;
    std::size_t m_readSize;
};

class NetworkTest : public ::testing::Test {
protected:
    // Connects to the local port 80, selects and sends a request.
    SocketHandle Open() {
        const ConnectResult result = network.Connect(kLoopback, kHttpPort);
        EXPECT_EQ(result.status, ConnectStatus::Connected);
        EXPECT_TRUE(network.Select(result.socket));
        EXPECT_EQ(network.Send(result.socket, kRequest.data(), kRequest.size()),
                  static_cast<long>(kRequest.size()));
        return result.socket;
    }
    bool PumpUntilClosed(int timeoutMilliseconds = 5000) {
        return PumpUntil([this] { return sink.Count(FD_CLOSE) > 0; }, timeoutMilliseconds);
    }

    SocketNetwork network;
    RecordingSink sink{network, 1024};
};

long ResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

TEST_F(NetworkTest, ConnectToAPortWithoutListenerFailsAtOnce) {
    const auto started = std::chrono::steady_clock::now();
    const ConnectResult result = network.Connect(kLoopback, kHttpPort);
    EXPECT_EQ(result.status, ConnectStatus::ConnectFailed);
    EXPECT_EQ(result.socket, kNoSocket);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
}

// A connect waits on its own time-out, 15 s unless told otherwise.
TEST(ConnectTimeoutTest, ConnectToAHostThatNeverAnswersGivesUpAfterTheTimeOut) {
    EXPECT_EQ(NetworkOptions{}.connectTimeout, std::chrono::seconds(15));
    TestServer server("backlog");
    SocketNetwork network({.connectTimeout = std::chrono::milliseconds(300)});
    const auto started = std::chrono::steady_clock::now();
    const ConnectResult result = network.Connect(kLoopback, kHttpPort);
    const auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(result.status, ConnectStatus::ConnectFailed);
    EXPECT_GE(waited, std::chrono::milliseconds(300));
    EXPECT_LE(waited, std::chrono::seconds(2));
}

// A stop signal must not wait for the time-out: the connect gives up as soon
// as the stop descriptor turns readable, and from then on at once.
TEST(ConnectTimeoutTest, ConnectToAHostThatNeverAnswersEndsOnAStop) {
    TestServer server("backlog");
    SocketNetwork network;
    const int stop = ::eventfd(0, EFD_CLOEXEC);
    ASSERT_NE(stop, -1);
    SetConnectStopDescriptor(stop);
    std::thread stopper([stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::uint64_t one = 1;
        EXPECT_EQ(::write(stop, &one, sizeof one), static_cast<ssize_t>(sizeof one));
    });
    const auto started = std::chrono::steady_clock::now();
    const ConnectResult result = network.Connect(kLoopback, kHttpPort);
    const auto waited = std::chrono::steady_clock::now() - started;
    stopper.join();
    const auto againStarted = std::chrono::steady_clock::now();
    const ConnectResult again = network.Connect(kLoopback, kHttpPort);
    const auto againWaited = std::chrono::steady_clock::now() - againStarted;
    SetConnectStopDescriptor(-1);
    ::close(stop);
    EXPECT_EQ(result.status, ConnectStatus::ConnectFailed);
    EXPECT_GE(waited, std::chrono::milliseconds(200));
    EXPECT_LT(waited, std::chrono::seconds(1));
    EXPECT_EQ(again.status, ConnectStatus::ConnectFailed);
    EXPECT_LT(againWaited, std::chrono::milliseconds(100));
}

TEST_F(NetworkTest, NormalReplyIsReadWholeThenClosedOnce) {
    TestServer server("normal");
    const SocketHandle socket = Open();
    ASSERT_TRUE(PumpUntilClosed());
    PumpFor(200);
    EXPECT_EQ(sink.Count(FD_WRITE), 1);
    EXPECT_EQ(sink.Count(FD_CLOSE), 1);
    EXPECT_GE(sink.Count(FD_READ), 1);
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
    EXPECT_TRUE(sink.received.ends_with("</html>"));
    for (const SocketEvent& event : sink.events) {
        EXPECT_EQ(event.socket, socket);
    }
    EXPECT_EQ(server.Recorded(), kRequest);
}

// The readable event repeats while unread data remains, one per Receive.
TEST_F(NetworkTest, ReadableRepeatsUntilAllDataIsReceived) {
    TestServer server("normal");
    RecordingSink smallReads(network, 10);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return smallReads.Count(FD_CLOSE) > 0; }, 5000));
    EXPECT_TRUE(smallReads.received.ends_with("</html>"));
    const auto reads = static_cast<std::size_t>(smallReads.Count(FD_READ));
    EXPECT_EQ(reads, (smallReads.received.size() + 9) / 10);
    EXPECT_EQ(smallReads.events.back().event, FD_CLOSE);
}

TEST_F(NetworkTest, ReplyInSeveralPacketsGivesSeveralReadsAndAllBytes) {
    TestServer server("packets");
    Open();
    ASSERT_TRUE(PumpUntilClosed());
    EXPECT_GE(sink.Count(FD_READ), 3);
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
    EXPECT_TRUE(sink.received.ends_with("</html>"));
    EXPECT_EQ(sink.Count(FD_CLOSE), 1);
}

TEST_F(NetworkTest, PeerClosingWithoutDataGivesCloseAndNoRead) {
    TestServer server("close");
    Open();
    ASSERT_TRUE(PumpUntilClosed());
    PumpFor(200);
    EXPECT_EQ(sink.Count(FD_READ), 0);
    EXPECT_EQ(sink.Count(FD_CLOSE), 1);
    EXPECT_EQ(server.Recorded(), kRequest);
}

TEST_F(NetworkTest, ResetInTheMiddleOfTheReplyGivesCloseOnce) {
    TestServer server("reset");
    Open();
    ASSERT_TRUE(PumpUntilClosed());
    PumpFor(300);
    EXPECT_EQ(sink.Count(FD_CLOSE), 1);
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
}

TEST_F(NetworkTest, SilentPeerGivesNoEventButWrite) {
    TestServer server("silent");
    const SocketHandle socket = Open();
    PumpFor(500);
    ASSERT_EQ(sink.events.size(), 1U);
    EXPECT_EQ(sink.events.front().event, FD_WRITE);
    network.Close(socket);
}

TEST_F(NetworkTest, FloodIsReadThroughAFixedBufferWithFlatMemory) {
    TestServer server("flood");
    const long residentBefore = ResidentKilobytes();
    Open();
    ASSERT_TRUE(PumpUntilClosed(60000));
    const long growth = ResidentKilobytes() - residentBefore;
    const std::size_t body = 10U * 1024U * 1024U;
    const std::size_t headerEnd = sink.received.find("\r\n\r\n");
    ASSERT_NE(headerEnd, std::string::npos);
    EXPECT_EQ(sink.receivedBytes - headerEnd - 4, body);
    EXPECT_EQ(sink.received.find_first_not_of('x', headerEnd + 4), std::string::npos);
    EXPECT_GE(static_cast<std::size_t>(sink.Count(FD_READ)), body / 1024);
    // Only the event log grows (8 bytes an event); the reply itself is never held.
    EXPECT_LT(growth, 2 * 1024);
}

// Events of a closed socket never arrive, even when a new socket gets its number.
TEST_F(NetworkTest, ClosedSocketReportsNothingEvenWhenItsNumberIsReused) {
    TestServer server("normal");
    const SocketHandle first = Open();
    network.Close(first);
    const ConnectResult second = network.Connect(kLoopback, kHttpPort);
    ASSERT_EQ(second.status, ConnectStatus::Connected);
    EXPECT_EQ(second.socket, first); // the lowest free number comes back
    EXPECT_EQ(network.Send(second.socket, kRequest.data(), kRequest.size()),
              static_cast<long>(kRequest.size()));
    PumpFor(500);
    EXPECT_TRUE(sink.events.empty());
    // Selected in its turn, the new socket reports as it should.
    ASSERT_TRUE(network.Select(second.socket));
    ASSERT_TRUE(PumpUntilClosed());
    EXPECT_EQ(sink.Count(FD_WRITE), 1);
    EXPECT_TRUE(sink.received.ends_with("</html>"));
}

TEST_F(NetworkTest, CallsOnUnknownSocketsFail) {
    char buffer[16];
    EXPECT_FALSE(network.Select(12345));
    EXPECT_EQ(network.Send(12345, "x", 1), -1);
    EXPECT_EQ(network.Receive(12345, buffer, sizeof buffer), -1);
    network.Close(0); // not ours: standard input stays open
    EXPECT_NE(::fcntl(0, F_GETFD), -1);
}

TEST_F(NetworkTest, LookupOfAnInvalidNameFailsLater) {
    network.LookupTarget("no-such-host.invalid");
    network.LookupTarget("");
    EXPECT_TRUE(sink.targetLookups.empty()); // never from inside the call
    ASSERT_TRUE(PumpUntil([this] { return sink.targetLookups.size() == 2; }, 10000));
    for (const Lookup& lookup : sink.targetLookups) {
        EXPECT_NE(lookup.error, 0);
        EXPECT_TRUE(lookup.entry.addresses.empty());
        EXPECT_TRUE(lookup.onLoopThread);
    }
}

std::atomic<int> g_resolverResult{0};

int FailingResolver(const char* /*name*/, const char* /*service*/, const addrinfo* /*hints*/,
                    addrinfo** /*result*/) {
    return g_resolverResult.load();
}

// The resolver's failures reach the engine under the numbers it has always
// seen; an IPv6 address is a name without IPv4 address.
TEST(LookupErrorsTest, ResolverFailuresKeepTheirNumbers) {
    const std::vector<std::pair<int, int>> expected = {
        {EAI_NONAME, kLookupHostNotFound}, {EAI_NODATA, kLookupHostNotFound},
        {EAI_FAIL, kLookupHostNotFound},   {EAI_AGAIN, kLookupNoRecovery},
        {EAI_MEMORY, kLookupNoRecovery},   {EAI_SYSTEM, kLookupNoRecovery},
    };
    SocketNetwork failing({.resolve = FailingResolver});
    RecordingSink sink(failing, 1024);
    for (const auto& [resolverError, error] : expected) {
        g_resolverResult = resolverError;
        sink.targetLookups.clear();
        failing.LookupTarget("some.name");
        ASSERT_TRUE(PumpUntil([&sink] { return !sink.targetLookups.empty(); }, 5000));
        EXPECT_EQ(sink.targetLookups.front().error, error) << gai_strerror(resolverError);
    }
    SocketNetwork network;
    RecordingSink realSink(network, 1024);
    network.LookupTarget("::1");
    ASSERT_TRUE(PumpUntil([&realSink] { return !realSink.targetLookups.empty(); }, 5000));
    EXPECT_EQ(realSink.targetLookups.front().error, kLookupNoAddress);
}

int SlowResolver(const char* name, const char* service, const addrinfo* hints, addrinfo** result) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    return ::getaddrinfo(name, service, hints, result);
}

int ThreadCount() {
    return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                          std::filesystem::directory_iterator()));
}

// Counts answers; lives on after the network is gone.
struct AnswerCounter : INetworkEvents {
    void OnLocalHostFound(int /*error*/, const HostEntry& /*entry*/) override { ++answers; }
    void OnTargetHostFound(int /*error*/, const HostEntry& /*entry*/) override { ++answers; }
    void OnSocketEvent(SocketHandle /*socket*/, int /*event*/) override {}
    int answers = 0;
};

// A thread a lookup at most; stopping while lookups are out waits for them,
// so that no thread or answer outlives the network, and reports nothing.
TEST(LookupThreadTest, StoppingWhileLookupsAreOutWaitsForThemAndReportsNothing) {
    AnswerCounter sink;
    const int threadsBefore = ThreadCount();
    auto network = std::make_unique<SocketNetwork>(NetworkOptions{.resolve = SlowResolver});
    network->SetEventSink(&sink);
    network->LookupTarget("localhost");
    network->LookupTarget("no-such-host.invalid");
    network->LookupLocalHost(network->HostName());
    EXPECT_LE(ThreadCount(), threadsBefore + 3);
    const auto started = std::chrono::steady_clock::now();
    network.reset();
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
    EXPECT_EQ(ThreadCount(), threadsBefore);
    PumpFor(100);
    EXPECT_EQ(sink.answers, 0);
}

TEST_F(NetworkTest, LookupOfLoopbackNamesGivesTheLoopbackAddress) {
    network.LookupTarget("localhost");
    network.LookupTarget("127.0.0.1");
    EXPECT_TRUE(sink.targetLookups.empty());
    ASSERT_TRUE(PumpUntil([this] { return sink.targetLookups.size() == 2; }, 10000));
    for (const Lookup& lookup : sink.targetLookups) {
        EXPECT_EQ(lookup.error, 0);
        EXPECT_TRUE(lookup.onLoopThread);
        ASSERT_FALSE(lookup.entry.addresses.empty());
        EXPECT_EQ(lookup.entry.addresses.front(), kLoopback);
        EXPECT_EQ(lookup.entry.addressType, AF_INET);
    }
    // Completions come in any order; each names what was looked up.
    std::set<std::string> names;
    for (const Lookup& lookup : sink.targetLookups) {
        names.insert(lookup.entry.officialName.value_or(""));
    }
    EXPECT_EQ(names, (std::set<std::string>{"localhost", "127.0.0.1"}));
}

// Inside the namespace only lo exists: no default route and no other
// interface, so the address comes from the host name, which the hosts file
// maps to a loopback address. A failure must come as an error, not an address.
TEST_F(NetworkTest, LocalLookupGivesADottedAddressOrAnError) {
    const std::string hostName = network.HostName();
    EXPECT_FALSE(hostName.empty());
    EXPECT_FALSE(FindLocalAddress().has_value());
    network.LookupLocalHost(hostName);
    EXPECT_TRUE(sink.localLookups.empty());
    ASSERT_TRUE(PumpUntil([this] { return !sink.localLookups.empty(); }, 10000));
    const Lookup& lookup = sink.localLookups.front();
    if (lookup.error != 0) {
        EXPECT_TRUE(lookup.entry.addresses.empty());
        return;
    }
    EXPECT_EQ(lookup.entry.officialName, hostName);
    ASSERT_EQ(lookup.entry.addresses.size(), 1U);
    EXPECT_EQ(ntohl(lookup.entry.addresses.front()) >> 24, 127U);
}

TEST_F(NetworkTest, LocalLookupOfNoNameFailsWithAnError) {
    network.LookupLocalHost("");
    ASSERT_TRUE(PumpUntil([this] { return !sink.localLookups.empty(); }, 5000));
    EXPECT_NE(sink.localLookups.front().error, 0);
    EXPECT_TRUE(sink.localLookups.front().entry.addresses.empty());
}

std::uint32_t Address(const char* dotted) {
    in_addr address{};
    inet_pton(AF_INET, dotted, &address);
    return address.s_addr;
}

TEST(LocalAddressTest, DefaultRouteInterfaceIsFoundInTheRouteTable) {
    const std::string table(
        "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
        "wlan0\t0010A8C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
        "eth1\t00000000\t0101A8C0\t0000\t0\t0\t100\t00000000\t0\t0\t0\n"
        "eth0\t00000000\t0101A8C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n");
    EXPECT_EQ(DefaultRouteInterface(table), "eth0"); // eth1's route is not up
    const std::string none("Iface\tDestination\n"
                           "lo\t0000007F\t00000000\t0001\t0\t0\t0\t000000FF\t0\t0\t0\n");
    EXPECT_EQ(DefaultRouteInterface(none), std::nullopt);
    const std::string garbage("Iface\nbroken line\neth0 zz 0 1 0 0 0 00000000\n");
    EXPECT_EQ(DefaultRouteInterface(garbage), std::nullopt);
}

TEST(LocalAddressTest, ChoosesTheDefaultRouteInterfaceElseTheLastNonLoopback) {
    const std::vector<InterfaceAddress> interfaces = {
        {"lo", Address("127.0.0.1"), true},
        {"eth0", Address("192.168.1.5"), false},
        {"eth1", Address("10.0.0.7"), false},
    };
    EXPECT_EQ(ChooseLocalAddress(interfaces, "eth0"), Address("192.168.1.5"));
    EXPECT_EQ(ChooseLocalAddress(interfaces, std::nullopt), Address("10.0.0.7"));
    EXPECT_EQ(ChooseLocalAddress(interfaces, "ppp0"), Address("10.0.0.7"));
    EXPECT_EQ(ChooseLocalAddress({{"lo", Address("127.0.0.1"), true}}, std::nullopt), std::nullopt);
    EXPECT_EQ(DottedAddress(Address("10.0.0.7")), "10.0.0.7");
}

} // namespace
} // namespace jostle
