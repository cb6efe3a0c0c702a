#include "app/JostleApp.h"

#include "app/DesktopFrame.h"
#include "engine/Engine.h"
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
#include <unistd.h>

namespace jostle {

namespace {

constexpr const char* kHeadlessProgram = "jostle-headless";

} // namespace

bool WantsHeadless(const CommandLine& line) {
    return line.headless || !DisplayNamed();
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
    const FaceServices face{alerts, busyCursor, frame, dialogs, trayShell, panel.Controls(), true};
    return RunEngine(face, [&frame](Engine& engine) {
        frame.SendCommandsTo([&engine](int id) { engine.OnCommand(id); });
        frame.WatchIcon(engine.TrayIcon());
    });
}

} // namespace jostle
