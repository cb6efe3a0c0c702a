#include "ui/ControlPanel.h"

#include "res/PanelTemplate.h"
#include "res/ResourceIds.h"
#include "ui/FitsFieldValidator.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace jostle::ui {

namespace {

// The template always holds these controls; a missing one is a build fault.
template <class Widget> Widget& Required(const BuiltDialog& built, int id) {
    auto* widget = built.ControlAs<Widget>(id);
    Q_ASSERT(widget != nullptr);
    return *widget;
}

BuiltDialog BuildPanel(QWidget& panel) {
    return BuildDialog(templates::kPanelTemplate, panel);
}

} // namespace

QRect ComputePanelRect(const QRect& frame, const QRect& startButton, const QRect& returnButton) {
    const int right = frame.left() + startButton.width() + 2 * startButton.height();
    const int returnBottom =
        returnButton.top() + returnButton.height(); // exclusive, as on the desktop
    const int bottom = returnBottom + returnButton.height() + returnButton.height() / 2 + 10;
    return {frame.left(), frame.top(), right - frame.left(), bottom - frame.top()};
}

ControlPanel::ControlPanel(QWidget* parent)
    : QWidget(parent), m_built(BuildPanel(*this)),
      m_startButton(Required<QPushButton>(m_built, ids::IDC_START)),
      m_nameCombo(Required<QComboBox>(m_built, ids::IDC_NAME_COMBO)),
      m_periodEdit(Required<QLineEdit>(m_built, ids::IDC_PERIOD)),
      m_countdownLabel(Required<QLabel>(m_built, ids::IDC_COUNTDOWN_LABEL)),
      m_countdownText(Required<QLabel>(m_built, ids::IDC_COUNTDOWN)),
      m_statusText(Required<QLabel>(m_built, ids::IDC_STATUS)) {
    for (const int id : {ids::IDC_START, ids::IDC_RETURN_TO_TRAY, ids::IDC_SHUTDOWN}) {
        ConnectButton(id);
    }
    KeepTypingInView();
}

PanelControls ControlPanel::Controls() {
    return {m_startButton,    m_nameCombo,     m_periodEdit,
            m_countdownLabel, m_countdownText, m_statusText};
}

QRect ControlPanel::ComputePanelRect(const QRect& frameRect) const {
    return ui::ComputePanelRect(frameRect, ScreenRect(ids::IDC_START),
                                ScreenRect(ids::IDC_RETURN_TO_TRAY));
}

void ControlPanel::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && DefaultButton().isEnabled()) {
        DefaultButton().click();
        return;
    }
    QWidget::keyPressEvent(event);
}

// The next button after Start is Shutdown Jostle: taking the focus would make
// it the button Enter presses, and one key press would end the program.
bool ControlPanel::focusNextPrevChild(bool next) {
    const QWidget* focused = focusWidget();
    if (focused == nullptr || focused->isEnabled()) {
        return QWidget::focusNextPrevChild(next); // Tab and Shift+Tab
    }
    if (!DefaultButton().isEnabled()) {
        return false;
    }
    DefaultButton().setFocus(Qt::OtherFocusReason);
    return true;
}

QPushButton& ControlPanel::DefaultButton() const {
    return Required<QPushButton>(m_built, ids::IDC_RETURN_TO_TRAY);
}

void ControlPanel::ConnectButton(int id) {
    connect(&Required<QPushButton>(m_built, id), &QPushButton::clicked, this,
            [this, id] { emit commandIssued(id); });
}

void ControlPanel::KeepTypingInView() {
    auto& period = Required<QLineEdit>(m_built, ids::IDC_PERIOD);
    period.setValidator(new FitsFieldValidator(period));
    auto& combo = Required<QComboBox>(m_built, ids::IDC_NAME_COMBO);
    combo.setValidator(new FitsFieldValidator(*combo.lineEdit()));
}

QRect ControlPanel::ScreenRect(int id) const {
    const QWidget* control = m_built.Control(id);
    return {control->mapToGlobal(QPoint(0, 0)), control->size()};
}

} // namespace jostle::ui
