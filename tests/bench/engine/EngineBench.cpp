// Simulated time through the core: a day of one-minute cycles with random
// time, where every attempt connects, sends, gets a reply and is closed by the
// peer, with the countdown shown every second and without; and an hour without
// a network.
#include "tests/unit/engine/EngineRig.h"

#include <benchmark/benchmark.h>

namespace jostle::test {
namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;
// What an engine that never rests managed on a real offline machine.
constexpr int kFailuresPerSecondWithoutRest = 7700;

// Keeps the fakes' records from growing over the simulated time.
void ForgetRecords(EngineRig& rig) {
    rig.network.targetLookups.clear();
    rig.network.connects.clear();
    rig.network.watched.clear();
    rig.network.sends.clear();
    rig.network.receives.clear();
    rig.network.closes.clear();
    rig.trayShell.records.clear();
    rig.statusHistory.clear();
    rig.countdownHistory.clear();
    rig.settings.writes.clear();
}

// From expiry to expiry; the countdown, when shown, ticks in between.
void RunOneDay(EngineRig& rig) {
    const std::int64_t end = rig.clock.monotonic + kSecondsPerDay * kSecond;
    while (rig.clock.monotonic < end) {
        rig.timers.Advance(rig.Snapshot().millisecondsToExpiry.value_or(kSecond));
        if (!rig.network.sends.empty()) {
            const SocketHandle socket = rig.LastSocket();
            rig.network.Readable(socket);
            rig.network.Closed(socket);
            ForgetRecords(rig);
        }
    }
}

// Argument: 1 when the countdown is shown.
void BM_OneDayOfOneMinuteCycles(benchmark::State& state) {
    int attempts = 0;
    int wakes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EngineRig rig;
        rig.settings.Set("RandomTime", "1");
        rig.InitializeWith({"127.0.0.1"}, true, state.range(0) != 0);
        rig.periodEdit.SetText("1");
        rig.StartArmed();
        state.ResumeTiming();
        RunOneDay(rig);
        attempts = rig.Count().successes;
        wakes = rig.timers.wakes;
    }
    state.counters["attempts_per_day"] = attempts;
    state.counters["wakes_per_day"] = wakes;
}

BENCHMARK(BM_OneDayOfOneMinuteCycles)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// An hour on a machine without a network, with the default 25-minute period:
// the lookup of every name fails at once.
void BM_OneHourOffline(benchmark::State& state) {
    std::size_t attempts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        EngineRig rig;
        rig.InitializeWith({"alpha.test", "beta.test", "gamma.test", "delta.test", "eta.test"});
        rig.StartArmed();
        state.ResumeTiming();
        attempts = 0;
        for (int second = 0; second < 60 * 60; ++second) {
            rig.Tick();
            rig.FailLookups(kFailuresPerSecondWithoutRest);
            attempts += rig.network.targetLookups.size() + rig.network.connects.size();
            ForgetRecords(rig);
        }
    }
    state.counters["attempts_per_hour"] = static_cast<double>(attempts);
}

BENCHMARK(BM_OneHourOffline)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace jostle::test

BENCHMARK_MAIN();
