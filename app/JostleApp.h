// The application object: owns the settings store for the whole run, puts
// the platform services, the main frame (or the console front end) and the
// view together, runs the event loop and takes everything down in order.
#pragma once

#include "app/CommandLine.h"
#include "engine/Interfaces.h"
#include "platform/desktop/DisplayProbe.h"
#include "settings/SettingsStore.h"
#include "tray/TrayShell.h"

#include <functional>
#include <memory>
#include <string>

namespace jostle {

class Engine;

// What differs between the desktop and the console: how the program shows
// itself and asks things of the user.
struct FaceServices {
    IAlerts& alerts;
    IBusyCursor& busyCursor;
    IFrame& frame;
    IDialogs& dialogs;
    ITrayShell& trayShell;
    PanelControls controls;
    bool showsCountdown; // the panel or the tray's tooltip shows it every second
};

// Whether to run without windows: asked for, or no display to show them on.
bool WantsHeadless(const CommandLine& line);

class CJostleApp {
public:
    explicit CJostleApp(CommandLine line);
    ~CJostleApp();
    CJostleApp(const CJostleApp&) = delete;
    CJostleApp& operator=(const CJostleApp&) = delete;

    // Start-up, the event loop and exit; returns the exit status. Without
    // windows it hands over to jostle-headless.
    int Run(int& argc, char** argv);
    // The same with the console face, in this process.
    int RunConsole(int& argc, char** argv);
    // --show-settings and --set, without the cycle; returns the exit status.
    int RunSettingsCommand();

    std::unique_ptr<CSettingsStore> m_pSettings;
    int m_bEmailLinkVisited = 0; // the About box's links, visited during this run
    int m_bWebLinkVisited = 0;

private:
    void InitSettings();
    int RunDesktop(int& argc, char** argv, DisplayProbe& display);
    int RunHeadless(int& argc, char** argv);
    int RunHeadlessProgram(int& argc, char** argv);
    // Builds the engine on the face, runs its initial update, then
    // ready(engine), the event loop and the engine's end. Returns the event
    // loop's status.
    int RunEngine(const FaceServices& face, const std::function<void(Engine&)>& ready);
    void ExitInstance();

    CommandLine m_line;
};

// main() of program: the command line answered on the console (help, version,
// a line that can't be parsed), else the application run through face.
int RunProgram(int argc, char** argv, Program program, int (CJostleApp::*face)(int&, char**));

} // namespace jostle
