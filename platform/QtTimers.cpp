#include "platform/QtTimers.h"

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
    TimerFor(id).start(static_cast<int>(interval));
}

// A killed timer stays in the map, stopped: it may be the one whose expiry is
// being handled right now.
void QtTimers::KillTimer(int id) {
    const auto found = m_timers.find(id);
    if (found != m_timers.end()) {
        found->second->stop();
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
        QObject::connect(timer.get(), &QTimer::timeout, timer.get(), [this, id] {
            if (m_sink != nullptr) {
                m_sink->OnTimer(id);
            }
        });
    }
    return *timer;
}

} // namespace jostle
