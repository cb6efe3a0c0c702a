// The engine's view wired to the real platform (network, timers, clock,
// random numbers, busy cursor) and to recording fakes where a window would be:
// controls, frame, dialogs, message boxes and the tray.
#pragma once

#include "engine/JostleView.h"
#include "platform/core/QtTimers.h"
#include "platform/core/SocketNetwork.h"
#include "platform/core/SystemServices.h"
#include "platform/desktop/QtAlerts.h"
#include "tests/support/Fakes.h"

namespace jostle::test {

struct PlatformRig : FakePanel {
    explicit PlatformRig(CSettingsStore& settings)
        : services{settings, network, timers, alerts,  busyCursor,
                   clock,    random,  frame,  dialogs, trayShell} {}

    // The view's initial update, then "Start or Apply Changes".
    CJostleView& Start() {
        view = std::make_unique<CJostleView>(services, controls);
        view->OnInitialUpdate();
        view->OnCommand(ids::IDC_START);
        return *view;
    }
    ~PlatformRig() {
        if (view) {
            view->OnDestroy();
        }
    }
    PlatformRig(const PlatformRig&) = delete;
    PlatformRig& operator=(const PlatformRig&) = delete;

    SocketNetwork network;
    QtTimers timers;
    FakeAlerts alerts;
    QtBusyCursor busyCursor;
    SystemClock clock;
    StdRandom random;
    FakeFrame frame;
    FakeDialogs dialogs;
    FakeTrayShell trayShell;
    ViewServices services;
    std::unique_ptr<CJostleView> view;
};

} // namespace jostle::test
