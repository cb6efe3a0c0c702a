#include "platform/desktop/QtTrayShell.h"

#include "platform/desktop/Icons.h"
#include "platform/desktop/TrayPresence.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <cstring>

namespace jostle {

namespace {

constexpr int kTrayWatchMilliseconds = 2000;

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

// The popup's items, each action carrying its command id.
void FillMenu(QMenu& menu, const menus::Popup& popup, int defaultPosition) {
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
}

// Qt closes every popup when the application turns inactive. One of our
// windows losing the focus (the panel hidden, a menu closed) makes it so only
// a moment later, so a menu opened in that moment would close as soon as it
// shows: it is shown once more then.
const QAction* ExecAtPointer(QMenu& menu) {
    const QPoint at = QCursor::pos();
    bool deactivated = false;
    const QMetaObject::Connection watch =
        QObject::connect(qGuiApp, &QGuiApplication::applicationStateChanged, &menu,
                         [&deactivated](Qt::ApplicationState state) {
                             deactivated = deactivated || state != Qt::ApplicationActive;
                         });
    const QAction* chosen = menu.exec(at);
    QObject::disconnect(watch);
    return chosen == nullptr && deactivated ? menu.exec(at) : chosen;
}

} // namespace

QtTrayShell::QtTrayShell(QObject* parent) : QObject(parent) {
    m_trayWatch.setInterval(kTrayWatchMilliseconds);
    connect(&m_trayWatch, &QTimer::timeout, this, &QtTrayShell::CheckForTray);
}

// The icon goes before the menu it shows.
QtTrayShell::~QtTrayShell() {
    delete m_icon;
}

bool QtTrayShell::Add(const NotifyIconData& data) {
    if (m_added) {
        return false; // that icon exists already
    }
    m_window = data.hWnd;
    m_id = data.uID;
    if (!MakeIcon()) {
        m_trayWatch.start();
        return false;
    }
    m_trayWatch.stop();
    Apply(data);
    m_icon->show();
    m_added = true;
    return true;
}

bool QtTrayShell::MakeIcon() {
    if (m_icon != nullptr) {
        return true;
    }
    const TrayKind tray = PresentTray();
    if (tray == TrayKind::None) {
        return false;
    }
    m_statusNotifier = tray == TrayKind::StatusNotifier;
    if (m_statusNotifier) {
        // A StatusNotifierItem's title and id are the application's name.
        QCoreApplication::setApplicationName(QStringLiteral("Jostle"));
    }
    m_icon = new QSystemTrayIcon(this);
    m_icon->setObjectName("trayIcon");
    connect(m_icon, &QSystemTrayIcon::activated, this, &QtTrayShell::OnActivated);
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

void QtTrayShell::CheckForTray() {
    if (m_window == nullptr) {
        m_trayWatch.stop();
    } else if (PresentTray() != TrayKind::None) {
        m_trayWatch.stop();
        m_window->OnTrayNotify(m_id, kTaskbarCreated);
    }
}

void QtTrayShell::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (m_window == nullptr) {
        return;
    }
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (!m_statusNotifier) {
            m_window->OnTrayNotify(m_id, WM_RBUTTONUP);
        } else if (m_exportedMenu) {
            m_exportedMenu->popup(QCursor::pos()); // a host that asks instead of showing it
        }
        break;
    case QSystemTrayIcon::DoubleClick:
        m_window->OnTrayNotify(m_id, WM_LBUTTONDBLCLK);
        break;
    case QSystemTrayIcon::Trigger:
        m_window->OnTrayNotify(m_id, m_statusNotifier ? WM_LBUTTONDBLCLK : WM_LBUTTONUP);
        break;
    case QSystemTrayIcon::Unknown:
    case QSystemTrayIcon::MiddleClick:
        break;
    }
}

void QtTrayShell::TrackPopupMenu(const menus::Popup& popup, int defaultPosition) {
    QMenu menu;
    FillMenu(menu, popup, defaultPosition);
    // A popup menu takes the pointer and the keyboard itself here, so no
    // window needs bringing forward first.
    const QAction* chosen = ExecAtPointer(menu);
    if (chosen != nullptr) {
        PostCommand(chosen->data().toInt());
    }
}

// Only a StatusNotifierItem shows a menu it was given beforehand.
void QtTrayShell::AttachMenu(const menus::Popup& popup, int defaultPosition) {
    if (!m_statusNotifier || m_exportedMenu) {
        return;
    }
    m_exportedMenu = std::make_unique<QMenu>();
    FillMenu(*m_exportedMenu, popup, defaultPosition);
    connect(m_exportedMenu.get(), &QMenu::triggered, this,
            [this](const QAction* action) { PostCommand(action->data().toInt()); });
    m_icon->setContextMenu(m_exportedMenu.get());
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
