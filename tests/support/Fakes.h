// Fakes of everything the engine reaches outside itself. Each records what the
// engine asked of it, so tests can check what a user would see, and lets the
// test deliver the events (time passing, lookup completions, socket events,
// what the user does with the tray icon).
#pragma once

#include "engine/EngineText.h"
#include "engine/Interfaces.h"
#include "engine/PanelModel.h"
#include "settings/SettingsStore.h"
#include "tray/TrayShell.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace jostle::test {

// The panel's models, with every text the status line and the countdown
// showed kept in order.
struct FakePanel : PanelModel {
    FakePanel() {
        KeepHistory(statusText, statusHistory);
        KeepHistory(countdownText, countdownHistory);
    }
    FakePanel(const FakePanel&) = delete;
    FakePanel& operator=(const FakePanel&) = delete;

    std::vector<std::string> statusHistory;
    std::vector<std::string> countdownHistory;
    PanelControls controls = Controls();

private:
    static void KeepHistory(StaticModel& text, std::vector<std::string>& history) {
        text.Observe([&text, &history] {
            if (history.empty() || history.back() != text.Text()) {
                history.push_back(text.Text());
            }
        });
    }
};

class FakeNetwork : public INetwork {
public:
    struct ConnectCall {
        IpAddress address;
        std::uint16_t port;
    };

    void SetEventSink(INetworkEvents* sink) override { m_sink = sink; }
    std::string HostName() override { return hostName; }
    void LookupLocalHost(const std::string& name) override { localLookups.push_back(name); }
    void LookupTarget(const std::string& name) override {
        ++m_targetLookupsStarted;
        targetLookups.push_back(name);
    }
    ConnectResult Connect(const IpAddress& address, std::uint16_t port) override {
        connects.push_back({address, port});
        if (whileConnecting) {
            auto callback = std::move(whileConnecting);
            whileConnecting = nullptr;
            callback(); // a platform whose connect runs a nested event loop
        }
        ConnectStatus status =
            connectsFail ? ConnectStatus::ConnectFailed : ConnectStatus::Connected;
        if (!connectOutcomes.empty()) {
            status = connectOutcomes.front();
            connectOutcomes.pop_front();
        }
        if (status != ConnectStatus::Connected) {
            return {status, kNoSocket};
        }
        const SocketHandle socket = m_nextSocket++;
        open.insert(socket);
        return {status, socket};
    }
    bool Watch(SocketHandle socket) override {
        watched.push_back(socket);
        return true;
    }
    long Send(SocketHandle socket, const char* data, std::size_t length) override {
        sends.push_back({socket, std::string(data, length)});
        return sendsFail ? -1 : static_cast<long>(length);
    }
    long Receive(SocketHandle socket, char* buffer, std::size_t maxLength) override {
        receives.push_back({socket, maxLength});
        const std::size_t count = std::min(maxLength, reply.size());
        std::copy_n(reply.data(), count, buffer);
        return static_cast<long>(count);
    }
    void Close(SocketHandle socket) override {
        closes.push_back(socket);
        open.erase(socket);
    }

    // Events the test delivers; a lookup reported as nothing has failed.
    void CompleteLocalLookup(const std::optional<HostEntry>& entry) {
        m_sink->OnLocalHostFound(entry);
    }
    void CompleteTargetLookup(const std::optional<HostEntry>& entry) {
        ++m_targetLookupsCompleted;
        m_sink->OnTargetHostFound(entry);
    }
    bool TargetLookupOutstanding() const {
        return m_targetLookupsStarted > m_targetLookupsCompleted;
    }
    void Readable(SocketHandle socket) { m_sink->OnReadable(socket); }
    void Closed(SocketHandle socket) { m_sink->OnClosed(socket); }
    INetworkEvents* Sink() const { return m_sink; }

    std::string hostName = "workstation";
    std::string reply = "HTTP/1.0 200 OK\r\n\r\n";
    std::deque<ConnectStatus> connectOutcomes; // then Connected, or ConnectFailed when:
    bool connectsFail = false;
    std::function<void()> whileConnecting; // runs once, inside the next connect
    std::vector<std::string> localLookups;
    std::vector<std::string> targetLookups;
    std::vector<ConnectCall> connects;
    std::vector<SocketHandle> watched;
    std::vector<std::pair<SocketHandle, std::string>> sends;
    bool sendsFail = false;
    std::vector<std::pair<SocketHandle, std::size_t>> receives;
    std::vector<SocketHandle> closes;
    std::set<SocketHandle> open;

private:
    INetworkEvents* m_sink = nullptr;
    SocketHandle m_nextSocket = 3;
    std::size_t m_targetLookupsStarted = 0;
    std::size_t m_targetLookupsCompleted = 0;
};

class FakeClock : public IClock {
public:
    std::string LocalTimeText() override { return timeText; }
    std::int64_t MonotonicMilliseconds() override { return monotonic; }
    std::int64_t Seconds() override { return seconds; }
    std::string timeText = "08:00:00";
    std::int64_t monotonic = 5000; // settable; FakeTimers moves it on
    std::int64_t seconds = 1700000000;
};

// One-shot timers due on the fake clock's monotonic time. Nothing fires until
// the test advances the clock.
class FakeTimers : public ITimers {
public:
    explicit FakeTimers(FakeClock& clock) : m_clock(clock) {}

    void SetEventSink(ITimerEvents* sink) override { m_sink = sink; }
    void Arm(TimerId id, std::chrono::milliseconds delay) override {
        m_due[id] = {m_clock.monotonic + delay.count(), m_armings++};
    }
    void Cancel(TimerId id) override { m_due.erase(id); }

    // Moves the clock on, firing every timer that falls due on the way at its
    // due time, earliest first (ties in the order armed), those armed by a
    // firing included. A firing may advance the clock itself, as a nested
    // event loop does; the clock never goes back.
    void Advance(std::int64_t milliseconds) {
        const std::int64_t end = m_clock.monotonic + milliseconds;
        for (auto next = NextDue(end); next != m_due.end(); next = NextDue(end)) {
            const TimerId id = next->first;
            m_clock.monotonic = std::max(m_clock.monotonic, next->second.at);
            m_due.erase(next);
            ++wakes;
            m_sink->OnTimer(id);
        }
        m_clock.monotonic = std::max(m_clock.monotonic, end);
    }
    bool IsArmed(TimerId id) const { return m_due.count(id) != 0; }
    // Milliseconds from now until the timer fires.
    std::int64_t DueIn(TimerId id) const { return m_due.at(id).at - m_clock.monotonic; }

    int wakes = 0; // timers fired

private:
    struct Due {
        std::int64_t at;
        std::uint64_t armed; // breaks ties
    };
    std::map<TimerId, Due>::iterator NextDue(std::int64_t end) {
        auto next = m_due.end();
        for (auto due = m_due.begin(); due != m_due.end(); ++due) {
            const bool earlier =
                next == m_due.end() || due->second.at < next->second.at ||
                (due->second.at == next->second.at && due->second.armed < next->second.armed);
            if (due->second.at <= end && earlier) {
                next = due;
            }
        }
        return next;
    }

    FakeClock& m_clock;
    ITimerEvents* m_sink = nullptr;
    std::map<TimerId, Due> m_due;
    std::uint64_t m_armings = 0;
};

class FakeAlerts : public IAlerts {
public:
    struct Shown {
        std::string text;
        AlertIcon icon;
    };
    void MessageBox(const std::string& text, AlertIcon icon) override {
        shown.push_back({text, icon});
        if (whileOpen) {
            auto callback = std::move(whileOpen);
            whileOpen = nullptr;
            callback(); // events handled by the box's own message loop
        }
    }
    std::vector<Shown> shown;
    std::function<void()> whileOpen; // runs once, inside the next box
};

class FakeBusyCursor : public IBusyCursor {
public:
    void Show() override { ++shows; }
    void Hide() override { ++hides; }
    int shows = 0;
    int hides = 0;
};

// Hands out scripted numbers first, then a simple fixed sequence.
class FakeRandom : public IRandom {
public:
    void Seed(unsigned seed) override { seeds.push_back(seed); }
    int Next() override {
        ++draws;
        if (!script.empty()) {
            const int next = script.front();
            script.pop_front();
            return next;
        }
        m_state = m_state * 1103515245U + 12345U;
        return static_cast<int>((m_state >> 16) & 0x7fff);
    }
    std::deque<int> script;
    std::vector<unsigned> seeds;
    int draws = 0;

private:
    unsigned m_state = 1;
};

class FakeFrame : public IFrame {
public:
    FrameSize FitToPanel() override {
        ++fits;
        return size;
    }
    void ShowAndActivate() override { ++shows; }
    void Hide() override { ++hides; }
    void Close() override { ++closes; }
    FrameSize size{300, 250};
    int fits = 0;
    int shows = 0;
    int hides = 0;
    int closes = 0;
};

class FakeDialogs : public IDialogs {
public:
    bool RunEditNames(EditNamesData& data) override {
        editNamesSeen.push_back(data);
        if (editNames) {
            editNames(data);
        }
        return accept;
    }
    bool RunOptions(OptionsData& data) override {
        optionsSeen.push_back(data);
        if (options) {
            options(data);
        }
        return accept;
    }
    void RunStatistics(const StatisticsData& data) override {
        statisticsSeen.push_back(data);
        RunWhileOpen();
    }
    void RunAbout(const AboutData& data) override {
        aboutSeen.push_back(data);
        RunWhileOpen();
    }
    void ShowHelp() override { ++helps; }

    bool accept = true;              // OK, or Cancel when false
    std::function<void()> whileOpen; // statistics and about: runs while open
    std::function<void(EditNamesData&)> editNames;
    std::function<void(OptionsData&)> options;
    std::vector<EditNamesData> editNamesSeen;
    std::vector<OptionsData> optionsSeen;
    std::vector<StatisticsData> statisticsSeen;
    std::vector<AboutData> aboutSeen;
    int helps = 0;

private:
    void RunWhileOpen() {
        if (whileOpen) {
            whileOpen();
        }
    }
};

// A tray that records every request and the look it shows. It can refuse
// ShowIcon, as a desktop without a tray does, and later report one appearing.
class FakeTrayShell : public ITrayShell {
public:
    enum class Request { Show, Update, Remove };
    struct Record {
        Request request;
        TrayIconLook look; // empty for Remove
        std::string Tip() const { return look.tooltip; }
    };
    void SetEventSink(ITrayEvents* sink) override { m_sink = sink; }
    bool ShowIcon(const TrayIconLook& look, const menus::Popup& menu, int defaultItem) override {
        records.push_back({Request::Show, look});
        menusShown.push_back({menu.title, defaultItem});
        m_shown = accept;
        if (accept) {
            m_look = look;
        }
        return accept;
    }
    void UpdateIcon(const TrayIconLook& look) override {
        records.push_back({Request::Update, look});
        m_look = look;
    }
    void RemoveIcon() override {
        records.push_back({Request::Remove, {}});
        m_shown = false;
    }
    void PopUpMenu(const menus::Popup& menu, int defaultItem) override {
        popups.push_back({menu.title, defaultItem});
    }

    // What the user does with the icon, and a tray that comes.
    void RightClick() { m_sink->OnTrayContextMenu(); }
    void DoubleClick() { m_sink->OnTrayActivated(); }
    void Choose(int commandId) { m_sink->OnTrayMenuCommand(commandId); }
    void Appear() {
        accept = true;
        m_sink->OnTrayAppeared();
    }

    // The icon and the tooltip the tray shows now.
    bool Shown() const { return m_shown; }
    int Icon() const { return m_look.icon; }
    std::string Tip() const { return m_look.tooltip; }
    ITrayEvents* Sink() const { return m_sink; }

    bool accept = true;
    std::vector<Record> records;
    std::vector<std::pair<std::string, int>> menusShown; // title, default item
    std::vector<std::pair<std::string, int>> popups;

private:
    ITrayEvents* m_sink = nullptr;
    TrayIconLook m_look;
    bool m_shown = false;
};

// Keeps values in a map and records every write and batch boundary in order.
class RecordingSettings : public CSettingsStore {
public:
    RecordingSettings() : CSettingsStore("/nonexistent/jostle-test/settings.reg") {}

    int ReadInt(const std::string& section, const std::string& name, int defaultValue) override {
        const auto found = values.find(Key(section, name));
        return found == values.end() ? defaultValue : std::stoi(found->second);
    }
    bool WriteInt(const std::string& section, const std::string& name, int value) override {
        return WriteString(section, name, std::to_string(value));
    }
    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& defaultValue) override {
        const auto found = values.find(Key(section, name));
        return found == values.end() ? defaultValue : found->second;
    }
    bool WriteString(const std::string& section, const std::string& name,
                     const std::string& value) override {
        values[Key(section, name)] = value;
        writes.push_back(name + "=" + value);
        return true;
    }
    void Set(const std::string& name, const std::string& value) {
        values[Key("Settings", name)] = value;
    }
    std::string Get(const std::string& name) const {
        const auto found = values.find(Key("Settings", name));
        return found == values.end() ? "<missing>" : found->second;
    }

    const std::string& LastSaveFailure() const override { return saveFailure; }

    std::map<std::string, std::string> values;
    std::string saveFailure;         // set by a test: every batch then fails for this reason
    std::vector<std::string> writes; // "name=value", "[" and "]" for batch bounds

protected:
    void BeginBatch() override { writes.emplace_back("["); }
    bool EndBatch() override {
        writes.emplace_back("]");
        return saveFailure.empty();
    }

private:
    static std::string Key(const std::string& section, const std::string& name) {
        std::string key = section + "\\" + name;
        for (char& character : key) {
            character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
        }
        return key;
    }
};

} // namespace jostle::test
