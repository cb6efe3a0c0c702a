#include "app/JostleApp.h"

#include "app/MainFrame.h"
#include "engine/JostleView.h"
#include "platform/core/SignalWatcher.h"
#include "platform/desktop/DesktopServices.h"
#include "platform/desktop/QtAlerts.h"
#include "platform/desktop/QtTrayShell.h"
#include "ui/dialogs/QtDialogs.h"

#include <QApplication>
#include <QScreen>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <xcb/xcb.h>

namespace jostle {

namespace {

constexpr const char* kHeadlessProgram = "jostle-headless";

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

int CJostleApp::Run(int& argc, char** argv) {
    if (WantsHeadless(m_line)) {
        return RunHeadlessProgram(argc, argv);
    }
    DisplayProbe display;
    if (!display.Reachable()) {
        std::fprintf(stderr, "jostle: cannot reach the display %s; running without windows\n",
                     std::getenv("DISPLAY"));
        display.Close();
        return RunHeadlessProgram(argc, argv);
    }
    InitSettings();
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
    QApplication::setWindowIcon(LoadIcon(ids::IDI_ACTIVE));
    CMainFrame frame(QGuiApplication::primaryScreen()->size());
    QtAlerts alerts;
    QtBusyCursor busyCursor;
    QtTrayShell trayShell;
    ui::QtDialogs dialogs(m_bEmailLinkVisited, m_bWebLinkVisited);
    dialogs.SetOwner(&frame); // the panel takes no input while a dialog is up
    QObject::connect(&frame, &CMainFrame::closing, [&dialogs] { dialogs.CloseAll(); });
    SignalWatcher stopSignals([&frame] { frame.Close(); });
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

} // namespace jostle
