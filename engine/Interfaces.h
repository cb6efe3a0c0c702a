// The engine's view of the outside world: small interfaces shaped like the
// controls and services it uses. The Qt layers implement them; the unit tests
// implement them with fakes. Every method is called on the one UI thread.
#pragma once

#include "engine/Network.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace jostle {

// --- Controls of the control panel -------------------------------------------

class IButton {
public:
    virtual ~IButton() = default;
    virtual void Enable(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
};

// A static text; the countdown label's enabled state carries meaning.
class IStatic {
public:
    virtual ~IStatic() = default;
    virtual void SetText(const std::string& text) = 0;
    virtual std::string Text() const = 0;
    virtual void Enable(bool enabled) = 0;
    virtual bool IsEnabled() const = 0;
};

class IEdit {
public:
    virtual ~IEdit() = default;
    virtual void SetText(const std::string& text) = 0;
    virtual std::string Text() const = 0;
};

// A drop-down combo box with an edit field, unsorted.
class ICombo {
public:
    virtual ~ICombo() = default;
    virtual int Count() const = 0;
    virtual std::string ItemText(int index) const = 0;
    // Index of the first entry equal to text, whole and ignoring letter case; -1 if none.
    virtual int FindExact(const std::string& text) const = 0;
    // Appends at the end; returns the new entry's index.
    virtual int Append(const std::string& text) = 0;
    // Selects entry index and shows its text in the edit field; -1 clears the
    // selection and the edit field. Returns the index selected, or -1.
    virtual int Select(int index) = 0;
    // The selected entry, or -1 (also while the user has typed other text).
    virtual int Selection() const = 0;
    virtual std::string EditText() const = 0;
    // Removes every entry and clears the edit field.
    virtual void Clear() = 0;
};

// The six controls of the panel the engine drives.
struct PanelControls {
    IButton& startButton;    // 1003 "Start or Apply Changes"
    ICombo& nameCombo;       // 1001
    IEdit& periodEdit;       // 1000
    IStatic& countdownLabel; // 1006 "Time until next jostle:"
    IStatic& countdownText;  // 1007
    IStatic& statusText;     // 1004
};

// --- Timers, alerts, cursor, clock, random, frame ------------------------------

// The engine's timers, each one-shot.
enum class TimerId {
    Deadline,  // the cycle's next expiry
    Tick,      // the countdown's next whole second, while something shows it
    AutoStart, // the delay before the automatic start
    TrayGrace, // how long a tray that is not there yet may take to come
};

class ITimerEvents {
public:
    virtual ~ITimerEvents() = default;
    virtual void OnTimer(TimerId id) = 0;
};

// Each Arm calls the sink's OnTimer(id) once, from the event loop, after
// delay; arming a timer that runs already re-arms it. A timer also fires in
// a nested event loop (a message box) run by its own expiry.
class ITimers {
public:
    virtual ~ITimers() = default;
    virtual void SetEventSink(ITimerEvents* sink) = 0;
    virtual void Arm(TimerId id, std::chrono::milliseconds delay) = 0;
    virtual void Cancel(TimerId id) = 0;
};

enum class AlertIcon { Exclamation, Stop };

// A modal message box titled "Jostle" with an OK button. Returns when the user
// dismisses it; timers and socket events go on meanwhile.
class IAlerts {
public:
    virtual ~IAlerts() = default;
    virtual void MessageBox(const std::string& text, AlertIcon icon) = 0;
};

class IBusyCursor {
public:
    virtual ~IBusyCursor() = default;
    virtual void Show() = 0;
    virtual void Hide() = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    // Local wall-clock time as "%H:%M:%S".
    virtual std::string LocalTimeText() = 0;
    // Milliseconds since an arbitrary start, on a clock that never steps.
    virtual std::int64_t MonotonicMilliseconds() = 0;
    // Seconds since the epoch, to seed the random numbers.
    virtual std::int64_t Seconds() = 0;
};

class IRandom {
public:
    virtual ~IRandom() = default;
    virtual void Seed(unsigned seed) = 0;
    // A non-negative pseudo-random number.
    virtual int Next() = 0;
};

struct FrameSize {
    int width = 0;
    int height = 0;
};

// The main frame window that holds the panel.
class IFrame {
public:
    virtual ~IFrame() = default;
    // Moves the frame to the rectangle that fits the panel and fixes its size
    // from then on; returns that size.
    virtual FrameSize FitToPanel() = 0;
    virtual void ShowAndActivate() = 0; // show, then bring to the foreground
    virtual void Hide() = 0;
    virtual void Close() = 0; // ends the program
};

// --- Dialogs -----------------------------------------------------------------

// Copy-in / copy-out records of the four dialogs.
struct EditNamesData {
    std::vector<std::string> names; // copy of the combo box's entries
    std::string selectedName;       // the current target name
};

struct OptionsData {
    bool checkAutoStart = false;
    bool checkRandomName = false;
    bool checkRandomTime = false;
    bool checkIgnore = false;
};

struct StatisticsData {
    std::string dnsFailuresText;
    std::string httpFailuresText;
    std::string successCountText;
    std::string socketFailuresText;
    std::string lastProblemText;
};

struct AboutData {
    std::string ipAddressText;
    std::string timeSinceLaunchText;
};

// Runs the dialogs modally, without a parent window. The engine goes on while
// one is open. The engine applies what a dialog gives back after it closes.
class IDialogs {
public:
    virtual ~IDialogs() = default;
    // Returns true when closed with OK; data then holds the dialog's result.
    virtual bool RunEditNames(EditNamesData& data) = 0;
    virtual bool RunOptions(OptionsData& data) = 0;
    virtual void RunStatistics(const StatisticsData& data) = 0;
    virtual void RunAbout(const AboutData& data) = 0;
    virtual void ShowHelp() = 0;
};

} // namespace jostle
