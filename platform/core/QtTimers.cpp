#include "platform/core/QtTimers.h"

#include <QSocketNotifier>
#include <QtGlobal>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sys/timerfd.h>
#include <unistd.h>

namespace jostle {

QtTimers::Timer::Timer() : fd(timerfd_create(CLOCK_BOOTTIME, TFD_NONBLOCK | TFD_CLOEXEC)) {
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

// Arming, and disarming, also forgets an expiry not yet read: one that came
// before a cancel or a re-arm is never delivered.
void QtTimers::Timer::Arm(std::optional<std::chrono::milliseconds> delay) {
    timespec expiry{};
    if (delay) {
        const auto milliseconds = std::max<std::int64_t>(delay->count(), 0);
        expiry = {static_cast<time_t>(milliseconds / 1000),
                  std::max(static_cast<long>(milliseconds % 1000) * 1000000L, 1L)};
    }
    const itimerspec schedule{{}, expiry}; // once; a zero expiry would disarm it
    timerfd_settime(fd, 0, &schedule, nullptr);
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

void QtTimers::Arm(TimerId id, std::chrono::milliseconds delay) {
    TimerFor(id).Arm(delay);
}

void QtTimers::Cancel(TimerId id) {
    const auto found = m_timers.find(id);
    if (found != m_timers.end()) {
        found->second->Arm(std::nullopt);
    }
}

QtTimers::Timer& QtTimers::TimerFor(TimerId id) {
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<Timer>();
        QObject::connect(timer->notifier.get(), &QSocketNotifier::activated,
                         [this, id] { Deliver(id); });
    }
    return *timer;
}

void QtTimers::Deliver(TimerId id) {
    if (m_timers.at(id)->TakeExpiry() && m_sink != nullptr) {
        m_sink->OnTimer(id);
    }
}

} // namespace jostle
