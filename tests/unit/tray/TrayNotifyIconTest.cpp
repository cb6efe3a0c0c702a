// The tray icon's states, its records to the shell and its mouse mapping.
#include "tray/TrayNotifyIcon.h"

#include "res/ResourceIds.h"
#include "tests/support/Fakes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace jostle::test {
namespace {

using Request = FakeTrayShell::Request;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

class NullWindow : public INotifyWindow {
public:
    int OnTrayNotify(unsigned, unsigned) override { return 0; }
    void OnCommand(int) override {}
};

// A shell whose tray shows the menu itself, and records the menus handed over.
class MenuTrayShell : public FakeTrayShell {
public:
    void AttachMenu(const menus::Popup& popup, int defaultPosition) override {
        attached.push_back({popup.title, defaultPosition});
    }
    std::vector<std::pair<std::string, int>> attached;
};

class TrayIconTest : public ::testing::Test {
protected:
    bool CreateIcon() {
        const int icons[] = {ids::IDI_ACTIVE, ids::IDI_STOPPED};
        return icon.Create(&window, 129, "Jostle", icons, 500, ids::WM_TRAY_NOTIFY);
    }

    MenuTrayShell shell;
    NullWindow window;
    CTrayNotifyIcon icon{shell};
};

TEST_F(TrayIconTest, CreateAddsTheWholeRecordWithTheFirstIconOfTheRun) {
    ASSERT_TRUE(CreateIcon());
    ASSERT_EQ(shell.records.size(), 1U);
    const NotifyIconData& data = shell.records[0].data;
    EXPECT_EQ(shell.records[0].request, Request::Add);
    EXPECT_EQ(data.cbSize, 88U);
    EXPECT_EQ(data.hWnd, &window);
    EXPECT_EQ(data.uID, 129U);
    EXPECT_EQ(data.uFlags, 7U);
    EXPECT_EQ(data.uCallbackMessage, 0x8064U);
    EXPECT_EQ(data.hIcon, ids::IDI_ACTIVE);
    EXPECT_STREQ(data.szTip, "Jostle");
    EXPECT_TRUE(icon.IsAdded());
}

TEST_F(TrayIconTest, ChangesCarryOnlyTheirFlag) {
    CreateIcon();
    EXPECT_TRUE(icon.SetIcon(ids::IDI_BUSY));
    EXPECT_TRUE(icon.SetTooltip("Jostle in 25:00"));
    ASSERT_EQ(shell.records.size(), 3U);
    EXPECT_EQ(shell.records[1].request, Request::Modify);
    EXPECT_EQ(shell.records[1].data.uFlags, NIF_ICON);
    EXPECT_EQ(shell.records[1].data.hIcon, ids::IDI_BUSY);
    EXPECT_EQ(shell.records[2].data.uFlags, NIF_TIP);
    EXPECT_EQ(shell.records[2].Tip(), "Jostle in 25:00");
}

TEST_F(TrayIconTest, TooltipKeepsAtMostSixtyThreeCharacters) {
    CreateIcon();
    const std::string fits(63, 'x');
    icon.SetTooltip(fits);
    EXPECT_EQ(shell.records.back().Tip(), fits);
    icon.SetTooltip(std::string(200, 'y'));
    EXPECT_EQ(shell.records.back().Tip(), std::string(63, 'y'));
    icon.SetTooltip("short");
    EXPECT_EQ(shell.records.back().Tip(), "short") << "no tail of the longer text remains";
}

TEST_F(TrayIconTest, NothingIsSentBeforeCreateOrAfterARefusedOne) {
    EXPECT_FALSE(icon.SetIcon(ids::IDI_BUSY));
    EXPECT_FALSE(icon.SetTooltip("x"));
    EXPECT_THAT(shell.records, IsEmpty());
    shell.accept = false;
    EXPECT_FALSE(CreateIcon());
    EXPECT_FALSE(icon.SetIcon(ids::IDI_BUSY));
    EXPECT_EQ(shell.records.size(), 1U);
}

TEST_F(TrayIconTest, DestructionDeletesOnlyAnAddedIcon) {
    {
        CTrayNotifyIcon refused(shell);
        shell.accept = false;
        refused.Create(&window, 129, "Jostle", ids::IDI_ACTIVE, ids::WM_TRAY_NOTIFY);
    }
    EXPECT_EQ(shell.records.back().request, Request::Add);
    shell.accept = true;
    {
        CTrayNotifyIcon added(shell);
        added.Create(&window, 129, "Jostle", ids::IDI_ACTIVE, ids::WM_TRAY_NOTIFY);
    }
    EXPECT_EQ(shell.records.back().request, Request::Delete);
    EXPECT_EQ(shell.records.back().data.uID, 129U);
}

TEST_F(TrayIconTest, SecondCreateRefusedByTheShellLeavesTheIconNotAdded) {
    CreateIcon();
    shell.accept = false; // the shell has that icon already
    EXPECT_FALSE(CreateIcon());
    EXPECT_FALSE(icon.IsAdded());
}

TEST_F(TrayIconTest, MouseMessagesMapToTheMenuAndTheDefaultCommand) {
    CreateIcon();
    EXPECT_EQ(icon.HandleNotification(129, WM_RBUTTONUP), 1);
    EXPECT_THAT(shell.popups, ElementsAre(std::make_pair(std::string("_POPUP_"), 0)));
    EXPECT_EQ(icon.HandleNotification(129, WM_LBUTTONDBLCLK), 1);
    EXPECT_THAT(shell.commandsSent, ElementsAre(ids::ID_RESTORE));
    constexpr unsigned kMouseMove = 0x200;
    constexpr unsigned WM_LBUTTONUP = 0x202;
    EXPECT_EQ(icon.HandleNotification(129, kMouseMove), 1);
    EXPECT_EQ(icon.HandleNotification(129, WM_LBUTTONUP), 1);
    EXPECT_EQ(shell.popups.size(), 1U);
    EXPECT_EQ(shell.commandsSent.size(), 1U);
}

TEST_F(TrayIconTest, EveryAcceptedAddHandsTheMenuOverWithRestoreAsDefault) {
    shell.accept = false;
    CreateIcon();
    EXPECT_THAT(shell.attached, IsEmpty());
    shell.accept = true;
    CreateIcon();
    EXPECT_THAT(shell.attached, ElementsAre(std::make_pair(std::string("_POPUP_"), 0)));
}

TEST_F(TrayIconTest, ATrayThatAppearsLaterGetsTheRefusedIconWithItsStateOfThen) {
    shell.accept = false;
    CreateIcon();
    EXPECT_FALSE(icon.SetIcon(ids::IDI_BUSY));
    EXPECT_FALSE(icon.SetTooltip("Jostle in 24:59"));
    shell.accept = true;
    EXPECT_EQ(icon.HandleNotification(129, kTaskbarCreated), 1);
    ASSERT_EQ(shell.records.size(), 2U);
    EXPECT_EQ(shell.records[1].request, Request::Add);
    EXPECT_EQ(shell.records[1].data.uFlags, 7U);
    EXPECT_EQ(shell.Icon(), ids::IDI_BUSY);
    EXPECT_EQ(shell.Tip(), "Jostle in 24:59");
    EXPECT_TRUE(icon.IsAdded());
    EXPECT_EQ(shell.attached.size(), 1U);
    icon.HandleNotification(129, kTaskbarCreated);
    EXPECT_EQ(shell.records.size(), 2U) << "an added icon is not added twice";
    icon.Remove();
    icon.HandleNotification(129, kTaskbarCreated);
    EXPECT_EQ(shell.records.back().request, Request::Delete) << "a removed icon stays removed";
}

TEST_F(TrayIconTest, ForeignIdsAndMissingMenusAreNotHandled) {
    CreateIcon();
    EXPECT_EQ(icon.HandleNotification(130, WM_RBUTTONUP), 0);
    CTrayNotifyIcon other(shell);
    other.Create(&window, 7, "other", ids::IDI_ACTIVE, ids::WM_TRAY_NOTIFY);
    EXPECT_EQ(other.HandleNotification(7, WM_LBUTTONDBLCLK), 0) << "no menu 7";
    EXPECT_THAT(shell.popups, IsEmpty());
    EXPECT_THAT(shell.commandsSent, IsEmpty());
}

} // namespace
} // namespace jostle::test
