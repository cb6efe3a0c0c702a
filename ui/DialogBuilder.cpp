#include "ui/DialogBuilder.h"

#include "platform/desktop/Icons.h"
#include "ui/AccessibleNames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <algorithm>
#include <qdrawutil.h>

namespace jostle::ui {

namespace {

using templates::Align;
using templates::ControlKind;
using templates::ControlTemplate;

// The desktop's own measure of the average character width: the width of the
// 52 letters, averaged and rounded.
int AverageCharWidth(const QFontMetrics& metrics) {
    static const QString kLetters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    return (metrics.horizontalAdvance(kLetters) / 26 + 1) / 2;
}

// A drop-down combo box's template height includes its open list; the field
// itself is as high as an edit box.
constexpr int kComboFieldHeight = 12;
constexpr int kListItemHeight = 8;
constexpr int kIconSize = 32;
// Every template is laid out for an 8-point font; a static text of two lines
// or more wraps its words, a one-line one never does.
constexpr int kDialogFontPointSize = 8;
constexpr int kTwoLines = 16;

Qt::Alignment ToQt(Align align) {
    switch (align) {
    case Align::Center:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

QWidget* MakePushButton(const ControlTemplate& control, QWidget& parent) {
    auto* button = new QPushButton(QString::fromUtf8(control.text), &parent);
    button->setDefault(control.kind == ControlKind::DefPushButton);
    button->setAutoDefault(true); // Enter presses the push button that has the focus
    return button;
}

QWidget* MakeEdit(const ControlTemplate& control, QWidget& parent) {
    auto* edit = new QLineEdit(QString::fromUtf8(control.text), &parent);
    edit->setAlignment(ToQt(control.align) | Qt::AlignVCenter);
    edit->setFrame((control.style & templates::kBorder) != 0);
    return edit;
}

QWidget* MakeCombo(const ControlTemplate& control, QWidget& parent) {
    auto* combo = new QComboBox(&parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    combo->setMaxVisibleItems(std::max(1, (control.height - kComboFieldHeight) / kListItemHeight));
    combo->setEditText(QString::fromUtf8(control.text));
    return combo;
}

QWidget* MakeStatic(const ControlTemplate& control, QWidget& parent) {
    auto* label = new QLabel(QString::fromUtf8(control.text), &parent);
    label->setAlignment(ToQt(control.align) | Qt::AlignTop);
    label->setWordWrap(control.height >= kTwoLines);
    if ((control.style & templates::kBorder) != 0) {
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    }
    return label;
}

QWidget* MakeIcon(const ControlTemplate& control, QWidget& parent) {
    auto* label = new QLabel(&parent);
    const int iconId = QString::fromUtf8(control.text).toInt();
    label->setPixmap(LoadIcon(iconId).pixmap(kIconSize, kIconSize));
    return label;
}

// A group box drawn as an etched frame whose title sits on the top line, a
// little in from the left corner, as the templates' geometry assumes. (The
// usual style puts the title above the frame and the frame lower, onto the
// controls inside.)
class TitledFrame : public QGroupBox {
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        const QRect titleRect = TitleRect();
        painter.save();
        painter.setClipRegion(QRegion(rect()) - titleRect);
        qDrawShadeRect(&painter, rect().adjusted(0, titleRect.center().y(), 0, 0), palette(), true);
        painter.restore();
        style()->drawItemText(&painter, titleRect, Qt::AlignCenter | Qt::TextHideMnemonic,
                              palette(), isEnabled(), title(), QPalette::WindowText);
    }

private:
    // The title with a space's width of room on each side of the text.
    QRect TitleRect() const {
        const QFontMetrics metrics = fontMetrics();
        const int room = metrics.horizontalAdvance(QLatin1Char(' '));
        return {metrics.averageCharWidth(), 0, metrics.horizontalAdvance(title()) + 2 * room,
                metrics.height()};
    }
};

QWidget* MakeGroupBox(const ControlTemplate& control, QWidget& parent) {
    auto* group = new TitledFrame(QString::fromUtf8(control.text), &parent);
    group->setFocusPolicy(Qt::NoFocus);
    return group;
}

QWidget* MakeWidget(const ControlTemplate& control, QWidget& parent) {
    switch (control.kind) {
    case ControlKind::DefPushButton:
    case ControlKind::PushButton:
        return MakePushButton(control, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(QString::fromUtf8(control.text), &parent);
    case ControlKind::Edit:
        return MakeEdit(control, parent);
    case ControlKind::ComboBox:
        return MakeCombo(control, parent);
    case ControlKind::ListBox:
        return new QListWidget(&parent);
    case ControlKind::Static:
        return MakeStatic(control, parent);
    case ControlKind::Icon:
        return MakeIcon(control, parent);
    case ControlKind::GroupBox:
        break;
    }
    return MakeGroupBox(control, parent);
}

QRect Geometry(const ControlTemplate& control, const DialogUnits& units) {
    switch (control.kind) {
    case ControlKind::ComboBox:
        return units.ToPixels(control.x, control.y, control.width, kComboFieldHeight);
    case ControlKind::Icon:
        return {units.ToPixelsX(control.x), units.ToPixelsY(control.y), kIconSize, kIconSize};
    default:
        return units.ToPixels(control.x, control.y, control.width, control.height);
    }
}

void ApplyStyle(const ControlTemplate& control, QWidget& widget) {
    widget.setEnabled((control.style & templates::kDisabled) == 0);
    // A control without a tab stop still takes the focus when clicked.
    if (widget.focusPolicy() != Qt::NoFocus && (control.style & templates::kTabStop) == 0) {
        widget.setFocusPolicy(Qt::ClickFocus);
    }
}

// Screen readers name an input control after its label. The buddy alone does
// not carry to every kind of control (an editable combo box, its field).
void NameInputsByTheirLabels(const templates::DialogTemplate& dialogTemplate,
                             const BuiltDialog& built) {
    for (std::size_t index = 0; index < dialogTemplate.controls.size(); ++index) {
        const ControlTemplate& control = dialogTemplate.controls[index];
        QWidget* input =
            control.labelFor == templates::kNoId ? nullptr : built.Control(control.labelFor);
        auto* label = qobject_cast<QLabel*>(built.InTemplateOrder()[index]);
        if (input != nullptr && label != nullptr) {
            label->setBuddy(input);
            NameAfterLabel(*input, label->text());
        }
    }
}

} // namespace

DialogUnits::DialogUnits(const QFont& font)
    : DialogUnits(AverageCharWidth(QFontMetrics(font)), QFontMetrics(font).height()) {}

DialogUnits::DialogUnits(int averageCharWidth, int fontHeight)
    : m_averageCharWidth(averageCharWidth), m_fontHeight(fontHeight) {}

int DialogUnits::ToPixelsX(int units) const {
    return units * m_averageCharWidth / 4;
}

int DialogUnits::ToPixelsY(int units) const {
    return units * m_fontHeight / 8;
}

QRect DialogUnits::ToPixels(int x, int y, int width, int height) const {
    return {ToPixelsX(x), ToPixelsY(y), ToPixelsX(width), ToPixelsY(height)};
}

QWidget* BuiltDialog::Control(int id) const {
    const auto found = m_byId.find(id);
    return found == m_byId.end() ? nullptr : found->second;
}

void BuiltDialog::Add(int id, QWidget* control) {
    if (id != templates::kNoId) {
        m_byId[id] = control;
    }
    m_ordered.push_back(control);
}

QString ControlName(int id) {
    return QStringLiteral("ctl_%1").arg(id);
}

BuiltDialog BuildDialog(const templates::DialogTemplate& dialogTemplate, QWidget& parent) {
    QFont dialogFont = parent.font();
    dialogFont.setPointSize(kDialogFontPointSize);
    parent.setFont(dialogFont);
    const DialogUnits units(dialogFont);
    InstallComboBoxNaming();
    BuiltDialog built;
    // Siblings take the focus in the order they are made: the table's order.
    for (const ControlTemplate& control : dialogTemplate.controls) {
        QWidget* widget = MakeWidget(control, parent);
        widget->setGeometry(Geometry(control, units));
        ApplyStyle(control, *widget);
        if (control.id != templates::kNoId) {
            widget->setObjectName(ControlName(control.id));
        }
        if (control.kind == ControlKind::GroupBox) {
            widget->lower(); // behind the controls it frames
        }
        built.Add(control.id, widget);
    }
    NameInputsByTheirLabels(dialogTemplate, built);
    // The position counts from the owner's client area; whoever runs the
    // dialog adds the owner's origin.
    parent.setGeometry(units.ToPixels(dialogTemplate.x, dialogTemplate.y, dialogTemplate.width,
                                      dialogTemplate.height));
    if (dialogTemplate.caption != nullptr && *dialogTemplate.caption != 0) {
        parent.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    }
    return built;
}

} // namespace jostle::ui
