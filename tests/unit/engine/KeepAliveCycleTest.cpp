// The keep-alive cycle: starts, attempts, replies, and every failure path.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kSuffix =
    "\n\nJostle launched at time 08:00:00\nThis message created at time 08:00:00";
const std::string kIgnoreHint = "\n\n(The \"Ignore Connection Failures\" option in the Options "
                                "Dialog might help prevent this in the future.)";

TEST_F(EngineTest, StartWithADottedAddressArmsAtOnceAndSendsTheRequest) {
    InitializeWith({"127.0.0.1", "alpha.test"});
    Start();
    EXPECT_FALSE(startButton.IsEnabled());
    EXPECT_THAT(network.localLookups, ElementsAre("workstation"));
    CompleteLocalLookup("127.0.0.9");
    EXPECT_THAT(network.targetLookups, IsEmpty()) << "a dotted address is never looked up";
    EXPECT_EQ(Snapshot().millisecondsToExpiry, kSecond);
    EXPECT_TRUE(countdownLabel.IsEnabled());

    Tick();
    ASSERT_EQ(network.connects.size(), 1U);
    EXPECT_EQ(network.connects[0].address, V4("127.0.0.1"));
    EXPECT_EQ(network.connects[0].port, 80);
    EXPECT_THAT(network.watched, ElementsAre(LastSocket()));
    ASSERT_EQ(network.sends.size(), 1U);
    const std::string request = "GET / HTTP/1.0\r\nConnection: Keep-Alive\r\n"
                                "User-Agent: Mozilla/3.0 (Win95; I)\r\nHost: 127.0.0.9\r\n"
                                "Accept: image/gif, image/jpeg, */*\r\n\r\n";
    EXPECT_EQ(network.sends[0].second, request);
    EXPECT_EQ(request.size(), 82U + 9U + 40U);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_BUSY);
    EXPECT_EQ(countdownText.Text(), "25:00");
    EXPECT_EQ(trayShell.Tip(), "Jostle in 25:00");

    clock.timeText = "08:00:01";
    ReplyToLast();
    EXPECT_EQ(Count().successes, 1);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_ACTIVE);
    EXPECT_EQ(Snapshot().phase, Phase::CountingDown);
    EXPECT_THAT(statusHistory, ElementsAre("PLEASE START ME", "NOT RUNNING", "Starting Connection",
                                           "Getting Local IP Address",
                                           "Determining Local IP Address", "Connection made OK",
                                           "Jostle was sent", "Jostle completed at 08:00:01"));
    EXPECT_FALSE(startButton.IsEnabled()) << "the next tick enables the button";
    Tick();
    EXPECT_TRUE(startButton.IsEnabled());
}

TEST_F(EngineTest, StartWithANameLooksUpOnceAndRepeatsEveryPeriod) {
    InitializeWith({"alpha.test", "beta.test"});
    Start();
    CompleteLocalLookup();
    EXPECT_THAT(network.targetLookups, ElementsAre("alpha.test"));
    EXPECT_EQ(statusText.Text(), "Validating Domain Name");
    EXPECT_FALSE(Snapshot().millisecondsToExpiry.has_value());
    CompleteTargetLookup("127.0.0.5");
    Tick();
    ASSERT_EQ(network.connects.size(), 1U);
    EXPECT_EQ(network.connects[0].address, V4("127.0.0.5"));

    Tick(1193);
    EXPECT_EQ(countdownText.Text(), " 5:07");
    EXPECT_EQ(trayShell.Tip(), "Jostle in  5:07");
    Tick(306);
    EXPECT_EQ(countdownText.Text(), " 0:01");
    EXPECT_EQ(network.connects.size(), 1U);
    Tick();
    ASSERT_EQ(network.connects.size(), 2U) << "the next attempt comes 1500 seconds later";
    EXPECT_EQ(network.connects[1].address, V4("127.0.0.5"));
    EXPECT_THAT(network.closes, ElementsAre(network.sends[0].first))
        << "an earlier socket still open is closed by the next attempt";

    Start(); // a restart looks up the target again, not the local address
    EXPECT_EQ(network.localLookups.size(), 1U);
    EXPECT_EQ(network.targetLookups.size(), 2U);
}

// The busy cursor counts: it shows while a lookup or a connect is out, and
// every Show has its Hide once nothing is.
TEST_F(EngineTest, BusyCursorShowsWhileSomethingIsOutAndOnlyThen) {
    const auto outstanding = [this] { return busyCursor.shows - busyCursor.hides; };
    InitializeWith({"alpha.test", "beta.test", "gamma.test"});
    Start();
    EXPECT_EQ(outstanding(), 1) << "the local lookup";
    CompleteLocalLookup();
    EXPECT_EQ(outstanding(), 1) << "the target lookup";
    CompleteTargetLookup("127.0.0.5");
    EXPECT_EQ(outstanding(), 0);
    Tick();
    EXPECT_EQ(outstanding(), 0) << "the connect";
    EXPECT_EQ(network.connects.size(), 1U);

    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Tick(1500);
    EXPECT_EQ(outstanding(), 1) << "the next name's lookup, started by the failed connect";
    FailTargetLookup();
    EXPECT_EQ(outstanding(), 1) << "and the lookup after that";
    CompleteTargetLookup("127.0.0.6");
    EXPECT_EQ(outstanding(), 0);
}

TEST_F(EngineTest, LocalAddressIsTheLastOfTheList) {
    InitializeWith({"127.0.0.1"});
    Start();
    network.CompleteLocalLookup(Entry("workstation", {"127.0.0.2", "127.0.0.3"}));
    EXPECT_EQ(Snapshot().ownAddress, "127.0.0.3");
    Start();
    EXPECT_EQ(network.localLookups.size(), 1U) << "the address is known from now on";
}

class LocalLookupFailureTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

TEST_P(LocalLookupFailureTest, StopsWithTheMessageWhateverIgnoreSays) {
    InitializeWith({"127.0.0.1"}, GetParam());
    HostEntry nameless = Entry("workstation", {"127.0.0.2"});
    nameless.officialName.reset();
    const std::vector<std::optional<HostEntry>> failures = {
        std::nullopt, nameless, Entry("workstation", {})}; // no name; no address
    for (const auto& entry : failures) {
        alerts.shown.clear();
        Start();
        network.CompleteLocalLookup(entry);
        EXPECT_EQ(statusText.Text(), "NOT RUNNING");
        EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
        EXPECT_EQ(trayShell.Tip(), "Jostle has stopped");
        EXPECT_THAT(AlertTexts(), ElementsAre("Unable to get local IP address.\nHave you dialed "
                                              "your ISP?" +
                                              kSuffix));
        EXPECT_TRUE(startButton.IsEnabled());
    }
    EXPECT_EQ(network.localLookups.size(), 3U) << "each start asks again";
    const Counters counted = Count();
    EXPECT_EQ(counted.dnsFailures + counted.httpFailures + counted.socketFailures, 0);
    EXPECT_EQ(Snapshot().ownAddress, "no address yet");
}

INSTANTIATE_TEST_SUITE_P(IgnoreOffAndOn, LocalLookupFailureTest, ::testing::Bool());

TEST_F(EngineTest, TargetLookupFailureWithoutIgnoreStopsThenTells) {
    InitializeWith({"alpha.test", "beta.test"}, false);
    StartArmed();
    bool stoppedBeforeMessage = false;
    alerts.whileOpen = [&] { stoppedBeforeMessage = statusText.Text() == "NOT RUNNING"; };
    clock.timeText = "09:30:00";
    FailTargetLookup();
    EXPECT_TRUE(stoppedBeforeMessage);
    EXPECT_EQ(Count().dnsFailures, 1);
    EXPECT_EQ(Snapshot().lastProblem, "alpha.test");
    EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
    EXPECT_THAT(AlertTexts(),
                ElementsAre("Jostle: Name alpha.test Not Found." + kIgnoreHint +
                            "\n\nJostle launched at time 08:00:00\nThis message created at "
                            "time 09:30:00"));
}

TEST_F(EngineTest, TargetLookupFailureWithIgnoreMovesOnAndWraps) {
    InitializeWith({"alpha.test", "beta.test", "gamma.test"});
    nameCombo.Pick(1);
    StartArmed();
    FailTargetLookup();
    EXPECT_EQ(nameCombo.Selection(), 2);
    EXPECT_THAT(network.targetLookups, ElementsAre("beta.test", "gamma.test"));
    EXPECT_THAT(statusHistory, ::testing::Contains("Last domain resolution failed"));
    FailTargetLookup();
    EXPECT_EQ(nameCombo.Selection(), 0) << "after the last entry comes entry 0";
    EXPECT_EQ(network.targetLookups.back(), "alpha.test");
    EXPECT_EQ(Count().dnsFailures, 2);
    EXPECT_EQ(Snapshot().lastProblem, "gamma.test");
    EXPECT_THAT(alerts.shown, IsEmpty());
}

TEST_F(EngineTest, LookupFailureOfATypedNameMovesPastARandomEntry) {
    InitializeWith({"alpha.test", "beta.test", "gamma.test"});
    nameCombo.Type("typed.test");
    random.script = {7}; // 7 mod 3 = 1, so entry 2 is next
    StartArmed();
    FailTargetLookup();
    EXPECT_EQ(nameCombo.Selection(), 2);
    EXPECT_EQ(network.targetLookups.back(), "gamma.test");
    EXPECT_EQ(Snapshot().lastProblem, "typed.test");
}

TEST_F(EngineTest, ConnectFailureWithIgnoreMovesToTheEntryAfterTheName) {
    InitializeWith({"alpha.test", "127.0.0.2"});
    nameCombo.Select(1);
    StartArmed();
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Tick();
    EXPECT_EQ(Count().httpFailures, 1);
    EXPECT_EQ(Count().socketFailures, 1) << "a connect failure also counts a socket failure";
    EXPECT_EQ(nameCombo.Selection(), 0) << "after the last entry comes entry 0";
    EXPECT_THAT(network.targetLookups, ElementsAre("alpha.test"));
    EXPECT_THAT(statusHistory, ::testing::Contains("Last connection failed"));
    EXPECT_THAT(alerts.shown, IsEmpty());

    nameCombo.Type("127.0.0.3"); // not in the list: the start after it uses entry 0
    Start();
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Tick();
    EXPECT_EQ(nameCombo.Selection(), 0);
    EXPECT_EQ(Snapshot().lastProblem, "127.0.0.3");
}

TEST_F(EngineTest, ConnectFailureWithoutIgnoreTellsWhileCountingThenStops) {
    InitializeWith({"  127.0.0.2"}, false);
    StartArmed();
    CompleteTargetLookup("127.0.0.2"); // leading blanks: not taken as an address here
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    std::string countdownDuringBox;
    alerts.whileOpen = [&] {
        EXPECT_TRUE(Snapshot().millisecondsToExpiry) << "the message comes before the stop";
        Tick();
        countdownDuringBox = countdownText.Text();
    };
    Tick();
    EXPECT_EQ(countdownDuringBox, "24:59");
    EXPECT_THAT(AlertTexts(), ElementsAre("Jostle: Cannot connect to 127.0.0.2 on port 80." +
                                          kIgnoreHint + kSuffix));
    EXPECT_EQ(Count().httpFailures, 1);
    EXPECT_EQ(Count().socketFailures, 1);
    EXPECT_EQ(Snapshot().lastProblem, "  127.0.0.2");
    EXPECT_FALSE(Snapshot().millisecondsToExpiry);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
}

// One count per failed socket creation; the message, without Ignore, comes
// after the count.
class SocketCreationFailureTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

TEST_P(SocketCreationFailureTest, CountsOneSocketFailure) {
    const bool ignore = GetParam();
    InitializeWith({"127.0.0.2"}, ignore);
    StartArmed();
    network.connectOutcomes = {ConnectStatus::CreateFailed};
    int countedWhileOpen = 0;
    alerts.whileOpen = [&] { countedWhileOpen = Count().socketFailures; };
    Tick();
    EXPECT_EQ(Count().socketFailures, 1);
    EXPECT_EQ(Count().httpFailures, 0);
    EXPECT_EQ(Snapshot().lastProblem, "127.0.0.2");
    if (ignore) {
        EXPECT_THAT(alerts.shown, IsEmpty());
        EXPECT_EQ(Snapshot().phase, Phase::CountingDown) << "the next expiry tries again";
        EXPECT_EQ(Snapshot().millisecondsToExpiry, 1500 * kSecond);
        EXPECT_EQ(trayShell.Tip(), "Jostle in 25:00   Please check the Statistics dialog box");
    } else {
        EXPECT_EQ(countedWhileOpen, 1);
        EXPECT_THAT(AlertTexts(), ElementsAre("Jostle: Error opening stream socket" + kSuffix));
        EXPECT_EQ(statusText.Text(), "NOT RUNNING");
        EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
    }
}

INSTANTIATE_TEST_SUITE_P(IgnoreOffAndOn, SocketCreationFailureTest, ::testing::Bool());

// The countdown goes on behind a failure message; an attempt failing in there
// must not change how the outer failure counts.
TEST_F(EngineTest, FailuresBehindAnOpenMessageEachCountInFull) {
    settings.Set("Debug", "1"); // a 15-second period
    InitializeWith({"127.0.0.2"}, false);
    StartArmed();
    network.connectOutcomes = {ConnectStatus::ConnectFailed, ConnectStatus::CreateFailed};
    alerts.whileOpen = [this] { Tick(15); }; // the next attempt falls due
    Tick();
    EXPECT_EQ(Count().httpFailures, 1);
    EXPECT_EQ(Count().socketFailures, 2); // one for each failed attempt
    EXPECT_EQ(alerts.shown.size(), 2U);
}

TEST_F(EngineTest, BlankNameCountsASocketFailureWithoutMessage) {
    for (const bool ignore : {false, true}) {
        InitializeWith({"alpha.test"}, ignore);
        nameCombo.Type("   ");
        StartArmed();
        CompleteTargetLookup("127.0.0.5"); // the resolver found something for it
        Tick();
        EXPECT_THAT(network.connects, IsEmpty());
        EXPECT_EQ(Count().socketFailures, 1);
        EXPECT_EQ(Snapshot().lastProblem, "   ");
        EXPECT_THAT(alerts.shown, IsEmpty());
        EXPECT_EQ(Snapshot().millisecondsToExpiry.has_value(), ignore) << ignore;
    }
}

TEST_F(EngineTest, DigitNameThatIsNoAddressFailsToConnect) {
    InitializeWith({"1nvalid"});
    StartArmed();
    EXPECT_THAT(network.targetLookups, IsEmpty());
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    Tick();
    EXPECT_EQ(network.connects[0].address, V4("255.255.255.255"));
    EXPECT_EQ(Count().httpFailures, 1);
    EXPECT_EQ(Count().socketFailures, 1);
}

TEST_F(EngineTest, TypedNameJoinsTheListOnlyAfterAConnect) {
    InitializeWith({"alpha.test", "beta.test"});
    settings.writes.clear();
    nameCombo.Type("new.test");
    StartArmed();
    CompleteTargetLookup("127.0.0.7");
    EXPECT_EQ(nameCombo.Count(), 2);
    Tick();
    EXPECT_THAT(nameCombo.Items(), ElementsAre("alpha.test", "beta.test", "new.test"));
    EXPECT_EQ(nameCombo.Selection(), 2);
    EXPECT_EQ(Snapshot().targetName, "new.test");
    EXPECT_THAT(settings.writes,
                ElementsAre("[", "Often=25", "ComboName0=alpha.test", "ComboName1=beta.test",
                            "ComboName2=new.test", "ComboNameSel=2", "]"));

    settings.writes.clear();
    nameCombo.Type("NEW.Test"); // found again in another letter case
    Start();
    CompleteTargetLookup("127.0.0.7");
    Tick();
    EXPECT_EQ(nameCombo.Count(), 3);
    EXPECT_EQ(nameCombo.Selection(), 2);
    EXPECT_EQ(Snapshot().targetName, "NEW.Test");
    EXPECT_EQ(settings.writes.back(), "]");
    EXPECT_EQ(settings.writes[settings.writes.size() - 2], "ComboNameSel=2");
}

TEST_F(EngineTest, RepliesCountOnceAndStaleSocketsAreIgnored) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick();
    const SocketHandle first = LastSocket();
    network.Readable(first);
    network.Readable(first);
    EXPECT_EQ(Count().successes, 1);
    ASSERT_EQ(network.receives.size(), 2U);
    EXPECT_EQ(network.receives[0].second, 1024U);
    network.Closed(first);
    EXPECT_THAT(network.closes, ElementsAre(first));

    Tick(1500);
    const SocketHandle second = LastSocket();
    ASSERT_NE(second, first);
    network.Readable(first);
    network.Closed(first);
    EXPECT_EQ(network.receives.size(), 2U);
    EXPECT_THAT(network.open, ElementsAre(second));
    EXPECT_EQ(Count().successes, 1);
}

// Failures the engine neither records nor reports, whatever Ignore says.
class UnrecordedFailureTest : public EngineTest, public ::testing::WithParamInterface<bool> {
protected:
    void ExpectNothingRecordedAndTheCountdownOn() {
        const EngineSnapshot snapshot = Snapshot();
        EXPECT_EQ(snapshot.counters.httpFailures + snapshot.counters.socketFailures +
                      snapshot.counters.dnsFailures,
                  0);
        EXPECT_FALSE(snapshot.problemPending);
        EXPECT_THAT(alerts.shown, IsEmpty());
        EXPECT_EQ(snapshot.phase, Phase::AwaitingReply);
        EXPECT_EQ(countdownText.Text(), "24:57");
    }
};

TEST_P(UnrecordedFailureTest, PeerClosingWithoutDataLeavesTheAttemptOpen) {
    InitializeWith({"127.0.0.1"}, GetParam());
    StartArmed();
    Tick();
    network.Closed(LastSocket());
    Tick(3);
    EXPECT_EQ(Count().successes, 0);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_BUSY);
    EXPECT_FALSE(startButton.IsEnabled());
    ExpectNothingRecordedAndTheCountdownOn();
}

TEST_P(UnrecordedFailureTest, ARequestThatCannotBeSentIsWaitedFor) {
    InitializeWith({"127.0.0.1"}, GetParam());
    StartArmed();
    network.sendsFail = true;
    Tick();
    ASSERT_EQ(network.sends.size(), 1U);
    EXPECT_EQ(statusText.Text(), "Jostle was sent");
    Tick(3);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_BUSY);
    ExpectNothingRecordedAndTheCountdownOn();
}

INSTANTIATE_TEST_SUITE_P(IgnoreOffAndOn, UnrecordedFailureTest, ::testing::Bool());

TEST_F(EngineTest, RestartAbandonsTheRequestOut) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick();
    const SocketHandle socket = LastSocket();
    Start();
    EXPECT_THAT(network.closes, ElementsAre(socket));
    EXPECT_NE(Snapshot().phase, Phase::AwaitingReply);
    network.Readable(socket);
    EXPECT_EQ(Count().successes, 0);
}

TEST_F(EngineTest, AttemptMadeBehindAFailureMessageKeepsNoSocketOpen) {
    InitializeWith({"127.0.0.2"}, false);
    StartArmed();
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    alerts.whileOpen = [&] { Tick(1500); }; // the next attempt happens behind the box
    Tick();
    EXPECT_EQ(network.connects.size(), 2U);
    EXPECT_THAT(network.open, IsEmpty());
}

TEST_F(EngineTest, AReplyArrivingBehindAFailureMessageCounts) {
    InitializeWith({"127.0.0.2"}, false);
    StartArmed();
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    alerts.whileOpen = [&] {
        Tick(1500); // the next attempt connects behind the box
        ASSERT_EQ(network.sends.size(), 1U);
        clock.timeText = "08:25:01";
        network.Readable(network.sends[0].first);
        EXPECT_EQ(Count().successes, 1);
        EXPECT_EQ(statusText.Text(), "Jostle completed at 08:25:01");
        EXPECT_EQ(trayShell.Icon(), ids::IDI_ACTIVE);
    };
    Tick();
    EXPECT_EQ(Count().successes, 1);
    EXPECT_EQ(Count().httpFailures, 1);
    EXPECT_EQ(statusText.Text(), "NOT RUNNING") << "the failure's stop comes when the box closes";
    EXPECT_THAT(network.open, IsEmpty());
}

TEST_F(EngineTest, AttemptMadeWhileConnectingLeavesOneSocketOpen) {
    InitializeWith({"127.0.0.2"});
    StartArmed();
    network.whileConnecting = [&] { Tick(1500); };
    Tick();
    ASSERT_EQ(network.connects.size(), 2U);
    ASSERT_EQ(network.open.size(), 1U);
    network.Readable(*network.open.begin());
    EXPECT_EQ(Count().successes, 1) << "the one left open is the engine's";
}

TEST_F(EngineTest, LookupCompletingWhileAMessageIsOpenIsHandled) {
    InitializeWith({"127.0.0.2", "alpha.test"}, false);
    StartArmed();
    network.connectOutcomes = {ConnectStatus::ConnectFailed};
    alerts.whileOpen = [&] {
        nameCombo.Select(1);
        Start();
        CompleteTargetLookup("127.0.0.5");
    };
    Tick();
    EXPECT_THAT(network.targetLookups, ElementsAre("alpha.test"));
    EXPECT_EQ(statusText.Text(), "NOT RUNNING") << "the failed attempt stops after its box";
}

} // namespace
} // namespace jostle::test
