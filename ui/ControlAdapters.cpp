#include "ui/ControlAdapters.h"

#include "settings/Text.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace jostle::ui {

namespace {

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

std::string FromQt(const QString& text) {
    return text.toStdString();
}

// The control's own state: a dialog disables the whole frame while it is
// open, and the countdown must not stop behind it.
bool EnabledItself(const QWidget& control) {
    return !control.testAttribute(Qt::WA_ForceDisabled);
}

// A text set by the program shows its start, as in a box that cannot scroll;
// a line edit would scroll to the cursor at its end.
void ShowFromStart(QLineEdit& edit, const QString& text) {
    edit.setText(text);
    edit.setCursorPosition(0);
}

} // namespace

void ButtonAdapter::Enable(bool enabled) {
    m_button.setEnabled(enabled);
}

bool ButtonAdapter::IsEnabled() const {
    return EnabledItself(m_button);
}

void StaticAdapter::SetText(const std::string& text) {
    m_label.setText(ToQt(text));
}

std::string StaticAdapter::Text() const {
    return FromQt(m_label.text());
}

void StaticAdapter::Enable(bool enabled) {
    m_label.setEnabled(enabled);
}

bool StaticAdapter::IsEnabled() const {
    return EnabledItself(m_label);
}

void EditAdapter::SetText(const std::string& text) {
    ShowFromStart(m_edit, ToQt(text));
}

std::string EditAdapter::Text() const {
    return FromQt(m_edit.text());
}

int ComboAdapter::Count() const {
    return m_combo.count();
}

std::string ComboAdapter::ItemText(int index) const {
    return FromQt(m_combo.itemText(index));
}

// Letter case is ignored as everywhere else in the program: ASCII only,
// whatever the locale.
int ComboAdapter::FindExact(const std::string& text) const {
    for (int index = 0; index < m_combo.count(); ++index) {
        if (EqualsNoCase(ItemText(index), text)) {
            return index;
        }
    }
    return -1;
}

int ComboAdapter::Append(const std::string& text) {
    m_combo.addItem(ToQt(text));
    return m_combo.count() - 1;
}

int ComboAdapter::Select(int index) {
    if (index < 0 || index >= m_combo.count()) {
        m_combo.setCurrentIndex(-1);
        m_combo.setEditText(QString());
        return -1;
    }
    m_combo.setCurrentIndex(index);
    ShowFromStart(*m_combo.lineEdit(), m_combo.itemText(index));
    return index;
}

int ComboAdapter::Selection() const {
    const int index = m_combo.currentIndex();
    if (index < 0 || m_combo.currentText() != m_combo.itemText(index)) {
        return -1;
    }
    return index;
}

std::string ComboAdapter::EditText() const {
    return FromQt(m_combo.currentText());
}

void ComboAdapter::Clear() {
    m_combo.clear();
    m_combo.clearEditText();
}

} // namespace jostle::ui
