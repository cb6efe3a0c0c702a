// The view's life: construction, the initial update, the name list and the
// panel's own commands.
#include "engine/JostleView.h"

#include "res/ResourceIds.h"

#include <string>

namespace jostle {

namespace {

constexpr unsigned kAutoStartDelayMilliseconds = 1000;
constexpr unsigned kIconRunInterval = 500;

} // namespace

CJostleView::CJostleView(const ViewServices& services, const PanelControls& controls)
    : m_trayIcon(services.trayShell), m_startButton(controls.startButton),
      m_nameCombo(controls.nameCombo), m_periodEdit(controls.periodEdit),
      m_countdownLabel(controls.countdownLabel), m_countdownText(controls.countdownText),
      m_statusText(controls.statusText), m_services(services) {
    m_services.random.Seed(static_cast<unsigned>(m_services.clock.Seconds()));
    ReadOptions();
    m_launchTimeText = m_services.clock.LocalTimeText();
    m_launchTick = m_services.clock.TickCount();
    m_services.network.SetEventSink(this);
    m_services.timers.SetEventSink(this);
}

CJostleView::~CJostleView() {
    m_services.network.SetEventSink(nullptr);
    m_services.timers.SetEventSink(nullptr);
}

void CJostleView::ReadOptions() {
    CSettingsStore& settings = m_services.settings;
    m_ignoreFailures = ReadSetting(settings, setting::kIgnoreFailures);
    m_randomName = ReadSetting(settings, setting::kRandomName);
    m_randomTime = ReadSetting(settings, setting::kRandomTime);
    m_autoStart = ReadSetting(settings, setting::kAutoStart);
    m_debug = ReadSetting(settings, setting::kDebug);
}

void CJostleView::OnInitialUpdate() {
    CreateTrayIcon();
    const FrameSize size = m_services.frame.FitToPanel();
    m_windowWidth = size.width;
    m_windowHeight = size.height;
    m_initialUpdateDone = 1;
    m_startButton.Enable(true);
    m_busy = 0;
    m_periodText = ReadSetting(m_services.settings, setting::kPeriod);
    m_periodEdit.SetText(m_periodText);
    LoadNameList();
    SetStatus("PLEASE START ME");
    // Provisional values only: ApplyPeriod sets them again before the first tick.
    m_secondsElapsed = 0;
    m_periodSeconds = ProvisionalPeriodSeconds(m_periodText);
    m_targetSeconds = m_periodSeconds;
    if (m_autoStart != 0) {
        m_services.timers.SetTimer(ids::TIMER_AUTOSTART, kAutoStartDelayMilliseconds);
        m_timer103Active = 1;
    }
}

void CJostleView::CreateTrayIcon() {
    const int iconRun[] = {m_hIconActive, m_hIconStopped};
    const bool created = m_trayIcon.Create(this, ids::IDR_TRAYMENU, "Jostle", iconRun,
                                           kIconRunInterval, ids::WM_TRAY_NOTIFY);
    if (!created) {
        m_services.alerts.MessageBox("Failed to create tray icon", AlertIcon::Stop);
    }
    if (m_autoStart == 0) {
        m_trayIcon.SetIcon(ids::IDI_STOPPED); // kept for a tray that comes later
    }
}

void CJostleView::OnDestroy() {
    StopEngine(false);
}

void CJostleView::LoadNameList() {
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
    m_targetName = m_nameCombo.EditText();
}

void CJostleView::OnCommand(int commandId) {
    switch (commandId) {
    case ids::IDC_START:
        m_roundFailures = 0; // the user's start begins a new round
        OnStart();
        break;
    case ids::IDC_RETURN_TO_TRAY:
        OnReturnToTray();
        break;
    case ids::IDC_SHUTDOWN:
        OnShutdown();
        break;
    case ids::ID_EDIT_NAMES:
        OnEditNames();
        break;
    case ids::ID_OPTIONS:
        OnOptions();
        break;
    case ids::ID_RESTORE:
        OnRestore();
        break;
    case ids::ID_EXIT:
        OnExit();
        break;
    case ids::ID_STATISTICS:
        OnStatistics();
        break;
    case ids::ID_APP_ABOUT:
        OnAbout();
        break;
    case ids::ID_HELP_FINDER:
        OnHelpFinder();
        break;
    default:
        break;
    }
}

int CJostleView::OnTrayNotify(unsigned id, unsigned mouseMessage) {
    return m_trayIcon.HandleNotification(id, mouseMessage);
}

void CJostleView::OnRestore() {
    m_services.frame.ShowAndActivate();
}

void CJostleView::OnReturnToTray() {
    m_services.frame.Hide();
}

void CJostleView::OnExit() {
    m_services.frame.Close();
}

void CJostleView::OnShutdown() {
    OnExit();
}

void CJostleView::SetStatus(const std::string& text) {
    m_statusText.SetText(text);
}

} // namespace jostle
