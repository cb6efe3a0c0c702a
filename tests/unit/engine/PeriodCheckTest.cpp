// The period check that arms the countdown.
#include "tests/unit/engine/EngineHarness.h"

#include <gmock/gmock.h>

namespace jostle::test {
namespace {

struct PeriodCase {
    const char* text;
    std::optional<int> seconds;
};

class PeriodTextTest : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(PeriodTextTest, AcceptsWholeMinutesFromOneToSixty) {
    EXPECT_EQ(PeriodSecondsFromText(GetParam().text, false), GetParam().seconds)
        << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Texts, PeriodTextTest,
    ::testing::Values(PeriodCase{"25", 1500}, PeriodCase{"1", 60}, PeriodCase{"1.5", 90},
                      PeriodCase{"60", 3600}, PeriodCase{"60.9", 3654},
                      PeriodCase{"  7 minutes", 420}, PeriodCase{"+5", 300},
                      PeriodCase{"61", std::nullopt}, PeriodCase{"0.9", std::nullopt},
                      PeriodCase{"0.5", std::nullopt}, PeriodCase{"-3", std::nullopt},
                      PeriodCase{"nan", std::nullopt}, PeriodCase{"inf", std::nullopt},
                      PeriodCase{"-inf", std::nullopt}, PeriodCase{"1e30", std::nullopt},
                      PeriodCase{"1e-30", std::nullopt}, PeriodCase{"", std::nullopt},
                      PeriodCase{"abc", std::nullopt}));

TEST(PeriodText, DebugModeAcceptsAnyTextAsFifteenSeconds) {
    EXPECT_EQ(PeriodSecondsFromText("abc", true), 15);
    EXPECT_EQ(PeriodSecondsFromText("25", true), 15);
    EXPECT_EQ(PeriodSecondsFromText("nan", true), 15);
}

TEST_F(EngineTest, AcceptedPeriodArmsTheCountdown) {
    InitializeWith({"127.0.0.1", "127.0.0.2"});
    periodEdit.SetText("1.5");
    StartArmed();
    EXPECT_EQ(Snapshot().periodText, "1.5");
    EXPECT_EQ(Snapshot().phase, Phase::Armed);
    EXPECT_EQ(Snapshot().millisecondsToExpiry, kSecond);
    nameCombo.Pick(1); // the first attempt keeps the name taken when armed
    Tick();
    EXPECT_EQ(countdownText.Text(), " 1:30");
    EXPECT_EQ(LastAddress(), V4("127.0.0.1"));
    Tick(90);
    EXPECT_EQ(network.connects.size(), 2U);
}

class RejectedPeriodTest : public EngineTest, public ::testing::WithParamInterface<bool> {};

// Ignore plays no part: a rejected period always stops the engine.
TEST_P(RejectedPeriodTest, StopsAndPutsTheLastTextBack) {
    InitializeWith({"127.0.0.1"}, GetParam());
    StartArmed();
    Tick();
    for (const char* text : {"61", "0.9", "nan", "inf", "1e30", "", "abc"}) {
        alerts.shown.clear();
        periodEdit.SetText(text);
        Start();
        EXPECT_EQ(periodEdit.Text(), "25") << text;
        EXPECT_EQ(Snapshot().periodText, "25") << text;
        EXPECT_THAT(AlertTexts(),
                    ::testing::ElementsAre("Jostle: Time period must be between 1 and 60"));
        EXPECT_FALSE(Snapshot().millisecondsToExpiry);
        EXPECT_EQ(statusText.Text(), "NOT RUNNING");
        EXPECT_EQ(trayShell.Tip(), "Jostle has stopped");
        EXPECT_EQ(trayShell.Icon(), ids::IDI_STOPPED);
    }
}

INSTANTIATE_TEST_SUITE_P(IgnoreOffAndOn, RejectedPeriodTest, ::testing::Bool());

TEST_F(EngineTest, DebugModeMakesEveryPeriodFifteenSeconds) {
    settings.Set("Debug", "1");
    settings.Set("RandomTime", "1");
    InitializeWith({"127.0.0.1"});
    periodEdit.SetText("not a number");
    StartArmed();
    EXPECT_EQ(Snapshot().periodText, "not a number");
    random.script = {31};
    Tick();
    EXPECT_EQ(countdownText.Text(), " 0:10");
}

} // namespace
} // namespace jostle::test
