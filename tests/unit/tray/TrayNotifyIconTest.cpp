// The tray icon's states, what it asks of the shell, and what the user's
// actions on it become.
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

class RecordingOwner : public ITrayCommands {
public:
    void OnCommand(int commandId) override { commands.push_back(commandId); }
    std::vector<int> commands;
};

class TrayIconTest : public ::testing::Test {
protected:
    bool CreateIcon() { return icon.Create(owner, "Jostle", ids::IDI_ACTIVE); }

    FakeTrayShell shell;
    RecordingOwner owner;
    CTrayNotifyIcon icon{shell};
};

TEST_F(TrayIconTest, CreateShowsTheIconWithItsMenuAndRestoreAsDefault) {
    ASSERT_TRUE(CreateIcon());
    ASSERT_EQ(shell.records.size(), 1U);
    EXPECT_EQ(shell.records[0].request, Request::Show);
    EXPECT_EQ(shell.records[0].look.icon, ids::IDI_ACTIVE);
    EXPECT_EQ(shell.records[0].Tip(), "Jostle");
    EXPECT_THAT(shell.menusShown, ElementsAre(std::make_pair(std::string("_POPUP_"), 0)));
    EXPECT_TRUE(icon.IsShown());
}

TEST_F(TrayIconTest, TooltipKeepsAtMostSixtyThreeCharacters) {
    CreateIcon();
    const std::string fits(63, 'x');
    icon.SetTooltip(fits);
    EXPECT_EQ(shell.Tip(), fits);
    icon.SetTooltip(std::string(200, 'y'));
    EXPECT_EQ(shell.Tip(), std::string(63, 'y'));
    icon.SetTooltip("short");
    EXPECT_EQ(shell.Tip(), "short") << "no tail of the longer text remains";
}

TEST_F(TrayIconTest, NothingIsSentBeforeCreateOrAfterARefusedOne) {
    icon.SetIcon(ids::IDI_BUSY);
    icon.SetTooltip("x");
    EXPECT_THAT(shell.records, IsEmpty());
    shell.accept = false;
    EXPECT_FALSE(CreateIcon());
    icon.SetIcon(ids::IDI_BUSY);
    EXPECT_EQ(shell.records.size(), 1U);
    EXPECT_FALSE(icon.IsShown());
}

TEST_F(TrayIconTest, DestructionRemovesOnlyAShownIcon) {
    {
        CTrayNotifyIcon refused(shell);
        shell.accept = false;
        refused.Create(owner, "Jostle", ids::IDI_ACTIVE);
    }
    EXPECT_EQ(shell.records.back().request, Request::Show);
    shell.accept = true;
    {
        CTrayNotifyIcon shown(shell);
        shown.Create(owner, "Jostle", ids::IDI_ACTIVE);
    }
    EXPECT_EQ(shell.records.back().request, Request::Remove);
}

TEST_F(TrayIconTest, TheUsersActionsBecomeTheMenuAndCommands) {
    CreateIcon();
    shell.RightClick();
    EXPECT_THAT(shell.popups, ElementsAre(std::make_pair(std::string("_POPUP_"), 0)));
    EXPECT_THAT(owner.commands, IsEmpty());
    shell.DoubleClick();
    shell.Choose(ids::ID_APP_ABOUT);
    EXPECT_THAT(owner.commands, ElementsAre(ids::ID_RESTORE, ids::ID_APP_ABOUT));
    icon.Remove();
    shell.RightClick();
    shell.DoubleClick();
    EXPECT_EQ(shell.popups.size(), 1U) << "a removed icon has no menu";
    EXPECT_EQ(owner.commands.size(), 2U);
}

TEST_F(TrayIconTest, ATrayThatAppearsLaterGetsTheRefusedIconWithItsLookOfThen) {
    shell.accept = false;
    CreateIcon();
    icon.SetIcon(ids::IDI_BUSY);
    icon.SetTooltip("Jostle in 24:59");
    shell.Appear();
    ASSERT_EQ(shell.records.size(), 2U);
    EXPECT_EQ(shell.records[1].request, Request::Show);
    EXPECT_EQ(shell.Icon(), ids::IDI_BUSY);
    EXPECT_EQ(shell.Tip(), "Jostle in 24:59");
    EXPECT_TRUE(icon.IsShown());
    shell.Appear();
    EXPECT_EQ(shell.records.size(), 2U) << "a shown icon is not shown twice";
    icon.Remove();
    shell.Appear();
    EXPECT_EQ(shell.records.back().request, Request::Remove) << "a removed icon stays removed";
}

} // namespace
} // namespace jostle::test
