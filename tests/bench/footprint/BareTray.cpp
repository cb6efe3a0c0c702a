// The yardstick for the footprint benchmark: a bare Qt program that shows one
// tray icon (the same icon file) and ticks a one-second timer.
#include <QApplication>
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QSystemTrayIcon icon(QIcon(QStringLiteral(":/icons/128.svg")));
    icon.setToolTip(QStringLiteral("bare tray"));
    icon.show();
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(1000);
    return QApplication::exec();
}
