#include "app/Headless.h"

#include "platform/core/SignalWatcher.h"
#include "res/Menus.h"
#include "tests/support/EventLoop.h"
#include "tests/unit/engine/EngineRig.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <gtest/gtest.h>
#include <regex>

namespace jostle::headless {
namespace {

class FixedClock : public IClock {
public:
    std::string LocalTimeText() override { return time; }
    std::int64_t MonotonicMilliseconds() override { return 0; }
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

// One line whenever the cycle settles to wait: armed after the start, then
// counting down after the reply.
TEST(NextAttemptPrinter, PrintsALineEachTimeTheCycleWaits) {
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    test::EngineRig rig;
    rig.InitializeWith({"127.0.0.1"}, true, false);
    PrintNextAttempts(*rig.engine, rig.clock, out);
    rig.StartArmed();
    rig.Tick();
    rig.ReplyToLast();
    const std::string text = Contents(out);
    const std::regex twoLines("(08:00:00 Next jostle at [0-9]{2}:[0-9]{2}:[0-9]{2}\n){2}");
    EXPECT_TRUE(std::regex_match(text, twoLines)) << text;
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

// Without a tray the icon must still count as shown, or the engine would
// wait for a tray and then report that none came.
TEST(SilentTrayShell, TakesTheIcon) {
    SilentTrayShell shell;
    EXPECT_TRUE(shell.ShowIcon({ids::IDI_ACTIVE, "Jostle"}, menus::kTrayMenu[0], 0));
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
