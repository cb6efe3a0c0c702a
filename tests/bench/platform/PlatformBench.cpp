// One keep-alive attempt over loopback, three ways, in one run:
//   PlainPosix     connect, send the request, wait for the first reply bytes
//   SocketNetwork      the same through SocketNetwork and its socket events
//   EngineAttempt  the engine's attempt from the period's end to the success,
//                  on the real network and timers (settings kept in memory)
// The platform's cost is SocketNetwork / PlainPosix; the goal is at most 1.5.
//
// Runs only inside the private network namespace, where it starts its own
// server on 127.0.0.1:80:
//   tests/netns.sh build/tests/bench/platform/bench_platform
#include "platform/core/SocketNetwork.h"
#include "tests/integration/platform/PlatformRig.h"
#include "tests/integration/platform/TestServer.h"
#include "tests/support/EventLoop.h"
#include "tests/support/PrivateNetwork.h"

#include <QCoreApplication>
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace jostle {
namespace {

const std::uint32_t kLoopback = htonl(INADDR_LOOPBACK);
constexpr std::uint16_t kHttpPort = 80;
const std::string kRequest = "GET / HTTP/1.0\r\nConnection: Keep-Alive\r\nUser-Agent: Mozilla/3.0 "
                             "(Win95; I)\r\nHost: 127.0.0.1\r\nAccept: image/gif, image/jpeg, "
                             "*/*\r\n\r\n";
constexpr int kIterations = 1000;
constexpr int kRepetitions = 5;

void PlainPosix(benchmark::State& state) {
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_addr.s_addr = kLoopback;
    remote.sin_port = htons(kHttpPort);
    for (auto _ : state) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote) != 0) {
            state.SkipWithError("connect failed");
            ::close(fd);
            break;
        }
        ::send(fd, kRequest.data(), kRequest.size(), MSG_NOSIGNAL);
        char buffer[1026] = {};
        benchmark::DoNotOptimize(::recv(fd, buffer, 1024, 0));
        ::close(fd);
    }
}

// Counts the first reply bytes of each connection, as the engine does.
class FirstReplySink : public INetworkEvents {
public:
    explicit FirstReplySink(SocketNetwork& network) : m_network(network) {}
    void OnLocalHostFound(const std::optional<HostEntry>&) override {}
    void OnTargetHostFound(const std::optional<HostEntry>&) override {}
    void OnReadable(SocketHandle socket) override {
        char buffer[1026] = {};
        replies += m_network.Receive(socket, buffer, 1024) > 0 ? 1 : 0;
    }
    void OnClosed(SocketHandle) override {}
    int replies = 0;

private:
    SocketNetwork& m_network;
};

void SocketNetworkAttempt(benchmark::State& state) {
    SocketNetwork network;
    FirstReplySink sink(network);
    network.SetEventSink(&sink);
    for (auto _ : state) {
        const int before = sink.replies;
        const ConnectResult result = network.Connect(IpAddress::FromV4(kLoopback), kHttpPort);
        if (result.status != ConnectStatus::Connected || !network.Watch(result.socket)) {
            state.SkipWithError("connect failed");
            break;
        }
        network.Send(result.socket, kRequest.data(), kRequest.size());
        test::PumpUntil([&] { return sink.replies > before; }, 5000);
        network.Close(result.socket);
    }
}

// The engine armed on 127.0.0.1 in test mode; each iteration ends the period
// by hand and runs the event loop until the attempt has counted its success.
void EngineAttempt(benchmark::State& state) {
    test::RecordingSettings settings;
    settings.Set("ComboName0", "127.0.0.1");
    settings.Set("Debug", "1");
    settings.Set("AutoStart", "0");
    test::PlatformRig rig(settings);
    rig.Start();
    if (!test::PumpUntil([&] { return rig.Successes() == 1; }, 10000)) {
        state.SkipWithError("the engine's first attempt failed");
        return;
    }
    for (auto _ : state) {
        const int before = rig.Successes();
        rig.EndPeriod();
        test::PumpUntil([&] { return rig.Successes() > before; }, 5000);
    }
}

BENCHMARK(PlainPosix)
    ->Iterations(kIterations)
    ->Repetitions(kRepetitions)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(SocketNetworkAttempt)
    ->Iterations(kIterations)
    ->Repetitions(kRepetitions)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(EngineAttempt)
    ->Iterations(kIterations)
    ->Repetitions(kRepetitions)
    ->DisplayAggregatesOnly(true)
    ->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace jostle

int main(int argc, char** argv) {
    JOSTLE_REQUIRE_PRIVATE_NETWORK();
    QCoreApplication application(argc, argv);
    jostle::test::TestServer server("normal", jostle::test::TestServer::Recording::Off);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
