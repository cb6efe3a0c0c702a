#include "ui/ControlPanel.h"

#include "engine/EngineText.h"
#include "res/ResourceIds.h"
#include "ui/DialogBuilder.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace jostle::ui {
namespace {

class ControlPanelTest : public testing::Test {
protected:
    template <class Widget> Widget* Find(int id) {
        return panel.findChild<Widget*>(ControlName(id));
    }

    // The visible text of every label without an id, in creation order.
    QStringList LabelTexts() {
        QStringList texts;
        for (const QLabel* label : panel.findChildren<QLabel*>()) {
            if (label->objectName().isEmpty()) {
                texts << label->text();
            }
        }
        return texts;
    }

    void ShowAndFocus() {
        panel.show();
        QApplication::setActiveWindow(&panel);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&panel));
    }

    // Shown, as the panel copies its models onto the widgets only then.
    ControlPanelTest() { panel.show(); }

    PanelModel model;
    ControlPanel panel{model};
    PanelControls controls = model.Controls();
    QSignalSpy commands{&panel, &ControlPanel::commandIssued};
};

TEST_F(ControlPanelTest, HoldsTheControlsOfTheTemplate) {
    ASSERT_NE(Find<QPushButton>(ids::IDC_RETURN_TO_TRAY), nullptr);
    EXPECT_EQ(Find<QPushButton>(ids::IDC_RETURN_TO_TRAY)->text(), "Return To Tray");
    EXPECT_TRUE(Find<QPushButton>(ids::IDC_RETURN_TO_TRAY)->isDefault());
    ASSERT_NE(Find<QPushButton>(ids::IDC_START), nullptr);
    EXPECT_EQ(Find<QPushButton>(ids::IDC_START)->text(), "Start or Apply Changes");
    ASSERT_NE(Find<QPushButton>(ids::IDC_SHUTDOWN), nullptr);
    EXPECT_EQ(Find<QPushButton>(ids::IDC_SHUTDOWN)->text(), "Shutdown Jostle");
    ASSERT_NE(Find<QLineEdit>(ids::IDC_PERIOD), nullptr);
    EXPECT_TRUE(Find<QLineEdit>(ids::IDC_PERIOD)->alignment() & Qt::AlignRight);
    ASSERT_NE(Find<QComboBox>(ids::IDC_NAME_COMBO), nullptr);
    ASSERT_NE(Find<QLabel>(ids::IDC_COUNTDOWN_LABEL), nullptr);
    EXPECT_EQ(Find<QLabel>(ids::IDC_COUNTDOWN_LABEL)->text(), "Time until next jostle:");
    ASSERT_NE(Find<QLabel>(ids::IDC_STATUS), nullptr);
    ASSERT_NE(Find<QLabel>(ids::IDC_COUNTDOWN), nullptr);
    EXPECT_EQ(LabelTexts(), QStringList({"Jostle how often? (minutes)", "Domain Name or IP Address",
                                         "(Type into box above to add a name)", "Status:"}));
}

TEST_F(ControlPanelTest, StartsWithTheTemplatesEnabledStates) {
    EXPECT_FALSE(controls.startButton.IsEnabled());
    EXPECT_FALSE(controls.countdownLabel.IsEnabled());
    EXPECT_TRUE(controls.countdownText.IsEnabled());
    EXPECT_TRUE(controls.statusText.IsEnabled());
    controls.startButton.Enable(true);
    controls.countdownLabel.Enable(true);
    EXPECT_TRUE(Find<QPushButton>(ids::IDC_START)->isEnabled());
    EXPECT_TRUE(Find<QLabel>(ids::IDC_COUNTDOWN_LABEL)->isEnabled());
}

TEST_F(ControlPanelTest, ControlsKeepTheirOwnStateWhileTheWindowIsDisabled) {
    // Whatever disables the window, the models keep their own state behind it.
    controls.countdownLabel.Enable(true);
    controls.startButton.Enable(true);
    panel.setEnabled(false);
    EXPECT_TRUE(controls.countdownLabel.IsEnabled());
    EXPECT_TRUE(controls.startButton.IsEnabled());
    controls.countdownLabel.Enable(false);
    controls.startButton.Enable(false);
    panel.setEnabled(true);
    EXPECT_FALSE(controls.countdownLabel.IsEnabled());
    EXPECT_FALSE(controls.startButton.IsEnabled());
}

TEST_F(ControlPanelTest, TabGoesThroughTheControlsInTemplateOrder) {
    controls.startButton.Enable(true);
    ShowAndFocus();
    Find<QPushButton>(ids::IDC_RETURN_TO_TRAY)->setFocus();
    const std::vector<QWidget*> expected = {
        Find<QLineEdit>(ids::IDC_PERIOD), Find<QComboBox>(ids::IDC_NAME_COMBO),
        Find<QPushButton>(ids::IDC_START), Find<QPushButton>(ids::IDC_SHUTDOWN),
        Find<QPushButton>(ids::IDC_RETURN_TO_TRAY)};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focused = QApplication::focusWidget();
        EXPECT_TRUE(focused == next || next->isAncestorOf(focused))
            << "expected " << next->objectName().toStdString() << ", focus on "
            << (focused ? focused->objectName().toStdString() : "nothing");
    }
}

TEST_F(ControlPanelTest, StaticsAndEditShowWhatTheEngineSets) {
    controls.statusText.SetText("Jostle completed at 10:11:12");
    controls.countdownText.SetText("24:59");
    controls.periodEdit.SetText("25");
    EXPECT_EQ(Find<QLabel>(ids::IDC_STATUS)->text(), "Jostle completed at 10:11:12");
    EXPECT_EQ(controls.statusText.Text(), "Jostle completed at 10:11:12");
    EXPECT_EQ(Find<QLabel>(ids::IDC_COUNTDOWN)->text(), "24:59");
    EXPECT_EQ(Find<QLineEdit>(ids::IDC_PERIOD)->text(), "25");
    Find<QLineEdit>(ids::IDC_PERIOD)->setText("7");
    EXPECT_EQ(controls.periodEdit.Text(), "7");
}

TEST_F(ControlPanelTest, AHiddenPanelCatchesUpWhenShown) {
    panel.hide();
    controls.statusText.SetText("Jostle completed at 10:11:12");
    controls.nameCombo.Append("one.example");
    controls.nameCombo.Select(0);
    controls.startButton.Enable(true);
    EXPECT_EQ(Find<QLabel>(ids::IDC_STATUS)->text(), " ") << "nothing is copied while hidden";
    panel.show();
    EXPECT_EQ(Find<QLabel>(ids::IDC_STATUS)->text(), "Jostle completed at 10:11:12");
    EXPECT_EQ(Find<QComboBox>(ids::IDC_NAME_COMBO)->currentText(), "one.example");
    EXPECT_TRUE(Find<QPushButton>(ids::IDC_START)->isEnabled());
}

TEST_F(ControlPanelTest, ComboKeepsInsertionOrderAndFindsWholeTextIgnoringCase) {
    ICombo& combo = controls.nameCombo;
    EXPECT_EQ(combo.Append("zeta.example"), 0);
    EXPECT_EQ(combo.Append("Alpha.example"), 1);
    EXPECT_EQ(combo.Append("127.0.0.1"), 2);
    EXPECT_EQ(combo.Count(), 3);
    EXPECT_EQ(combo.ItemText(1), "Alpha.example");
    EXPECT_EQ(combo.ItemText(3), "");
    EXPECT_EQ(combo.FindExact("ALPHA.EXAMPLE"), 1);
    EXPECT_EQ(combo.FindExact("alpha"), -1) << "whole text only";
    EXPECT_EQ(combo.FindExact("127.0.0.1 "), -1);
    combo.Clear();
    EXPECT_EQ(combo.Count(), 0);
    EXPECT_EQ(combo.EditText(), "");
}

TEST_F(ControlPanelTest, ComboMatchesNamesAsTheEngineDoes) {
    const std::vector<std::string> names = {"B\xC3\x9C"
                                            "CHER.example",
                                            "Stra\xC3\x9F"
                                            "e.example",
                                            "www.Example.org"};
    for (const std::string& name : names) {
        controls.nameCombo.Append(name);
    }
    for (const std::string wanted : {"b\xC3\xBC"
                                     "cher.example",
                                     "B\xC3\x9C"
                                     "cher.EXAMPLE",
                                     "STRASSE.example", "WWW.EXAMPLE.ORG"}) {
        EXPECT_EQ(controls.nameCombo.FindExact(wanted), FindIgnoringCase(names, wanted)) << wanted;
    }
}

TEST_F(ControlPanelTest, ComboSelectionFollowsTheEditText) {
    ICombo& combo = controls.nameCombo;
    combo.Append("one.example");
    combo.Append("two.example");
    EXPECT_EQ(combo.Select(1), 1);
    EXPECT_EQ(combo.Selection(), 1);
    EXPECT_EQ(combo.EditText(), "two.example");
    EXPECT_EQ(combo.Select(-1), -1);
    EXPECT_EQ(combo.Selection(), -1);
    EXPECT_EQ(combo.EditText(), "") << "Select(-1) clears the edit text";
    EXPECT_EQ(combo.Select(5), -1);
    EXPECT_EQ(combo.EditText(), "");
    combo.Select(0);
    combo.Select(0); // selecting the same entry again restores its text
    EXPECT_EQ(combo.EditText(), "one.example");
}

TEST_F(ControlPanelTest, TypingInTheComboClearsTheSelectionWithoutCompletingOrAdding) {
    ICombo& combo = controls.nameCombo;
    combo.Append("localhost");
    combo.Select(0);
    ShowAndFocus();
    QLineEdit* field = Find<QComboBox>(ids::IDC_NAME_COMBO)->lineEdit();
    field->clear();
    QTest::keyClicks(field, "loc");
    EXPECT_EQ(combo.EditText(), "loc") << "no completion";
    EXPECT_EQ(combo.Selection(), -1);
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(combo.Count(), 1) << "Enter adds nothing";
    field->clear();
    QTest::keyClicks(field, "localhost");
    EXPECT_EQ(combo.Selection(), 0);
}

TEST_F(ControlPanelTest, TypingStopsWhereTheFieldIsFull) {
    ShowAndFocus();
    QLineEdit* period = Find<QLineEdit>(ids::IDC_PERIOD);
    QTest::keyClicks(period, QString(40, QLatin1Char('8')));
    EXPECT_GT(period->text().size(), 0);
    EXPECT_LT(period->text().size(), 40);
    EXPECT_LE(period->fontMetrics().horizontalAdvance(period->text()), period->width());
    QLineEdit* name = Find<QComboBox>(ids::IDC_NAME_COMBO)->lineEdit();
    QTest::keyClicks(name, QString(200, QLatin1Char('w')));
    EXPECT_LT(name->text().size(), 200);
    EXPECT_LE(name->fontMetrics().horizontalAdvance(name->text()), name->width());
}

TEST_F(ControlPanelTest, ButtonsSendTheirCommands) {
    controls.startButton.Enable(true);
    QTest::mouseClick(Find<QPushButton>(ids::IDC_START), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(ids::IDC_SHUTDOWN), Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(ids::IDC_RETURN_TO_TRAY), Qt::LeftButton);
    ASSERT_EQ(commands.count(), 3);
    EXPECT_EQ(commands[0][0].toInt(), ids::IDC_START);
    EXPECT_EQ(commands[1][0].toInt(), ids::IDC_SHUTDOWN);
    EXPECT_EQ(commands[2][0].toInt(), ids::IDC_RETURN_TO_TRAY);
}

TEST_F(ControlPanelTest, DisabledStartSendsNothing) {
    QTest::mouseClick(Find<QPushButton>(ids::IDC_START), Qt::LeftButton);
    EXPECT_EQ(commands.count(), 0);
}

TEST_F(ControlPanelTest, EnterInThePeriodBoxOrTheComboReturnsToTheTray) {
    ShowAndFocus();
    QTest::keyClick(Find<QLineEdit>(ids::IDC_PERIOD), Qt::Key_Return);
    QTest::keyClick(Find<QComboBox>(ids::IDC_NAME_COMBO)->lineEdit(), Qt::Key_Enter);
    ASSERT_EQ(commands.count(), 2);
    EXPECT_EQ(commands[0][0].toInt(), ids::IDC_RETURN_TO_TRAY);
    EXPECT_EQ(commands[1][0].toInt(), ids::IDC_RETURN_TO_TRAY);
}

TEST_F(ControlPanelTest, EnterOnAFocusedButtonPressesThatButton) {
    ShowAndFocus();
    QTest::keyClick(Find<QPushButton>(ids::IDC_SHUTDOWN), Qt::Key_Return);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), ids::IDC_SHUTDOWN);
}

// With the focus on Start, starting disables Start: the focus must not pass
// to Shutdown Jostle, or the next Enter would end the program.
TEST_F(ControlPanelTest, DisablingTheFocusedStartHandsTheFocusToReturnToTray) {
    controls.startButton.Enable(true);
    ShowAndFocus();
    Find<QPushButton>(ids::IDC_START)->setFocus();
    controls.startButton.Enable(false);
    EXPECT_EQ(QApplication::focusWidget(), Find<QPushButton>(ids::IDC_RETURN_TO_TRAY));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), ids::IDC_RETURN_TO_TRAY);
}

TEST_F(ControlPanelTest, AStoredTextWiderThanItsBoxShowsItsStart) {
    controls.periodEdit.SetText("1234567");
    EXPECT_EQ(Find<QLineEdit>(ids::IDC_PERIOD)->cursorPosition(), 0);
    const std::string longName = "a-very-long-host-name-that-does-not-fit.example.org";
    controls.nameCombo.Append("localhost");
    controls.nameCombo.Append(longName);
    controls.nameCombo.Select(1);
    QLineEdit* field = Find<QComboBox>(ids::IDC_NAME_COMBO)->lineEdit();
    EXPECT_EQ(field->cursorPosition(), 0);
    EXPECT_EQ(controls.nameCombo.EditText(), longName);
}

// Screen readers get the label both as the name and through the labelled-by
// relation; the name box is not named by the entry it shows.
TEST_F(ControlPanelTest, InputsAreNamedAfterTheirLabelsForScreenReaders) {
    controls.nameCombo.Append("localhost");
    controls.nameCombo.Select(0);
    const auto accessible = [this](int id) {
        return QAccessible::queryAccessibleInterface(Find<QWidget>(id));
    };
    const auto labelledBy = [&accessible](int id) {
        const auto labels = accessible(id)->relations(QAccessible::Label);
        return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    };
    EXPECT_EQ(accessible(ids::IDC_PERIOD)->text(QAccessible::Name), "Jostle how often? (minutes)");
    EXPECT_EQ(labelledBy(ids::IDC_PERIOD), "Jostle how often? (minutes)");
    EXPECT_EQ(labelledBy(ids::IDC_NAME_COMBO), "Domain Name or IP Address");
    EXPECT_EQ(accessible(ids::IDC_NAME_COMBO)->text(QAccessible::Name),
              "Domain Name or IP Address");
}

TEST(ComputePanelRect, FollowsTheButtonSizes) {
    // Start 218 x 28, Return To Tray 105 x 28 ending at y = 268 (exclusive).
    const QRect frame(100, 50, 300, 400);
    const QRect start(115, 200, 218, 28);
    const QRect returnToTray(231, 240, 105, 28);
    const QRect fitted = ComputePanelRect(frame, start, returnToTray);
    EXPECT_EQ(fitted.topLeft(), QPoint(100, 50));
    EXPECT_EQ(fitted.width(), 218 + 2 * 28);
    EXPECT_EQ(fitted.y() + fitted.height(), 268 + 28 + 14 + 10);
    // An odd height: half of it is truncated.
    EXPECT_EQ(ComputePanelRect(frame, start, QRect(231, 240, 105, 25)).height(),
              240 + 25 + 25 + 12 + 10 - 50);
}

TEST(ComputePanelRect, FromTheRealButtonsShowsEveryControl) {
    QWidget frame;
    frame.move(120, 80);
    PanelModel model;
    ControlPanel panel(model, &frame);
    panel.move(0, 20); // below a menu bar
    frame.resize(500, 500);
    const QRect fitted = panel.ComputePanelRect(frame.geometry());
    EXPECT_EQ(fitted.topLeft(), frame.geometry().topLeft());
    const QWidget* start = panel.Control(ids::IDC_START);
    const QWidget* returnToTray = panel.Control(ids::IDC_RETURN_TO_TRAY);
    EXPECT_EQ(fitted.width(), start->width() + 2 * start->height());
    const int returnBottom = 20 + returnToTray->y() + returnToTray->height();
    EXPECT_EQ(fitted.height(),
              returnBottom + returnToTray->height() + returnToTray->height() / 2 + 10);
    for (const QWidget* control :
         panel.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        const QRect onFrame = control->geometry().translated(panel.pos());
        EXPECT_LE(onFrame.right(), fitted.width()) << control->objectName().toStdString();
        EXPECT_LE(onFrame.bottom(), fitted.height()) << control->objectName().toStdString();
    }
}

} // namespace
} // namespace jostle::ui
