// A day on the fake clock, run once with the countdown shown every second and
// once with nothing to show it: the attempts, the texts and the counters must
// not tell the two apart, and without the countdown nothing wakes between
// attempts.
#include "tests/unit/engine/EngineHarness.h"

#include <algorithm>
#include <gmock/gmock.h>

namespace jostle::test {
namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;
constexpr int kHour = 60 * 60;

struct DayCase {
    const char* name;
    bool randomTime = false;
    bool randomName = false;
    bool ignore = true;
    bool offlineHours = false; // every connect fails from 03:00 to 05:00
};

struct DayTrace {
    std::vector<std::int64_t> attempts; // the clock at each connect
    std::vector<std::int64_t> wakes;    // the clock at each timer firing
    std::vector<std::string> statuses;
    Counters counters;
};

// A user who finds the engine stopped starts it again on the next minute.
DayTrace RunDay(const DayCase& day, bool showsCountdown) {
    EngineRig rig;
    rig.settings.Set("RandomTime", day.randomTime ? "1" : "0");
    rig.settings.Set("RandomName", day.randomName ? "1" : "0");
    rig.InitializeWith({"127.0.0.1", "127.0.0.2", "127.0.0.3"}, day.ignore, showsCountdown);
    rig.periodEdit.SetText("1");
    rig.StartArmed();
    DayTrace trace;
    for (int second = 1; second <= kSecondsPerDay; ++second) {
        rig.network.connectsFail = day.offlineHours && second >= 3 * kHour && second < 5 * kHour;
        const int wakesBefore = rig.timers.wakes;
        const std::size_t connectsBefore = rig.network.connects.size();
        rig.Tick();
        if (rig.timers.wakes != wakesBefore) {
            trace.wakes.push_back(rig.clock.monotonic);
        }
        if (rig.network.connects.size() != connectsBefore) {
            trace.attempts.push_back(rig.clock.monotonic);
        }
        if (rig.LastSocket() != kNoSocket) {
            rig.ReplyToLast();
            rig.network.Closed(rig.LastSocket());
            rig.network.sends.clear();
        }
        if (rig.Snapshot().phase == Phase::Stopped && second % 60 == 0) {
            rig.Start();
        }
    }
    trace.statuses = rig.statusHistory;
    trace.counters = rig.Count();
    return trace;
}

class SimulatedDayTest : public ::testing::TestWithParam<DayCase> {};

TEST_P(SimulatedDayTest, TheCountdownChangesNothingButTheWakes) {
    const DayTrace shown = RunDay(GetParam(), true);
    const DayTrace unshown = RunDay(GetParam(), false);
    EXPECT_GT(shown.attempts.size(), 1000U);
    EXPECT_EQ(shown.attempts, unshown.attempts);
    EXPECT_EQ(shown.statuses, unshown.statuses);
    EXPECT_EQ(shown.counters.successes, unshown.counters.successes);
    EXPECT_EQ(shown.counters.dnsFailures, unshown.counters.dnsFailures);
    EXPECT_EQ(shown.counters.httpFailures, unshown.counters.httpFailures);
    EXPECT_EQ(shown.counters.socketFailures, unshown.counters.socketFailures);
    EXPECT_EQ(GetParam().offlineHours, shown.counters.httpFailures > 0);
    // A wake is an attempt, or the start a second before one (a random name
    // chosen, a rest over).
    const auto isAttempt = [&unshown](std::int64_t at) {
        return std::binary_search(unshown.attempts.begin(), unshown.attempts.end(), at);
    };
    for (const std::int64_t wake : unshown.wakes) {
        EXPECT_TRUE(isAttempt(wake) || isAttempt(wake + kSecond)) << wake;
    }
    EXPECT_GT(shown.wakes.size(), 20 * unshown.wakes.size());
}

INSTANTIATE_TEST_SUITE_P(Days, SimulatedDayTest,
                         ::testing::Values(DayCase{"Fixed"}, DayCase{"RandomTime", true},
                                           DayCase{"RandomName", false, true},
                                           DayCase{"FailuresIgnored", true, false, true, true},
                                           DayCase{"FailuresStop", false, false, false, true}),
                         [](const ::testing::TestParamInfo<DayCase>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
} // namespace jostle::test
