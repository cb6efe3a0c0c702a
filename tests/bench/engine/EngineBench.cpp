// 24 simulated hours of a one-minute cycle with random time through the core:
// every attempt connects, sends, gets a reply and is closed by the peer.
#include "tests/unit/engine/EngineRig.h"

#include <benchmark/benchmark.h>

namespace jostle::test {
namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;

// Keeps the fakes' records from growing over the simulated day.
void ForgetRecords(EngineRig& rig) {
    rig.network.connects.clear();
    rig.network.selected.clear();
    rig.network.sends.clear();
    rig.network.receives.clear();
    rig.network.closes.clear();
    rig.trayShell.records.clear();
    rig.statusText.history.clear();
    rig.countdownText.history.clear();
    rig.settings.writes.clear();
}

void RunOneDay(EngineRig& rig) {
    for (int second = 0; second < kSecondsPerDay; ++second) {
        rig.Tick();
        if (!rig.network.sends.empty()) {
            const SocketHandle socket = rig.LastSocket();
            rig.network.Deliver(socket, ids::FD_READ);
            rig.network.Deliver(socket, ids::FD_CLOSE);
            ForgetRecords(rig);
        }
    }
}

void BM_OneDayOfOneMinuteCycles(benchmark::State& state) {
    int attempts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EngineRig rig;
        rig.settings.Set("RandomTime", "1");
        rig.InitializeWith({"127.0.0.1"});
        rig.periodEdit.SetText("1");
        rig.StartArmed();
        state.ResumeTiming();
        RunOneDay(rig);
        attempts = rig.view->m_successCount;
    }
    state.counters["attempts_per_day"] = attempts;
}

BENCHMARK(BM_OneDayOfOneMinuteCycles)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace jostle::test

BENCHMARK_MAIN();
