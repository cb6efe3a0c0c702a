// SocketNetwork where loopback has lost its IPv4 address, inside the namespace
// of tests/netns_ipv6.sh: its hosts file gives v6only.jostle.test ::1 alone,
// dual.jostle.test 127.0.0.1 and ::1, and this machine's name ::1 alone. The
// test server listens on [::1]:80.
#include "platform/core/ConnectStop.h"
#include "platform/core/LocalAddress.h"
#include "platform/core/SocketNetwork.h"
#include "tests/integration/platform/NetworkRecorder.h"
#include "tests/integration/platform/TestServer.h"
#include "tests/support/EventLoop.h"

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace jostle {
namespace {

using test::kHttpPort;
using test::kLoopback;
using test::PumpUntil;
using test::RecordingSink;
using test::SocketEvent;
using test::TestServer;

const IpAddress kIpv6Loopback = *ParseIpv6Literal("::1");
const std::string kRequest = test::Request("[::1]");

class Ipv6NetworkTest : public ::testing::Test {
protected:
    HostEntry LookUp(const std::string& name) {
        sink.targetLookups.clear();
        network.LookupTarget(name);
        EXPECT_TRUE(PumpUntil([this] { return !sink.targetLookups.empty(); }, 10000));
        const auto& entry = sink.targetLookups.front().entry;
        return entry.value_or(HostEntry{});
    }
    // Connects, sends the request and reads the reply to its end.
    void ExchangeWith(const IpAddress& address) {
        const int closedBefore = sink.Count(SocketEvent::Closed);
        const ConnectResult result = network.Connect(address, kHttpPort);
        ASSERT_EQ(result.status, ConnectStatus::Connected);
        ASSERT_TRUE(network.Watch(result.socket));
        network.Send(result.socket, kRequest.data(), kRequest.size());
        ASSERT_TRUE(PumpUntil(
            [this, closedBefore] { return sink.Count(SocketEvent::Closed) > closedBefore; }, 5000));
    }

    SocketNetwork network;
    RecordingSink sink{network, 1024};
};

TEST_F(Ipv6NetworkTest, LookupsKeepEachFamilyAndTheOwnAddressIsIpv6) {
    const std::vector<IpAddress> v6 = {kIpv6Loopback};
    const HostEntry v6only = LookUp("v6only.jostle.test");
    EXPECT_TRUE(v6only.ipv4Addresses.empty());
    EXPECT_EQ(v6only.ipv6Addresses, v6);
    const HostEntry dual = LookUp("dual.jostle.test");
    EXPECT_EQ(dual.ipv4Addresses, std::vector<IpAddress>{kLoopback});
    EXPECT_EQ(dual.ipv6Addresses, v6);
    EXPECT_EQ(LookUp("[::1]").ipv6Addresses, v6);

    EXPECT_FALSE(FindLocalAddress().has_value()); // ::1 is loopback
    network.LookupLocalHost(network.HostName());
    ASSERT_TRUE(PumpUntil([this] { return !sink.localLookups.empty(); }, 10000));
    const std::optional<HostEntry>& own = sink.localLookups.front().entry;
    ASSERT_TRUE(own.has_value());
    EXPECT_TRUE(own->ipv4Addresses.empty());
    EXPECT_EQ(own->ipv6Addresses, v6);
}

// The IPv4 connect of a name with both families fails for want of a route, at
// once; its IPv6 address is reached, and so is ::1 typed as it is.
TEST_F(Ipv6NetworkTest, WithoutAnIpv4RouteTheIpv6AddressIsReached) {
    TestServer server("normal", TestServer::Recording::On, "::1");
    const HostEntry dual = LookUp("dual.jostle.test");
    ASSERT_FALSE(dual.ipv4Addresses.empty());
    const auto started = std::chrono::steady_clock::now();
    const ConnectResult v4 = network.Connect(dual.ipv4Addresses.front(), kHttpPort);
    EXPECT_EQ(v4.status, ConnectStatus::NoRoute);
    EXPECT_EQ(v4.socket, kNoSocket);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));

    ASSERT_FALSE(dual.ipv6Addresses.empty());
    ExchangeWith(dual.ipv6Addresses.front());
    EXPECT_EQ(sink.received.rfind("HTTP/1.0 200 OK\r\n", 0), 0U);
    EXPECT_TRUE(sink.received.ends_with("</html>"));
    EXPECT_EQ(server.Recorded(1), kRequest);

    ExchangeWith(LookUp("::1").ipv6Addresses.at(0));
    EXPECT_EQ(server.Recorded(2), kRequest);
}

// Hostile peers over IPv6: a reset comes as one close, and a host that never
// answers is given up on after the time-out, and at once on a stop.
TEST_F(Ipv6NetworkTest, HostilePeersAreHandledAsOverIpv4) {
    {
        TestServer server("reset", TestServer::Recording::Off, "::1");
        ExchangeWith(kIpv6Loopback);
        EXPECT_EQ(sink.Count(SocketEvent::Closed), 1);
    }
    TestServer server("backlog", TestServer::Recording::Off, "::1");
    SocketNetwork bounded({.connectTimeout = std::chrono::milliseconds(300)});
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(bounded.Connect(kIpv6Loopback, kHttpPort).status, ConnectStatus::ConnectFailed);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300));

    const int stop = ::eventfd(1, EFD_CLOEXEC); // readable from the start
    ASSERT_NE(stop, -1);
    SetConnectStopDescriptor(stop);
    started = std::chrono::steady_clock::now();
    const ConnectResult stopped = network.Connect(kIpv6Loopback, kHttpPort);
    const auto waited = std::chrono::steady_clock::now() - started;
    SetConnectStopDescriptor(-1);
    ::close(stop);
    EXPECT_EQ(stopped.status, ConnectStatus::ConnectFailed);
    EXPECT_LT(waited, std::chrono::milliseconds(200));
}

// Once loopback has its IPv4 address back, a name with both families is
// reached over IPv4 as ever.
TEST_F(Ipv6NetworkTest, WithIpv4PresentTheIpv4ConnectSucceeds) {
    ASSERT_EQ(std::system("ip addr add 127.0.0.1/8 dev lo"), 0);
    TestServer server("normal");
    const HostEntry dual = LookUp("dual.jostle.test");
    ASSERT_FALSE(dual.ipv4Addresses.empty());
    ExchangeWith(dual.ipv4Addresses.front());
    EXPECT_EQ(server.RecordedConnections(), 1);
}

} // namespace
} // namespace jostle
