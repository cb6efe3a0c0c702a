// The control panel behind a message box or dialog: it takes no input yet is
// drawn as before, and it has its focused control back afterwards.
#include "DialogTestSupport.h"
#include "engine/PanelModel.h"
#include "platform/desktop/QtAlerts.h"
#include "res/ResourceIds.h"
#include "ui/ControlPanel.h"
#include "ui/dialogs/QtDialogs.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace jostle::test {
namespace {

class ModalOwnerTest : public testing::Test {
protected:
    ModalOwnerTest() {
        controls.startButton.Enable(true);
        controls.countdownLabel.Enable(true); // as while the countdown runs
        panel.show();
        panel.activateWindow();
    }

    QWidget& Control(int id) const { return *panel.Control(id); }

    // Runs a modal window owned by the panel, with the period box focused,
    // and checks the panel while it is open and after.
    void CheckThePanelAround(const std::function<void()>& runModal) {
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
        ClickThroughWindowSystem(Control(ids::IDC_START));
        ASSERT_EQ(commands.count(), 1) << "the click itself must reach an unblocked panel";
        Control(ids::IDC_PERIOD).setFocus();
        WhenModalOpens([this](QDialog& modal) {
            EXPECT_TRUE(Control(ids::IDC_COUNTDOWN).isEnabled()) << "drawn greyed, as if stopped";
            EXPECT_TRUE(Control(ids::IDC_COUNTDOWN_LABEL).isEnabled());
            EXPECT_TRUE(Control(ids::IDC_START).isEnabled());
            ClickThroughWindowSystem(Control(ids::IDC_START));
            EXPECT_EQ(commands.count(), 1) << "Start took a click behind the modal window";
            modal.reject();
        });
        runModal();
        EXPECT_TRUE(QTest::qWaitFor([this] {
            return QApplication::focusWidget() == &Control(ids::IDC_PERIOD);
        })) << "the focus is on "
            << (QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : "nothing")
                   .toStdString();
    }

    PanelModel model;
    PanelControls controls = model.Controls();
    ui::ControlPanel panel{model};
    QSignalSpy commands{&panel, &ui::ControlPanel::commandIssued};
};

TEST_F(ModalOwnerTest, AMessageBoxBlocksThePanelWithoutGreyingIt) {
    QtAlerts alerts;
    alerts.SetOwner([this] { return &panel; });
    CheckThePanelAround(
        [&alerts] { alerts.MessageBox("Jostle: Cannot connect", AlertIcon::Exclamation); });
}

TEST_F(ModalOwnerTest, ADialogBlocksThePanelWithoutGreyingIt) {
    int emailVisited = 0;
    int webVisited = 0;
    ui::QtDialogs dialogs(emailVisited, webVisited, FakeOpener().Function(),
                          [](int) { return QIcon(); });
    dialogs.SetOwner([this] { return &panel; });
    CheckThePanelAround([&dialogs] { dialogs.RunStatistics({}); });
}

// As a window manager would do; without one nothing would be active.
TEST_F(ModalOwnerTest, TheOwnerIsActivatedAfterwardsWhenTheWindowActiveBeforeIsGone) {
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QtAlerts alerts;
    alerts.SetOwner([this] { return &panel; });
    WhenModalOpens([&other](QDialog& box) {
        other.hide();
        box.reject();
    });
    alerts.MessageBox("Jostle: Cannot connect", AlertIcon::Exclamation);
    EXPECT_TRUE(QTest::qWaitForWindowActive(&panel));
}

} // namespace
} // namespace jostle::test
