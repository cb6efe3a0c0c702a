#include "platform/desktop/QtAlerts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QWindow>

namespace jostle {

namespace {

// The window system's own window of a top-level widget, made if not yet there.
QWindow& NativeWindow(QWidget& widget) {
    widget.winId();
    return *widget.windowHandle();
}

// Once a modal window has ended: the window that was active before it, or
// else its owner, whichever is still shown, as a window manager would do (and
// without one nothing would be active).
void GiveActivationBack(const QPointer<QWidget>& wasActive, const QPointer<QWidget>& owner) {
    for (QWidget* window : {wasActive.data(), owner.data()}) {
        if (window != nullptr && window->isVisible()) {
            window->activateWindow();
            return;
        }
    }
}

} // namespace

int ExecModalTo(QDialog& dialog, QWidget* owner) {
    // Window-modal blocks the transient parent's chain only. Disabling the
    // owner instead would draw all its controls greyed (a running countdown
    // looks stopped) and move its focus to the first control.
    dialog.setWindowModality(Qt::WindowModal);
    if (owner != nullptr) {
        NativeWindow(dialog).setTransientParent(&NativeWindow(*owner->window()));
    }
    const QPointer<QWidget> wasActive = QApplication::activeWindow();
    const QPointer<QWidget> ownerWindow = owner != nullptr ? owner->window() : nullptr;
    const int result = dialog.exec();
    GiveActivationBack(wasActive, ownerWindow);
    return result;
}

void QtAlerts::MessageBox(const std::string& text, AlertIcon icon) {
    const QMessageBox::Icon boxIcon =
        icon == AlertIcon::Stop ? QMessageBox::Critical : QMessageBox::Warning;
    QMessageBox box(boxIcon, QString::fromUtf8(kAlertTitle), QString::fromStdString(text),
                    QMessageBox::Ok);
    box.setObjectName("alertBox");
    box.setTextFormat(Qt::PlainText); // a host name typed by the user is no markup
    ExecModalTo(box, m_owner ? m_owner() : nullptr);
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
