// The scheduler: the one-second tick, the period check that arms it, the
// random period length and name, the countdown, and the auto-start.
#include "engine/JostleView.h"
#include "res/ResourceIds.h"

#include <algorithm>

namespace jostle {

namespace {

constexpr unsigned kTickMilliseconds = 1000;
constexpr int kRandomOffsetBound = 30;
constexpr int kDebugRandomOffsetBound = 5;
constexpr int kLongestPeriodSeconds = 3600;
constexpr int kRandomDrawMask = 31; // the low five bits of a draw

} // namespace

bool CJostleView::ApplyPeriod() {
    const std::string text = m_periodEdit.Text();
    const std::optional<int> periodSeconds = PeriodSecondsFromText(text, m_debug != 0);
    if (!periodSeconds) {
        StopEngine(true);
        m_periodEdit.SetText(m_periodText);
        Alert("Jostle: Time period must be between 1 and 60");
        return false;
    }
    m_periodText = text;
    m_periodSeconds = *periodSeconds;
    m_targetSeconds = m_periodSeconds;
    m_secondsElapsed = m_periodSeconds - 1; // the next tick ends the period
    m_pendingName = m_nameCombo.EditText();
    m_countdownLabel.Enable(true);
    m_freshStart = 1;
    m_services.timers.SetTimer(ids::TIMER_TICK, kTickMilliseconds);
    m_timer101Active = 1;
    m_usePendingName = 1;
    return true;
}

// Every entry has failed in a row: the next round waits for a whole period,
// chosen as at every period's end, so a machine without a network rests
// instead of cycling through the list. The status keeps the last failure.
void CJostleView::WaitForNextRound() {
    if (!ApplyPeriod()) {
        return; // stopped, with its message
    }
    m_startButton.Enable(true); // the user's start may begin the next round at once
    m_busy = 0;
    ChooseNextPeriodLength();
    m_secondsElapsed = 0;
    m_retryRound = 1;
    RefreshCountdown();
}

void CJostleView::OnTimer(int id) {
    if (id == ids::TIMER_TICK) {
        OnTick();
    } else if (id == ids::TIMER_AUTOSTART) {
        OnAutoStartTimer();
    }
}

void CJostleView::OnAutoStartTimer() {
    m_services.timers.KillTimer(ids::TIMER_AUTOSTART);
    m_timer103Active = 0;
    OnStart();
}

void CJostleView::OnTick() {
    if (m_busy == 0) {
        m_startButton.Enable(true);
    }
    ++m_secondsElapsed;
    if (m_secondsElapsed == m_targetSeconds) {
        m_secondsElapsed = 0;
        if (m_retryRound != 0) {
            OnStart(); // from the entry the selection is on
        } else if (m_randomName != 0 && m_freshStart == 0) {
            ChooseRandomName();
        } else {
            if (m_randomName != 0) {
                m_freshStart = 0; // the first expiry after a start keeps its name
            }
            ChooseNextPeriodLength();
            RunTheJob(m_usePendingName != 0);
        }
    }
    if (m_countdownLabel.IsEnabled()) {
        RefreshCountdown();
    }
}

void CJostleView::ChooseNextPeriodLength() {
    if (m_randomTime != 0) {
        AdjustTargetTime();
    } else {
        m_targetSeconds = m_periodSeconds;
    }
}

void CJostleView::AdjustTargetTime() {
    const int bound = m_debug != 0 ? kDebugRandomOffsetBound : kRandomOffsetBound;
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

void CJostleView::ChooseRandomName() {
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

void CJostleView::RefreshCountdown() {
    const std::string countdown = FormatCountdown(m_targetSeconds - m_secondsElapsed);
    m_countdownText.SetText(countdown);
    std::string tooltip = "Jostle in " + countdown;
    const bool anyFailure = m_dnsFailures != 0 || m_httpFailures != 0 || m_socketFailures != 0;
    if (anyFailure && m_ignoreFailures != 0 && m_problemPending != 0) {
        tooltip += "   Please check the Statistics dialog box";
    }
    m_trayIcon.SetTooltip(tooltip);
}

} // namespace jostle
