// The control panel's view and the keep-alive engine it holds: the engine
// record, the keep-alive cycle, the scheduler, the period check and the
// panel's commands. Plain C++: everything outside is reached through the
// interfaces of engine/Interfaces.h and tray/TrayShell.h.
#pragma once

#include "engine/EngineText.h"
#include "engine/Interfaces.h"
#include "engine/SettingsKeys.h"
#include "res/ResourceIds.h"
#include "settings/SettingsStore.h"
#include "tray/TrayNotifyIcon.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace jostle {

// Problem kinds.
inline constexpr int PROBLEM_HTTP = 0;   // connect failed
inline constexpr int PROBLEM_DNS = 1;    // target lookup failed
inline constexpr int PROBLEM_SOCKET = 2; // connection set-up failed

// Everything the view reaches outside itself.
struct ViewServices {
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

// The names editor's OK: writes the entries, clears the stale tail up to the
// first empty value, and stores the selection worked out from selectedName
// (first match ignoring letter case, else 0), all in one batch. Returns it.
int SaveEditedNames(CSettingsStore& settings, const std::vector<std::string>& names,
                    const std::string& selectedName);

class CJostleView : public INetworkEvents, public ITimerEvents, public INotifyWindow {
public:
    // Seeds the random numbers, reads the five options, takes the launch time.
    // Registers itself as the network's and the timers' event sink.
    CJostleView(const ViewServices& services, const PanelControls& controls);
    ~CJostleView() override;
    CJostleView(const CJostleView&) = delete;
    CJostleView& operator=(const CJostleView&) = delete;

    // Once the panel's controls exist: tray icon, frame size, period, name
    // list, status "PLEASE START ME", auto-start timer.
    void OnInitialUpdate();
    // The window is going away: stops the engine silently.
    void OnDestroy();

    // Commands 1003, 1005, 1008, 32771 to 32775, 57664 and 57667.
    void OnCommand(int commandId) override;
    // The tray icon's callback: handed to the icon.
    int OnTrayNotify(unsigned id, unsigned mouseMessage) override;
    // Timers 101 (the one-second tick) and 103 (auto-start).
    void OnTimer(int id) override;
    void OnLocalHostFound(int error, const HostEntry& entry) override;
    void OnTargetHostFound(int error, const HostEntry& entry) override;
    void OnSocketEvent(SocketHandle socket, int event) override;

    // Keep-alive cycle.
    void OnStart();
    void StopEngine(bool notify);
    void LookupLocalAddress();
    void ResolveTarget();
    void RunTheJob(bool usePending);
    SocketHandle OpenConnection(const std::string& name);
    SocketHandle ConnectSocket(const std::string& name, const std::string& port);
    void SendRequest();
    void RecordProblem(int kind, const std::string& name);
    void AdvanceToNextName(bool afterLookupFailure, const std::string& name);
    std::string TimeStampSuffix();

    // Period check and scheduler. ApplyPeriod tells whether it armed the countdown.
    bool ApplyPeriod();
    void AdjustTargetTime();
    void WaitForNextRound();

    // Panel.
    void LoadNameList();
    void OnRestore();
    void OnReturnToTray();
    void OnExit();
    void OnShutdown();

    // Dialog commands.
    void OnEditNames();
    void OnOptions();
    void OnStatistics();
    void OnAbout();
    void OnHelpFinder();

    // --- The engine record --------------------------------------------------
    CTrayNotifyIcon m_trayIcon;
    int m_hIconActive = ids::IDI_ACTIVE;
    int m_hIconStopped = ids::IDI_STOPPED;
    IButton& m_startButton;
    ICombo& m_nameCombo;
    IEdit& m_periodEdit;
    IStatic& m_countdownLabel;
    IStatic& m_countdownText;
    IStatic& m_statusText;
    std::uint32_t m_launchTick = 0;
    std::string m_launchTimeText;
    int m_haveLocalAddress = 0;
    SocketHandle m_socket = kNoSocket;
    std::string m_localAddressText = "no address yet";
    int m_windowWidth = 0;
    int m_windowHeight = 0;
    int m_initialUpdateDone = 0;
    int m_bWaiting = 0;
    std::array<char, 1026> m_recvBuffer{};
    std::size_t m_replyBytes = 0; // of the current attempt, read and discarded
    int m_secondsElapsed = 0;
    int m_periodSeconds = 0;
    int m_targetSeconds = 0;
    std::string m_periodText;
    std::string m_targetName;
    int m_targetIndex = 0;
    std::string m_pendingName;
    int m_usePendingName = 0;
    int m_busy = 0;
    int m_timer101Active = 0;
    int m_timer103Active = 0;
    int m_freshStart = 0;
    // Failures in a row that moved on to the next name, since the last success
    // or the user's start; when they reach the number of entries, the round
    // has failed and the next one waits for the period.
    int m_roundFailures = 0;
    int m_retryRound = 0; // the countdown's expiry starts the next round
    int m_ignoreFailures = setting::kIgnoreFailures.fallback;
    int m_randomName = setting::kRandomName.fallback;
    int m_randomTime = setting::kRandomTime.fallback;
    int m_autoStart = setting::kAutoStart.fallback;
    int m_debug = setting::kDebug.fallback;
    int m_dnsFailures = 0;
    int m_httpFailures = 0;
    int m_socketFailures = 0;
    int m_successCount = 0;
    int m_problemPending = 0;
    std::string m_lastProblem;
    HostEntry m_hostBuffer; // result of the last host lookup, local or target

private:
    void OnTick();
    void OnAutoStartTimer();
    void ChooseNextPeriodLength();
    void ChooseRandomName();
    void RefreshCountdown();
    void ReadOptions();
    void CreateTrayIcon();
    void SaveNameList(const std::string& name);
    void CloseSocket();
    void TakeLookupResult(int error, const HostEntry& entry);
    void HandleReadable();
    void ReportConnectFailure(const std::string& name, const std::string& port);
    void Alert(const std::string& text);
    void SetStatus(const std::string& text);
    void SetBusy();

    ViewServices m_services;
};

} // namespace jostle
