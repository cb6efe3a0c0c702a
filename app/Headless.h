// The pieces of the console front end: the status line of the panel's models
// printed as it changes, messages on standard error, a tray that takes every
// request silently, and a frame whose Close ends the program.
#pragma once

#include "engine/Engine.h"
#include "engine/Interfaces.h"
#include "engine/PanelModel.h"
#include "tray/TrayShell.h"

#include <cstdio>
#include <functional>
#include <string>

namespace jostle::headless {

// Each change of the status line's text becomes one line "HH:MM:SS text", or
// just "text" unless stamped (the journal stamps lines itself), and is handed
// to tell.
void PrintStatusChanges(StaticModel& status, IClock& clock, std::FILE* out, bool stamped = true,
                        std::function<void(const std::string&)> tell = {});

// Whenever the cycle settles to wait (armed, after an attempt, resting after a
// failed round), one line "HH:MM:SS Next jostle at HH:MM:SS", stamped as above.
void PrintNextAttempts(Engine& engine, IClock& clock, std::FILE* out, bool stamped = true);

// Every message on a line of its own on standard error; returns at once.
class ConsoleAlerts : public IAlerts {
public:
    explicit ConsoleAlerts(std::FILE* out) : m_out(out) {}
    void MessageBox(const std::string& text, AlertIcon icon) override;

private:
    std::FILE* m_out;
};

// Takes every icon request and shows nothing.
class SilentTrayShell : public ITrayShell {
public:
    void SetEventSink(ITrayEvents* /*sink*/) override {}
    bool ShowIcon(const TrayIconLook& /*look*/, const menus::Popup& /*menu*/,
                  int /*defaultItem*/) override {
        return true;
    }
    void UpdateIcon(const TrayIconLook& /*look*/) override {}
    void RemoveIcon() override {}
    void PopUpMenu(const menus::Popup& /*menu*/, int /*defaultItem*/) override {}
};

class HeadlessFrame : public IFrame {
public:
    FrameSize FitToPanel() override { return {}; }
    void ShowAndActivate() override {}
    void Hide() override {}
    void Close() override; // ends the event loop
};

class NoBusyCursor : public IBusyCursor {
public:
    void Show() override {}
    void Hide() override {}
};

// No dialog can be asked for without windows; should one be, it is cancelled.
class NoDialogs : public IDialogs {
public:
    bool RunEditNames(EditNamesData& /*data*/) override { return false; }
    bool RunOptions(OptionsData& /*data*/) override { return false; }
    void RunStatistics(const StatisticsData& /*data*/) override {}
    void RunAbout(const AboutData& /*data*/) override {}
    void ShowHelp() override {}
};

} // namespace jostle::headless
