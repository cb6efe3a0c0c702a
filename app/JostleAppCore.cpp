// The half of the application on Qt Core alone: the settings, the engine's run
// and the console face, all that jostle-headless is made of.
#include "app/Headless.h"
#include "app/JostleApp.h"
#include "engine/Engine.h"
#include "engine/SettingsCommand.h"
#include "platform/core/ConnectStop.h"
#include "platform/core/QtTimers.h"
#include "platform/core/ServiceNotifier.h"
#include "platform/core/SignalWatcher.h"
#include "platform/core/SocketNetwork.h"
#include "platform/core/SystemServices.h"

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

namespace jostle {

namespace {

constexpr const char* kApplicationName = "Jostle";
constexpr const char* kApplicationKey = "Software\\Quorvane Software\\Jostle";

} // namespace

CJostleApp::CJostleApp(CommandLine line) : m_line(std::move(line)) {}

CJostleApp::~CJostleApp() {
    ExitInstance();
}

int CJostleApp::RunConsole(int& argc, char** argv) {
    const int status = RunHeadless(argc, argv);
    ExitInstance();
    return status;
}

void CJostleApp::InitSettings() {
    const auto file = m_line.settingsFile.empty() ? DefaultSettingsFile() : m_line.settingsFile;
    m_pSettings = std::make_unique<CSettingsStore>(file, kApplicationName);
    m_pSettings->SetStopCheck(&StopRequested); // no lock held by others outlasts a stop
    SettingsKey key;
    int disposition = 0;
    if (m_pSettings->Open(kRootKeyName, kApplicationKey, &key, &disposition) &&
        disposition == kKeyCreated) {
        m_pSettings->ImportLegacyIni(key);
    }
}

int CJostleApp::RunSettingsCommand() {
    SettingsCommand command(m_line.settingPairs);
    if (!command.Error().empty()) { // before the store is opened, so nothing at all is written
        std::fprintf(stderr, "%s\n", command.Error().c_str());
        return 2;
    }
    InitSettings(); // as at start: a pending import of the old INI file lands first
    const SettingsCommandResult result = command.Run(*m_pSettings);
    std::fputs(result.output.c_str(), stdout);
    std::fputs(result.error.c_str(), stderr);
    return result.exitStatus;
}

void CJostleApp::ExitInstance() {
    m_pSettings.reset();
}

int CJostleApp::RunEngine(const FaceServices& face, const std::function<void(Engine&)>& ready) {
    SocketNetwork network;
    QtTimers timers;
    SystemClock clock;
    StdRandom random;
    const EngineServices services{*m_pSettings, network, timers,     face.alerts,  face.busyCursor,
                                  clock,        random,  face.frame, face.dialogs, face.trayShell};
    auto engine = std::make_unique<Engine>(services, face.controls, face.showsCountdown);
    engine->Initialize();
    ready(*engine);
    const int status = QCoreApplication::exec();
    engine->Shutdown(); // stops the cycle
    engine.reset();     // and takes the tray icon away
    return status;
}

int CJostleApp::RunHeadless(int& argc, char** argv) {
    QCoreApplication application(argc, argv);
    SystemClock clock;
    PanelModel panel;
    ServiceNotifier manager;
    const bool stamped = !StandardOutputIsJournal(); // the journal stamps lines itself
    headless::PrintStatusChanges(panel.statusText, clock, stdout, stamped,
                                 [&manager](const std::string& text) { manager.Status(text); });
    headless::ConsoleAlerts alerts(stderr);
    headless::NoBusyCursor busyCursor;
    headless::HeadlessFrame frame;
    headless::NoDialogs dialogs;
    headless::SilentTrayShell trayShell;
    SignalWatcher stopSignals([&frame, &manager] {
        manager.Stopping();
        frame.Close();
    });
    InitSettings(); // a stop signal meanwhile is handled once the event loop runs
    // Nothing shows a countdown, so nothing wakes between attempts.
    const FaceServices face{alerts, busyCursor, frame, dialogs, trayShell, panel.Controls(), false};
    return RunEngine(face, [&clock, &manager, stamped](Engine& engine) {
        headless::PrintNextAttempts(engine, clock, stdout, stamped);
        // The console starts the cycle at once; the start stops the delayed
        // automatic start, so it cannot start a second time.
        engine.Start();
        manager.Ready();
    });
}

int RunProgram(int argc, char** argv, Program program, int (CJostleApp::*face)(int&, char**)) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    CommandLine line = ParseCommandLine(arguments);
    if (!line.error.empty()) {
        std::fprintf(stderr, "jostle: %s\nTry '%s --help'.\n", line.error.c_str(),
                     ProgramName(program).c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(HelpText(program).c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::fputs(VersionText().c_str(), stdout);
        return 0;
    }
    const bool settingsCommand = IsSettingsCommand(line);
    CJostleApp application(std::move(line));
    return settingsCommand ? application.RunSettingsCommand() : (application.*face)(argc, argv);
}

} // namespace jostle
