// Runs the Qt event loop until a condition holds or time runs out.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <functional>

namespace jostle::test {

inline bool PumpUntil(const std::function<bool()>& done, int timeoutMilliseconds) {
    QTimer wakeUp; // so that the wait for events never outlasts the deadline
    wakeUp.start(5);
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMilliseconds) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

inline void PumpFor(int milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

} // namespace jostle::test
