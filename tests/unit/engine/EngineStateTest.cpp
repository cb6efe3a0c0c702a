// Construction, the initial update and the loading of the name list.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST_F(EngineTest, FirstRunStartsFromTheDefaults) {
    clock.timeText = "07:15:42";
    clock.tick = 123456;
    clock.seconds = 1700000042;
    CJostleView& jostle = Initialize();

    EXPECT_THAT(random.seeds, ElementsAre(1700000042U));
    EXPECT_EQ(jostle.m_launchTimeText, "07:15:42");
    EXPECT_EQ(jostle.m_launchTick, 123456U);
    EXPECT_EQ(jostle.m_ignoreFailures, 1);
    EXPECT_EQ(jostle.m_autoStart, 1);
    EXPECT_EQ(jostle.m_randomName, 0);
    EXPECT_EQ(jostle.m_randomTime, 0);
    EXPECT_EQ(jostle.m_debug, 0);
    EXPECT_EQ(jostle.m_socket, kNoSocket);
    EXPECT_EQ(jostle.m_localAddressText, "no address yet");

    EXPECT_EQ(periodEdit.Text(), "25");
    EXPECT_THAT(nameCombo.Items(), ElementsAreArray(kDefaultTargetList));
    EXPECT_EQ(nameCombo.Selection(), 0);
    EXPECT_EQ(jostle.m_targetName, "www.debian.org");
    EXPECT_EQ(statusText.Text(), "PLEASE START ME");
    EXPECT_TRUE(startButton.IsEnabled());
    EXPECT_FALSE(countdownLabel.IsEnabled());
    EXPECT_EQ(jostle.m_periodSeconds, 1500);
    EXPECT_EQ(jostle.m_windowWidth, 300);
    EXPECT_EQ(jostle.m_windowHeight, 250);
    EXPECT_EQ(jostle.m_initialUpdateDone, 1);
    EXPECT_EQ(timers.active.at(ids::TIMER_AUTOSTART), 1000U);
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
    CJostleView& jostle = Create();
    EXPECT_EQ(jostle.m_ignoreFailures, 0);
    EXPECT_EQ(jostle.m_randomName, 1);
    EXPECT_EQ(jostle.m_randomTime, 1);
    EXPECT_EQ(jostle.m_autoStart, 0);
    EXPECT_EQ(jostle.m_debug, 1);
}

TEST_F(EngineTest, TrayIconIsAddedActiveOrStoppedByAutoStart) {
    Initialize();
    ASSERT_EQ(trayShell.records.size(), 1U);
    const NotifyIconData& added = trayShell.records[0].data;
    EXPECT_EQ(trayShell.records[0].request, FakeTrayShell::Request::Add);
    EXPECT_EQ(added.uID, 129U);
    EXPECT_EQ(added.uCallbackMessage, ids::WM_TRAY_NOTIFY);
    EXPECT_EQ(added.hIcon, ids::IDI_ACTIVE);
    EXPECT_EQ(added.hWnd, view.get());
    EXPECT_STREQ(added.szTip, "Jostle");
}

TEST_F(EngineTest, WithoutAutoStartTheIconShowsStoppedAndNoTimerRuns) {
    settings.Set("AutoStart", "0");
    Initialize();
    EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
    EXPECT_FALSE(timers.IsActive(ids::TIMER_AUTOSTART));
}

TEST_F(EngineTest, RefusedTrayIconIsReportedWithTheStopIconAndStartUpGoesOn) {
    trayShell.accept = false;
    Initialize();
    ASSERT_EQ(alerts.shown.size(), 1U);
    EXPECT_EQ(alerts.shown[0].text, "Failed to create tray icon");
    EXPECT_EQ(alerts.shown[0].icon, AlertIcon::Stop);
    EXPECT_EQ(statusText.Text(), "PLEASE START ME");
    EXPECT_EQ(trayShell.records.size(), 1U) << "no icon changes while not added";
}

TEST_F(EngineTest, ATrayThatComesLateShowsTheStoppedIconWithoutAutoStart) {
    settings.Set("AutoStart", "0");
    trayShell.accept = false;
    Initialize();
    trayShell.accept = true;
    EXPECT_EQ(view->OnTrayNotify(129, kTaskbarCreated), 1);
    EXPECT_EQ(trayShell.records.back().request, FakeTrayShell::Request::Add);
    EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
}

TEST_F(EngineTest, ProvisionalPeriodNeverOverflows) {
    settings.Set("Often", "99999999999");
    EXPECT_EQ(Initialize().m_periodSeconds, 3600);
    settings.Set("Often", "-99999999999");
    const int seconds = Initialize().m_periodSeconds;
    EXPECT_LT(seconds, 0);
    settings.Set("Often", "abc");
    EXPECT_EQ(Initialize().m_periodSeconds, 0);
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
    CJostleView& jostle = Initialize();
    EXPECT_THAT(nameCombo.Items(), ElementsAreArray(GetParam().expectedItems));
    EXPECT_EQ(nameCombo.Selection(), GetParam().expectedSelection);
    EXPECT_EQ(jostle.m_targetName, GetParam().expectedTarget);
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

TEST_F(EngineTest, TrayDoubleClickAsksForRestoreAndForeignIdsAreIgnored) {
    Initialize();
    EXPECT_EQ(view->OnTrayNotify(129, WM_LBUTTONDBLCLK), 1);
    EXPECT_EQ(view->OnTrayNotify(130, WM_LBUTTONDBLCLK), 0);
    EXPECT_THAT(trayShell.commandsSent, ElementsAre(ids::ID_RESTORE));
}

TEST_F(EngineTest, DestroyingTheWindowStopsSilentlyAndClosesTheSocket) {
    InitializeWith({"127.0.0.1"});
    StartArmed();
    Tick();
    const SocketHandle socket = LastSocket();
    const std::size_t trayRequests = trayShell.records.size();
    view->OnDestroy();
    EXPECT_THAT(network.closes, ElementsAre(socket));
    EXPECT_TRUE(timers.active.empty());
    EXPECT_EQ(trayShell.records.size(), trayRequests) << "no tooltip or icon change";
    view.reset();
    EXPECT_EQ(trayShell.records.back().request, FakeTrayShell::Request::Delete);
    EXPECT_EQ(network.Sink(), nullptr);
}

} // namespace
} // namespace jostle::test
