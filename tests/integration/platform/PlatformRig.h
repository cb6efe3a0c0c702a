// The engine wired to the real platform (network, timers, clock, random
// numbers, busy cursor) and to recording fakes where a window would be:
// controls, frame, dialogs, message boxes and the tray.
#pragma once

#include "engine/Engine.h"
#include "platform/core/QtTimers.h"
#include "platform/core/SocketNetwork.h"
#include "platform/core/SystemServices.h"
#include "platform/desktop/QtAlerts.h"
#include "tests/support/Fakes.h"

namespace jostle::test {

// The system's clock, which a test may move forward.
class SkippingClock : public SystemClock {
public:
    std::int64_t MonotonicMilliseconds() override {
        return SystemClock::MonotonicMilliseconds() + skipped;
    }
    std::int64_t skipped = 0;
};

// Real timers that a test may also fire at once.
class FireableTimers : public QtTimers {
public:
    void SetEventSink(ITimerEvents* sink) override {
        m_sink = sink;
        QtTimers::SetEventSink(sink);
    }
    void FireNow(TimerId id) {
        if (m_sink != nullptr) {
            m_sink->OnTimer(id);
        }
    }

private:
    ITimerEvents* m_sink = nullptr;
};

struct PlatformRig : FakePanel {
    explicit PlatformRig(CSettingsStore& settings)
        : services{settings, network, timers, alerts,  busyCursor,
                   clock,    random,  frame,  dialogs, trayShell} {}

    // The engine's initial update, then "Start or Apply Changes".
    Engine& Start() {
        engine = std::make_unique<Engine>(services, controls, false);
        engine->Initialize();
        engine->OnCommand(ids::IDC_START);
        return *engine;
    }
    // The period ends now instead of when it would.
    void EndPeriod() {
        clock.skipped += engine->Snapshot().millisecondsToExpiry.value_or(0);
        timers.FireNow(TimerId::Deadline);
    }
    int Successes() const { return engine->Snapshot().counters.successes; }
    ~PlatformRig() {
        if (engine) {
            engine->Shutdown();
        }
    }
    PlatformRig(const PlatformRig&) = delete;
    PlatformRig& operator=(const PlatformRig&) = delete;

    SocketNetwork network;
    FireableTimers timers;
    FakeAlerts alerts;
    QtBusyCursor busyCursor;
    SkippingClock clock;
    StdRandom random;
    FakeFrame frame;
    FakeDialogs dialogs;
    FakeTrayShell trayShell;
    EngineServices services;
    std::unique_ptr<Engine> engine;
};

} // namespace jostle::test
