#include "app/Headless.h"

#include "platform/core/SignalWatcher.h"
#include "tests/support/EventLoop.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>

namespace jostle::headless {
namespace {

class FixedClock : public IClock {
public:
    std::string LocalTimeText() override { return time; }
    std::uint32_t TickCount() override { return 0; }
    std::int64_t Seconds() override { return 0; }

    std::string time = "07:08:09";
};

// Everything written to a temporary file, read back.
std::string Contents(std::FILE* file) {
    std::fflush(file);
    std::rewind(file);
    std::string text;
    char buffer[256];
    while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, file)) {
        text.append(buffer, count);
    }
    return text;
}

TEST(StatusPrinter, PrintsOneStampedLinePerChange) {
    FixedClock clock;
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    StaticModel status(" ", true);
    PrintStatusChanges(status, clock, out);
    status.SetText("PLEASE START ME");
    status.SetText("PLEASE START ME"); // no change, no line
    clock.time = "07:08:10";
    status.SetText("Jostle completed at 07:08:10");
    EXPECT_EQ(Contents(out), "07:08:09 PLEASE START ME\n07:08:10 Jostle completed at 07:08:10\n");
    EXPECT_EQ(status.Text(), "Jostle completed at 07:08:10");
    std::fclose(out);
}

TEST(ConsoleAlerts, WriteTheMessageOnItsOwnLine) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ConsoleAlerts alerts(out);
    alerts.MessageBox("Jostle: could not connect", AlertIcon::Exclamation);
    EXPECT_EQ(Contents(out), "Jostle: could not connect\n");
    std::fclose(out);
}

class RecordingWindow : public INotifyWindow {
public:
    int OnTrayNotify(unsigned /*id*/, unsigned /*mouseMessage*/) override { return 0; }
    void OnCommand(int commandId) override { commands.push_back(commandId); }

    std::vector<int> commands;
};

TEST(SilentTrayShell, AcceptsEverythingAndDeliversCommandsToTheIconsWindow) {
    SilentTrayShell shell;
    RecordingWindow window;
    shell.SendCommand(32773); // no icon yet: nowhere to go
    NotifyIconData data;
    data.hWnd = &window;
    EXPECT_TRUE(shell.Add(data));
    EXPECT_TRUE(shell.Modify(data));
    shell.SendCommand(32773);
    EXPECT_TRUE(shell.Delete(data));
    EXPECT_EQ(window.commands, std::vector<int>{32773});
}

// A closed terminal (SIGHUP) stops like SIGTERM; a broken pipe (SIGPIPE)
// stops nothing.
TEST(SignalWatcher, TurnsStopSignalsIntoCallsOnTheEventLoop) {
    int calls = 0;
    SignalWatcher watcher([&calls] { ++calls; });
    ASSERT_TRUE(watcher.IsWatching());
    std::raise(SIGPIPE);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        const int before = calls;
        std::raise(signal);
        EXPECT_EQ(calls, before) << "not from inside the signal handler";
        test::PumpUntil([&calls, before] { return calls != before; }, 5000);
        EXPECT_EQ(calls, before + 1) << strsignal(signal);
    }
}

} // namespace
} // namespace jostle::headless
