#include "app/JostleApp.h"

#include "app/Headless.h"
#include "app/MainFrame.h"
#include "app/SignalWatcher.h"
#include "engine/JostleView.h"
#include "platform/QtAlerts.h"
#include "platform/QtNetwork.h"
#include "platform/QtTimers.h"
#include "platform/QtTrayShell.h"
#include "platform/SystemServices.h"
#include "ui/dialogs/QtDialogs.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>

namespace jostle {

namespace {

constexpr const char* kApplicationName = "Jostle";
constexpr const char* kApplicationKey = "Software\\Quorvane Software\\Jostle";

bool HasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0;
}

} // namespace

bool WantsHeadless(const CommandLine& line) {
    return line.headless || (!HasEnvironment("DISPLAY") && !HasEnvironment("WAYLAND_DISPLAY"));
}

DisplayProbe::DisplayProbe() {
    if (HasEnvironment("WAYLAND_DISPLAY")) {
        return; // the desktop may be reached without X
    }
    m_connection = xcb_connect(nullptr, nullptr);
    m_reachable = xcb_connection_has_error(m_connection) == 0;
}

DisplayProbe::~DisplayProbe() {
    Close();
}

void DisplayProbe::Close() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

CJostleApp::CJostleApp(CommandLine line) : m_line(std::move(line)) {}

CJostleApp::~CJostleApp() {
    ExitInstance();
}

int CJostleApp::Run(int& argc, char** argv) {
    int status = 0;
    if (WantsHeadless(m_line)) {
        status = RunHeadless(argc, argv);
    } else if (DisplayProbe display; display.Reachable()) {
        status = RunDesktop(argc, argv, display);
    } else {
        std::fprintf(stderr, "jostle: cannot reach the display %s; running without windows\n",
                     std::getenv("DISPLAY"));
        display.Close();
        status = RunHeadless(argc, argv);
    }
    ExitInstance();
    return status;
}

void CJostleApp::InitSettings() {
    const auto file = m_line.settingsFile.empty() ? DefaultSettingsFile() : m_line.settingsFile;
    m_pSettings = std::make_unique<CSettingsStore>(file, kApplicationName);
    SettingsKey key;
    int disposition = 0;
    if (m_pSettings->Open(kRootKeyName, kApplicationKey, &key, &disposition) &&
        disposition == kKeyCreated) {
        m_pSettings->ImportLegacyIni(key);
    }
}

void CJostleApp::ExitInstance() {
    m_pSettings.reset();
}

int CJostleApp::RunView(const FaceServices& face, const std::function<void(CJostleView&)>& ready) {
    QtNetwork network;
    QtTimers timers;
    SystemClock clock;
    StdRandom random;
    const ViewServices services{*m_pSettings, network, timers,     face.alerts,  face.busyCursor,
                                clock,        random,  face.frame, face.dialogs, face.trayShell};
    auto view = std::make_unique<CJostleView>(services, face.controls);
    view->OnInitialUpdate();
    ready(*view);
    const int status = QCoreApplication::exec();
    view->OnDestroy(); // stops the engine
    view.reset();      // and takes the tray icon away
    return status;
}

int CJostleApp::RunDesktop(int& argc, char** argv, DisplayProbe& display) {
    QApplication application(argc, argv);
    display.Close();                                // Qt holds a connection of its own now
    QApplication::setQuitOnLastWindowClosed(false); // closing a dialog must not end the program
    QApplication::setWindowIcon(LoadIcon(ids::IDI_ACTIVE));
    CMainFrame frame(QGuiApplication::primaryScreen()->size());
    QtAlerts alerts;
    QtBusyCursor busyCursor;
    QtTrayShell trayShell;
    ui::QtDialogs dialogs(m_bEmailLinkVisited, m_bWebLinkVisited);
    dialogs.SetOwner(&frame); // the panel takes no input while a dialog is up
    QObject::connect(&frame, &CMainFrame::closing, [&dialogs] { dialogs.CloseAll(); });
    SignalWatcher stopSignals([&frame] { frame.Close(); });
    InitSettings(); // a stop signal meanwhile is handled once the event loop runs
    const FaceServices face{alerts,  busyCursor, frame,
                            dialogs, trayShell,  frame.Panel().Controls()};
    return RunView(face, [&frame](CJostleView& view) {
        QObject::connect(&frame, &CMainFrame::commandIssued, &frame,
                         [&view](int id) { view.OnCommand(id); });
        if (!view.m_trayIcon.IsAdded()) {
            frame.StayReachable(); // without a tray icon the panel is the only way in
        }
    });
}

int CJostleApp::RunHeadless(int& argc, char** argv) {
    QCoreApplication application(argc, argv);
    SystemClock clock;
    headless::MemoryPanel panel(clock);
    headless::ConsoleAlerts alerts(stderr);
    headless::NoBusyCursor busyCursor;
    headless::HeadlessFrame frame;
    headless::NoDialogs dialogs;
    headless::SilentTrayShell trayShell;
    SignalWatcher stopSignals([&frame] { frame.Close(); });
    InitSettings(); // a stop signal meanwhile is handled once the event loop runs
    const FaceServices face{alerts, busyCursor, frame, dialogs, trayShell, panel.Controls()};
    // The console starts the cycle at once; the start stops the delayed
    // automatic start, so it cannot start a second time.
    return RunView(face, [](CJostleView& view) { view.OnStart(); });
}

} // namespace jostle
