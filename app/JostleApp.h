// The application object: owns the settings store for the whole run, puts
// the platform services, the main frame (or the console front end) and the
// view together, runs the event loop and takes everything down in order.
#pragma once

#include "app/CommandLine.h"
#include "engine/Interfaces.h"
#include "settings/SettingsStore.h"
#include "tray/TrayShell.h"

#include <functional>
#include <memory>
#include <string>

struct xcb_connection_t;

namespace jostle {

class CJostleView;

// What differs between the desktop and the console: how the program shows
// itself and asks things of the user.
struct FaceServices {
    IAlerts& alerts;
    IBusyCursor& busyCursor;
    IFrame& frame;
    IDialogs& dialogs;
    ITrayShell& trayShell;
    PanelControls controls;
};

// Whether to run without windows: asked for, or no display to show them on.
bool WantsHeadless(const CommandLine& line);
// A connection to the X server named by DISPLAY, held until Qt has its own:
// an X server whose last client leaves resets itself and refuses connections
// meanwhile. Under a Wayland compositor that answers no connection is made;
// when it doesn't, X is tried (and Qt told to use it) if DISPLAY is set.
class DisplayProbe {
public:
    DisplayProbe();
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;

    bool Reachable() const { return m_reachable; }
    // The displays tried in vain, as in "the display :5".
    const std::string& Unreached() const { return m_unreached; }
    void Close();

private:
    void ConnectToX();

    xcb_connection_t* m_connection = nullptr;
    bool m_reachable = true;
    std::string m_unreached;
};

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

    std::unique_ptr<CSettingsStore> m_pSettings;
    int m_bEmailLinkVisited = 0; // the About box's links, visited during this run
    int m_bWebLinkVisited = 0;

private:
    void InitSettings();
    int RunDesktop(int& argc, char** argv, DisplayProbe& display);
    int RunHeadless(int& argc, char** argv);
    int RunHeadlessProgram(int& argc, char** argv);
    // Builds the view on the face, runs its initial update, then ready(view),
    // the event loop and the view's end. Returns the event loop's status.
    int RunView(const FaceServices& face, const std::function<void(CJostleView&)>& ready);
    void ExitInstance();

    CommandLine m_line;
};

// main(): the command line answered on the console (help, version, a line
// that can't be parsed), else the application run through face.
int RunProgram(int argc, char** argv, int (CJostleApp::*face)(int&, char**));

} // namespace jostle
