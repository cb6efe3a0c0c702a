#include "platform/desktop/QtAlerts.h"

#include <QGuiApplication>
#include <QMessageBox>

namespace jostle {

DisabledWindow::DisabledWindow(QWidget* window)
    : m_window(window), m_wasEnabled(window != nullptr && window->isEnabled()) {
    if (m_window) {
        m_window->setEnabled(false);
    }
}

DisabledWindow::~DisabledWindow() {
    if (m_window) {
        m_window->setEnabled(m_wasEnabled);
    }
}

void QtAlerts::MessageBox(const std::string& text, AlertIcon icon) {
    const QMessageBox::Icon boxIcon =
        icon == AlertIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(boxIcon, QString::fromUtf8(kAlertTitle), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setObjectName("alertBox");
    box.setTextFormat(Qt::PlainText); // a host name typed by the user is no markup
    // Window-modal without a parent blocks no other window: the tray menu
    // stays usable, so Exit works while a message is showing.
    box.setWindowModality(Qt::WindowModal);
    const DisabledWindow blocked(m_owner ? m_owner() : nullptr);
    box.exec();
}

namespace {

// Without a GUI application (the headless front end) there is no cursor.
bool HaveCursor() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

QtBusyCursor::~QtBusyCursor() {
    if (m_shown > 0 && HaveCursor()) {
        QGuiApplication::restoreOverrideCursor();
    }
}

void QtBusyCursor::Show() {
    if (!HaveCursor()) {
        return;
    }
    if (m_shown++ == 0) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    }
}

void QtBusyCursor::Hide() {
    if (m_shown == 0 || !HaveCursor()) {
        return;
    }
    if (--m_shown == 0) {
        QGuiApplication::restoreOverrideCursor();
    }
}

} // namespace jostle
