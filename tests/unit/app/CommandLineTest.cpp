#include "app/CommandLine.h"

#include "app/JostleApp.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace jostle {
namespace {

TEST(CommandLine, ReadsTheSettingsFileInBothForms) {
    EXPECT_EQ(ParseCommandLine({"--settings", "/tmp/a.reg"}).settingsFile, "/tmp/a.reg");
    EXPECT_EQ(ParseCommandLine({"--settings=/tmp/b.reg", "--headless"}).settingsFile, "/tmp/b.reg");
    EXPECT_TRUE(ParseCommandLine({"--settings=/tmp/b.reg", "--headless"}).headless);
    EXPECT_FALSE(ParseCommandLine({"--settings"}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--settings="}).error.empty());
    EXPECT_FALSE(ParseCommandLine({"--bogus"}).error.empty());
}

TEST(CommandLine, CollectsSettingsCommandsInOrder) {
    const CommandLine line =
        ParseCommandLine({"--set", "period=5", "--settings", "/tmp/a.reg", "--set", "names=a,b"});
    EXPECT_EQ(line.settingPairs, (std::vector<std::string>{"period=5", "names=a,b"}));
    EXPECT_TRUE(IsSettingsCommand(line));
    EXPECT_TRUE(IsSettingsCommand(ParseCommandLine({"--show-settings"})));
    EXPECT_FALSE(IsSettingsCommand(ParseCommandLine({"--settings", "/tmp/a.reg"})));
    EXPECT_FALSE(ParseCommandLine({"--set"}).error.empty());
}

TEST(CommandLine, EachProgramsHelpNamesItAndOnlyTheOptionsItHas) {
    const std::string desktop = HelpText(Program::Desktop);
    const std::string headless = HelpText(Program::Headless);
    EXPECT_EQ(desktop.rfind("Usage: jostle [--headless] [--settings FILE]\n", 0), 0U) << desktop;
    EXPECT_EQ(headless.rfind("Usage: jostle-headless [--settings FILE]\n", 0), 0U) << headless;
    EXPECT_EQ(headless.find("--headless "), std::string::npos) << headless;
}

// Sets an environment variable for one test and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name) {
        if (const char* old = std::getenv(name)) {
            m_old = old;
            m_had = true;
        }
        value != nullptr ? setenv(name, value, 1) : unsetenv(name);
    }
    ~ScopedEnvironment() { m_had ? setenv(m_name, m_old.c_str(), 1) : unsetenv(m_name); }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

TEST(WantsHeadless, WhenAskedOrWithoutAnyDisplay) {
    ScopedEnvironment display("DISPLAY", ":5");
    ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_FALSE(WantsHeadless(ParseCommandLine({})));
    EXPECT_TRUE(WantsHeadless(ParseCommandLine({"--headless"})));
    {
        ScopedEnvironment noDisplay("DISPLAY", "");
        EXPECT_TRUE(WantsHeadless(ParseCommandLine({})));
        ScopedEnvironment waylandOnly("WAYLAND_DISPLAY", "wayland-0");
        EXPECT_FALSE(WantsHeadless(ParseCommandLine({})));
    }
}

TEST(DisplayProbe, NotReachableWhenNoXServerAnswers) {
    ScopedEnvironment display("DISPLAY", ":87"); // no server there
    ScopedEnvironment wayland("WAYLAND_DISPLAY", nullptr);
    EXPECT_FALSE(DisplayProbe().Reachable());
    ScopedEnvironment runtime("XDG_RUNTIME_DIR", "/nonexistent");
    ScopedEnvironment waylandToo("WAYLAND_DISPLAY", "wayland-0"); // no compositor there
    const DisplayProbe probe;
    EXPECT_FALSE(probe.Reachable());
    EXPECT_EQ(probe.Unreached(), "the Wayland display wayland-0 nor the display :87");
}

TEST(DefaultSettingsFile, LivesInTheConfigFolder) {
    ScopedEnvironment config("XDG_CONFIG_HOME", "/cfg");
    EXPECT_EQ(DefaultSettingsFile(), "/cfg/jostle/settings.reg");
    ScopedEnvironment noConfig("XDG_CONFIG_HOME", nullptr);
    ScopedEnvironment home("HOME", "/home/someone");
    EXPECT_EQ(DefaultSettingsFile(), "/home/someone/.config/jostle/settings.reg");
}

} // namespace
} // namespace jostle
