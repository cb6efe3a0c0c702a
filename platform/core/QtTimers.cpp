#include "platform/core/QtTimers.h"

#include <QSocketNotifier>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/timerfd.h>
#include <unistd.h>

namespace jostle {

QtTimers::Timer::Timer() : fd(timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC)) {
    if (fd < 0) {
        // Without its timers the program would sit still, saying it runs.
        qFatal("jostle: cannot create a timer: %s", std::strerror(errno));
    }
    notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
}

QtTimers::Timer::~Timer() {
    notifier.reset();
    close(fd);
}

// Arming, and disarming with zero, also forgets an expiry not yet read: one
// that came before a kill or a restart is never delivered.
void QtTimers::Timer::Arm(unsigned milliseconds) {
    const timespec interval{static_cast<time_t>(milliseconds / 1000U),
                            static_cast<long>(milliseconds % 1000U) * 1000000L};
    const itimerspec schedule{interval, interval};
    timerfd_settime(fd, 0, &schedule, nullptr);
    active = milliseconds != 0;
}

bool QtTimers::Timer::TakeExpiry() {
    std::uint64_t expiries = 0;
    return read(fd, &expiries, sizeof expiries) == static_cast<ssize_t>(sizeof expiries) &&
           expiries > 0;
}

QtTimers::QtTimers() = default;

QtTimers::~QtTimers() = default;

void QtTimers::SetEventSink(ITimerEvents* sink) {
    m_sink = sink;
}

void QtTimers::SetTimer(int id, unsigned milliseconds) {
    TimerFor(id).Arm(std::max(milliseconds, 1U)); // zero would disarm it
}

void QtTimers::KillTimer(int id) {
    const auto found = m_timers.find(id);
    if (found != m_timers.end()) {
        found->second->Arm(0);
    }
}

bool QtTimers::IsActive(int id) const {
    const auto found = m_timers.find(id);
    return found != m_timers.end() && found->second->active;
}

QtTimers::Timer& QtTimers::TimerFor(int id) {
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<Timer>();
        QObject::connect(timer->notifier.get(), &QSocketNotifier::activated,
                         [this, id] { Deliver(id); });
    }
    return *timer;
}

// Several expiries missed while the loop was busy make one call, as with a
// QTimer.
void QtTimers::Deliver(int id) {
    if (m_timers.at(id)->TakeExpiry() && m_sink != nullptr) {
        m_sink->OnTimer(id);
    }
}

} // namespace jostle
