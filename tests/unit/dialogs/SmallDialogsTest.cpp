#include "DialogTestSupport.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/OptionsDlg.h"
#include "ui/dialogs/StatisticsDlg.h"

#include <QCheckBox>
#include <QPixmap>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace jostle::test {
namespace {

bool Checked(const QWidget& dialog, int id) {
    return Find<QCheckBox>(dialog, id).isChecked();
}

TEST(OptionsDlgTest, ShowsEachFlagInItsOwnBoxAndGivesBackTheBoxes) {
    const OptionsData in{.checkAutoStart = true,
                         .checkRandomName = false,
                         .checkRandomTime = true,
                         .checkIgnore = false};
    ui::COptionsDlg dialog(in);
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_TRUE(Checked(dialog, ids::IDC_CHECK_AUTOSTART));
    EXPECT_FALSE(Checked(dialog, ids::IDC_CHECK_RANDOM_NAME));
    EXPECT_TRUE(Checked(dialog, ids::IDC_CHECK_RANDOM_TIME));
    EXPECT_FALSE(Checked(dialog, ids::IDC_CHECK_IGNORE));
    EXPECT_EQ(Find<QCheckBox>(dialog, ids::IDC_CHECK_IGNORE).text(), "Ignore Connection Failures");

    Find<QCheckBox>(dialog, ids::IDC_CHECK_AUTOSTART).click();
    Find<QCheckBox>(dialog, ids::IDC_CHECK_IGNORE).click();
    const OptionsData out = dialog.Options();
    EXPECT_FALSE(out.checkAutoStart);
    EXPECT_FALSE(out.checkRandomName);
    EXPECT_TRUE(out.checkRandomTime);
    EXPECT_TRUE(out.checkIgnore);
}

const StatisticsData kCounts{.dnsFailuresText = "2",
                             .httpFailuresText = "1",
                             .successCountText = "3",
                             .socketFailuresText = "0",
                             .lastProblemText = ""};

std::string Text(const QWidget& dialog, int id) {
    return Find<QLabel>(dialog, id).text().toStdString();
}

TEST(StatisticsDlgTest, EachCounterGoesToItsRowAndTheProblemLineHidesWithoutAProblem) {
    ui::CStatisticsDlg dialog(kCounts);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Statistics Snapshot");
    EXPECT_EQ(Text(dialog, ids::IDC_SUCCESS_COUNT), "3");
    EXPECT_EQ(Text(dialog, ids::IDC_HTTP_FAILURES), "1");
    EXPECT_EQ(Text(dialog, ids::IDC_DNS_FAILURES), "2");
    EXPECT_EQ(Text(dialog, ids::IDC_SOCKET_FAILURES), "0");
    EXPECT_FALSE(Find<QLabel>(dialog, ids::IDC_PROBLEM_LABEL).isVisible());
    EXPECT_FALSE(Find<QLabel>(dialog, ids::IDC_PROBLEM_NAME).isVisible());
}

TEST(StatisticsDlgTest, ALastProblemShowsUnderItsLabelAsPlainText) {
    StatisticsData counts = kCounts;
    counts.lastProblemText = "<b>bad</b>.example";
    ui::CStatisticsDlg dialog(counts);
    dialog.show();
    const QLabel& name = Find<QLabel>(dialog, ids::IDC_PROBLEM_NAME);
    EXPECT_TRUE(name.isVisible());
    EXPECT_EQ(name.text(), "<b>bad</b>.example");
    EXPECT_EQ(name.textFormat(), Qt::PlainText);
    EXPECT_TRUE(Find<QLabel>(dialog, ids::IDC_PROBLEM_LABEL).isVisible());
    EXPECT_EQ(Text(dialog, ids::IDC_PROBLEM_LABEL), "The last Jostle problem occurred with:");
}

class AboutDlgTest : public testing::Test {
protected:
    std::unique_ptr<ui::CAboutDlg> Open() {
        QPixmap red(16, 16);
        red.fill(Qt::red);
        return std::make_unique<ui::CAboutDlg>(
            AboutData{.ipAddressText = "127.0.0.1", .timeSinceLaunchText = "2 minutes"},
            m_emailVisited, m_webVisited, QIcon(red), m_opener.Function());
    }

    int m_emailVisited = 0;
    int m_webVisited = 0;
    FakeOpener m_opener;
};

TEST_F(AboutDlgTest, ShowsTheFixedTextsTheLiveValuesAndTheIcon) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "About Jostle");
    for (const char* fixed :
         {"Jostle Version 2.0", "Copyright (C) 1997-2026", "Keeps your ISP connection alive",
          "A 32 bit application\n\nby\n\nQuorvane", "jostle@example.org",
          "http://www.example.org/jostle/"}) {
        EXPECT_TRUE(HasLabel(*dialog, fixed)) << fixed;
    }
    EXPECT_EQ(Text(*dialog, ids::IDC_IP_ADDRESS), "127.0.0.1");
    EXPECT_EQ(Text(*dialog, ids::IDC_TIME_SINCE_LAUNCH), "2 minutes");

    int icons = 0;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        if (!label->pixmap().isNull()) {
            ++icons;
            EXPECT_EQ(label->pixmap().toImage().pixelColor(4, 4), QColor(Qt::red));
        }
    }
    EXPECT_EQ(icons, 1);
}

TEST_F(AboutDlgTest, LinksAreUnderlinedAndOpenedVisitedLinksShowPurpleInTheNextBox) {
    {
        auto dialog = Open();
        QLabel& email = Find<QLabel>(*dialog, ids::IDC_EMAIL_LINK);
        EXPECT_TRUE(email.font().underline());
        EXPECT_EQ(email.palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QTest::mouseClick(&email, Qt::LeftButton);
        EXPECT_EQ(m_opener.opened, (std::vector<std::string>{"mailto:jostle@example.org"}));
        EXPECT_EQ(m_emailVisited, 1);
    }
    auto dialog = Open();
    EXPECT_EQ(Find<QLabel>(*dialog, ids::IDC_EMAIL_LINK).palette().color(QPalette::WindowText),
              QColor(128, 0, 128));
    EXPECT_EQ(Find<QLabel>(*dialog, ids::IDC_WEB_LINK).palette().color(QPalette::WindowText),
              QColor(0, 0, 255));
    EXPECT_EQ(m_webVisited, 0);
}

} // namespace
} // namespace jostle::test
