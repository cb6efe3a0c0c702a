// Timers, message boxes, the busy cursor, the tray shell and the desktop
// services on the offscreen platform.
#include "platform/core/QtTimers.h"
#include "platform/core/SocketNetwork.h"
#include "platform/core/SystemServices.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/desktop/Icons.h"
#include "platform/desktop/QtAlerts.h"
#include "platform/desktop/QtTrayShell.h"
#include "res/Menus.h"
#include "tests/integration/platform/TestServer.h"
#include "tests/support/EventLoop.h"
#include "tests/support/TempFolder.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMenu>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStyleHints>
#include <QTest>
#include <QTimer>
#include <arpa/inet.h>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <thread>

namespace jostle {
namespace {

using test::PumpFor;
using test::PumpUntil;
using test::ReadFileText;

class TimerLog : public ITimerEvents {
public:
    void OnTimer(TimerId id) override {
        fired.push_back({id, clock.elapsed()});
        if (onTimer) {
            onTimer(id);
        }
    }
    int Count(TimerId id) const {
        int count = 0;
        for (const auto& entry : fired) {
            count += entry.first == id ? 1 : 0;
        }
        return count;
    }

    QElapsedTimer clock;
    std::vector<std::pair<TimerId, qint64>> fired;
    std::function<void(TimerId)> onTimer;
};

using std::chrono::milliseconds;

class TimersTest : public ::testing::Test {
protected:
    void SetUp() override {
        log.clock.start();
        timers.SetEventSink(&log);
    }
    TimerLog log;
    QtTimers timers;
};

TEST_F(TimersTest, EachArmFiresOnceAndACancelledOneNever) {
    timers.Arm(TimerId::Tick, milliseconds(20));
    timers.Arm(TimerId::Deadline, milliseconds(40));
    timers.Arm(TimerId::AutoStart, milliseconds(60));
    timers.Cancel(TimerId::Deadline);
    timers.Cancel(TimerId::TrayGrace); // never armed: nothing happens
    PumpFor(200);
    EXPECT_EQ(log.Count(TimerId::Tick), 1);
    EXPECT_EQ(log.Count(TimerId::AutoStart), 1);
    EXPECT_EQ(log.Count(TimerId::Deadline), 0);
}

TEST_F(TimersTest, ArmingARunningTimerRestartsIt) {
    timers.Arm(TimerId::Deadline, milliseconds(200));
    PumpFor(150);
    timers.Arm(TimerId::Deadline, milliseconds(200));
    ASSERT_TRUE(PumpUntil([this] { return log.Count(TimerId::Deadline) == 1; }, 2000));
    EXPECT_GE(log.fired.front().second, 340);
}

// As behind a message box opened by an expiry: the timer goes on meanwhile.
TEST_F(TimersTest, ATimerFiresAgainWhileItsExpiryRunsANestedLoop) {
    int nestedFirings = 0;
    log.onTimer = [&](TimerId id) {
        timers.Arm(id, milliseconds(20));
        if (log.Count(id) == 1) {
            PumpUntil([this, id] { return log.Count(id) > 5; }, 2000);
            nestedFirings = log.Count(id) - 1;
        }
    };
    timers.Arm(TimerId::Tick, milliseconds(20));
    ASSERT_TRUE(PumpUntil([this] { return log.Count(TimerId::Tick) >= 2; }, 2000));
    timers.Cancel(TimerId::Tick);
    EXPECT_GE(nestedFirings, 5);
}

TEST_F(TimersTest, AnExpiryQueuedBeforeACancelIsDropped) {
    log.onTimer = [this](TimerId id) {
        if (id == TimerId::AutoStart) {
            timers.Cancel(TimerId::Tick);
        }
    };
    timers.Arm(TimerId::AutoStart, milliseconds(5));
    timers.Arm(TimerId::Tick, milliseconds(10));
    // Both expire before either is handled; handling the first cancels the
    // second, whose expiry is already waiting.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PumpFor(100);
    EXPECT_EQ(log.Count(TimerId::AutoStart), 1);
    EXPECT_EQ(log.Count(TimerId::Tick), 0);
}

// The countdown ticks all day long: each expiry wakes the loop once, with
// nothing posted on its way to the sink.
TEST_F(TimersTest, EachExpiryWakesTheLoopOnce) {
    constexpr int kTicks = 10;
    QEventLoop loop;
    int waits = 0;
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                     &loop, [&waits] { ++waits; });
    log.onTimer = [&](TimerId id) { // armed again at each expiry, as the countdown's tick is
        if (log.Count(id) == kTicks) {
            loop.quit();
        } else {
            timers.Arm(id, milliseconds(20));
        }
    };
    timers.Arm(TimerId::Tick, milliseconds(20));
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    loop.exec();
    timers.Cancel(TimerId::Tick);
    EXPECT_EQ(log.Count(TimerId::Tick), kTicks);
    EXPECT_LE(waits, kTicks + 2);
}

bool ShowsWaitCursor() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

TEST(BusyCursorTest, StaysUntilEveryShowHasItsHide) {
    {
        QtBusyCursor cursor;
        cursor.Show();
        cursor.Show();
        EXPECT_TRUE(ShowsWaitCursor());
        cursor.Hide();
        EXPECT_TRUE(ShowsWaitCursor()) << "one Show is still unmatched";
        cursor.Hide();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        cursor.Hide(); // one too many: nothing happens
        cursor.Show();
        EXPECT_TRUE(ShowsWaitCursor());
        cursor.Show();
    } // destroyed while shown twice
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(BusyCursorTest, HideLeavesSomeoneElsesCursorAlone) {
    QGuiApplication::setOverrideCursor(Qt::PointingHandCursor);
    QtBusyCursor cursor;
    cursor.Hide();
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::PointingHandCursor);
    QGuiApplication::restoreOverrideCursor();
}

struct SeenBox {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool hadParent = true;
    bool modal = false;
    Qt::TextFormat format = Qt::AutoText;
};

// Reads the open box and presses its OK button.
void AnswerBoxLater(SeenBox& seen) {
    QTimer::singleShot(50, [&seen] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        seen = {
            box->windowTitle(), box->text(),      box->icon(), {}, box->parentWidget() != nullptr,
            box->isModal(),     box->textFormat()};
        for (QAbstractButton* button : box->buttons()) {
            seen.buttons << button->text().remove('&');
        }
        QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
    });
}

TEST(AlertsTest, MessageBoxIsModalTitledJostleWithOkAndTheRightIcon) {
    QtAlerts alerts;
    SeenBox seen;
    AnswerBoxLater(seen);
    alerts.MessageBox("Jostle: Name <b>x</b> Not Found.", AlertIcon::Exclamation);
    EXPECT_EQ(seen.title, "Jostle");
    EXPECT_EQ(seen.text, "Jostle: Name <b>x</b> Not Found.");
    EXPECT_EQ(seen.format, Qt::PlainText) << "typed names are shown as typed";
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
    EXPECT_EQ(seen.buttons, QStringList{"OK"});
    EXPECT_FALSE(seen.hadParent);
    EXPECT_TRUE(seen.modal);

    AnswerBoxLater(seen);
    alerts.MessageBox("Failed to create tray icon", AlertIcon::Stop);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
}

void AcceptTheOpenBox() {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        box->accept();
    }
}

// The box closes after five expiries, so a slow machine that takes long to
// show it still sees them; the deadline closes it when they don't come.
TEST(AlertsTest, TimersGoOnWhileABoxIsOpen) {
    TimerLog log;
    QtTimers timers;
    timers.SetEventSink(&log);
    log.onTimer = [&log, &timers](TimerId id) {
        if (log.Count(id) >= 5) {
            AcceptTheOpenBox();
        } else {
            timers.Arm(id, std::chrono::milliseconds(10));
        }
    };
    timers.Arm(TimerId::Tick, std::chrono::milliseconds(10));
    QtAlerts alerts;
    SeenBox seen;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &AcceptTheOpenBox);
    deadline.start(5000);
    alerts.MessageBox("text", AlertIcon::Exclamation);
    EXPECT_GE(log.Count(TimerId::Tick), 5);
}

// Reads each readable socket once and closes it when the peer does; the
// box is closed once the close has come.
class ReadingSink : public INetworkEvents {
public:
    explicit ReadingSink(SocketNetwork& network) : m_network(network) {
        m_network.SetEventSink(this);
    }
    ~ReadingSink() override { m_network.SetEventSink(nullptr); }
    ReadingSink(const ReadingSink&) = delete;
    ReadingSink& operator=(const ReadingSink&) = delete;

    void OnLocalHostFound(const std::optional<HostEntry>& /*entry*/) override {}
    void OnTargetHostFound(const std::optional<HostEntry>& /*entry*/) override {}
    void OnReadable(SocketHandle socket) override {
        char buffer[1024];
        bytes += std::max(0L, m_network.Receive(socket, buffer, sizeof buffer));
    }
    void OnClosed(SocketHandle socket) override {
        m_network.Close(socket);
        closedWhileBoxOpen = QApplication::activeModalWidget() != nullptr;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->accept();
        }
    }

    long bytes = 0;
    bool closedWhileBoxOpen = false;

private:
    SocketNetwork& m_network;
};

TEST(AlertsTest, SocketEventsGoOnWhileABoxIsOpen) {
    test::TestServer server("packets");
    SocketNetwork network;
    ReadingSink sink(network);
    const ConnectResult result = network.Connect(IpAddress::FromV4(htonl(INADDR_LOOPBACK)), 80);
    ASSERT_EQ(result.status, ConnectStatus::Connected);
    ASSERT_TRUE(network.Watch(result.socket));
    const std::string request = "GET / HTTP/1.0\r\n\r\n";
    network.Send(result.socket, request.data(), request.size());
    QTimer giveUp; // the reply never came: end the box anyway
    giveUp.setSingleShot(true);
    QObject::connect(&giveUp, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            box->reject();
        }
    });
    giveUp.start(10000);
    QtAlerts().MessageBox("the reply comes in behind this box", AlertIcon::Exclamation);
    EXPECT_TRUE(sink.closedWhileBoxOpen);
    EXPECT_GT(sink.bytes, 0);
}

class RecordingTrayEvents : public ITrayEvents {
public:
    void OnTrayContextMenu() override {}
    void OnTrayActivated() override {}
    void OnTrayAppeared() override {}
    void OnTrayMenuCommand(int commandId) override { commands.push_back(commandId); }

    std::vector<int> commands;
};

class TrayShellTest : public ::testing::Test {
protected:
    void SetUp() override { shell.SetEventSink(&events); }

    RecordingTrayEvents events;
    QtTrayShell shell;
};

// The offscreen platform has no notification area.
TEST_F(TrayShellTest, ShowIconFailsWithoutATrayAndMakesNoIcon) {
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    EXPECT_FALSE(shell.ShowIcon({ids::IDI_ACTIVE, "Jostle"}, menus::kTrayMenu[0], 0));
    shell.UpdateIcon({ids::IDI_BUSY, "Jostle in 25:00"}); // nothing to change: no crash
    EXPECT_EQ(shell.findChild<QSystemTrayIcon*>("trayIcon"), nullptr)
        << "Qt's icon is made only once a tray is there";
}

struct SeenMenu {
    QStringList texts;
    int separators = 0;
    QString boldText;
    QString defaultText;
};

// Reads the open menu, then clicks the action named actionName (or presses
// Escape when there is none).
void UseMenuLater(SeenMenu& seen, const QString& actionName) {
    QTimer::singleShot(50, [&seen, actionName] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), "trayMenu");
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                ++seen.separators;
                continue;
            }
            seen.texts << action->text();
            if (action->font().bold()) {
                seen.boldText = action->text();
            }
        }
        seen.defaultText = menu->defaultAction() ? menu->defaultAction()->text() : QString();
        QAction* chosen = actionName.isEmpty() ? nullptr : menu->findChild<QAction*>(actionName);
        if (chosen == nullptr) {
            QTest::keyClick(menu, Qt::Key_Escape);
            return;
        }
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(chosen).center());
    });
}

TEST_F(TrayShellTest, PopupMenuShowsTheItemsWithTheDefaultInBoldAndDeliversTheChoice) {
    SeenMenu seen;
    UseMenuLater(seen, "action_57664");
    shell.PopUpMenu(menus::kTrayMenu[0], 0);
    EXPECT_EQ(seen.texts, (QStringList{"&Restore", "&About Jostle...", "E&xit"}));
    EXPECT_EQ(seen.separators, 2);
    EXPECT_EQ(seen.boldText, "&Restore");
    EXPECT_EQ(seen.defaultText, "&Restore");
    EXPECT_TRUE(events.commands.empty()) << "the choice comes after the menu call returns";
    QCoreApplication::processEvents();
    EXPECT_EQ(events.commands, std::vector<int>{ids::ID_APP_ABOUT});
}

TEST_F(TrayShellTest, PopupMenuClosedWithoutChoiceSendsNothing) {
    SeenMenu seen;
    UseMenuLater(seen, "");
    shell.PopUpMenu(menus::kTrayMenu[0], 1); // a separator: no default
    EXPECT_TRUE(seen.boldText.isEmpty());
    QCoreApplication::processEvents();
    EXPECT_TRUE(events.commands.empty());
}

// Stand-ins for xdg-open: shell scripts that note their argument, complain on
// standard error as a failing opener does, then run their body.
class DesktopOpenerTest : public ::testing::Test {
protected:
    QString FakeOpener(const std::string& name, const std::string& body) const {
        const std::filesystem::path path = folder.Path() / name;
        std::ofstream(path) << "#!/bin/sh\necho \"$1\" >>'" << OpenedFile().string()
                            << "'\necho 'xdg-open: no method available' >&2\n"
                            << body << "\n";
        std::filesystem::permissions(path, std::filesystem::perms::owner_all);
        return QString::fromStdString(path.string());
    }

    // Opens target and gives the first answer (1 opened, 0 failed), or -1
    // when none came within ten seconds.
    int Answer(const DesktopOpener& opener, const std::string& target) {
        const std::size_t before = answers.size();
        opener.Open(target, [this](bool opened) { answers.push_back(opened ? 1 : 0); });
        PumpUntil([this, before] { return answers.size() > before; }, 10000);
        return answers.size() > before ? answers[before] : -1;
    }

    std::vector<std::string> Opened() const {
        std::vector<std::string> lines;
        std::ifstream file(OpenedFile());
        for (std::string line; std::getline(file, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    std::filesystem::path OpenedFile() const { return folder.Path() / "opened"; }

    test::TempFolder folder;
    std::vector<int> answers;
};

TEST_F(DesktopOpenerTest, AnOpenerThatSucceedsIsASuccessAndGetsTheAddress) {
    const DesktopOpener opener(FakeOpener("working", "exit 0"));
    EXPECT_EQ(Answer(opener, "mailto:someone@example.invalid"), 1);
    EXPECT_EQ(Answer(opener, "http://www.example.invalid/page.html"), 1);
    EXPECT_EQ(Answer(opener, "www.example.invalid"), 1);
    EXPECT_EQ(Opened(), (std::vector<std::string>{"mailto:someone@example.invalid",
                                                  "http://www.example.invalid/page.html",
                                                  "http://www.example.invalid"}));
}

TEST_F(DesktopOpenerTest, FailuresAnswerFalseAndWriteNothingOnStandardError) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Answer(DesktopOpener(FakeOpener("failing", "exit 3")), "mailto:a@example.invalid"),
              0);
    EXPECT_EQ(Answer(DesktopOpener(FakeOpener("killed", "kill -9 $$")), "http://example.invalid"),
              0);
    const QString missing = QString::fromStdString((folder.Path() / "missing").string());
    EXPECT_EQ(Answer(DesktopOpener(missing), "http://example.invalid"), 0);
    EXPECT_EQ(Answer(DesktopOpener(FakeOpener("unused", "exit 0")), ""), 0) << "not an address";
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(Opened().size(), 2U);
}

TEST_F(DesktopOpenerTest, AnOpenerStillRunningAfterThePatienceHasStartedAProgram) {
    using namespace std::chrono_literals;
    const auto release = folder.Path() / "release";
    const auto pidFile = folder.Path() / "pid";
    const DesktopOpener opener(FakeOpener("foreground", "echo $$ >'" + pidFile.string() +
                                                            "'; while [ ! -e '" + release.string() +
                                                            "' ]; do sleep 0.01; done; exit 4"),
                               100ms);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(Answer(opener, "http://www.example.invalid/"), 1);
    EXPECT_LT(clock.elapsed(), 900) << "the answer did not wait for the opener's end";
    ASSERT_TRUE(PumpUntil([&pidFile] { return !ReadFileText(pidFile).empty(); }, 5000));
    const pid_t openerPid = std::stoi(ReadFileText(pidFile));
    std::ofstream{release};
    // The opener ends, failing, and is reaped: the answer stands.
    ASSERT_TRUE(PumpUntil([openerPid] { return ::kill(openerPid, 0) != 0; }, 5000));
    PumpFor(50);
    EXPECT_EQ(answers, std::vector<int>{1});
}

TEST(DesktopTest, IconsLoadByResourceId) {
    for (int id : {ids::IDI_ACTIVE, ids::IDI_STOPPED, ids::IDI_BUSY}) {
        EXPECT_FALSE(LoadIcon(id).pixmap(16, 16).isNull()) << id;
    }
    EXPECT_TRUE(LoadIcon(4242).isNull());
}

TEST(ClockTest, LocalTimeMonotonicTimeAndSeconds) {
    SystemClock clock;
    EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$")
                    .match(QString::fromStdString(clock.LocalTimeText()))
                    .hasMatch());
    const std::int64_t before = clock.MonotonicMilliseconds();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const std::int64_t elapsed = clock.MonotonicMilliseconds() - before;
    EXPECT_GE(elapsed, 50);
    EXPECT_LT(elapsed, 1000);
    // Counted from the system's start, as /proc/uptime counts.
    double uptimeSeconds = 0;
    std::ifstream("/proc/uptime") >> uptimeSeconds;
    EXPECT_NEAR(static_cast<double>(clock.MonotonicMilliseconds()), uptimeSeconds * 1000.0, 2000.0);
    EXPECT_LE(std::abs(clock.Seconds() - static_cast<std::int64_t>(std::time(nullptr))), 1);
}

TEST(RandomTest, SameSeedSameNonNegativeSequence) {
    StdRandom first;
    StdRandom second;
    first.Seed(42);
    second.Seed(42);
    std::set<int> distinct;
    for (int i = 0; i < 100; ++i) {
        const int value = first.Next();
        EXPECT_EQ(value, second.Next());
        EXPECT_GE(value, 0);
        distinct.insert(value);
    }
    EXPECT_GT(distinct.size(), 90U);
}

} // namespace
} // namespace jostle
