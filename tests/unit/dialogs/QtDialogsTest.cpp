#include "ui/dialogs/QtDialogs.h"

#include "DialogTestSupport.h"
#include "platform/core/QtTimers.h"
#include "res/ResourceIds.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <gtest/gtest.h>

namespace jostle::test {
namespace {

QWidget* VisibleHelpWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == "helpWindow" && widget->isVisible()) {
            return widget;
        }
    }
    return nullptr;
}

class QtDialogsTest : public testing::Test {
protected:
    int m_emailVisited = 0;
    int m_webVisited = 0;
    FakeOpener m_opener;
    std::vector<int> m_iconsLoaded;
    ui::QtDialogs m_dialogs{m_emailVisited, m_webVisited, m_opener.Function(), [this](int id) {
                                m_iconsLoaded.push_back(id);
                                return QIcon();
                            }};
};

TEST_F(QtDialogsTest, EditNamesGivesBackTheEditedListOnOkOnly) {
    EditNamesData data{{"a", "b", "c"}, "b"};
    WhenModalOpens([](QDialog& dialog) {
        EXPECT_TRUE(dialog.parent() == nullptr);
        EXPECT_EQ(dialog.windowModality(), Qt::WindowModal);
        Press(dialog, ids::IDC_DELETE_SELECTION);
        Press(dialog, ids::ID_CANCEL);
    });
    EXPECT_FALSE(m_dialogs.RunEditNames(data));
    EXPECT_EQ(data.names, (std::vector<std::string>{"a", "b", "c"}));

    WhenModalOpens([](QDialog& dialog) {
        Press(dialog, ids::IDC_DELETE_SELECTION);
        Press(dialog, ids::ID_OK);
    });
    EXPECT_TRUE(m_dialogs.RunEditNames(data));
    EXPECT_EQ(data.names, (std::vector<std::string>{"a", "c"}));
    EXPECT_FALSE(m_dialogs.AnyOpen());
}

TEST_F(QtDialogsTest, OptionsCopiesOutOnOkAndLeavesTheDataOnCancel) {
    OptionsData data{.checkAutoStart = true, .checkIgnore = true};
    WhenModalOpens([](QDialog& dialog) {
        Find<QCheckBox>(dialog, ids::IDC_CHECK_RANDOM_TIME).click();
        Press(dialog, ids::ID_CANCEL);
    });
    EXPECT_FALSE(m_dialogs.RunOptions(data));
    EXPECT_EQ(data.checkRandomTime, 0);

    WhenModalOpens([](QDialog& dialog) {
        Find<QCheckBox>(dialog, ids::IDC_CHECK_RANDOM_TIME).click();
        Find<QCheckBox>(dialog, ids::IDC_CHECK_AUTOSTART).click();
        Press(dialog, ids::ID_OK);
    });
    EXPECT_TRUE(m_dialogs.RunOptions(data));
    EXPECT_EQ(data.checkRandomTime, 1);
    EXPECT_FALSE(data.checkAutoStart);
    EXPECT_EQ(data.checkIgnore, 1);
    EXPECT_EQ(data.checkRandomName, 0);
}

TEST_F(QtDialogsTest, AboutUsesTheApplicationIconAndTheCallersVisitedFlags) {
    WhenModalOpens([](QDialog& dialog) {
        EXPECT_EQ(Find<QLabel>(dialog, ids::IDC_TIME_SINCE_LAUNCH).text(), "5 seconds");
        QTest::mouseClick(&Find<QLabel>(dialog, ids::IDC_WEB_LINK), Qt::LeftButton);
        Press(dialog, ids::ID_OK);
    });
    m_dialogs.RunAbout({"no address yet", "5 seconds"});
    EXPECT_EQ(m_iconsLoaded, (std::vector<int>{ids::IDI_ACTIVE}));
    EXPECT_EQ(m_webVisited, 1);
    EXPECT_EQ(m_emailVisited, 0);
}

TEST_F(QtDialogsTest, StatisticsClosesWithOk) {
    WhenModalOpens([](QDialog& dialog) {
        EXPECT_EQ(Find<QLabel>(dialog, ids::IDC_SUCCESS_COUNT).text(), "4");
        Press(dialog, ids::ID_OK);
    });
    m_dialogs.RunStatistics({"0", "0", "4", "0", ""});
    EXPECT_FALSE(m_dialogs.AnyOpen());
}

TEST_F(QtDialogsTest, CloseAllEndsTheOpenDialogsAndNoneOpensAfterwards) {
    m_dialogs.ShowHelp();
    ASSERT_NE(VisibleHelpWindow(), nullptr);

    // A message box of the engine's inside the About box, both open at exit.
    bool innerReturned = false;
    WhenModalOpens([&](QDialog&) {
        QTimer::singleShot(0, [this] { m_dialogs.CloseAll(); });
        OptionsData inner;
        EXPECT_FALSE(m_dialogs.RunOptions(inner));
        innerReturned = true;
    });
    EditNamesData names{{"a"}, "a"};
    EXPECT_FALSE(m_dialogs.RunEditNames(names));
    EXPECT_TRUE(innerReturned);
    EXPECT_FALSE(m_dialogs.AnyOpen());
    EXPECT_EQ(VisibleHelpWindow(), nullptr);

    QElapsedTimer clock;
    clock.start();
    m_dialogs.RunAbout({"127.0.0.1", "1 seconds"});
    EXPECT_FALSE(m_dialogs.RunOptions(*std::make_unique<OptionsData>()));
    EXPECT_LT(clock.elapsed(), 1000);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(QtDialogsTest, TheOwnerTakesNoInputWhileDialogsAreUpAndOnlyThen) {
    QPushButton frame; // stands in for the panel
    QPushButton tray;  // stands in for the tray icon's window
    frame.show();
    tray.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&tray));
    int frameClicks = 0;
    int trayClicks = 0;
    QObject::connect(&frame, &QPushButton::clicked, [&frameClicks] { ++frameClicks; });
    QObject::connect(&tray, &QPushButton::clicked, [&trayClicks] { ++trayClicks; });
    m_dialogs.SetOwner([&frame] { return &frame; });
    WhenModalOpens([&](QDialog& outer) {
        ClickThroughWindowSystem(frame);
        ClickThroughWindowSystem(tray);
        EXPECT_EQ(trayClicks, 1) << "the tray must stay live";
        WhenModalOpens([&](QDialog& inner) { Press(inner, ids::ID_OK); });
        m_dialogs.RunStatistics({});
        ClickThroughWindowSystem(frame);
        EXPECT_EQ(frameClicks, 0) << "the frame took a click while a dialog was up";
        Press(outer, ids::ID_OK);
    });
    m_dialogs.RunAbout({});
    ClickThroughWindowSystem(frame);
    EXPECT_EQ(frameClicks, 1);
}

TEST_F(QtDialogsTest, ADialogSitsWhereItsTemplatePutsItInTheOwner) {
    QWidget frame;
    frame.setGeometry(200, 150, 300, 200); // hidden, as the frame mostly is
    m_dialogs.SetOwner([&frame] { return &frame; });
    QPoint aboutAt;
    QPoint optionsAt;
    WhenModalOpens([&](QDialog& about) {
        aboutAt = about.pos();
        Press(about, ids::ID_OK);
    });
    m_dialogs.RunAbout({});
    WhenModalOpens([&](QDialog& options) {
        optionsAt = options.pos();
        Press(options, ids::ID_CANCEL);
    });
    OptionsData options;
    m_dialogs.RunOptions(options);
    EXPECT_EQ(optionsAt, QPoint(200, 150)) << "template 133 sits at 0, 0";
    EXPECT_GT(aboutAt.x(), 200) << "template 100 sits at 34, 22 dialog units";
    EXPECT_GT(aboutAt.y(), 150);
    EXPECT_LT(aboutAt.x(), 200 + 34 * 3);
}

// Arms its timer again at each expiry, as the countdown's tick does.
class CountingTimerSink : public ITimerEvents {
public:
    explicit CountingTimerSink(ITimers& timers) : m_timers(timers) {}
    void OnTimer(TimerId id) override {
        ++expiries;
        m_timers.Arm(id, std::chrono::milliseconds(10));
    }
    int expiries = 0;

private:
    ITimers& m_timers;
};

// The engine's countdown and attempts run on these timers while a dialog is up.
TEST_F(QtDialogsTest, TimersGoOnWhileADialogIsOpen) {
    QtTimers timers;
    CountingTimerSink sink(timers);
    timers.SetEventSink(&sink);
    timers.Arm(TimerId::Tick, std::chrono::milliseconds(10));
    int expiriesWhenClosed = 0;
    WhenModalOpens([&](QDialog& options) {
        QTimer::singleShot(300, &options, [&] {
            expiriesWhenClosed = sink.expiries;
            Press(options, ids::ID_CANCEL);
        });
    });
    OptionsData options;
    m_dialogs.RunOptions(options);
    EXPECT_GE(expiriesWhenClosed, 5);
}

TEST_F(QtDialogsTest, HelpTellsWhereTheSettingsLive) {
    m_dialogs.ShowHelp();
    QWidget* help = VisibleHelpWindow();
    ASSERT_NE(help, nullptr);
    m_dialogs.ShowHelp();
    EXPECT_EQ(VisibleHelpWindow(), help); // the same window again, not a second one
    const QString text = help->findChild<QTextBrowser*>()->toPlainText();
    EXPECT_TRUE(text.contains("$XDG_CONFIG_HOME/jostle/settings.reg"));
    EXPECT_TRUE(text.contains("--settings FILE"));
    EXPECT_TRUE(text.contains("Randomize Jostle Time"));
}

} // namespace
} // namespace jostle::test
