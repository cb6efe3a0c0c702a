// A view wired to fakes, and the few steps most engine tests and the
// benchmark take.
#pragma once

#include "engine/JostleView.h"
#include "tests/support/Fakes.h"

#include <memory>

namespace jostle::test {

inline constexpr const char* kLocalAddress = "127.0.0.9";
inline constexpr int kHostNotFound = 11001;

inline std::uint32_t Address(const std::string& dotted) {
    return ParseDottedAddress(dotted);
}

inline HostEntry Entry(const std::string& officialName, const std::vector<std::string>& dotted) {
    HostEntry entry;
    entry.officialName = officialName;
    for (const std::string& address : dotted) {
        entry.addresses.push_back(Address(address));
    }
    return entry;
}

struct EngineRig : FakePanel {
    // The view as the program builds it: construction, then the initial update.
    CJostleView& Create() {
        view.reset(); // one view at a time owns the event sinks
        view = std::make_unique<CJostleView>(services, controls);
        return *view;
    }
    CJostleView& Initialize() {
        Create().OnInitialUpdate();
        return *view;
    }
    // Panel with options off except the given ones, names stored as given.
    CJostleView& InitializeWith(const std::vector<std::string>& names, int ignore = 1) {
        for (std::size_t index = 0; index < names.size(); ++index) {
            settings.Set(ComboNameValue(static_cast<int>(index)), names[index]);
        }
        settings.Set("Ignore", std::to_string(ignore));
        settings.Set("AutoStart", "0");
        return Initialize();
    }
    void Press(int commandId) { view->OnCommand(commandId); }
    void Start() { Press(ids::IDC_START); }
    void CompleteLocalLookup(const std::string& address = kLocalAddress) {
        network.CompleteLocalLookup(0, Entry("workstation", {address}));
    }
    void CompleteTargetLookup(const std::string& address) {
        network.CompleteTargetLookup(0, Entry("target.example", {address}));
    }
    void Tick(int count = 1) {
        for (int index = 0; index < count; ++index) {
            timers.Fire(ids::TIMER_TICK);
        }
    }
    // Without a network every lookup fails at once, and so do the lookups those
    // failures start: at most `limit` of them, so that an engine that never
    // rests still comes back. Returns how many failed.
    int FailLookups(int limit = 1000) {
        int failed = 0;
        for (; failed < limit && network.TargetLookupOutstanding(); ++failed) {
            network.CompleteTargetLookup(kHostNotFound, HostEntry{});
        }
        return failed;
    }
    // A start whose local address is known and whose target needs no lookup.
    void StartArmed() {
        Start();
        CompleteLocalLookup();
    }
    SocketHandle LastSocket() const {
        return network.sends.empty() ? -1 : network.sends.back().first;
    }
    std::vector<std::string> AlertTexts() const {
        std::vector<std::string> texts;
        for (const auto& shown : alerts.shown) {
            texts.push_back(shown.text);
        }
        return texts;
    }

    RecordingSettings settings;
    FakeNetwork network;
    FakeTimers timers;
    FakeAlerts alerts;
    FakeBusyCursor busyCursor;
    FakeClock clock;
    FakeRandom random;
    FakeFrame frame;
    FakeDialogs dialogs;
    FakeTrayShell trayShell;
    ViewServices services{settings, network, timers, alerts,  busyCursor,
                          clock,    random,  frame,  dialogs, trayShell};

    std::unique_ptr<CJostleView> view;
};

} // namespace jostle::test
