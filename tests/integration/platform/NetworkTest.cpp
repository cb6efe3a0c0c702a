// SocketNetwork against real sockets on loopback, inside the private namespace.
#include "platform/core/ConnectStop.h"
#include "platform/core/LocalAddress.h"
#include "platform/core/SocketNetwork.h"
#include "tests/integration/platform/NetworkRecorder.h"
#include "tests/integration/platform/TestServer.h"
#include "tests/support/EventLoop.h"

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

using test::kHttpPort;
using test::kLoopback;
using test::Lookup;
using test::PumpFor;
using test::PumpUntil;
using test::RecordingSink;
using test::SocketEvent;
using test::TestServer;

const std::string kRequest = test::Request("127.0.0.1");

class NetworkTest : public ::testing::Test {
protected:
    // Connects to the local port 80, watches and sends a request.
    SocketHandle Open() {
        const ConnectResult result = network.Connect(kLoopback, kHttpPort);
        EXPECT_EQ(result.status, ConnectStatus::Connected);
        EXPECT_TRUE(network.Watch(result.socket));
        EXPECT_EQ(network.Send(result.socket, kRequest.data(), kRequest.size()),
                  static_cast<long>(kRequest.size()));
        return result.socket;
    }
    bool PumpUntilClosed(int timeoutMilliseconds = 5000) {
        return PumpUntil([this] { return sink.Count(SocketEvent::Closed) > 0; },
                         timeoutMilliseconds);
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
    EXPECT_EQ(sink.Count(SocketEvent::Closed), 1);
    EXPECT_GE(sink.Count(SocketEvent::Readable), 1);
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
    EXPECT_TRUE(sink.received.ends_with("</html>"));
    for (const auto& [eventSocket, event] : sink.events) {
        EXPECT_EQ(eventSocket, socket);
    }
    EXPECT_EQ(server.Recorded(), kRequest);
}

// The readable event repeats while unread data remains, one per Receive.
TEST_F(NetworkTest, ReadableRepeatsUntilAllDataIsReceived) {
    TestServer server("normal");
    RecordingSink smallReads(network, 10);
    Open();
    ASSERT_TRUE(PumpUntil([&] { return smallReads.Count(SocketEvent::Closed) > 0; }, 5000));
    EXPECT_TRUE(smallReads.received.ends_with("</html>"));
    const auto reads = static_cast<std::size_t>(smallReads.Count(SocketEvent::Readable));
    EXPECT_EQ(reads, (smallReads.received.size() + 9) / 10);
    EXPECT_EQ(smallReads.events.back().second, SocketEvent::Closed);
}

TEST_F(NetworkTest, ReplyInSeveralPacketsGivesSeveralReadsAndAllBytes) {
    TestServer server("packets");
    Open();
    ASSERT_TRUE(PumpUntilClosed());
    EXPECT_GE(sink.Count(SocketEvent::Readable), 3);
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
    EXPECT_TRUE(sink.received.ends_with("</html>"));
    EXPECT_EQ(sink.Count(SocketEvent::Closed), 1);
}

TEST_F(NetworkTest, PeerClosingWithoutDataGivesCloseAndNoRead) {
    TestServer server("close");
    Open();
    ASSERT_TRUE(PumpUntilClosed());
    PumpFor(200);
    EXPECT_EQ(sink.Count(SocketEvent::Readable), 0);
    EXPECT_EQ(sink.Count(SocketEvent::Closed), 1);
    EXPECT_EQ(server.Recorded(), kRequest);
}

TEST_F(NetworkTest, ResetInTheMiddleOfTheReplyGivesCloseOnce) {
    TestServer server("reset");
    Open();
    ASSERT_TRUE(PumpUntilClosed());
    PumpFor(300);
    EXPECT_EQ(sink.Count(SocketEvent::Closed), 1);
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
}

// Nothing is reported for a socket merely being writable.
TEST_F(NetworkTest, SilentPeerGivesNoEvent) {
    TestServer server("silent");
    const SocketHandle socket = Open();
    PumpFor(500);
    EXPECT_TRUE(sink.events.empty());
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
    EXPECT_GE(static_cast<std::size_t>(sink.Count(SocketEvent::Readable)), body / 1024);
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
    // Watched in its turn, the new socket reports as it should.
    ASSERT_TRUE(network.Watch(second.socket));
    ASSERT_TRUE(PumpUntilClosed());
    EXPECT_TRUE(sink.received.ends_with("</html>"));
}

TEST_F(NetworkTest, CallsOnUnknownSocketsFail) {
    char buffer[16];
    EXPECT_FALSE(network.Watch(12345));
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
        EXPECT_FALSE(lookup.entry.has_value());
        EXPECT_TRUE(lookup.onLoopThread);
    }
}

std::atomic<int> g_resolverResult{0};

int FailingResolver(const char* /*name*/, const char* /*service*/, const addrinfo* /*hints*/,
                    addrinfo** /*result*/) {
    return g_resolverResult.load();
}

// Whatever the resolver's trouble, the lookup reports no entry.
TEST(LookupErrorsTest, ResolverFailuresGiveNoEntry) {
    SocketNetwork failing({.resolve = FailingResolver});
    RecordingSink sink(failing, 1024);
    for (const int resolverError : {EAI_NONAME, EAI_AGAIN, EAI_SYSTEM}) {
        g_resolverResult = resolverError;
        sink.targetLookups.clear();
        failing.LookupTarget("some.name");
        ASSERT_TRUE(PumpUntil([&sink] { return !sink.targetLookups.empty(); }, 5000));
        EXPECT_FALSE(sink.targetLookups.front().entry.has_value()) << gai_strerror(resolverError);
    }
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
    void OnLocalHostFound(const std::optional<HostEntry>& /*entry*/) override { ++answers; }
    void OnTargetHostFound(const std::optional<HostEntry>& /*entry*/) override { ++answers; }
    void OnReadable(SocketHandle /*socket*/) override {}
    void OnClosed(SocketHandle /*socket*/) override {}
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

// Addresses of either family need no resolver; IPv6 ones come bare or in brackets.
TEST_F(NetworkTest, LookupOfLoopbackNamesGivesTheLoopbackAddress) {
    const std::set<std::string> names = {"localhost", "127.0.0.1", "::1", "[::1]"};
    for (const std::string& name : names) {
        network.LookupTarget(name);
    }
    EXPECT_TRUE(sink.targetLookups.empty());
    ASSERT_TRUE(PumpUntil([&] { return sink.targetLookups.size() == names.size(); }, 10000));
    // Completions come in any order; each names what was looked up.
    std::set<std::string> answered;
    for (const Lookup& lookup : sink.targetLookups) {
        EXPECT_TRUE(lookup.onLoopThread);
        ASSERT_TRUE(lookup.entry.has_value());
        const HostEntry& entry = *lookup.entry;
        answered.insert(entry.officialName.value_or(""));
        if (entry.officialName->find(':') != std::string::npos) {
            EXPECT_TRUE(entry.ipv4Addresses.empty());
            ASSERT_EQ(entry.ipv6Addresses.size(), 1U);
            EXPECT_EQ(AddressText(entry.ipv6Addresses.front()), "::1");
        } else {
            ASSERT_FALSE(entry.ipv4Addresses.empty());
            EXPECT_EQ(entry.ipv4Addresses.front(), kLoopback);
        }
    }
    EXPECT_EQ(answered, names);
}

// Inside the namespace only lo exists: no default route and no other
// interface, so the address comes from the host name, which the hosts file
// maps to a loopback address. A failure must come as no entry, not an address.
TEST_F(NetworkTest, LocalLookupGivesOneLoopbackAddressOrNothing) {
    const std::string hostName = network.HostName();
    EXPECT_FALSE(hostName.empty());
    EXPECT_FALSE(FindLocalAddress().has_value());
    network.LookupLocalHost(hostName);
    EXPECT_TRUE(sink.localLookups.empty());
    ASSERT_TRUE(PumpUntil([this] { return !sink.localLookups.empty(); }, 10000));
    const std::optional<HostEntry>& entry = sink.localLookups.front().entry;
    if (!entry) {
        return;
    }
    EXPECT_EQ(entry->officialName, hostName);
    ASSERT_EQ(entry->ipv4Addresses.size() + entry->ipv6Addresses.size(), 1U);
    if (!entry->ipv4Addresses.empty()) {
        EXPECT_EQ(entry->ipv4Addresses.front().bytes[0], 127U);
    }
}

TEST_F(NetworkTest, LocalLookupOfNoNameFails) {
    network.LookupLocalHost("");
    ASSERT_TRUE(PumpUntil([this] { return !sink.localLookups.empty(); }, 5000));
    EXPECT_FALSE(sink.localLookups.front().entry.has_value());
}

IpAddress Address(const char* text) {
    if (const auto v6 = ParseIpv6Literal(text)) {
        return *v6;
    }
    in_addr address{};
    inet_pton(AF_INET, text, &address);
    return IpAddress::FromV4(address.s_addr);
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

// Laid out as the kernel writes it; its unreachable default on lo is no default route.
TEST(LocalAddressTest, DefaultIpv6RouteInterfaceIsFoundInTheRouteTable) {
    const std::string zero(32, '0');
    const std::string unreachable =
        zero + " 00 " + zero + " 00 " + zero + " ffffffff 00000001 00000000 00200200       lo\n";
    const std::string network = "20010db8000000000000000000000000 40 " + zero + " 00 " + zero +
                                " 00000100 00000001 00000000 00000001     eth0\n";
    const std::string viaWlan = zero + " 00 " + zero + " 00 fe800000000000000000000000000001" +
                                " 00000400 00000002 00000000 00000003   wlan0\n";
    EXPECT_EQ(DefaultIpv6RouteInterface(unreachable + network + viaWlan), "wlan0");
    EXPECT_EQ(DefaultIpv6RouteInterface(unreachable + network), std::nullopt);
    EXPECT_EQ(DefaultIpv6RouteInterface("broken line\n" + zero + " 00 zz\n"), std::nullopt);
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
}

// The same for IPv6, where link-local addresses never count.
TEST(LocalAddressTest, ChoosesAGlobalIpv6AddressTheSameWay) {
    const std::vector<InterfaceAddress> interfaces = {
        {"lo", Address("::1"), true},
        {"eth0", Address("fe80::1"), false},
        {"eth0", Address("2001:db8::5"), false},
        {"wlan0", Address("2001:db8:1::7"), false},
        {"wlan0", Address("fe80::2"), false},
    };
    EXPECT_EQ(ChooseLocalAddress(interfaces, "eth0"), Address("2001:db8::5"));
    EXPECT_EQ(ChooseLocalAddress(interfaces, std::nullopt), Address("2001:db8:1::7"));
    EXPECT_EQ(ChooseLocalAddress({interfaces[0], interfaces[1]}, "eth0"), std::nullopt);
}

TEST(IpAddressTest, LiteralsAndTheirTexts) {
    EXPECT_EQ(AddressText(Address("[2001:DB8:0:0::5]")), "2001:db8::5");
    EXPECT_EQ(AddressText(Address("192.0.2.7")), "192.0.2.7");
    const std::vector<std::string> notLiterals = {
        "192.0.2.7", "[::1",           "::1]",      "[]",
        "",          "2001:db8::5::1", "localhost", std::string("::1\0junk", 8)};
    for (const std::string& text : notLiterals) {
        EXPECT_FALSE(ParseIpv6Literal(text).has_value()) << text;
    }
    EXPECT_EQ(HostHeaderText("2001:db8::5"), "[2001:db8::5]");
    EXPECT_EQ(HostHeaderText("192.0.2.7"), "192.0.2.7");
}

} // namespace
} // namespace jostle
