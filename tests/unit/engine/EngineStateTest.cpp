// Construction, the initial update and the loading of the name list.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

TEST_F(EngineTest, FirstRunStartsFromTheDefaults) {
    clock.timeText = "07:15:42";
    clock.seconds = 1700000042;
    Initialize();

    EXPECT_THAT(random.seeds, ElementsAre(1700000042U));
    const EngineSnapshot snapshot = Snapshot();
    EXPECT_EQ(snapshot.launchTime, "07:15:42");
    EXPECT_TRUE(snapshot.options.ignoreFailures);
    EXPECT_TRUE(snapshot.options.autoStart);
    EXPECT_FALSE(snapshot.options.randomName);
    EXPECT_FALSE(snapshot.options.randomTime);
    EXPECT_FALSE(snapshot.options.debug);
    EXPECT_EQ(snapshot.phase, Phase::Stopped);
    EXPECT_EQ(snapshot.ownAddress, "no address yet");
    EXPECT_FALSE(snapshot.millisecondsToExpiry.has_value());

    EXPECT_EQ(periodEdit.Text(), "25");
    EXPECT_EQ(snapshot.periodText, "25");
    EXPECT_THAT(nameCombo.Items(), ElementsAreArray(kDefaultTargetList));
    EXPECT_EQ(nameCombo.Selection(), 0);
    EXPECT_EQ(snapshot.targetName, "www.debian.org");
    EXPECT_EQ(statusText.Text(), "PLEASE START ME");
    EXPECT_TRUE(startButton.IsEnabled());
    EXPECT_FALSE(countdownLabel.IsEnabled());
    EXPECT_EQ(frame.fits, 1);
    EXPECT_EQ(timers.DueIn(TimerId::AutoStart), kSecond);
    EXPECT_TRUE(settings.writes.empty()) << "nothing is written at start-up";
}

TEST_F(EngineTest, TheDefaultListHasAnAddressThirdAndNamesElsewhere) {
    for (std::size_t index = 0; index < kDefaultTargetList.size(); ++index) {
        EXPECT_EQ(StartsWithDigit(kDefaultTargetList[index]), index == 2) << index;
    }
}

TEST_F(EngineTest, OptionsAreReadFromTheStore) {
    settings.Set("Ignore", "0");
    settings.Set("RandomName", "1");
    settings.Set("RandomTime", "1");
    settings.Set("AutoStart", "0");
    settings.Set("Debug", "1");
    const EngineOptions options = Create().Snapshot().options;
    EXPECT_FALSE(options.ignoreFailures);
    EXPECT_TRUE(options.randomName);
    EXPECT_TRUE(options.randomTime);
    EXPECT_FALSE(options.autoStart);
    EXPECT_TRUE(options.debug);
}

TEST_F(EngineTest, TrayIconIsShownActiveWithTheMenuAndRestoreAsDefault) {
    Initialize();
    ASSERT_EQ(trayShell.records.size(), 1U);
    EXPECT_EQ(trayShell.records[0].request, FakeTrayShell::Request::Show);
    EXPECT_EQ(trayShell.records[0].look.icon, ids::IDI_ACTIVE);
    EXPECT_EQ(trayShell.records[0].Tip(), "Jostle");
    EXPECT_THAT(trayShell.menusShown, ElementsAre(std::pair<std::string, int>{"_POPUP_", 0}));
    EXPECT_TRUE(Snapshot().trayIconShown);
}

TEST_F(EngineTest, WithoutAutoStartTheIconShowsStoppedAndNoTimerRuns) {
    settings.Set("AutoStart", "0");
    Initialize();
    EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
    EXPECT_FALSE(timers.IsArmed(TimerId::AutoStart));
}

TEST_F(EngineTest, ATrayThatComesLateShowsTheStoppedIconWithoutAutoStart) {
    settings.Set("AutoStart", "0");
    trayShell.accept = false;
    Initialize();
    EXPECT_EQ(trayShell.records.size(), 1U) << "no icon changes while not shown";
    trayShell.Appear();
    EXPECT_EQ(trayShell.records.back().request, FakeTrayShell::Request::Show);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
    EXPECT_TRUE(Snapshot().trayIconShown);
}

// A desktop's panel may come up after the programs it starts: a refused icon
// is only a failure once the grace period is over without a tray.
TEST_F(EngineTest, ATrayWithinTheGracePeriodTakesTheIconOfThenWithoutAMessage) {
    trayShell.accept = false;
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick(4);
    trayShell.Appear();
    EXPECT_EQ(trayShell.Icon(), ids::IDI_BUSY) << "the request is out";
    EXPECT_EQ(trayShell.Tip(), "Jostle in 24:57");
    Tick(10);
    EXPECT_THAT(alerts.shown, IsEmpty());
    EXPECT_EQ(frame.shows, 0) << "the panel stays hidden";
}

TEST_F(EngineTest, NoTrayByTheEndOfTheGracePeriodShowsTheMessageAndThePanel) {
    settings.Set("AutoStart", "0");
    trayShell.accept = false;
    Initialize();
    Tick(4);
    EXPECT_THAT(alerts.shown, IsEmpty());
    EXPECT_EQ(frame.shows, 0);
    Tick(1);
    ASSERT_EQ(alerts.shown.size(), 1U);
    EXPECT_EQ(alerts.shown[0].text, "Failed to create tray icon");
    EXPECT_EQ(alerts.shown[0].icon, AlertIcon::Stop);
    EXPECT_EQ(frame.shows, 1);
    EXPECT_EQ(statusText.Text(), "PLEASE START ME") << "start-up goes on";
    EXPECT_FALSE(Snapshot().trayIconShown);
}

TEST(ProvisionalPeriod, NeverOverflows) {
    EXPECT_EQ(ProvisionalPeriodSeconds("99999999999"), 3600);
    EXPECT_LT(ProvisionalPeriodSeconds("-99999999999"), 0);
    EXPECT_EQ(ProvisionalPeriodSeconds("abc"), 0);
}

struct NameListCase {
    std::vector<std::pair<std::string, std::string>> stored;
    std::vector<std::string> expectedItems;
    int expectedSelection;
    std::string expectedTarget;
};

class LoadNameListTest : public EngineTest, public ::testing::WithParamInterface<NameListCase> {};

TEST_P(LoadNameListTest, FollowsTheStoredValues) {
    for (const auto& [name, value] : GetParam().stored) {
        settings.Set(name, value);
    }
    Initialize();
    EXPECT_THAT(nameCombo.Items(), ElementsAreArray(GetParam().expectedItems));
    EXPECT_EQ(nameCombo.Selection(), GetParam().expectedSelection);
    EXPECT_EQ(Snapshot().targetName, GetParam().expectedTarget);
}

const std::vector<std::string> kDefaults(kDefaultTargetList.begin(), kDefaultTargetList.end());

INSTANTIATE_TEST_SUITE_P(
    Rules, LoadNameListTest,
    ::testing::Values(
        // A gap ends the list.
        NameListCase{
            {{"ComboName0", "a"}, {"ComboName1", "b"}, {"ComboName3", "d"}}, {"a", "b"}, 0, "a"},
        // An empty first value gives the defaults even with a name after it.
        NameListCase{{{"ComboName0", ""}, {"ComboName1", "b"}}, kDefaults, 0, "www.debian.org"},
        NameListCase{
            {{"ComboName0", "a"}, {"ComboName1", "b"}, {"ComboNameSel", "1"}}, {"a", "b"}, 1, "b"},
        // A selection out of range gives entry 0.
        NameListCase{
            {{"ComboName0", "a"}, {"ComboName1", "b"}, {"ComboName2", "c"}, {"ComboNameSel", "7"}},
            {"a", "b", "c"},
            0,
            "a"},
        // As does a selection equal to the number of entries.
        NameListCase{
            {{"ComboName0", "a"}, {"ComboName1", "b"}, {"ComboNameSel", "2"}}, {"a", "b"}, 0, "a"},
        // A negative one gives no selection and an empty target.
        NameListCase{{{"ComboName0", "a"}, {"ComboNameSel", "-1"}}, {"a"}, -1, ""}));

TEST_F(EngineTest, PanelCommandsReachTheFrame) {
    Initialize();
    Press(ids::ID_RESTORE);
    Press(ids::IDC_RETURN_TO_TRAY);
    Press(ids::ID_EXIT);
    Press(ids::IDC_SHUTDOWN);
    Press(ids::ID_HELP_FINDER);
    EXPECT_EQ(frame.shows, 1);
    EXPECT_EQ(frame.hides, 1);
    EXPECT_EQ(frame.closes, 2);
    EXPECT_EQ(dialogs.helps, 1);
}

TEST_F(EngineTest, TrayDoubleClickRestoresAndTheMenuGoesToTheCommands) {
    Initialize();
    trayShell.DoubleClick();
    EXPECT_EQ(frame.shows, 1);
    trayShell.RightClick();
    EXPECT_THAT(trayShell.popups, ElementsAre(std::pair<std::string, int>{"_POPUP_", 0}));
    trayShell.Choose(ids::ID_EXIT);
    EXPECT_EQ(frame.closes, 1);
}

TEST_F(EngineTest, ShutdownStopsSilentlyAndClosesTheSocket) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick();
    const SocketHandle socket = LastSocket();
    const std::size_t trayRequests = trayShell.records.size();
    engine->Shutdown();
    EXPECT_THAT(network.closes, ElementsAre(socket));
    EXPECT_EQ(Snapshot().phase, Phase::Stopped);
    const int wakes = timers.wakes;
    Tick(3600);
    EXPECT_EQ(timers.wakes, wakes) << "no timer is left running";
    EXPECT_EQ(trayShell.records.size(), trayRequests) << "no tooltip or icon change";
    engine.reset();
    EXPECT_EQ(trayShell.records.back().request, FakeTrayShell::Request::Remove);
    EXPECT_EQ(network.Sink(), nullptr);
}

} // namespace
} // namespace jostle::test
