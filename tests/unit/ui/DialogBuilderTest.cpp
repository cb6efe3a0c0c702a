#include "ui/DialogBuilder.h"

#include "res/DialogTemplates.h"
#include "res/PanelTemplate.h"
#include "res/ResourceIds.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace jostle::ui {
namespace {

using namespace templates;

TEST(DialogUnits, MapQuarterCharacterWidthAndEighthFontHeight) {
    const DialogUnits units(6, 13); // the classic 8-point dialog font
    EXPECT_EQ(units.ToPixels(10, 40, 125, 15), QRect(15, 65, 187, 24));
    EXPECT_EQ(units.ToPixelsX(146), 219);
    EXPECT_EQ(units.ToPixelsY(141), 229);
}

TEST(DialogUnits, FollowTheFont) {
    QFont small;
    small.setPixelSize(10);
    QFont large;
    large.setPixelSize(20);
    EXPECT_LT(DialogUnits(small).ToPixelsX(100), DialogUnits(large).ToPixelsX(100));
    EXPECT_EQ(DialogUnits(large).ToPixelsY(8), QFontMetrics(large).height());
}

constexpr ControlTemplate kEveryKind[] = {
    {kNoId, ControlKind::GroupBox, "Group", 5, 5, 100, 60},
    {11, ControlKind::CheckBox, "&Check", 10, 15, 60, 10, kTabStop},
    {12, ControlKind::ListBox, "", 10, 30, 60, 30, kNotSorted | kTabStop},
    {13, ControlKind::Static, "Right", 10, 70, 60, 8, 0, Align::Right},
    {kNoId, ControlKind::Icon, "128", 80, 70, 20, 20},
    {14, ControlKind::PushButton, "No tab stop", 10, 80, 50, 14},
    {ids::ID_OK, ControlKind::DefPushButton, "OK", 60, 80, 50, 14, kTabStop},
    {15, ControlKind::Edit, "text", 10, 100, 50, 12, kTabStop | kDisabled},
    {16, ControlKind::Static, "two lines of text", 60, 100, 40, 16},
    {kNoId, ControlKind::Static, "&Host:", 10, 114, 20, 8, 0, Align::Left, 17},
    {17, ControlKind::ComboBox, "", 30, 112, 60, 40, kTabStop},
};
constexpr DialogTemplate kEveryKindTemplate{900, "Every Kind", 0, 0, 120, 120, kEveryKind};

TEST(BuildDialog, MakesEachKindOfControl) {
    QWidget dialog;
    const BuiltDialog built = BuildDialog(kEveryKindTemplate, dialog);

    ASSERT_EQ(built.InTemplateOrder().size(), std::size(kEveryKind));
    auto* group = qobject_cast<QGroupBox*>(built.InTemplateOrder()[0]);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), "Group");
    EXPECT_TRUE(group->objectName().isEmpty());
    ASSERT_NE(built.ControlAs<QCheckBox>(11), nullptr);
    EXPECT_EQ(built.ControlAs<QCheckBox>(11)->text(), "&Check");
    EXPECT_NE(built.ControlAs<QListWidget>(12), nullptr);
    ASSERT_NE(built.ControlAs<QLabel>(13), nullptr);
    EXPECT_TRUE(built.ControlAs<QLabel>(13)->alignment() & Qt::AlignRight);
    EXPECT_FALSE(built.ControlAs<QLabel>(13)->wordWrap()) << "one line high";
    EXPECT_TRUE(built.ControlAs<QLabel>(16)->wordWrap()) << "two lines high";
    auto* icon = qobject_cast<QLabel*>(built.InTemplateOrder()[4]);
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull()) << "icon 128 comes from the resources";
    ASSERT_NE(built.ControlAs<QPushButton>(ids::ID_OK), nullptr);
    EXPECT_TRUE(built.ControlAs<QPushButton>(ids::ID_OK)->isDefault());
    EXPECT_FALSE(built.ControlAs<QPushButton>(14)->isDefault());
    EXPECT_FALSE(built.Control(15)->isEnabled());
    EXPECT_TRUE(built.Control(14)->isEnabled());
    EXPECT_EQ(built.Control(999), nullptr);
    EXPECT_EQ(built.ControlAs<QLineEdit>(11), nullptr) << "a control of another kind";
    EXPECT_EQ(dialog.windowTitle(), "Every Kind");
}

TEST(BuildDialog, NamesControlsByIdAndPlacesThemInDialogUnits) {
    QWidget dialog;
    const BuiltDialog built = BuildDialog(kEveryKindTemplate, dialog);
    const DialogUnits units(dialog.font());

    EXPECT_EQ(dialog.findChild<QWidget*>("ctl_14"), built.Control(14));
    EXPECT_EQ(built.Control(14)->geometry(), units.ToPixels(10, 80, 50, 14));
    EXPECT_EQ(dialog.size(), QSize(units.ToPixelsX(120), units.ToPixelsY(120)));
    EXPECT_EQ(dialog.font().pointSize(), 8) << "the templates' font size";
}

TEST(BuildDialog, TabStopsFollowTheTable) {
    QWidget dialog;
    const BuiltDialog built = BuildDialog(kEveryKindTemplate, dialog);

    EXPECT_EQ(built.Control(11)->nextInFocusChain(), built.Control(12));
    EXPECT_EQ(built.Control(14)->focusPolicy(), Qt::ClickFocus) << "no tab stop";
    EXPECT_EQ(built.Control(ids::ID_OK)->focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    EXPECT_EQ(built.Control(13)->focusPolicy(), Qt::NoFocus);
}

TEST(BuildDialog, ComboIsEditableWithoutCompletionAndOneFieldHigh) {
    QWidget form;
    const BuiltDialog built = BuildDialog(kPanelTemplate, form);
    auto* combo = built.ControlAs<QComboBox>(ids::IDC_NAME_COMBO);
    ASSERT_NE(combo, nullptr);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->completer(), nullptr);
    EXPECT_EQ(combo->insertPolicy(), QComboBox::NoInsert);
    EXPECT_EQ(combo->height(), DialogUnits(form.font()).ToPixelsY(12));
}

// The first row of the frame's top line, in a column right of the title;
// -1 when there is none.
int FrameTopRow(QWidget& group) {
    const QImage image = group.grab().toImage();
    const int column = image.width() - 4;
    const QRgb above = image.pixel(column, 0);
    for (int row = 1; row < image.height(); ++row) {
        if (image.pixel(column, row) != above) {
            return row;
        }
    }
    return -1;
}

TEST(BuildDialog, AGroupBoxTitleSitsOnTheFramesTopLine) {
    QWidget dialog;
    const BuiltDialog built = BuildDialog(kEveryKindTemplate, dialog);
    QWidget& group = *built.InTemplateOrder()[0];
    const int titleHeight = group.fontMetrics().height();
    const int line = FrameTopRow(group);
    EXPECT_GT(line, 0);
    EXPECT_LT(line, titleHeight) << "the line runs through the title, not below it";
}

// The name a screen reader reads.
QString AccessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

// Qt names an editable combo box after its entry on Linux, and gives its field
// and its list no name at all.
TEST(BuildDialog, ALabelNamesEachPartOfAComboBoxWithoutTheMnemonic) {
    QWidget dialog;
    const BuiltDialog built = BuildDialog(kEveryKindTemplate, dialog);
    auto* combo = built.ControlAs<QComboBox>(17);
    ASSERT_NE(combo, nullptr);
    combo->addItem("127.0.0.7");
    combo->setCurrentIndex(0);
    EXPECT_EQ(AccessibleName(combo), "Host:") << "not its entry";
    EXPECT_EQ(AccessibleName(combo->lineEdit()), "Host:");
    EXPECT_EQ(AccessibleName(combo->view()), "Host:");
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(combo);
    EXPECT_EQ(accessible->role(), QAccessible::ComboBox);
    EXPECT_EQ(accessible->text(QAccessible::Value), "127.0.0.7");
    ASSERT_EQ(accessible->childCount(), 2);
    EXPECT_EQ(accessible->child(1)->object(), combo->lineEdit());
    EXPECT_EQ(accessible->indexOfChild(accessible->child(0)), 0);
    accessible->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(combo->view()->isVisible()) << "its action opens the list";
}

// Screen readers name an input control after the label the template gives it.
TEST(BuildDialog, EveryInputControlIsNamedAfterItsLabel) {
    const std::map<int, QString> expected = {
        {ids::IDC_PERIOD, "Jostle how often? (minutes)"},
        {ids::IDC_NAME_COMBO, "Domain Name or IP Address"},
        {ids::IDC_NAME_LIST, "Click and Drag names if you wish to re-order them."}};
    std::set<int> named;
    for (const DialogTemplate* dialogTemplate :
         {&kPanelTemplate, &kAboutTemplate, &kOptionsTemplate, &kEditNamesTemplate,
          &kStatisticsTemplate}) {
        QWidget dialog;
        const BuiltDialog built = BuildDialog(*dialogTemplate, dialog);
        for (const ControlTemplate& control : dialogTemplate->controls) {
            const bool input = control.kind == ControlKind::Edit ||
                               control.kind == ControlKind::ComboBox ||
                               control.kind == ControlKind::ListBox;
            if (!input) {
                continue;
            }
            ASSERT_TRUE(expected.contains(control.id)) << "an input without a known label";
            EXPECT_EQ(AccessibleName(built.Control(control.id)), expected.at(control.id));
            named.insert(control.id);
        }
    }
    EXPECT_EQ(named.size(), expected.size());
}

} // namespace
} // namespace jostle::ui
