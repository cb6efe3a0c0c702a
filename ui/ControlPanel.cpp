#include "ui/ControlPanel.h"

#include "res/PanelTemplate.h"
#include "res/ResourceIds.h"
#include "ui/ControlViews.h"
#include "ui/FitsFieldValidator.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScopedValueRollback>

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

ControlPanel::ControlPanel(PanelModel& model, QWidget* parent)
    : QWidget(parent), m_model(model), m_built(BuildPanel(*this)) {
    for (const int id : {ids::IDC_START, ids::IDC_RETURN_TO_TRAY, ids::IDC_SHUTDOWN}) {
        ConnectButton(id);
    }
    KeepTypingInView();
    ShowModels();
    FollowModels();
    TakeTyping();
}

ControlPanel::~ControlPanel() {
    StopFollowingModels();
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

void ControlPanel::showEvent(QShowEvent* event) {
    ShowModels();
    QWidget::showEvent(event);
}

// Calls visit(widget, model) for each of the six controls the engine drives.
template <class Visit> void ControlPanel::ForEachControl(Visit visit) {
    visit(Required<QPushButton>(m_built, ids::IDC_START), m_model.startButton);
    visit(Required<QComboBox>(m_built, ids::IDC_NAME_COMBO), m_model.nameCombo);
    visit(Required<QLineEdit>(m_built, ids::IDC_PERIOD), m_model.periodEdit);
    visit(Required<QLabel>(m_built, ids::IDC_COUNTDOWN_LABEL), m_model.countdownLabel);
    visit(Required<QLabel>(m_built, ids::IDC_COUNTDOWN), m_model.countdownText);
    visit(Required<QLabel>(m_built, ids::IDC_STATUS), m_model.statusText);
}

template <class Widget, class Model> void ControlPanel::Copy(Widget& widget, const Model& model) {
    const QScopedValueRollback copying(m_copyingModel, true);
    ShowModel(widget, model);
}

void ControlPanel::ShowModels() {
    ForEachControl([this](auto& widget, const auto& model) { Copy(widget, model); });
}

// A change while the panel is hidden waits for the next show.
void ControlPanel::FollowModels() {
    ForEachControl([this](auto& widget, auto& model) {
        model.Observe([this, &widget, &model] {
            if (isVisible()) {
                Copy(widget, model);
            }
        });
    });
}

void ControlPanel::StopFollowingModels() {
    ForEachControl([](auto& /*widget*/, auto& model) { model.Observe(nullptr); });
}

// What the user types or picks goes into the models as it happens, so the
// engine reads it there whether or not the panel is shown.
void ControlPanel::TakeTyping() {
    const auto& period = Required<QLineEdit>(m_built, ids::IDC_PERIOD);
    connect(&period, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_copyingModel) {
            m_model.periodEdit.Type(text.toStdString());
        }
    });
    const auto& combo = Required<QComboBox>(m_built, ids::IDC_NAME_COMBO);
    connect(&combo, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (!m_copyingModel) {
            m_model.nameCombo.Pick(index);
        }
    });
    connect(&combo, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!m_copyingModel) {
            m_model.nameCombo.Type(text.toStdString());
        }
    });
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
