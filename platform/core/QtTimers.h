// Timers by id on the UI thread's event loop.
#pragma once

#include "engine/Interfaces.h"

#include <map>
#include <memory>

class QSocketNotifier;

namespace jostle {

// Each timer is a repeating kernel timer (timerfd) watched by the event loop:
// an expiry wakes the loop once and is handled right there. Unlike a QTimer,
// which Qt holds back while its own timeout runs, it also fires in a nested
// loop run by its own expiry (a message box), behind which the countdown
// must go on.
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
    struct Timer {
        Timer();
        ~Timer();
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

        void Arm(unsigned milliseconds);
        // True when the timer expired since it was last armed or read.
        bool TakeExpiry();

        int fd;
        std::unique_ptr<QSocketNotifier> notifier;
        bool active = false;
    };

    Timer& TimerFor(int id);
    void Deliver(int id);

    ITimerEvents* m_sink = nullptr;
    // A killed timer stays, disarmed: it may be the one whose expiry is being
    // handled right now.
    std::map<int, std::unique_ptr<Timer>> m_timers;
};

} // namespace jostle
