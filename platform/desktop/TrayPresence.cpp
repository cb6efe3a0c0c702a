#include "platform/desktop/TrayPresence.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <string>
#include <xcb/xcb.h>

namespace jostle {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
constexpr int kBusTimeoutMilliseconds = 500; // a hung watcher must not freeze the panel

bool WatcherRegistered(const QDBusConnection& bus) {
    const QDBusConnectionInterface* daemon = bus.interface();
    return daemon != nullptr && daemon->isServiceRegistered(kWatcherService).value();
}

bool HostRegistered(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kWatcherService, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kBusTimeoutMilliseconds);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

// Under X, Qt also wants a host behind the watcher; elsewhere the watcher is enough.
bool StatusNotifierPresent(bool onX) {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && WatcherRegistered(bus) && (!onX || HostRegistered(bus));
}

int DefaultScreenNumber() {
    char* host = nullptr;
    int display = 0;
    int screen = 0;
    const bool parsed = xcb_parse_display(nullptr, &host, &display, &screen) != 0;
    std::free(host); // NOLINT(cppcoreguidelines-no-malloc): xcb allocates it with malloc
    return parsed ? screen : 0;
}

// A tray manager owns the selection _NET_SYSTEM_TRAY_S<screen>.
bool XEmbedManagerPresent(xcb_connection_t* connection) {
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreenNumber());
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
            nullptr),
        &std::free);
    if (!atom) {
        return false;
    }
    const std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}

} // namespace

TrayKind PresentTray() {
    // Only the X platform has a connection; others may still offer the interface.
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (StatusNotifierPresent(connection != nullptr)) {
        return TrayKind::StatusNotifier;
    }
    if (connection != nullptr && XEmbedManagerPresent(connection)) {
        return TrayKind::XEmbed;
    }
    return TrayKind::None;
}

} // namespace jostle
