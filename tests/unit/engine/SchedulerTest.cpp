// The one-second tick: countdown and tooltip, random time, random name, auto-start.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>
#include <set>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;

TEST(CountdownFormat, KeepsTheMinuteBlankAndZeroFillsTheSeconds) {
    EXPECT_EQ(FormatCountdown(1500), "25:00");
    EXPECT_EQ(FormatCountdown(307), " 5:07");
    EXPECT_EQ(FormatCountdown(1), " 0:01");
    EXPECT_EQ(FormatCountdown(3654), "60:54");
    EXPECT_EQ(FormatCountdown(610), "10:10");
}

TEST_F(EngineTest, TooltipHintShowsUntilTheStatisticsAreOpened) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    network.connectOutcomes = {ConnectStatus::CreateFailed};
    Tick();
    Tick();
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:59   Please check the Statistics dialog box");
    EXPECT_LE(trayShell.Tip().size(), 63U);
    Press(ids::ID_STATISTICS);
    Tick();
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:58");
    EXPECT_EQ(view->m_socketFailures, 1);
}

TEST_F(EngineTest, TooltipHintNeedsTheIgnoreOption) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    network.connectOutcomes = {ConnectStatus::CreateFailed};
    Tick();
    view->m_ignoreFailures = 0; // switched off in the Options meanwhile
    Tick();
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:59");
}

TEST_F(EngineTest, AutoStartFiresOnceEvenWhenStartIsPressedFirst) {
    Initialize();
    Start();
    timers.Fire(ids::TIMER_AUTOSTART);
    EXPECT_EQ(network.localLookups.size(), 1U);
    EXPECT_FALSE(timers.IsActive(ids::TIMER_AUTOSTART));
}

TEST_F(EngineTest, AutoStartStartsTheCycleOnce) {
    Initialize();
    timers.Fire(ids::TIMER_AUTOSTART);
    EXPECT_EQ(view->m_timer103Active, 0);
    EXPECT_FALSE(timers.IsActive(ids::TIMER_AUTOSTART));
    timers.Fire(ids::TIMER_AUTOSTART);
    EXPECT_EQ(network.localLookups.size(), 1U);
    EXPECT_EQ(statusText.Text(), "Determining Local IP Address");
}

TEST_F(EngineTest, OtherTimersAreIgnored) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    view->OnTimer(ids::TIMER_LINK_PAUSE);
    EXPECT_EQ(view->m_secondsElapsed, 1499);
}

// The offsets of all 32 low-bit patterns, for a period.
std::multiset<int> OffsetsFor(CJostleView& jostle, FakeRandom& random, int periodSeconds) {
    std::multiset<int> offsets;
    jostle.m_periodSeconds = periodSeconds;
    for (int draw = 0; draw < 64; ++draw) {
        random.script = {draw};
        if (draw % 32 == 0) {
            random.script.push_back(draw + 1); // a zero is drawn again
        }
        jostle.AdjustTargetTime();
        offsets.insert(jostle.m_targetSeconds - periodSeconds);
    }
    return offsets;
}

TEST_F(EngineTest, RandomOffsetsStayWithinBoundsAndAreNeverZero) {
    CJostleView& jostle = Initialize();
    for (const int offset : OffsetsFor(jostle, random, 1500)) {
        EXPECT_NE(offset, 0);
        EXPECT_GE(offset, -30);
        EXPECT_LE(offset, 30);
    }
    const auto sixty = OffsetsFor(jostle, random, 3600);
    EXPECT_LT(*sixty.rbegin(), 0) << "a 60-minute period is never lengthened";
    EXPECT_EQ(*sixty.begin(), -30);
    jostle.m_debug = 1;
    const auto debug = OffsetsFor(jostle, random, 15);
    EXPECT_EQ(*debug.begin(), -5);
    EXPECT_EQ(*debug.rbegin(), 5);
    EXPECT_EQ(debug.count(0), 0U);
}

TEST_F(EngineTest, RandomOffsetTakesSizeAndSignFromOneDraw) {
    CJostleView& jostle = Initialize();
    jostle.m_periodSeconds = 1500;
    random.script = {32, 31, 4};
    jostle.AdjustTargetTime(); // 32: zero, discarded; 31: clipped to 30, odd
    EXPECT_EQ(jostle.m_targetSeconds, 1470);
    jostle.AdjustTargetTime();
    EXPECT_EQ(jostle.m_targetSeconds, 1504);
}

TEST_F(EngineTest, RandomTimeVariesEachPeriodAfterTheAttempt) {
    settings.Set("RandomTime", "1");
    InitializeWith({"127.0.0.1"});
    StartArmed();
    random.script = {6, 9};
    Tick();
    EXPECT_EQ(view->m_targetSeconds, 1506);
    EXPECT_EQ(countdownText.Text(), "25:06");
    Tick(1505);
    EXPECT_EQ(network.connects.size(), 1U);
    Tick();
    EXPECT_EQ(network.connects.size(), 2U);
    EXPECT_EQ(view->m_targetSeconds, 1491);
}

TEST_F(EngineTest, RandomNameKeepsTheFirstNameThenPicksAnother) {
    settings.Set("RandomName", "1");
    InitializeWith({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
    StartArmed();
    Tick();
    EXPECT_EQ(network.connects.back().address, Address("127.0.0.1"));
    random.script = {3, 6, 2}; // 3 mod 3 and 6 mod 3 are the current entry
    statusHistory.clear();
    Tick(1500);
    EXPECT_EQ(nameCombo.Selection(), 2);
    EXPECT_EQ(view->m_targetIndex, 2);
    EXPECT_EQ(network.connects.size(), 1U) << "no attempt on the tick of the choice";
    EXPECT_THAT(statusHistory, ElementsAre("NOT RUNNING", "Starting Connection"));
    Tick();
    EXPECT_EQ(network.connects.back().address, Address("127.0.0.3"));
}

TEST_F(EngineTest, RandomNameWithOneEntryKeepsIt) {
    settings.Set("RandomName", "1");
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick(1501);
    Tick();
    EXPECT_EQ(network.connects.size(), 2U);
    EXPECT_EQ(network.connects.back().address, Address("127.0.0.1"));
}

TEST_F(EngineTest, RandomNameWithoutSelectionTakesTheFirstDraw) {
    settings.Set("RandomName", "1");
    InitializeWith({"127.0.0.1", "127.0.0.2"});
    StartArmed();
    Tick();
    nameCombo.Type("typed.test"); // the selection goes away
    random.script = {0};
    const int drawsBefore = random.draws;
    Tick(1500);
    EXPECT_EQ(nameCombo.Selection(), 0);
    EXPECT_EQ(random.draws, drawsBefore + 1);
}

TEST_F(EngineTest, RandomNameSwitchedOnWhileRunningWaitsOneExpiry) {
    InitializeWith({"127.0.0.1", "127.0.0.2"});
    StartArmed();
    Tick();
    view->m_randomName = 1;
    Tick(1500);
    EXPECT_EQ(network.connects.size(), 2U) << "the start's fresh flag still holds";
    EXPECT_EQ(network.connects.back().address, Address("127.0.0.1"));
    random.script = {1};
    Tick(1500);
    EXPECT_EQ(nameCombo.Selection(), 1);
    EXPECT_EQ(network.connects.size(), 2U);
}

TEST_F(EngineTest, DialogOpenAcrossAnExpiryDoesNotDelayTheAttempt) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick();
    Tick(1499);
    dialogs.options = [&](OptionsData&) { Tick(); };
    Press(ids::ID_OPTIONS);
    EXPECT_EQ(network.connects.size(), 2U);
}

} // namespace
} // namespace jostle::test
