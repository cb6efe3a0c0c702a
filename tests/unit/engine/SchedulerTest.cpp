// The schedule: countdown and tooltip, random time, random name, auto-start.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>
#include <limits>
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

TEST(Counters, StopAtTheirLargestValue) {
    int counter = std::numeric_limits<int>::max() - 1;
    CountOne(counter);
    CountOne(counter);
    EXPECT_EQ(counter, std::numeric_limits<int>::max());
}

TEST_F(EngineTest, TooltipHintShowsUntilTheStatisticsAreOpened) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    network.connectOutcomes = {ConnectStatus::CreateFailed};
    Tick();
    Tick();
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:59   Please check the Statistics dialog box");
    EXPECT_LE(trayShell.Tip().size(), kTooltipLength);
    Press(ids::ID_STATISTICS);
    Tick();
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:58");
    EXPECT_EQ(Count().socketFailures, 1);
}

TEST_F(EngineTest, TooltipHintNeedsTheIgnoreOption) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    network.connectOutcomes = {ConnectStatus::CreateFailed};
    Tick();
    SetOptions([](OptionsData& data) { data.checkIgnore = false; }); // switched off meanwhile
    Tick();
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:59");
}

TEST_F(EngineTest, AutoStartFiresOnceEvenWhenStartIsPressedFirst) {
    Initialize();
    Start();
    EXPECT_FALSE(timers.IsArmed(TimerId::AutoStart));
    Tick();
    EXPECT_EQ(network.localLookups.size(), 1U);
}

TEST_F(EngineTest, AutoStartStartsTheCycleOnceASecondAfterStartUp) {
    Initialize();
    timers.Advance(kSecond - 1);
    EXPECT_TRUE(network.localLookups.empty());
    timers.Advance(1);
    EXPECT_FALSE(timers.IsArmed(TimerId::AutoStart));
    Tick(5);
    EXPECT_EQ(network.localLookups.size(), 1U);
    EXPECT_EQ(statusText.Text(), "Determining Local IP Address");
}

// Period lengths with random time on, one per attempt, each drawn from one
// scripted number.
class RandomTimeTest : public EngineTest {
protected:
    std::multiset<int> OffsetsFor(const std::string& period, int periodSeconds) {
        settings.Set("RandomTime", "1");
        InitializeWith({"127.0.0.1"}, true, false);
        periodEdit.SetText(period);
        StartArmed();
        std::multiset<int> offsets;
        for (int draw = 0; draw < 64; ++draw) {
            random.script = {draw};
            if (draw % 32 == 0) {
                random.script.push_back(draw + 1); // a zero is drawn again
            }
            timers.Advance(Snapshot().millisecondsToExpiry.value_or(0));
            offsets.insert(static_cast<int>(*Snapshot().millisecondsToExpiry / kSecond) -
                           periodSeconds);
        }
        return offsets;
    }
};

TEST_F(RandomTimeTest, OffsetsStayWithinThirtySecondsAndAreNeverZero) {
    const auto offsets = OffsetsFor("25", 1500);
    EXPECT_EQ(*offsets.begin(), -30);
    EXPECT_EQ(*offsets.rbegin(), 30);
    EXPECT_EQ(offsets.count(0), 0U);
}

TEST_F(RandomTimeTest, ASixtyMinutePeriodIsNeverLengthened) {
    const auto offsets = OffsetsFor("60", 3600);
    EXPECT_LT(*offsets.rbegin(), 0);
    EXPECT_EQ(*offsets.begin(), -30);
}

TEST_F(RandomTimeTest, DebugModeVariesByFiveSeconds) {
    settings.Set("Debug", "1");
    const auto offsets = OffsetsFor("25", 15);
    EXPECT_EQ(*offsets.begin(), -5);
    EXPECT_EQ(*offsets.rbegin(), 5);
    EXPECT_EQ(offsets.count(0), 0U);
}

TEST_F(EngineTest, RandomOffsetTakesSizeAndSignFromOneDraw) {
    settings.Set("RandomTime", "1");
    InitializeWith({"127.0.0.1"});
    StartArmed();
    random.script = {32, 31, 4};
    Tick(); // 32: zero, discarded; 31: clipped to 30, odd
    EXPECT_EQ(countdownText.Text(), "24:30");
    Tick(1470);
    EXPECT_EQ(countdownText.Text(), "25:04");
}

TEST_F(EngineTest, RandomTimeVariesEachPeriodAfterTheAttempt) {
    settings.Set("RandomTime", "1");
    InitializeWith({"127.0.0.1"});
    StartArmed();
    random.script = {6, 9};
    Tick();
    EXPECT_EQ(countdownText.Text(), "25:06");
    Tick(1505);
    EXPECT_EQ(network.connects.size(), 1U);
    Tick();
    EXPECT_EQ(network.connects.size(), 2U);
    EXPECT_EQ(countdownText.Text(), "24:51");
}

TEST_F(EngineTest, RandomNameKeepsTheFirstNameThenPicksAnother) {
    settings.Set("RandomName", "1");
    InitializeWith({"127.0.0.1", "127.0.0.2", "127.0.0.3"});
    StartArmed();
    Tick();
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
    random.script = {3, 6, 2}; // 3 mod 3 and 6 mod 3 are the current entry
    statusHistory.clear();
    Tick(1500);
    EXPECT_EQ(nameCombo.Selection(), 2);
    EXPECT_EQ(network.connects.size(), 1U) << "no attempt at the expiry of the choice";
    EXPECT_THAT(statusHistory, ElementsAre("NOT RUNNING", "Starting Connection"));
    Tick();
    EXPECT_EQ(LastAddress(), V4("127.0.0.3"));
    EXPECT_EQ(Snapshot().targetName, "127.0.0.3");
}

// With two entries the choice alternates: the entry selected now is drawn
// again until the other comes.
TEST_F(EngineTest, RandomNameWithTwoEntriesNeverRepeatsTheCurrentOne) {
    settings.Set("RandomName", "1");
    InitializeWith({"127.0.0.1", "127.0.0.2"});
    StartArmed();
    Tick();
    random.script = {0, 2, 4, 1, 1, 3, 0, 5};
    for (const char* expected : {"127.0.0.2", "127.0.0.1"}) {
        Tick(1500);
        Tick();
        EXPECT_EQ(LastAddress(), V4(expected));
    }
    EXPECT_EQ(random.script.size(), 1U) << "draws of the entry in use are discarded";
}

TEST_F(EngineTest, RandomNameWithOneEntryKeepsIt) {
    settings.Set("RandomName", "1");
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick(1501);
    Tick();
    EXPECT_EQ(network.connects.size(), 2U);
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
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
    SetOptions([](OptionsData& data) { data.checkRandomName = true; });
    Tick(1500);
    EXPECT_EQ(network.connects.size(), 2U) << "the start's first expiry still keeps its name";
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
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
