// The schedule: the period check that arms the cycle, its deadline, the
// countdown's tick, the random period length and name, the rest after a failed
// round, and the automatic start.
#include "engine/Engine.h"
#include "engine/EngineText.h"

#include <algorithm>

namespace jostle {

namespace {

constexpr std::int64_t kSecond = 1000;
constexpr int kRandomOffsetBound = 30;
constexpr int kDebugRandomOffsetBound = 5;
constexpr int kLongestPeriodSeconds = 3600;
constexpr int kRandomDrawMask = 31; // the low five bits of a draw

} // namespace

bool Engine::ApplyPeriod() {
    const std::string text = m_periodEdit.Text();
    const std::optional<int> periodSeconds = PeriodSecondsFromText(text, m_options.debug);
    if (!periodSeconds) {
        StopEngine(true);
        m_periodEdit.SetText(m_periodText);
        Alert("Jostle: Time period must be between 1 and 60");
        return false;
    }
    m_periodText = text;
    m_periodSeconds = *periodSeconds;
    m_targetSeconds = m_periodSeconds;
    m_pendingName = m_nameCombo.EditText();
    m_countdownLabel.Enable(true);
    m_freshStart = true;
    m_phase = Phase::Armed;
    ArmDeadline(Now() + kSecond); // the first attempt comes a second after the start
    return true;
}

void Engine::ArmAfterStart() {
    if (ApplyPeriod()) {
        Settled(Phase::Armed);
    }
}

// Every entry has failed: the next round waits for a whole period, chosen as
// at every period's end, so a machine without a network rests instead of
// cycling through the list. The status keeps the last failure.
void Engine::WaitForNextRound() {
    if (!ApplyPeriod()) {
        return; // stopped, with its message
    }
    m_startButton.Enable(true); // the user's start may begin the next round at once
    ChooseNextPeriodLength();
    ArmDeadline(Now() + m_targetSeconds * kSecond);
    RefreshCountdown();
    Settled(Phase::Resting);
}

// The round after a rest starts from the selected entry; text typed into
// the name box and not applied changes nothing.
void Engine::RestartRound() {
    const int selected = m_nameCombo.Selection();
    const int entry = selected >= 0 ? selected : m_restartEntry;
    m_nameCombo.Select(entry < m_nameCombo.Count() ? entry : 0);
    OnStart();
}

void Engine::OnTimer(TimerId id) {
    switch (id) {
    case TimerId::Deadline:
    case TimerId::Tick:
        OnTick();
        break;
    case TimerId::AutoStart:
        OnStart();
        break;
    case TimerId::TrayGrace:
        OnTrayGraceOver();
        break;
    }
}

// Each second while the countdown is shown, else only at the deadline.
void Engine::OnTick() {
    if (!IsBusy()) {
        m_startButton.Enable(true);
    }
    if (m_deadline && Now() >= *m_deadline) {
        OnExpiry();
    }
    if (m_countdownLabel.IsEnabled()) {
        RefreshCountdown();
    }
    ArmNextWake();
}

void Engine::OnExpiry() {
    const std::int64_t expiredAt = *m_deadline;
    if (m_phase == Phase::Resting) {
        RestartRound();
    } else if (m_options.randomName && !m_freshStart) {
        ChooseRandomName();
    } else {
        if (m_options.randomName) {
            m_freshStart = false; // the first expiry after a start keeps its name
        }
        const bool usePending = m_phase == Phase::Armed;
        ChooseNextPeriodLength();
        // A loop held up past a whole period does not catch up in a burst.
        ArmDeadline(std::max(expiredAt, Now()) + m_targetSeconds * kSecond);
        RunTheJob(usePending);
    }
}

void Engine::ArmDeadline(std::int64_t at) {
    m_deadline = at;
    ArmNextWake();
}

// The tick falls on the whole seconds before the deadline, so the countdown
// steps as a clock does and its last step is the expiry.
void Engine::ArmNextWake() {
    if (!m_deadline) {
        return;
    }
    const std::int64_t remaining = std::max<std::int64_t>(*m_deadline - Now(), 0);
    if (m_showsCountdown) {
        const std::int64_t toNextSecond = remaining % kSecond;
        m_services.timers.Arm(
            TimerId::Tick, std::chrono::milliseconds(toNextSecond == 0 ? kSecond : toNextSecond));
    } else {
        m_services.timers.Arm(TimerId::Deadline, std::chrono::milliseconds(remaining));
    }
}

void Engine::CancelSchedule() {
    m_deadline.reset();
    m_services.timers.Cancel(TimerId::Tick);
    m_services.timers.Cancel(TimerId::Deadline);
}

void Engine::Settled(Phase phase) {
    m_phase = phase;
    if (m_scheduled) {
        m_scheduled();
    }
}

void Engine::ChooseNextPeriodLength() {
    if (m_options.randomTime) {
        AdjustTargetTime();
    } else {
        m_targetSeconds = m_periodSeconds;
    }
}

void Engine::AdjustTargetTime() {
    const int bound = m_options.debug ? kDebugRandomOffsetBound : kRandomOffsetBound;
    int draw = 0;
    int offset = 0;
    while (offset <= 0) { // a zero draw is discarded
        draw = m_services.random.Next();
        offset = std::min(draw & kRandomDrawMask, bound);
    }
    if (draw % 2 != 0) {
        offset = -offset;
    }
    if (m_periodSeconds == kLongestPeriodSeconds && offset > 0) {
        offset = -offset; // a 60-minute period is never lengthened
    }
    m_targetSeconds = m_periodSeconds + offset;
}

void Engine::ChooseRandomName() {
    const int count = m_nameCombo.Count();
    if (count > 0) {
        int index = m_services.random.Next() % count;
        while (count > 1 && index == m_nameCombo.Selection()) {
            index = m_services.random.Next() % count;
        }
        m_targetIndex = index;
        m_nameCombo.Select(index);
        m_pendingName = m_nameCombo.EditText();
    }
    OnStart();
}

int Engine::RemainingSeconds() const {
    if (!m_deadline) {
        return 0;
    }
    const std::int64_t remaining = std::max<std::int64_t>(*m_deadline - Now(), 0);
    return static_cast<int>((remaining + kSecond / 2) / kSecond);
}

void Engine::RefreshCountdown() {
    const std::string countdown = FormatCountdown(RemainingSeconds());
    m_countdownText.SetText(countdown);
    std::string tooltip = "Jostle in " + countdown;
    const Counters& failures = m_counters;
    const bool anyFailure =
        failures.dnsFailures != 0 || failures.httpFailures != 0 || failures.socketFailures != 0;
    if (anyFailure && m_options.ignoreFailures && m_problemPending) {
        tooltip += "   Please check the Statistics dialog box";
    }
    m_trayIcon.SetTooltip(tooltip);
}

} // namespace jostle
