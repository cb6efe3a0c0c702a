// An engine wired to fakes, and the few steps most engine tests and the
// benchmark take.
#pragma once

#include "engine/Engine.h"
#include "tests/support/Fakes.h"

#include <memory>

namespace jostle::test {

inline constexpr const char* kLocalAddress = "127.0.0.9";
inline constexpr std::int64_t kSecond = 1000;

inline IpAddress V4(const std::string& dotted) {
    return IpAddress::FromV4(ParseDottedAddress(dotted));
}

inline HostEntry Entry(const std::string& officialName, const std::vector<std::string>& dotted) {
    HostEntry entry;
    entry.officialName = officialName;
    for (const std::string& address : dotted) {
        entry.ipv4Addresses.push_back(V4(address));
    }
    return entry;
}

struct EngineRig : FakePanel {
    // The engine as the program builds it: construction, then Initialize.
    // showsCountdown as the desktop has it unless told otherwise.
    Engine& Create(bool showsCountdown = true) {
        engine.reset(); // one engine at a time owns the event sinks
        engine = std::make_unique<Engine>(services, controls, showsCountdown);
        return *engine;
    }
    Engine& Initialize(bool showsCountdown = true) {
        Create(showsCountdown).Initialize();
        return *engine;
    }
    // Panel with options off except the given ones, names stored as given.
    Engine& InitializeWith(const std::vector<std::string>& names, bool ignore = true,
                           bool showsCountdown = true) {
        for (std::size_t index = 0; index < names.size(); ++index) {
            settings.Set(ComboNameValue(static_cast<int>(index)), names[index]);
        }
        settings.Set("Ignore", ignore ? "1" : "0");
        settings.Set("AutoStart", "0");
        return Initialize(showsCountdown);
    }
    void Press(int commandId) { engine->OnCommand(commandId); }
    void Start() { Press(ids::IDC_START); }
    void CompleteLocalLookup(const std::string& address = kLocalAddress) {
        network.CompleteLocalLookup(Entry("workstation", {address}));
    }
    void CompleteTargetLookup(const std::string& address) {
        network.CompleteTargetLookup(Entry("target.example", {address}));
    }
    void FailTargetLookup() { network.CompleteTargetLookup(std::nullopt); }
    // Time passes: the fake clock moves on, firing the timers due.
    void Tick(int seconds = 1) { timers.Advance(seconds * kSecond); }
    // Without a network every lookup fails at once, and so do the lookups those
    // failures start: at most `limit` of them, so that an engine that never
    // rests still comes back. Returns how many failed.
    int FailLookups(int limit = 1000) {
        int failed = 0;
        for (; failed < limit && network.TargetLookupOutstanding(); ++failed) {
            FailTargetLookup();
        }
        return failed;
    }
    // A start whose local address is known and whose target needs no lookup.
    void StartArmed() {
        Start();
        CompleteLocalLookup();
    }
    SocketHandle LastSocket() const {
        return network.sends.empty() ? kNoSocket : network.sends.back().first;
    }
    void ReplyToLast() { network.Readable(LastSocket()); }
    IpAddress LastAddress() const { return network.connects.back().address; }
    std::vector<std::string> AlertTexts() const {
        std::vector<std::string> texts;
        for (const auto& shown : alerts.shown) {
            texts.push_back(shown.text);
        }
        return texts;
    }
    EngineSnapshot Snapshot() const { return engine->Snapshot(); }
    Counters Count() const { return engine->Snapshot().counters; }
    // The options as the Options dialog's OK leaves them.
    void SetOptions(const std::function<void(OptionsData&)>& change) {
        dialogs.options = change;
        Press(ids::ID_OPTIONS);
        dialogs.options = nullptr;
    }

    RecordingSettings settings;
    FakeNetwork network;
    FakeClock clock;
    FakeTimers timers{clock};
    FakeAlerts alerts;
    FakeBusyCursor busyCursor;
    FakeRandom random;
    FakeFrame frame;
    FakeDialogs dialogs;
    FakeTrayShell trayShell;
    EngineServices services{settings, network, timers, alerts,  busyCursor,
                            clock,    random,  frame,  dialogs, trayShell};

    std::unique_ptr<Engine> engine;
};

} // namespace jostle::test
