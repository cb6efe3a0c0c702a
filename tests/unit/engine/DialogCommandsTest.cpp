// The panel's dialog commands: what goes into each dialog and what its OK changes.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

TEST_F(EngineTest, EditNamesGetsTheListAndTheCurrentName) {
    InitializeWith({"alpha.test", "beta.test"});
    nameCombo.Type("typed.test"); // typed text is no entry
    Press(ids::ID_EDIT_NAMES);
    ASSERT_EQ(dialogs.editNamesSeen.size(), 1U);
    EXPECT_THAT(dialogs.editNamesSeen[0].names, ElementsAre("alpha.test", "beta.test"));
    EXPECT_EQ(dialogs.editNamesSeen[0].selectedName, "alpha.test");
}

TEST_F(EngineTest, EditNamesCancelChangesNothing) {
    InitializeWith({"alpha.test", "beta.test"});
    settings.writes.clear();
    dialogs.accept = false;
    dialogs.editNames = [](EditNamesData& data) { data.names.clear(); };
    Press(ids::ID_EDIT_NAMES);
    EXPECT_THAT(settings.writes, IsEmpty());
    EXPECT_THAT(nameCombo.Items(), ElementsAre("alpha.test", "beta.test"));
}

TEST_F(EngineTest, EditNamesOkStoresTheListInOneBatchAndReloads) {
    settings.Set("ComboNameSel", "1");
    InitializeWith({"a", "b", "c", "d", "e", "f", "g"});
    settings.writes.clear();
    dialogs.editNames = [](EditNamesData& data) { data.names = {"d", "b", "x", "a"}; };
    Press(ids::ID_EDIT_NAMES);
    EXPECT_THAT(settings.writes,
                ElementsAre("[", "ComboName0=d", "ComboName1=b", "ComboName2=x", "ComboName3=a",
                            "ComboName4=", "ComboName5=", "ComboName6=", "ComboNameSel=1", "]"));
    EXPECT_THAT(nameCombo.Items(), ElementsAre("d", "b", "x", "a"));
    EXPECT_EQ(nameCombo.Selection(), 1);
    EXPECT_EQ(Snapshot().targetName, "b");
}

TEST_F(EngineTest, EditNamesOkWithTheCurrentNameGoneSelectsTheFirst) {
    settings.Set("ComboNameSel", "1");
    InitializeWith({"a", "b"});
    dialogs.editNames = [](EditNamesData& data) { data.names = {"a"}; };
    Press(ids::ID_EDIT_NAMES);
    EXPECT_EQ(settings.Get("ComboNameSel"), "0");
    EXPECT_EQ(settings.Get("ComboName1"), "");
    EXPECT_EQ(Snapshot().targetName, "a");
}

TEST_F(EngineTest, EditNamesOkOnAnEmptyListFallsBackToTheDefaults) {
    InitializeWith({"a", "b"});
    settings.writes.clear();
    dialogs.editNames = [](EditNamesData& data) { data.names.clear(); };
    Press(ids::ID_EDIT_NAMES);
    EXPECT_THAT(settings.writes,
                ElementsAre("[", "ComboName0=", "ComboName1=", "ComboNameSel=0", "]"));
    EXPECT_THAT(nameCombo.Items(), ElementsAreArray(kDefaultTargetList));
    EXPECT_EQ(nameCombo.Selection(), 0);
}

TEST(SaveEditedNames, StopsClearingAtTheFirstEmptyValue) {
    RecordingSettings settings;
    for (const auto& [name, value] : std::vector<std::pair<std::string, std::string>>{
             {"ComboName0", "a"}, {"ComboName1", "b"}, {"ComboName2", ""}, {"ComboName3", "d"}}) {
        settings.Set(name, value);
    }
    EXPECT_EQ(SaveEditedNames(settings, {"x"}, "b"), 0);
    EXPECT_EQ(settings.Get("ComboName1"), "");
    EXPECT_EQ(settings.Get("ComboName3"), "d") << "beyond the first empty value nothing is read";
}

TEST(SaveEditedNames, SelectionFollowsTheNameIgnoringCaseFirstMatch) {
    RecordingSettings settings;
    EXPECT_EQ(SaveEditedNames(settings, {"x", "Alpha.test", "ALPHA.TEST"}, "alpha.TEST"), 1);
    EXPECT_EQ(settings.Get("ComboNameSel"), "1");
    std::vector<std::string> defaults(kDefaultTargetList.begin(), kDefaultTargetList.end());
    EXPECT_EQ(SaveEditedNames(settings, defaults, "1.1.1.1"), 2);
}

TEST_F(EngineTest, EditNamesOkDropsANameAddedWhileTheEditorWasOpen) {
    InitializeWith({"alpha.test"});
    nameCombo.Type("127.0.0.4");
    StartArmed();
    dialogs.editNames = [&](EditNamesData&) { Tick(); }; // the connect adds the typed name
    Press(ids::ID_EDIT_NAMES);
    EXPECT_THAT(nameCombo.Items(), ElementsAre("alpha.test"));
    EXPECT_EQ(settings.Get("ComboName1"), "");
}

TEST_F(EngineTest, OptionsCopyInAndOutAndWriteInOrder) {
    Initialize();
    settings.writes.clear();
    dialogs.options = [](OptionsData& data) {
        data.checkIgnore = false;
        data.checkRandomName = true;
    };
    Press(ids::ID_OPTIONS);
    ASSERT_EQ(dialogs.optionsSeen.size(), 1U);
    const OptionsData& seen = dialogs.optionsSeen[0];
    EXPECT_TRUE(seen.checkAutoStart);
    EXPECT_TRUE(seen.checkIgnore);
    EXPECT_FALSE(seen.checkRandomName);
    EXPECT_FALSE(seen.checkRandomTime);
    EXPECT_FALSE(Snapshot().options.ignoreFailures);
    EXPECT_TRUE(Snapshot().options.randomName);
    EXPECT_THAT(settings.writes,
                ElementsAre("[", "Ignore=0", "AutoStart=1", "RandomName=1", "RandomTime=0", "]"));
}

TEST_F(EngineTest, AnAttemptDueWhileOptionsAreOpenIsMadeOnTime) {
    settings.Set("Debug", "1"); // a 15-second period
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick(); // the first attempt; the countdown now shows 0:15
    Tick(14);
    std::size_t connectsWhenDue = 0;
    dialogs.options = [&](OptionsData&) {
        Tick(); // the period ends while the dialog is open
        connectsWhenDue = network.connects.size();
        Tick();
    };
    Press(ids::ID_OPTIONS);
    EXPECT_EQ(connectsWhenDue, 2U);
    EXPECT_EQ(countdownText.Text(), " 0:14");
}

// The user asked for these saves: a failure is told in a box, and what was
// chosen still applies meanwhile.
TEST_F(EngineTest, AnOkWhoseSaveFailsSaysSoAndWhy) {
    InitializeWith({"a", "b"});
    settings.saveFailure = "the lock is held by another program";
    dialogs.options = [](OptionsData& data) { data.checkRandomName = true; };
    Press(ids::ID_OPTIONS);
    dialogs.editNames = [](EditNamesData& data) { data.names = {"c"}; };
    Press(ids::ID_EDIT_NAMES);
    const std::string box = "The settings could not be saved to " + settings.HiveFile().string() +
                            ": the lock is held by another program.\n\nThe changes apply until "
                            "Jostle ends, but will not be kept after that.";
    EXPECT_THAT(AlertTexts(), ElementsAre(box, box));
    EXPECT_TRUE(Snapshot().options.randomName);
    settings.saveFailure.clear();
    Press(ids::ID_OPTIONS);
    EXPECT_EQ(alerts.shown.size(), 2U) << "a save that works says nothing";
}

TEST_F(EngineTest, OptionsCancelKeepsFlagsAndStore) {
    Initialize();
    settings.writes.clear();
    dialogs.accept = false;
    dialogs.options = [](OptionsData& data) { data.checkIgnore = false; };
    Press(ids::ID_OPTIONS);
    EXPECT_TRUE(Snapshot().options.ignoreFailures);
    EXPECT_THAT(settings.writes, IsEmpty());
}

TEST_F(EngineTest, StatisticsShowTheCountersAndTheLastProblem) {
    InitializeWith({"alpha.test", "127.0.0.1"});
    Press(ids::ID_STATISTICS);
    StartArmed();
    FailTargetLookup();
    Tick(); // 127.0.0.1 connects
    ReplyToLast();
    Press(ids::ID_STATISTICS);
    ASSERT_EQ(dialogs.statisticsSeen.size(), 2U);
    EXPECT_EQ(dialogs.statisticsSeen[0].lastProblemText, "");
    const StatisticsData& seen = dialogs.statisticsSeen[1];
    EXPECT_EQ(seen.successCountText, "1");
    EXPECT_EQ(seen.dnsFailuresText, "1");
    EXPECT_EQ(seen.httpFailuresText, "0");
    EXPECT_EQ(seen.socketFailuresText, "0");
    EXPECT_EQ(seen.lastProblemText, "alpha.test");
    EXPECT_FALSE(Snapshot().problemPending);
}

TEST_F(EngineTest, StatisticsAcknowledgeTheProblemBeforeTheDialogRuns) {
    InitializeWith({"alpha.test", "127.0.0.1"});
    StartArmed();
    FailTargetLookup();
    Tick();
    std::string tipWhileOpen;
    dialogs.whileOpen = [&] {
        Tick();
        tipWhileOpen = trayShell.Tip();
    };
    Press(ids::ID_STATISTICS);
    EXPECT_EQ(tipWhileOpen, "Jostle in 24:59");
}

struct ElapsedCase {
    std::uint32_t launch;
    std::uint32_t now;
    const char* text;
};

class TimeSinceLaunchTest : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(TimeSinceLaunchTest, SecondsBelowTwoMinutesThenMinutes) {
    EXPECT_EQ(TimeSinceLaunchText(GetParam().now, GetParam().launch), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Elapsed, TimeSinceLaunchTest,
    ::testing::Values(ElapsedCase{1000, 1999, "0 seconds"}, ElapsedCase{1000, 2000, "1 seconds"},
                      ElapsedCase{0, 119999, "119 seconds"}, ElapsedCase{0, 120000, "2 minutes"},
                      ElapsedCase{0, 179999, "2 minutes"}, ElapsedCase{0, 180000, "3 minutes"},
                      ElapsedCase{5, 5 + 2U * 86400000U, "2880 minutes"},
                      // the tick count wrapped once since launch
                      ElapsedCase{0xFFFFF000U, 60904U, "65 seconds"},
                      ElapsedCase{0xFFFFFFFFU, 0xFFFFFFFEU, "71582 minutes"}));

TEST_F(EngineTest, AboutShowsTheAddressAndTheTimeSinceLaunch) {
    clock.monotonic = 1000;
    InitializeWith({"127.0.0.1"});
    clock.monotonic = 1000 + 150000;
    Press(ids::ID_APP_ABOUT);
    StartArmed();
    Press(ids::ID_APP_ABOUT);
    ASSERT_EQ(dialogs.aboutSeen.size(), 2U);
    EXPECT_EQ(dialogs.aboutSeen[0].ipAddressText, "no address yet");
    EXPECT_EQ(dialogs.aboutSeen[0].timeSinceLaunchText, "2 minutes");
    EXPECT_EQ(dialogs.aboutSeen[1].ipAddressText, kLocalAddress);
}

} // namespace
} // namespace jostle::test
