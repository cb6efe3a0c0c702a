#include "app/JostleApp.h"

#include "app/DesktopFrame.h"
#include "engine/JostleView.h"
#include "platform/core/SignalWatcher.h"
#include "platform/desktop/Icons.h"
#include "platform/desktop/QtAlerts.h"
#include "platform/desktop/QtTrayShell.h"
#include "ui/dialogs/QtDialogs.h"

#include <QApplication>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace jostle {

namespace {

constexpr const char* kHeadlessProgram = "jostle-headless";

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

int CJostleApp::Run(int& argc, char** argv) {
    if (WantsHeadless(m_line)) {
        return RunHeadlessProgram(argc, argv);
    }
    DisplayProbe display;
    if (!display.Reachable()) {
        std::fprintf(stderr, "jostle: cannot reach %s; running without windows\n",
                     display.Unreached().c_str());
        display.Close();
        return RunHeadlessProgram(argc, argv);
    }
    const int status = RunDesktop(argc, argv, display);
    ExitInstance();
    return status;
}

// jostle-headless from this program's folder, which keeps the desktop's
// libraries out of a run without windows; this process's own console face
// only when that program is not there.
int CJostleApp::RunHeadlessProgram(int& argc, char** argv) {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (!error) {
        const std::string headless = (self.parent_path() / kHeadlessProgram).string();
        execv(headless.c_str(), argv);
        if (errno != ENOENT) {
            std::fprintf(stderr, "jostle: cannot run %s: %s\n", headless.c_str(),
                         std::strerror(errno));
        }
    }
    return RunConsole(argc, argv);
}

int CJostleApp::RunDesktop(int& argc, char** argv, DisplayProbe& display) {
    QApplication application(argc, argv);
    display.Close();                                // Qt holds a connection of its own now
    QApplication::setQuitOnLastWindowClosed(false); // closing a dialog must not end the program
    QGuiApplication::setDesktopFileName(QStringLiteral("jostle"));
    QApplication::setWindowIcon(LoadIcon(ids::IDI_ACTIVE));
    PanelModel panel;
    ui::QtDialogs dialogs(m_bEmailLinkVisited, m_bWebLinkVisited);
    DesktopFrame frame(panel, [&dialogs] { dialogs.CloseAll(); });
    QtAlerts alerts;
    QtBusyCursor busyCursor;
    QtTrayShell trayShell;
    dialogs.SetOwner([&frame] { return &frame.Built(); }); // no input to the panel meanwhile
    alerts.SetOwner([&frame] { return &frame.Built(); });
    SignalWatcher stopSignals([&frame] { frame.Close(); });
    InitSettings(); // a stop signal meanwhile is handled once the event loop runs
    const FaceServices face{alerts, busyCursor, frame, dialogs, trayShell, panel.Controls()};
    return RunView(face, [&frame](CJostleView& view) {
        frame.SendCommandsTo([&view](int id) { view.OnCommand(id); });
        frame.ReportFittedSize([&view](FrameSize size) {
            view.m_windowWidth = size.width;
            view.m_windowHeight = size.height;
        });
        frame.WatchIcon(view.m_trayIcon);
        if (!view.m_trayIcon.IsAdded()) {
            frame.ShowAndActivate(); // without a tray icon the panel is the only way in
        }
    });
}

} // namespace jostle
