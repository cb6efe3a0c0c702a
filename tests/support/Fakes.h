// Fakes of everything the engine reaches outside itself. Each records what the
// engine asked of it, so tests can check what a user would see, and lets the
// test deliver the events (timer ticks, lookup completions, socket events).
#pragma once

#include "engine/EngineText.h"
#include "engine/Interfaces.h"
#include "engine/PanelModel.h"
#include "settings/SettingsStore.h"
#include "tray/TrayShell.h"

#include <deque>
#include <functional>
#include <map>
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
        std::uint32_t address;
        std::uint16_t port;
    };

    void SetEventSink(INetworkEvents* sink) override { m_sink = sink; }
    std::string HostName() override { return hostName; }
    void LookupLocalHost(const std::string& name) override { localLookups.push_back(name); }
    void LookupTarget(const std::string& name) override {
        ++m_targetLookupsStarted;
        targetLookups.push_back(name);
    }
    ConnectResult Connect(std::uint32_t address, std::uint16_t port) override {
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
    bool Select(SocketHandle socket) override {
        selected.push_back(socket);
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

    // Events the test delivers.
    void CompleteLocalLookup(int error, const HostEntry& entry) {
        m_sink->OnLocalHostFound(error, entry);
    }
    void CompleteTargetLookup(int error, const HostEntry& entry) {
        ++m_targetLookupsCompleted;
        m_sink->OnTargetHostFound(error, entry);
    }
    bool TargetLookupOutstanding() const {
        return m_targetLookupsStarted > m_targetLookupsCompleted;
    }
    void Deliver(SocketHandle socket, int event) { m_sink->OnSocketEvent(socket, event); }
    INetworkEvents* Sink() const { return m_sink; }

    std::string hostName = "workstation";
    std::string reply = "HTTP/1.0 200 OK\r\n\r\n";
    std::deque<ConnectStatus> connectOutcomes; // then Connected, or ConnectFailed when:
    bool connectsFail = false;
    std::function<void()> whileConnecting; // runs once, inside the next connect
    std::vector<std::string> localLookups;
    std::vector<std::string> targetLookups;
    std::vector<ConnectCall> connects;
    std::vector<SocketHandle> selected;
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

class FakeTimers : public ITimers {
public:
    void SetEventSink(ITimerEvents* sink) override { m_sink = sink; }
    void SetTimer(int id, unsigned milliseconds) override {
        active[id] = milliseconds;
        ++started[id];
    }
    void KillTimer(int id) override {
        active.erase(id);
        ++killed[id];
    }
    // The timer expires, if it runs.
    void Fire(int id) {
        if (active.count(id) != 0) {
            m_sink->OnTimer(id);
        }
    }
    bool IsActive(int id) const { return active.count(id) != 0; }

    std::map<int, unsigned> active;
    std::map<int, int> started;
    std::map<int, int> killed;

private:
    ITimerEvents* m_sink = nullptr;
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

class FakeClock : public IClock {
public:
    std::string LocalTimeText() override { return timeText; }
    std::uint32_t TickCount() override { return tick; }
    std::int64_t Seconds() override { return seconds; }
    std::string timeText = "08:00:00";
    std::uint32_t tick = 5000;
    std::int64_t seconds = 1700000000;
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

class FakeTrayShell : public ITrayShell {
public:
    enum class Request { Add, Modify, Delete };
    struct Record {
        Request request;
        NotifyIconData data;
        std::string Tip() const { return data.szTip; }
    };
    bool Add(const NotifyIconData& data) override { return Keep(Request::Add, data); }
    bool Modify(const NotifyIconData& data) override { return Keep(Request::Modify, data); }
    bool Delete(const NotifyIconData& data) override { return Keep(Request::Delete, data); }
    void TrackPopupMenu(const menus::Popup& popup, int defaultPosition) override {
        popups.push_back({popup.title, defaultPosition});
    }
    void SendCommand(int commandId) override { commandsSent.push_back(commandId); }

    // The icon and the tooltip the shell shows now.
    int Icon() const { return m_shown.hIcon; }
    std::string Tip() const { return m_shown.szTip; }

    bool accept = true;
    std::vector<Record> records;
    std::vector<std::pair<std::string, int>> popups;
    std::vector<int> commandsSent;

private:
    bool Keep(Request request, const NotifyIconData& data) {
        records.push_back({request, data});
        if (accept && request != Request::Delete) {
            m_shown = data;
        }
        return accept;
    }
    NotifyIconData m_shown;
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

    std::map<std::string, std::string> values;
    std::vector<std::string> writes; // "name=value", "[" and "]" for batch bounds

protected:
    void BeginBatch() override { writes.emplace_back("["); }
    bool EndBatch() override {
        writes.emplace_back("]");
        return true;
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
