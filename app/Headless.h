// The pieces of the console front end: the panel's controls kept in memory,
// the status line printed as it changes, messages on standard error, a tray
// that takes every request silently, and a frame whose Close ends the program.
#pragma once

#include "engine/Interfaces.h"
#include "tray/TrayShell.h"

#include <cstdio>
#include <string>
#include <vector>

namespace jostle::headless {

class MemoryButton : public IButton {
public:
    void Enable(bool enabled) override { m_enabled = enabled; }
    bool IsEnabled() const override { return m_enabled; }

private:
    bool m_enabled = true;
};

class MemoryStatic : public IStatic {
public:
    void SetText(const std::string& text) override { m_text = text; }
    std::string Text() const override { return m_text; }
    void Enable(bool enabled) override { m_enabled = enabled; }
    bool IsEnabled() const override { return m_enabled; }

private:
    std::string m_text;
    bool m_enabled = true;
};

class MemoryEdit : public IEdit {
public:
    void SetText(const std::string& text) override { m_text = text; }
    std::string Text() const override { return m_text; }

private:
    std::string m_text;
};

// Behaves as the panel's combo box: unsorted entries, one selection, an edit text.
class MemoryCombo : public ICombo {
public:
    int Count() const override;
    std::string ItemText(int index) const override;
    int FindExact(const std::string& text) const override;
    int Append(const std::string& text) override;
    int Select(int index) override;
    int Selection() const override;
    std::string EditText() const override { return m_editText; }
    void Clear() override;

private:
    bool IsEntry(int index) const;

    std::vector<std::string> m_items;
    int m_selection = -1;
    std::string m_editText;
};

// The status line: each change of its text becomes one line "HH:MM:SS text".
class StatusPrinter : public MemoryStatic {
public:
    StatusPrinter(IClock& clock, std::FILE* out) : m_clock(clock), m_out(out) {}
    void SetText(const std::string& text) override;

private:
    IClock& m_clock;
    std::FILE* m_out;
};

// Every message on a line of its own on standard error; returns at once.
class ConsoleAlerts : public IAlerts {
public:
    explicit ConsoleAlerts(std::FILE* out) : m_out(out) {}
    void MessageBox(const std::string& text, AlertIcon icon) override;

private:
    std::FILE* m_out;
};

// Accepts every icon request; commands go to the icon's window.
class SilentTrayShell : public ITrayShell {
public:
    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& /*data*/) override { return true; }
    bool Delete(const NotifyIconData& /*data*/) override { return true; }
    void TrackPopupMenu(const menus::Popup& /*popup*/, int /*defaultPosition*/) override {}
    void SendCommand(int commandId) override;

private:
    INotifyWindow* m_window = nullptr;
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

// The panel's six controls, the status line printing.
struct MemoryPanel {
    explicit MemoryPanel(IClock& clock) : statusText(clock, stdout) {}
    PanelControls Controls();

    MemoryButton startButton;
    MemoryCombo nameCombo;
    MemoryEdit periodEdit;
    MemoryStatic countdownLabel;
    MemoryStatic countdownText;
    StatusPrinter statusText;
};

} // namespace jostle::headless
