#include "platform/core/QtTimers.h"

#include <QTimer>
#include <algorithm>
#include <limits>

namespace jostle {

QtTimers::QtTimers() = default;

QtTimers::~QtTimers() = default;

void QtTimers::SetEventSink(ITimerEvents* sink) {
    m_sink = sink;
}

void QtTimers::SetTimer(int id, unsigned milliseconds) {
    const unsigned interval =
        std::min(milliseconds, static_cast<unsigned>(std::numeric_limits<int>::max()));
    ++m_generations[id];
    TimerFor(id).start(static_cast<int>(interval));
}

// A killed timer stays in the map, stopped: it may be the one whose expiry is
// being handled right now.
void QtTimers::KillTimer(int id) {
    const auto found = m_timers.find(id);
    if (found != m_timers.end()) {
        found->second->stop();
        ++m_generations[id];
    }
}

bool QtTimers::IsActive(int id) const {
    const auto found = m_timers.find(id);
    return found != m_timers.end() && found->second->isActive();
}

QTimer& QtTimers::TimerFor(int id) {
    auto& timer = m_timers[id];
    if (!timer) {
        timer = std::make_unique<QTimer>();
        timer->setTimerType(Qt::PreciseTimer);
        // Qt does not fire a timer again while its own timeout is being
        // handled, but an expiry's handler may run a nested loop (a message
        // box) behind which the countdown must go on: so the expiry is only
        // queued here and handled once the timeout has returned.
        QTimer* raw = timer.get();
        QObject::connect(raw, &QTimer::timeout, raw, [this, raw, id] {
            const unsigned generation = m_generations[id];
            QMetaObject::invokeMethod(
                raw, [this, id, generation] { Deliver(id, generation); }, Qt::QueuedConnection);
        });
    }
    return *timer;
}

void QtTimers::Deliver(int id, unsigned generation) {
    if (m_sink != nullptr && m_generations[id] == generation) {
        m_sink->OnTimer(id);
    }
}

} // namespace jostle
