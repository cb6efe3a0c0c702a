// Timers by id on the UI thread's event loop.
#pragma once

#include "engine/Interfaces.h"

#include <map>
#include <memory>

class QTimer;

namespace jostle {

class QtTimers : public ITimers {
public:
    QtTimers();
    ~QtTimers() override;
    QtTimers(const QtTimers&) = delete;
    QtTimers& operator=(const QtTimers&) = delete;

    void SetEventSink(ITimerEvents* sink) override;
    // Starts timer id, or restarts it with the new interval if it runs already.
    void SetTimer(int id, unsigned milliseconds) override;
    void KillTimer(int id) override;
    bool IsActive(int id) const;

private:
    QTimer& TimerFor(int id);
    void Deliver(int id, unsigned generation);

    ITimerEvents* m_sink = nullptr;
    std::map<int, std::unique_ptr<QTimer>> m_timers;
    // Grows at every set and kill of an id, so an expiry queued before
    // either is dropped.
    std::map<int, unsigned> m_generations;
};

} // namespace jostle
