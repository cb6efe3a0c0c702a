// The engine's life: construction, the initial update, the name list, the
// panel's own commands and the snapshot.
#include "engine/Engine.h"

#include "engine/EngineText.h"
#include "res/ResourceIds.h"

#include <algorithm>
#include <string>

namespace jostle {

namespace {

constexpr std::chrono::milliseconds kAutoStartDelay{1000};
// A desktop's panel often comes up a little after the programs it starts.
constexpr std::chrono::milliseconds kTrayGracePeriod{5000};

} // namespace

Engine::Engine(const EngineServices& services, const PanelControls& controls, bool showsCountdown)
    : m_services(services), m_startButton(controls.startButton), m_nameCombo(controls.nameCombo),
      m_periodEdit(controls.periodEdit), m_countdownLabel(controls.countdownLabel),
      m_countdownText(controls.countdownText), m_statusText(controls.statusText),
      m_trayIcon(services.trayShell), m_showsCountdown(showsCountdown) {
    m_services.random.Seed(static_cast<unsigned>(m_services.clock.Seconds()));
    ReadOptions();
    m_launchTimeText = m_services.clock.LocalTimeText();
    m_launchMilliseconds = Now();
    m_services.network.SetEventSink(this);
    m_services.timers.SetEventSink(this);
}

Engine::~Engine() {
    m_services.network.SetEventSink(nullptr);
    m_services.timers.SetEventSink(nullptr);
}

void Engine::ReadOptions() {
    CSettingsStore& settings = m_services.settings;
    m_options.ignoreFailures = ReadSetting(settings, setting::kIgnoreFailures) != 0;
    m_options.randomName = ReadSetting(settings, setting::kRandomName) != 0;
    m_options.randomTime = ReadSetting(settings, setting::kRandomTime) != 0;
    m_options.autoStart = ReadSetting(settings, setting::kAutoStart) != 0;
    m_options.debug = ReadSetting(settings, setting::kDebug) != 0;
}

void Engine::Initialize() {
    CreateTrayIcon();
    m_services.frame.FitToPanel(); // the frame keeps that size from then on
    m_startButton.Enable(true);
    m_periodText = ReadSetting(m_services.settings, setting::kPeriod);
    m_periodEdit.SetText(m_periodText);
    LoadNameList();
    SetStatus("PLEASE START ME");
    // Provisional values only: ApplyPeriod sets them again before the first expiry.
    m_periodSeconds = ProvisionalPeriodSeconds(m_periodText);
    m_targetSeconds = m_periodSeconds;
    if (m_options.autoStart) {
        m_services.timers.Arm(TimerId::AutoStart, kAutoStartDelay);
    }
}

// Without a tray the panel is the only way in; a tray that comes within the
// grace period takes the icon as if it had been there.
void Engine::CreateTrayIcon() {
    if (!m_trayIcon.Create(*this, "Jostle", ids::IDI_ACTIVE)) {
        m_services.timers.Arm(TimerId::TrayGrace, kTrayGracePeriod);
    }
    if (!m_options.autoStart) {
        m_trayIcon.SetIcon(ids::IDI_STOPPED); // kept for a tray that comes later
    }
}

void Engine::OnTrayGraceOver() {
    if (m_trayIcon.IsShown()) {
        return;
    }
    m_services.alerts.MessageBox("Failed to create tray icon", AlertIcon::Stop);
    m_services.frame.ShowAndActivate();
}

void Engine::Shutdown() {
    m_services.timers.Cancel(TimerId::TrayGrace);
    StopEngine(false);
}

void Engine::LoadNameList() {
    m_nameCombo.Clear();
    for (int index = 0;; ++index) {
        const std::string name = ReadNameEntry(m_services.settings, index);
        if (name.empty()) {
            break;
        }
        m_nameCombo.Append(name);
    }
    if (m_nameCombo.Count() == 0) {
        for (const char* name : kDefaultTargetList) {
            m_nameCombo.Append(name);
        }
    }
    m_targetIndex = ReadSetting(m_services.settings, setting::kSelectedName);
    if (m_targetIndex < m_nameCombo.Count()) {
        m_nameCombo.Select(m_targetIndex);
    } else {
        m_nameCombo.Select(0);
        m_targetIndex = 0;
    }
    m_restartEntry = std::max(m_targetIndex, 0);
    m_targetName = m_nameCombo.EditText();
}

void Engine::OnCommand(int commandId) {
    switch (commandId) {
    case ids::IDC_START:
        Start();
        break;
    case ids::IDC_RETURN_TO_TRAY:
        ReturnToTray();
        break;
    case ids::IDC_SHUTDOWN:
    case ids::ID_EXIT:
        Exit();
        break;
    case ids::ID_EDIT_NAMES:
        EditNames();
        break;
    case ids::ID_OPTIONS:
        Options();
        break;
    case ids::ID_RESTORE:
        Restore();
        break;
    case ids::ID_STATISTICS:
        Statistics();
        break;
    case ids::ID_APP_ABOUT:
        About();
        break;
    case ids::ID_HELP_FINDER:
        Help();
        break;
    default:
        break;
    }
}

void Engine::Start() {
    m_failedEntries.clear(); // the user's start begins a new round
    OnStart();
}

void Engine::Restore() {
    m_services.frame.ShowAndActivate();
}

void Engine::ReturnToTray() {
    m_services.frame.Hide();
}

void Engine::Exit() {
    m_services.frame.Close();
}

void Engine::SetStatus(const std::string& text) {
    m_statusText.SetText(text);
}

EngineSnapshot Engine::Snapshot() const {
    EngineSnapshot snapshot;
    snapshot.phase = m_phase;
    snapshot.status = m_statusText.Text();
    if (m_deadline) {
        snapshot.millisecondsToExpiry = *m_deadline - Now();
    }
    snapshot.countdownText = m_countdownText.Text();
    snapshot.counters = m_counters;
    snapshot.lastProblem = m_lastProblem;
    snapshot.problemPending = m_problemPending;
    snapshot.ownAddress = m_localAddressText;
    snapshot.launchTime = m_launchTimeText;
    snapshot.targetName = m_targetName;
    snapshot.periodText = m_periodText;
    snapshot.options = m_options;
    snapshot.trayIconShown = m_trayIcon.IsShown();
    return snapshot;
}

std::int64_t Engine::Now() const {
    return m_services.clock.MonotonicMilliseconds();
}

} // namespace jostle
