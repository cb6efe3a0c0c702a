#include "platform/desktop/QtTrayShell.h"

#include "platform/desktop/Icons.h"
#include "platform/desktop/TrayPresence.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>

namespace jostle {

namespace {

constexpr int kTrayWatchMilliseconds = 2000;

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

void QtTrayShell::SetEventSink(ITrayEvents* sink) {
    m_sink = sink;
}

bool QtTrayShell::ShowIcon(const TrayIconLook& look, const menus::Popup& menu, int defaultItem) {
    if (!MakeIcon()) {
        m_trayWatch.start();
        return false;
    }
    m_trayWatch.stop();
    UpdateIcon(look);
    AttachMenu(menu, defaultItem);
    m_icon->show();
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

void QtTrayShell::UpdateIcon(const TrayIconLook& look) {
    if (m_icon == nullptr) {
        return;
    }
    if (look.icon != m_shownIcon) {
        m_icon->setIcon(LoadIcon(look.icon));
        m_shownIcon = look.icon;
    }
    m_icon->setToolTip(QString::fromStdString(look.tooltip));
}

void QtTrayShell::RemoveIcon() {
    if (m_icon != nullptr) {
        m_icon->hide();
    }
    m_trayWatch.stop();
    m_sink = nullptr; // no icon, so nothing more to report
}

void QtTrayShell::CheckForTray() {
    if (m_sink == nullptr) {
        m_trayWatch.stop();
    } else if (PresentTray() != TrayKind::None) {
        m_trayWatch.stop();
        m_sink->OnTrayAppeared();
    }
}

void QtTrayShell::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (m_sink == nullptr) {
        return;
    }
    switch (reason) {
    case QSystemTrayIcon::Context:
        if (!m_statusNotifier) {
            m_sink->OnTrayContextMenu();
        } else if (m_exportedMenu) {
            m_exportedMenu->popup(QCursor::pos()); // a host that asks instead of showing it
        }
        break;
    case QSystemTrayIcon::DoubleClick:
        m_sink->OnTrayActivated();
        break;
    case QSystemTrayIcon::Trigger:
        if (m_statusNotifier) {
            m_sink->OnTrayActivated(); // the host's primary action
        }
        break;
    case QSystemTrayIcon::Unknown:
    case QSystemTrayIcon::MiddleClick:
        break;
    }
}

void QtTrayShell::PopUpMenu(const menus::Popup& popup, int defaultItem) {
    QMenu menu;
    FillMenu(menu, popup, defaultItem);
    // A popup menu takes the pointer and the keyboard itself here, so no
    // window needs bringing forward first.
    const QAction* chosen = ExecAtPointer(menu);
    if (chosen != nullptr) {
        PostCommand(chosen->data().toInt());
    }
}

// Only a StatusNotifierItem shows a menu it was given beforehand.
void QtTrayShell::AttachMenu(const menus::Popup& popup, int defaultItem) {
    if (!m_statusNotifier || m_exportedMenu) {
        return;
    }
    m_exportedMenu = std::make_unique<QMenu>();
    FillMenu(*m_exportedMenu, popup, defaultItem);
    connect(m_exportedMenu.get(), &QMenu::triggered, this,
            [this](const QAction* action) { PostCommand(action->data().toInt()); });
    m_icon->setContextMenu(m_exportedMenu.get());
}

// The choice is handled once the icon's notification has returned, from the
// event queue.
void QtTrayShell::PostCommand(int commandId) {
    QMetaObject::invokeMethod(
        this,
        [this, commandId] {
            if (m_sink != nullptr) {
                m_sink->OnTrayMenuCommand(commandId);
            }
        },
        Qt::QueuedConnection);
}

} // namespace jostle
