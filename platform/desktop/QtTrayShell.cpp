#include "platform/desktop/QtTrayShell.h"

#include "platform/desktop/DesktopServices.h"
#include "res/ResourceIds.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QStyleHints>
#include <cstring>

namespace jostle {

namespace {

QString TipText(const NotifyIconData& data) {
    return QString::fromUtf8(data.szTip, static_cast<qsizetype>(strnlen(data.szTip, kTipSize)));
}

QString ActionName(int commandId) {
    return QStringLiteral("action_%1").arg(commandId);
}

void MakeDefault(QMenu& menu, QAction& action) {
    QFont font = action.font();
    font.setBold(true);
    action.setFont(font);
    menu.setDefaultAction(&action);
}

} // namespace

QtTrayShell::QtTrayShell(QObject* parent) : QObject(parent), m_icon(new QSystemTrayIcon(this)) {
    m_icon->setObjectName("trayIcon");
    connect(m_icon, &QSystemTrayIcon::activated, this, &QtTrayShell::OnActivated);
}

bool QtTrayShell::Add(const NotifyIconData& data) {
    if (m_added) {
        return false; // that icon exists already
    }
    m_window = data.hWnd;
    m_id = data.uID;
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        return false;
    }
    Apply(data);
    m_icon->show();
    m_added = true;
    return true;
}

bool QtTrayShell::Modify(const NotifyIconData& data) {
    if (!IsOurIcon(data)) {
        return false;
    }
    Apply(data);
    return true;
}

bool QtTrayShell::Delete(const NotifyIconData& data) {
    if (!IsOurIcon(data)) {
        return false;
    }
    m_icon->hide();
    m_added = false;
    m_window = nullptr; // no icon, so no more callbacks or commands
    return true;
}

bool QtTrayShell::IsOurIcon(const NotifyIconData& data) const {
    return m_added && data.uID == m_id;
}

void QtTrayShell::Apply(const NotifyIconData& data) {
    if ((data.uFlags & NIF_ICON) != 0) {
        m_icon->setIcon(LoadIcon(data.hIcon));
    }
    if ((data.uFlags & NIF_TIP) != 0) {
        m_icon->setToolTip(TipText(data));
    }
}

void QtTrayShell::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (m_window == nullptr) {
        return;
    }
    switch (reason) {
    case QSystemTrayIcon::Context:
        m_window->OnTrayNotify(m_id, ids::WM_RBUTTONUP);
        break;
    case QSystemTrayIcon::DoubleClick:
        m_sinceLeftClick.invalidate();
        m_window->OnTrayNotify(m_id, ids::WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::Trigger:
        m_window->OnTrayNotify(m_id, LeftClickMessage());
        break;
    case QSystemTrayIcon::Unknown:
    case QSystemTrayIcon::MiddleClick:
        break;
    }
}

// Trays that speak the StatusNotifier protocol report every click as a
// Trigger, so a double click arrives as two of them.
unsigned QtTrayShell::LeftClickMessage() {
    if (m_sinceLeftClick.isValid() &&
        m_sinceLeftClick.elapsed() <= QGuiApplication::styleHints()->mouseDoubleClickInterval()) {
        m_sinceLeftClick.invalidate();
        return ids::WM_LBUTTONDBLCLK;
    }
    m_sinceLeftClick.start();
    return kLeftButtonUp;
}

void QtTrayShell::TrackPopupMenu(const menus::Popup& popup, int defaultPosition) {
    QMenu menu;
    menu.setObjectName("trayMenu");
    int position = 0;
    for (const menus::MenuItem& item : popup.items) {
        if (item.id == 0) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(QString::fromUtf8(item.text));
            action->setObjectName(ActionName(item.id));
            action->setData(item.id);
            if (position == defaultPosition) {
                MakeDefault(menu, *action);
            }
        }
        ++position;
    }
    // A popup menu takes the pointer and the keyboard itself here, so no
    // window needs bringing forward first.
    const QAction* chosen = menu.exec(QCursor::pos());
    if (chosen != nullptr) {
        PostCommand(chosen->data().toInt());
    }
}

// The choice is handled once the icon's notification has returned, as a
// command from the event queue.
void QtTrayShell::PostCommand(int commandId) {
    QMetaObject::invokeMethod(
        this, [this, commandId] { SendCommand(commandId); }, Qt::QueuedConnection);
}

void QtTrayShell::SendCommand(int commandId) {
    if (m_window != nullptr) {
        m_window->OnCommand(commandId);
    }
}

} // namespace jostle
