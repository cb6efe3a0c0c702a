#include "ui/dialogs/EditNamesDlg.h"

#include "DialogTestSupport.h"
#include "engine/Engine.h"
#include "res/ResourceIds.h"

#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace jostle::test {
namespace {

using Names = std::vector<std::string>;

class EditNamesDlgTest : public testing::Test {
protected:
    void Open(const Names& names, const std::string& selected = "") {
        m_dialog = std::make_unique<ui::CEditNamesDlg>(EditNamesData{names, selected});
        m_dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_dialog.get()));
    }

    QListWidget& List() const { return Find<QListWidget>(*m_dialog, ids::IDC_NAME_LIST); }

    QPoint CentreOf(int row) const { return List().visualItemRect(List().item(row)).center(); }

    // Press on entry from, drag over to, release at to.
    void Drag(int from, const QPoint& to) const {
        QWidget* viewport = List().viewport();
        const QPoint start = CentreOf(from);
        QTest::mousePress(viewport, Qt::LeftButton, {}, start);
        QTest::mouseMove(viewport, (start + to) / 2);
        QTest::mouseMove(viewport, to);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    }

    void Drag(int from, int onto) const { Drag(from, CentreOf(onto)); }

    std::string Selected() const {
        const auto selected = List().selectedItems();
        return selected.isEmpty() ? "" : selected.front()->text().toStdString();
    }

    std::unique_ptr<ui::CEditNamesDlg> m_dialog;
};

const Names kFive = {"a.example", "b.example", "127.0.0.1", "d.example", "e.example"};

TEST_F(EditNamesDlgTest, CopiesTheNamesInAndPreselectsTheFirstMatchIgnoringCase) {
    Open({"one", "Two", "two", "three"}, "TWO");
    EXPECT_EQ(m_dialog->Names(), (Names{"one", "Two", "two", "three"}));
    EXPECT_EQ(List().currentRow(), 1);
    EXPECT_EQ(Selected(), "Two");

    Open({"one", "two"}, "elsewhere");
    EXPECT_TRUE(List().selectedItems().isEmpty());
}

TEST_F(EditNamesDlgTest, DraggingAnEntryPutsItJustBeforeTheEntryItIsDroppedOn) {
    Open(kFive);
    Drag(0, 3);
    EXPECT_EQ(m_dialog->Names(),
              (Names{"b.example", "127.0.0.1", "a.example", "d.example", "e.example"}));
    EXPECT_EQ(Selected(), "a.example");

    Drag(4, 1);
    EXPECT_EQ(m_dialog->Names(),
              (Names{"b.example", "e.example", "127.0.0.1", "a.example", "d.example"}));
    EXPECT_EQ(Selected(), "e.example");
}

TEST_F(EditNamesDlgTest, DroppingOnItselfOrOnTheNextEntryChangesNothing) {
    Open(kFive);
    Drag(2, 3);
    EXPECT_EQ(m_dialog->Names(), kFive);
    EXPECT_EQ(Selected(), "127.0.0.1");
    Drag(1, CentreOf(1) + QPoint(30, 2));
    EXPECT_EQ(m_dialog->Names(), kFive);
    EXPECT_EQ(Selected(), "b.example");
}

TEST_F(EditNamesDlgTest, DroppingBelowTheLastEntryMovesToTheEndAndOutsideDoesNothing) {
    Open({"x", "y", "z"});
    const QRect last = List().visualItemRect(List().item(2));
    Drag(0, QPoint(last.center().x(), last.bottom() + 10));
    EXPECT_EQ(m_dialog->Names(), (Names{"y", "z", "x"}));
    EXPECT_EQ(Selected(), "x");

    Drag(0, QPoint(CentreOf(2).x(), List().viewport()->height() + 40));
    EXPECT_EQ(m_dialog->Names(), (Names{"y", "z", "x"}));
}

TEST_F(EditNamesDlgTest, EscapeCancelsTheDragAndLeavesTheDialogOpen) {
    Open(kFive);
    QWidget* viewport = List().viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, CentreOf(0));
    QTest::mouseMove(viewport, CentreOf(2));
    QTest::mouseMove(viewport, CentreOf(3));
    QTest::keyClick(&List(), Qt::Key_Escape);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, CentreOf(3));
    EXPECT_EQ(m_dialog->Names(), kFive);
    EXPECT_TRUE(m_dialog->isVisible());

    // Without a drag, Esc is the dialog's again.
    QTest::keyClick(&List(), Qt::Key_Escape);
    EXPECT_FALSE(m_dialog->isVisible());
    EXPECT_EQ(m_dialog->result(), QDialog::Rejected);
}

TEST_F(EditNamesDlgTest, EscapeWhileTheButtonIsHeldEndsThePressOnly) {
    Open(kFive);
    QWidget* viewport = List().viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, CentreOf(0));
    QTest::keyClick(&List(), Qt::Key_Escape);
    QTest::mouseMove(viewport, CentreOf(3));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, CentreOf(3));
    EXPECT_EQ(m_dialog->Names(), kFive);
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(EditNamesDlgTest, OnlyTheLeftButtonSelects) {
    Open(kFive);
    QTest::mouseClick(List().viewport(), Qt::RightButton, {}, CentreOf(2));
    EXPECT_TRUE(List().selectedItems().isEmpty());
}

TEST_F(EditNamesDlgTest, ADragEndsWhenTheListChangesUnderIt) {
    Open(kFive);
    QWidget* viewport = List().viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, CentreOf(0));
    QTest::mouseMove(viewport, CentreOf(1));
    Press(*m_dialog, ids::IDC_DELETE_SELECTION); // by keyboard, the button still held
    QTest::mouseMove(viewport, CentreOf(2));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, CentreOf(2));
    EXPECT_EQ(m_dialog->Names(), (Names{"b.example", "127.0.0.1", "d.example", "e.example"}));
}

TEST_F(EditNamesDlgTest, DeleteSelectionRemovesTheSelectedEntryAndLeavesNoSelection) {
    Open(kFive, "127.0.0.1");
    Press(*m_dialog, ids::IDC_DELETE_SELECTION);
    EXPECT_EQ(m_dialog->Names(), (Names{"a.example", "b.example", "d.example", "e.example"}));
    EXPECT_TRUE(List().selectedItems().isEmpty());

    // Nothing selected: a second delete does nothing.
    Press(*m_dialog, ids::IDC_DELETE_SELECTION);
    EXPECT_EQ(m_dialog->Names().size(), 4U);

    // A click selects again.
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, CentreOf(3));
    Press(*m_dialog, ids::IDC_DELETE_SELECTION);
    EXPECT_EQ(m_dialog->Names(), (Names{"a.example", "b.example", "d.example"}));
}

TEST_F(EditNamesDlgTest, RestoreDefaultPutsBackTheFiveDefaultsWithNothingSelected) {
    Open({"only.example"}, "only.example");
    Press(*m_dialog, ids::IDC_RESTORE_DEFAULT);
    EXPECT_EQ(m_dialog->Names(), (Names{kDefaultTargetList.begin(), kDefaultTargetList.end()}));
    EXPECT_TRUE(List().selectedItems().isEmpty());
    EXPECT_TRUE(m_dialog->isVisible());
}

TEST_F(EditNamesDlgTest, TemplateGivesTextsAndTabOrder) {
    Open({});
    EXPECT_EQ(m_dialog->windowTitle(), "Edit Names");
    EXPECT_EQ(Find<QPushButton>(*m_dialog, ids::IDC_DELETE_SELECTION).text(), "Delete Selection");
    EXPECT_EQ(Find<QPushButton>(*m_dialog, ids::IDC_RESTORE_DEFAULT).text(), "Restore Default");
    EXPECT_TRUE(Find<QPushButton>(*m_dialog, ids::ID_OK).isDefault());
    EXPECT_EQ(List().selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_FALSE(List().isSortingEnabled());
    EXPECT_TRUE(HasLabel(*m_dialog, "Click and Drag names if you wish to re-order them."));

    std::vector<QString> order;
    QWidget* focus = &Find<QPushButton>(*m_dialog, ids::ID_OK);
    for (int step = 0; step < 5; ++step, focus = focus->nextInFocusChain()) {
        while (focus->focusPolicy() == Qt::NoFocus) {
            focus = focus->nextInFocusChain();
        }
        order.push_back(focus->objectName());
    }
    EXPECT_EQ(order, (std::vector<QString>{"ctl_1", "ctl_2", "ctl_4", "ctl_3", "ctl_1010"}));
}

} // namespace
} // namespace jostle::test
