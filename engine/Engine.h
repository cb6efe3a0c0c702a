// The keep-alive engine as a model: the cycle, the schedule, the period check
// and the panel's commands, over private state. Commands and events come in as
// method calls on the UI thread; a read-only snapshot goes out. Everything
// outside is reached through engine/Interfaces.h and tray/TrayShell.h.
#pragma once

#include "engine/Interfaces.h"
#include "engine/SettingsKeys.h"
#include "res/ResourceIds.h"
#include "settings/SettingsStore.h"
#include "tray/TrayNotifyIcon.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace jostle {

// Everything the engine reaches outside itself.
struct EngineServices {
    CSettingsStore& settings;
    INetwork& network;
    ITimers& timers;
    IAlerts& alerts;
    IBusyCursor& busyCursor;
    IClock& clock;
    IRandom& random;
    IFrame& frame;
    IDialogs& dialogs;
    ITrayShell& trayShell;
};

enum class Phase {
    Stopped,       // nothing runs until a start
    OwnAddress,    // looking up the machine's own address
    Resolving,     // looking up the target name
    Armed,         // counting down to the first attempt after a start
    Connecting,    // an attempt is connecting, or telling why it could not
    AwaitingReply, // the request went out; the first reply completes the attempt
    CountingDown,  // between attempts
    Resting,       // every entry of the list failed; the next round waits
};

enum class ProblemKind { Http, Dns, Socket };

struct EngineOptions {
    bool ignoreFailures = false;
    bool randomName = false;
    bool randomTime = false;
    bool autoStart = false;
    bool debug = false; // 15-second periods and shorter random offsets
};

struct Counters {
    int dnsFailures = 0;
    int httpFailures = 0;
    int socketFailures = 0;
    int successes = 0;
};

struct EngineSnapshot {
    Phase phase = Phase::Stopped;
    std::string status;
    // Until the next expiry of the cycle, while it is armed.
    std::optional<std::int64_t> millisecondsToExpiry;
    std::string countdownText;
    Counters counters;
    std::string lastProblem;
    bool problemPending = false; // a failure not yet seen in the statistics
    std::string ownAddress;      // "no address yet" until known
    std::string launchTime;
    std::string targetName;
    std::string periodText;
    EngineOptions options;
    bool trayIconShown = false;
};

// The names editor's OK: writes the entries, clears the stale tail up to the
// first empty value, and stores the selection worked out from selectedName
// (first match ignoring letter case, else 0), all in one batch. Returns it.
int SaveEditedNames(CSettingsStore& settings, const std::vector<std::string>& names,
                    const std::string& selectedName);

class Engine : private INetworkEvents, private ITimerEvents, private ITrayCommands {
public:
    // showsCountdown: something shows the countdown every second (the panel,
    // the tray's tooltip); without it nothing wakes between attempts.
    Engine(const EngineServices& services, const PanelControls& controls, bool showsCountdown);
    ~Engine() override;
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Once the panel's controls exist: tray icon, frame size, period, name
    // list, status "PLEASE START ME", automatic start.
    void Initialize();
    // The program is ending: stops the engine silently.
    void Shutdown();

    // Commands: menu items and panel buttons by id, or by name.
    void OnCommand(int commandId) override;
    void Start(); // the user's start: a new round
    void Restore();
    void ReturnToTray();
    void Exit();
    void EditNames();
    void Options();
    void Statistics();
    void About();
    void Help();

    // Told whenever the cycle settles to wait for its next expiry: armed after
    // a start, counting down after an attempt, resting after a failed round.
    void OnScheduled(std::function<void()> scheduled) { m_scheduled = std::move(scheduled); }

    EngineSnapshot Snapshot() const;
    // The icon in the tray, for the frame that may hide only while it is shown.
    const CTrayNotifyIcon& TrayIcon() const { return m_trayIcon; }

private:
    // Events.
    void OnLocalHostFound(const std::optional<HostEntry>& entry) override;
    void OnTargetHostFound(const std::optional<HostEntry>& entry) override;
    void OnReadable(SocketHandle socket) override;
    void OnClosed(SocketHandle socket) override;
    void OnTimer(TimerId id) override;

    // The keep-alive cycle.
    void OnStart();
    void StopEngine(bool notify);
    void LookupLocalAddress();
    void ResolveTarget();
    void RunTheJob(bool usePending);
    SocketHandle OpenConnection(const std::string& name);
    SocketHandle ConnectSocket(const std::string& name, const std::string& port);
    ConnectResult ConnectToHost(const std::string& host, std::uint16_t port, bool& addressKnown);
    void ReportConnectFailure(const std::string& name, const std::string& port);
    void SendRequest();
    void HandleReadable();
    void RecordProblem(ProblemKind kind, const std::string& name);
    void AdvanceToNextName(bool afterLookupFailure, const std::string& name);
    bool RoundHasFailed(const std::string& failedName);
    void SaveNameList(const std::string& name);
    void TellIfSaveFailed();
    void CloseSocket();
    void TakeLookupResult(const std::optional<HostEntry>& entry);
    std::string TimeStampSuffix();
    void Alert(const std::string& text);
    void SetStatus(const std::string& text);
    void SetBusy();
    bool IsBusy() const;

    // The schedule.
    bool ApplyPeriod();
    void ArmAfterStart();
    void WaitForNextRound();
    void RestartRound();
    void OnTick();
    void OnExpiry();
    void OnTrayGraceOver();
    void ArmDeadline(std::int64_t at);
    void ArmNextWake();
    void CancelSchedule();
    void ChooseNextPeriodLength();
    void AdjustTargetTime();
    void ChooseRandomName();
    void RefreshCountdown();
    int RemainingSeconds() const;
    void Settled(Phase phase);
    std::int64_t Now() const;

    // The panel.
    void ReadOptions();
    void CreateTrayIcon();
    void LoadNameList();

    EngineServices m_services;
    IButton& m_startButton;
    ICombo& m_nameCombo;
    IEdit& m_periodEdit;
    IStatic& m_countdownLabel;
    IStatic& m_countdownText;
    IStatic& m_statusText;
    CTrayNotifyIcon m_trayIcon;
    const bool m_showsCountdown;
    std::function<void()> m_scheduled;

    Phase m_phase = Phase::Stopped;
    EngineOptions m_options;
    Counters m_counters;
    std::string m_lastProblem;
    bool m_problemPending = false;
    std::int64_t m_launchMilliseconds = 0;
    std::string m_launchTimeText;
    bool m_haveLocalAddress = false;
    std::string m_localAddressText = "no address yet";

    SocketHandle m_socket = kNoSocket;
    std::array<char, 1026> m_recvBuffer{};
    std::size_t m_replyBytes = 0; // of the current attempt, read and discarded
    HostEntry m_hostBuffer;       // the last lookup's result, own address or target

    std::optional<std::int64_t> m_deadline; // monotonic time of the next expiry
    int m_periodSeconds = 0;
    int m_targetSeconds = 0; // this period's length, random offset included
    std::string m_periodText;
    std::string m_targetName;
    int m_targetIndex = 0;
    std::string m_pendingName;
    bool m_freshStart = false; // the first expiry after a start keeps its name
    int m_restartEntry = 0;    // where the round after a rest starts
    // Entries of the list that failed since the last success or the user's
    // start, in lower case: once every entry is here, the round has failed.
    std::vector<std::string> m_failedEntries;
};

} // namespace jostle
