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
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace jostle {

namespace {

constexpr const char* kApplicationName = "Jostle";
constexpr const char* kApplicationKey = "Software\\Quorvane Software\\Jostle";

bool HasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0;
}

// The compositor's socket: WAYLAND_DISPLAY, relative to XDG_RUNTIME_DIR
// unless it is a path.
std::string WaylandSocketPath() {
    const std::string name = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (name.front() == '/' || runtime == nullptr) {
        return name;
    }
    return std::string(runtime) + "/" + name;
}

// Qt aborts the whole program when it can't connect to the display it chose,
// so the compositor's socket is tried first.
bool WaylandAnswers() {
    if (HasEnvironment("WAYLAND_SOCKET")) {
        return true; // an inherited connection, nothing to try
    }
    const std::string path = WaylandSocketPath();
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

// The frame for the view: Return To Tray hides it only while the icon is in a
// tray, since nothing else could bring it back.
class TrayAwareFrame : public IFrame {
public:
    explicit TrayAwareFrame(CMainFrame& frame) : m_frame(frame) {}
    void WatchIcon(const CTrayNotifyIcon& icon) { m_icon = &icon; }

    FrameSize FitToPanel() override { return m_frame.FitToPanel(); }
    void ShowAndActivate() override { m_frame.ShowAndActivate(); }
    void Hide() override {
        if (m_icon != nullptr && m_icon->IsAdded()) {
            m_frame.Hide();
        }
    }
    void Close() override { m_frame.Close(); }

private:
    CMainFrame& m_frame;
    const CTrayNotifyIcon* m_icon = nullptr;
};

} // namespace

bool WantsHeadless(const CommandLine& line) {
    return line.headless || (!HasEnvironment("DISPLAY") && !HasEnvironment("WAYLAND_DISPLAY"));
}

DisplayProbe::DisplayProbe() {
    if (HasEnvironment("WAYLAND_DISPLAY")) {
        if (WaylandAnswers()) {
            return; // the desktop may be reached without X
        }
        m_unreached = std::string("the Wayland display ") + std::getenv("WAYLAND_DISPLAY");
        if (!HasEnvironment("DISPLAY")) {
            m_reachable = false;
            return;
        }
    }
    ConnectToX();
}

void DisplayProbe::ConnectToX() {
    const std::string display = std::getenv("DISPLAY");
    m_connection = xcb_connect(nullptr, nullptr);
    m_reachable = xcb_connection_has_error(m_connection) == 0;
    if (!m_reachable) {
        m_unreached += (m_unreached.empty() ? "the display " : " nor the display ") + display;
    } else if (!m_unreached.empty()) {
        std::fprintf(stderr, "jostle: cannot reach %s; using the X display %s\n",
                     m_unreached.c_str(), display.c_str());
        setenv("QT_QPA_PLATFORM", "xcb", 1); // Qt would try Wayland first, and abort
    }
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
        std::fprintf(stderr, "jostle: cannot reach %s; running without windows\n",
                     display.Unreached().c_str());
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
    QGuiApplication::setDesktopFileName(QStringLiteral("jostle"));
    QApplication::setWindowIcon(LoadIcon(ids::IDI_ACTIVE));
    CMainFrame frame(QGuiApplication::primaryScreen()->size());
    TrayAwareFrame viewFrame(frame);
    QtAlerts alerts;
    QtBusyCursor busyCursor;
    QtTrayShell trayShell;
    ui::QtDialogs dialogs(m_bEmailLinkVisited, m_bWebLinkVisited);
    dialogs.SetOwner(&frame); // the panel takes no input while a dialog is up
    QObject::connect(&frame, &CMainFrame::closing, [&dialogs] { dialogs.CloseAll(); });
    SignalWatcher stopSignals([&frame] { frame.Close(); });
    InitSettings(); // a stop signal meanwhile is handled once the event loop runs
    const FaceServices face{alerts,  busyCursor, viewFrame,
                            dialogs, trayShell,  frame.Panel().Controls()};
    return RunView(face, [&frame, &viewFrame](CJostleView& view) {
        QObject::connect(&frame, &CMainFrame::commandIssued, &frame,
                         [&view](int id) { view.OnCommand(id); });
        viewFrame.WatchIcon(view.m_trayIcon);
        if (!view.m_trayIcon.IsAdded()) {
            frame.ShowAndActivate(); // without a tray icon the panel is the only way in
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
