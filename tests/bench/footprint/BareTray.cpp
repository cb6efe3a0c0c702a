// The yardstick for the footprint benchmark: a bare Qt program that shows one
// tray icon (the same icon file), ticks a one-second timer and stops in order
// on SIGTERM, as the program does.
#include "platform/core/SignalWatcher.h"

#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    jostle::SignalWatcher stop([] { QCoreApplication::quit(); });
    QSystemTrayIcon icon(QIcon(QStringLiteral(":/icons/128.svg")));
    icon.setToolTip(QStringLiteral("bare tray"));
    icon.show();
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(1000);
    return QApplication::exec();
}
