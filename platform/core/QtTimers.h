// Timers by id on the UI thread's event loop.
#pragma once

#include "engine/Interfaces.h"

#include <map>
#include <memory>
#include <optional>

class QSocketNotifier;

namespace jostle {

// Each timer is a one-shot kernel timer (timerfd, on the clock that counts
// suspended time too, as SystemClock does) watched by the event loop: an
// expiry wakes the loop once and is handled right there. Unlike a QTimer,
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
    void Arm(TimerId id, std::chrono::milliseconds delay) override;
    void Cancel(TimerId id) override;

private:
    struct Timer {
        Timer();
        ~Timer();
        Timer(const Timer&) = delete;
        Timer& operator=(const Timer&) = delete;

        // Disarmed without a delay.
        void Arm(std::optional<std::chrono::milliseconds> delay);
        // True when the timer expired since it was last armed or read.
        bool TakeExpiry();

        int fd;
        std::unique_ptr<QSocketNotifier> notifier;
    };

    Timer& TimerFor(TimerId id);
    void Deliver(TimerId id);

    ITimerEvents* m_sink = nullptr;
    // A cancelled timer stays, disarmed: it may be the one whose expiry is being
    // handled right now.
    std::map<TimerId, std::unique_ptr<Timer>> m_timers;
};

} // namespace jostle
