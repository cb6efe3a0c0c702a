#include "app/MainFrame.h"

#include "res/ResourceIds.h"
#include "ui/DialogBuilder.h"

#include <QAction>
#include <QEventLoop>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

namespace jostle {
namespace {

TEST(StartingRect, IsAQuarterByThreeTenthsOfTheScreenCentred) {
    EXPECT_EQ(StartingRect({800, 600}), QRect(300, 210, 200, 180));
    EXPECT_EQ(StartingRect({1024, 768}), QRect(384, 269, 256, 230));
    // Truncated toward zero, centred by integer division.
    EXPECT_EQ(StartingRect({1366, 768}), QRect(512, 269, 341, 230));
    EXPECT_EQ(StartingRect({1001, 1001}), QRect(375, 350, 250, 300));
}

class MainFrameTest : public testing::Test {
protected:
    QAction* Command(int id) { return frame.findChild<QAction*>(QStringLiteral("cmd_%1").arg(id)); }

    PanelModel model;
    CMainFrame frame{QSize(1024, 768), model};
    QSignalSpy commands{&frame, &CMainFrame::commandIssued};
};

TEST_F(MainFrameTest, HasOnlyTheCaptionJostleWithoutBoxes) {
    EXPECT_EQ(frame.windowTitle(), "Jostle");
    const Qt::WindowFlags flags = frame.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testAnyFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testAnyFlag(Qt::WindowMinMaxButtonsHint));
    EXPECT_FALSE(flags.testAnyFlag(Qt::WindowCloseButtonHint));
    // The starting rectangle: the corner is the window's, the size the inside's.
    EXPECT_EQ(frame.pos(), QPoint(384, 269));
    EXPECT_EQ(frame.size(), QSize(256, 230));
}

TEST_F(MainFrameTest, MenuBarHoldsTheJostleAndHelpMenus) {
    const QList<QAction*> popups = frame.menuBar()->actions();
    ASSERT_EQ(popups.size(), 2);
    EXPECT_EQ(popups[0]->text(), "&Jostle");
    EXPECT_EQ(popups[1]->text(), "&Help");

    QStringList jostleItems;
    for (const QAction* item : popups[0]->menu()->actions()) {
        jostleItems << item->objectName() + " " + item->text();
    }
    EXPECT_EQ(jostleItems, QStringList({"cmd_32771 &Edit Names...", "cmd_32772 &Options...",
                                        "cmd_32775 Statistics..."}));
    const QList<QAction*> helpItems = popups[1]->menu()->actions();
    ASSERT_EQ(helpItems.size(), 3);
    EXPECT_EQ(helpItems[0]->text(), "&Help Topics");
    EXPECT_EQ(helpItems[0]->objectName(), "cmd_57667");
    EXPECT_TRUE(helpItems[1]->isSeparator());
    EXPECT_EQ(helpItems[2]->text(), "&About Jostle...");
    EXPECT_EQ(helpItems[2]->objectName(), "cmd_57664");
}

TEST_F(MainFrameTest, MenuItemsAndPanelButtonsIssueTheirCommands) {
    Command(ids::ID_OPTIONS)->trigger();
    Command(ids::ID_APP_ABOUT)->trigger();
    frame.findChild<QPushButton*>(ui::ControlName(ids::IDC_SHUTDOWN))->click();
    ASSERT_EQ(commands.count(), 3);
    EXPECT_EQ(commands[0][0].toInt(), ids::ID_OPTIONS);
    EXPECT_EQ(commands[1][0].toInt(), ids::ID_APP_ABOUT);
    EXPECT_EQ(commands[2][0].toInt(), ids::IDC_SHUTDOWN);
}

TEST_F(MainFrameTest, EveryMenuItemCanBeChosen) {
    for (const int id : {ids::ID_EDIT_NAMES, ids::ID_OPTIONS, ids::ID_STATISTICS,
                         ids::ID_HELP_FINDER, ids::ID_APP_ABOUT}) {
        ASSERT_NE(Command(id), nullptr) << id;
        EXPECT_TRUE(Command(id)->isEnabled()) << id;
    }
}

TEST_F(MainFrameTest, FitToPanelKeepsTheCornerAndFixesTheSize) {
    const QPoint corner = frame.pos();
    const FrameSize size = frame.FitToPanel();
    const QRect expected = frame.Panel().ComputePanelRect(frame.geometry());
    EXPECT_EQ(frame.pos(), corner);
    EXPECT_EQ(QSize(size.width, size.height), expected.size());
    EXPECT_EQ(frame.size(), expected.size());
    EXPECT_GT(frame.Panel().y(), 0) << "the panel sits below the menu bar";
    frame.resize(size.width + 50, size.height + 50);
    EXPECT_EQ(frame.size(), QSize(size.width, size.height)) << "the size stays fixed";
}

// Alt+F4 or the window manager's Close: the frame asks for Shutdown Jostle
// and closes only when the program ends.
TEST_F(MainFrameTest, ACloseRequestFromOutsideIsShutdownJostle) {
    frame.ShowAndActivate();
    EXPECT_FALSE(frame.close()) << "nobody acted on the command";
    EXPECT_TRUE(frame.isVisible());
    ASSERT_EQ(commands.count(), 1);
    EXPECT_EQ(commands[0][0].toInt(), ids::IDC_SHUTDOWN);

    QSignalSpy closing(&frame, &CMainFrame::closing);
    QObject::connect(&frame, &CMainFrame::commandIssued, &frame, [this](int id) {
        if (id == ids::IDC_SHUTDOWN) {
            frame.Close();
        }
    });
    EXPECT_TRUE(frame.close());
    EXPECT_EQ(closing.count(), 1);
    EXPECT_FALSE(frame.isVisible());
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stuck.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0) << "the main loop ends as the close asked";
}

TEST_F(MainFrameTest, CloseEndsTheEventLoop) {
    QSignalSpy closing(&frame, &CMainFrame::closing);
    frame.ShowAndActivate();
    QTimer::singleShot(0, &frame, [this] { frame.Close(); });
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
    EXPECT_EQ(loop.exec(), 0);
    EXPECT_EQ(closing.count(), 1);
    EXPECT_FALSE(frame.isVisible());
}

// A signal may end the program while the start-up's message box runs its
// own loop, before the main loop has started.
TEST_F(MainFrameTest, CloseBeforeTheMainLoopStartsEndsItToo) {
    QTimer::singleShot(0, &frame, [this] { frame.Close(); });
    QEventLoop messageBoxLoop;
    messageBoxLoop.exec();
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stuck.start(5000);
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(stuck.isActive()) << "the main loop ran until stopped from outside";
}

} // namespace
} // namespace jostle
