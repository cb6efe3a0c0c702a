// The yardstick for jostle-headless: a bare Qt Core program that prints one
// line, ticks a one-second timer and stops in order on SIGTERM, as the
// program does.
#include "platform/core/SignalWatcher.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    jostle::SignalWatcher stop([] { QCoreApplication::quit(); });
    std::puts("00:00:00 started");
    std::fflush(stdout);
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start(1000);
    return QCoreApplication::exec();
}
