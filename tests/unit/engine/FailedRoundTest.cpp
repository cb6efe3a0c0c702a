// With "Ignore" on, a failure moves on to the next name at once, but a round
// in which every entry failed waits for the period; and the engine's other
// bound: replies that are cut off.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::size_t Attempts(const FakeNetwork& network) {
    return network.targetLookups.size() + network.connects.size();
}

TEST_F(EngineTest, OfflineThreeNamesMakeAtMostThreeAttemptsAMinute) {
    InitializeWith({"alpha.test", "127.0.0.2", "beta.test"});
    periodEdit.SetText("1");
    network.connectsFail = true;
    StartArmed();
    std::vector<int> attemptSeconds;
    for (int second = 0; second < 3600; ++second) {
        Tick();
        FailLookups();
        attemptSeconds.resize(Attempts(network), second);
        if (second == 1) {
            EXPECT_EQ(countdownText.Text(), " 1:00") << "the round failed: a whole period";
        }
    }
    for (std::size_t index = 3; index < attemptSeconds.size(); ++index) {
        ASSERT_GE(attemptSeconds[index] - attemptSeconds[index - 3], 60) << index;
    }
    EXPECT_GE(attemptSeconds.size(), 3U * 59U) << "each period the list is tried again";
}

TEST_F(EngineTest, OneEntryThatFailsIsAWholeRound) {
    InitializeWith({"alpha.test"});
    StartArmed();
    EXPECT_EQ(FailLookups(), 1);
    EXPECT_EQ(countdownText.Text(), "25:00");
    EXPECT_EQ(trayShell.Tip(), "Jostle in 25:00   Please check the Statistics dialog box");
    EXPECT_EQ(statusText.Text(), "Last domain resolution failed");
    EXPECT_TRUE(startButton.IsEnabled());
    Tick(1499);
    EXPECT_EQ(countdownText.Text(), " 0:01");
    EXPECT_EQ(network.targetLookups.size(), 1U);
    Tick();
    EXPECT_THAT(network.targetLookups, ElementsAre("alpha.test", "alpha.test"));
    EXPECT_EQ(FailLookups(), 1);
    EXPECT_EQ(Count().dnsFailures, 2);
}

// The wait is a period like any other: varied with random time, and never
// armed from a period text that a start would reject.
TEST_F(EngineTest, TheWaitTakesThePeriodAsEveryStartAndExpiryDo) {
    settings.Set("RandomTime", "1");
    InitializeWith({"alpha.test"});
    StartArmed();
    random.script = {6};
    FailLookups();
    EXPECT_EQ(countdownText.Text(), "25:06");

    periodEdit.SetText("0");
    Start();
    EXPECT_EQ(FailLookups(), 1);
    EXPECT_THAT(AlertTexts(), ElementsAre("Jostle: Time period must be between 1 and 60"));
    EXPECT_FALSE(Snapshot().millisecondsToExpiry);
    EXPECT_EQ(statusText.Text(), "NOT RUNNING");
}

// Three entries whose connects fail: after what begins a new round, the next
// three attempts come one after another and the third arms the whole period.
class NewRoundTest : public EngineTest {
protected:
    void SetUp() override {
        InitializeWith({"127.0.0.2", "127.0.0.3", "127.0.0.4"});
        StartArmed();
    }
    void ExpectThreeAttemptsThenTheWait(int ticksToTheNextAttempt) {
        const std::size_t before = network.connects.size();
        network.connectsFail = true;
        Tick(ticksToTheNextAttempt + 2);
        EXPECT_EQ(network.connects.size(), before + 3);
        EXPECT_EQ(countdownText.Text(), "25:00");
    }
};

TEST_F(NewRoundTest, ASuccessBeginsANewRound) {
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Tick(2);
    ReplyToLast();
    ASSERT_EQ(Count().successes, 1);
    ExpectThreeAttemptsThenTheWait(1500);
}

TEST_F(NewRoundTest, TheUsersStartBeginsANewRound) {
    network.connectOutcomes = {ConnectStatus::ConnectFailed, ConnectStatus::ConnectFailed};
    Tick(2);
    ASSERT_EQ(nameCombo.Selection(), 2);
    Start();
    ExpectThreeAttemptsThenTheWait(1);
}

// A round has failed once every entry of the list, as it is now, has failed
// since the last success or the user's start. In each case below the one
// entry left untried answers, and is tried at once instead of after a rest.
TEST_F(EngineTest, ATypedNameThatFailsIsTriedButIsNoEntryOfTheRound) {
    InitializeWith({"127.0.0.5", "127.0.0.6", "127.0.0.1"});
    nameCombo.Type("127.0.0.9");
    StartArmed();
    network.connectOutcomes.assign(3, ConnectStatus::ConnectFailed);
    Tick(4); // each failure starts again, a second before the next attempt
    ASSERT_EQ(network.connects.size(), 4U);
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
    ReplyToLast();
    EXPECT_EQ(Count().successes, 1);
    EXPECT_EQ(countdownText.Text(), "25:00");
}

TEST_F(EngineTest, AfterALookupFailureWithNothingSelectedTheSkippedEntryIsStillTried) {
    InitializeWith({"127.0.0.1", "beta.test", "gamma.test"});
    nameCombo.Type("typed.test");
    random.script = {3}; // entry 0 is drawn, and the next one taken
    StartArmed();
    EXPECT_EQ(FailLookups(), 3);
    EXPECT_THAT(network.targetLookups, ElementsAre("typed.test", "beta.test", "gamma.test"));
    Tick();
    ASSERT_EQ(network.connects.size(), 1U);
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
}

TEST_F(EngineTest, NamesEditedMidRoundMakeTheListAsItIsNowTheRound) {
    InitializeWith({"alpha.test", "beta.test", "gamma.test", "127.0.0.1"});
    StartArmed();
    EXPECT_EQ(FailLookups(2), 2);
    dialogs.editNames = [](EditNamesData& data) { data.names = {"gamma.test", "127.0.0.1"}; };
    Press(ids::ID_EDIT_NAMES);
    FailTargetLookup(); // gamma.test, looked up before the edit
    Tick();
    ASSERT_EQ(network.connects.size(), 1U);
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
}

// Text typed into the name box during the rest, without a start, is not
// applied: the next round starts from the selected entry.
TEST_F(EngineTest, TheEndOfTheRestStartsFromTheSelectedEntryNotTheTypedText) {
    InitializeWith({"alpha.test", "beta.test"});
    StartArmed();
    EXPECT_EQ(FailLookups(), 2);
    ASSERT_EQ(Snapshot().phase, Phase::Resting);
    nameCombo.Type("typed.test");
    Tick(1500);
    EXPECT_THAT(network.targetLookups, ElementsAre("alpha.test", "beta.test", "alpha.test"));
    EXPECT_EQ(nameCombo.EditText(), "alpha.test");
}

TEST_F(EngineTest, AReplyIsCutOffAfterOneMebibyte) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    network.reply = std::string(1024, 'x');
    Tick();
    const SocketHandle first = LastSocket();
    for (int read = 0; read < 1023; ++read) {
        network.Readable(first);
    }
    EXPECT_THAT(network.closes, IsEmpty());
    network.Readable(first);
    EXPECT_THAT(network.closes, ElementsAre(first));
    EXPECT_EQ(Count().successes, 1);

    Tick(1500); // the next attempt has a bound of its own
    ReplyToLast();
    ReplyToLast();
    EXPECT_THAT(network.open, ElementsAre(LastSocket()));
    EXPECT_EQ(network.receives.size(), 1026U);
}

} // namespace
} // namespace jostle::test
