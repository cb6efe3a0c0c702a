#include "ui/dialogs/StaticLink.h"

#include "DialogTestSupport.h"

#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace jostle::test {
namespace {

const QColor kBlue(0, 0, 255);
const QColor kPurple(128, 0, 128);

class StaticLinkTest : public testing::Test {
protected:
    void Attach(const QString& text) {
        m_label = std::make_unique<QLabel>(text);
        m_label->resize(200, 20);
        m_link = new ui::CStaticLink(*m_label, m_opener.Function());
        m_link->SetVisitedFlag(&m_visited);
    }

    void MoveTo(const QPoint& position) const {
        QMouseEvent move(QEvent::MouseMove, position, m_label->mapToGlobal(position), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_label.get(), &move);
    }
    void MoveInside() const { MoveTo(QPoint(10, 10)); }
    void Leave() const {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(m_label.get(), &leave);
    }
    void Click() const { QTest::mouseClick(m_label.get(), Qt::LeftButton, {}, QPoint(10, 10)); }

    Qt::CursorShape Cursor() const { return m_label->cursor().shape(); }
    QColor Colour() const { return m_label->palette().color(QPalette::WindowText); }

    int m_visited = 0;
    FakeOpener m_opener;
    std::unique_ptr<QLabel> m_label;
    ui::CStaticLink* m_link = nullptr;
};

TEST_F(StaticLinkTest, HoverTakesTheHandAndLeavingGivesTheArrowBack) {
    Attach("http://www.example.org/jostle/");
    EXPECT_TRUE(m_label->hasMouseTracking());
    MoveTo(QPoint(300, 10)); // outside while idle: nothing
    EXPECT_FALSE(m_link->IsCaptured());
    MoveInside();
    EXPECT_TRUE(m_link->IsCaptured());
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor);
    MoveInside();
    EXPECT_TRUE(m_link->IsCaptured());
    MoveTo(QPoint(10, 25));
    EXPECT_FALSE(m_link->IsCaptured());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    MoveInside();
    Leave();
    EXPECT_FALSE(m_link->IsCaptured());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
}

TEST_F(StaticLinkTest, ContactAddressOpensWithMailtoExactlyOnceEveryTime) {
    Attach("jostle@example.org");
    Click();
    Click();
    EXPECT_EQ(m_opener.opened,
              (std::vector<std::string>{"mailto:jostle@example.org", "mailto:jostle@example.org"}));

    Attach("mailto:jostle@example.org");
    Click();
    EXPECT_EQ(m_opener.opened.back(), "mailto:jostle@example.org");

    Attach("http://www.example.org/jostle/");
    Click();
    EXPECT_EQ(m_opener.opened.back(), "http://www.example.org/jostle/");
}

TEST_F(StaticLinkTest, AnOwnLinkIsOpenedInsteadOfTheText) {
    Attach("Write to us");
    m_link->SetLink("jostle@example.org");
    Click();
    EXPECT_EQ(m_opener.opened.back(), "mailto:jostle@example.org");
}

TEST_F(StaticLinkTest, ASuccessfulOpenMarksVisitedRepaintsPurpleAndShowsTheArrow) {
    Attach("http://www.example.org/jostle/");
    EXPECT_TRUE(m_label->font().underline());
    EXPECT_EQ(Colour(), kBlue);
    MoveInside();
    Click();
    EXPECT_EQ(m_visited, 1);
    EXPECT_EQ(Colour(), kPurple);
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);
    EXPECT_FALSE(m_link->IsCaptured());
    EXPECT_TRUE(m_link->IsJustClicked());
}

TEST_F(StaticLinkTest, AFailedOpenChangesNothingButTheCapture) {
    Attach("http://www.example.org/jostle/");
    m_opener.result = false;
    MoveInside();
    Click();
    EXPECT_EQ(m_opener.opened.size(), 1U);
    EXPECT_EQ(m_visited, 0);
    EXPECT_EQ(Colour(), kBlue);
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor); // not reset on failure
    EXPECT_FALSE(m_link->IsCaptured());

    // Still usable: the next click tries again.
    m_opener.result = true;
    Click();
    EXPECT_EQ(m_opener.opened.size(), 2U);
    EXPECT_EQ(m_visited, 1);
}

// The desktop answers from the event loop, after the click has returned.
TEST_F(StaticLinkTest, ALateAnswerDecidesAndMayOutliveTheLink) {
    m_opener.deferred = true;
    Attach("http://www.example.org/jostle/");
    MoveInside();
    Click();
    EXPECT_EQ(m_visited, 0) << "no answer yet";
    EXPECT_EQ(Colour(), kBlue);
    m_opener.pending.at(0)(false);
    EXPECT_EQ(m_visited, 0);
    EXPECT_EQ(Colour(), kBlue);

    Click();
    m_opener.pending.at(1)(true);
    EXPECT_EQ(m_visited, 1);
    EXPECT_EQ(Colour(), kPurple);
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);

    m_visited = 0;
    Click();
    m_label.reset(); // the About box closed before the desktop answered
    m_opener.pending.at(2)(true);
    EXPECT_EQ(m_visited, 1);
}

TEST_F(StaticLinkTest, OnlyAFlagOfExactlyOnePaintsVisited) {
    Attach("http://www.example.org/jostle/");
    m_label->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_label.get()));
    m_visited = 2;
    m_label->repaint();
    EXPECT_EQ(Colour(), kBlue);
    m_visited = 1; // set by another link on the same flag
    m_label->repaint();
    EXPECT_EQ(Colour(), kPurple);
}

TEST_F(StaticLinkTest, MovesAreIgnoredForOneSecondAfterAClickAndAClickRestartsThePause) {
    Attach("http://www.example.org/jostle/");
    Click();
    MoveInside();
    EXPECT_FALSE(m_link->IsCaptured());
    EXPECT_EQ(Cursor(), Qt::ArrowCursor);

    QTest::qWait(600);
    Click(); // restarts the pause: it now ends 1000 ms from here
    EXPECT_EQ(m_opener.opened.size(), 2U);
    QTest::qWait(600);
    EXPECT_TRUE(m_link->IsJustClicked());
    MoveInside();
    EXPECT_FALSE(m_link->IsCaptured());

    EXPECT_TRUE(QTest::qWaitFor([this] { return !m_link->IsJustClicked(); }, 2000));
    MoveInside();
    EXPECT_TRUE(m_link->IsCaptured());
    EXPECT_EQ(Cursor(), Qt::PointingHandCursor);
}

TEST_F(StaticLinkTest, AnIconLabelKeepsItsOrdinaryLook) {
    m_label = std::make_unique<QLabel>();
    QPixmap picture(16, 16);
    picture.fill(Qt::green);
    m_label->setPixmap(picture);
    const QPalette before = m_label->palette();
    m_link = new ui::CStaticLink(*m_label, m_opener.Function());
    m_link->SetVisitedFlag(&m_visited);
    EXPECT_FALSE(m_label->font().underline());
    EXPECT_EQ(m_label->palette(), before);
}

} // namespace
} // namespace jostle::test
