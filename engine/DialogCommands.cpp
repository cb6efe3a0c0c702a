// The panel's commands that open dialogs: copy in, run, apply the result.
#include "engine/JostleView.h"

#include <algorithm>
#include <string>

namespace jostle {

namespace {

std::string DecimalText(int number) {
    return std::to_string(number);
}

} // namespace

int SaveEditedNames(CSettingsStore& settings, const std::vector<std::string>& names,
                    const std::string& selectedName) {
    CSettingsStore::Batch batch(settings); // the list is replaced as a whole
    const int count = static_cast<int>(names.size());
    for (int index = 0; index < count; ++index) {
        WriteNameEntry(settings, index, names[index]);
    }
    // The loader stops at the first empty value, so clearing stops there too.
    for (int index = count;; ++index) {
        if (ReadNameEntry(settings, index).empty()) {
            break;
        }
        WriteNameEntry(settings, index, "");
    }
    const int selection = std::max(FindIgnoringCase(names, selectedName), 0);
    WriteSetting(settings, setting::kSelectedName, selection);
    return selection;
}

void CJostleView::OnEditNames() {
    EditNamesData data;
    for (int index = 0; index < m_nameCombo.Count(); ++index) {
        data.names.push_back(m_nameCombo.ItemText(index));
    }
    data.selectedName = m_targetName;
    const std::string nameAtOpening = m_targetName;
    if (!m_services.dialogs.RunEditNames(data)) {
        return;
    }
    SaveEditedNames(m_services.settings, data.names, nameAtOpening);
    LoadNameList();
}

void CJostleView::OnOptions() {
    OptionsData data;
    data.checkIgnore = m_ignoreFailures;
    data.checkRandomName = m_randomName;
    data.checkRandomTime = m_randomTime;
    data.checkAutoStart = m_autoStart;
    if (!m_services.dialogs.RunOptions(data)) {
        return;
    }
    m_ignoreFailures = data.checkIgnore;
    m_randomName = data.checkRandomName;
    m_randomTime = data.checkRandomTime;
    m_autoStart = data.checkAutoStart;
    CSettingsStore& settings = m_services.settings;
    CSettingsStore::Batch batch(settings); // the four options land as one replace
    WriteSetting(settings, setting::kIgnoreFailures, m_ignoreFailures);
    WriteSetting(settings, setting::kAutoStart, m_autoStart);
    WriteSetting(settings, setting::kRandomName, m_randomName);
    WriteSetting(settings, setting::kRandomTime, m_randomTime);
}

void CJostleView::OnStatistics() {
    StatisticsData data;
    data.dnsFailuresText = DecimalText(m_dnsFailures);
    data.httpFailuresText = DecimalText(m_httpFailures);
    data.socketFailuresText = DecimalText(m_socketFailures);
    data.successCountText = DecimalText(m_successCount);
    data.lastProblemText = m_lastProblem;
    m_problemPending = 0; // opening the snapshot acknowledges the problem
    m_services.dialogs.RunStatistics(data);
}

void CJostleView::OnAbout() {
    AboutData data;
    data.ipAddressText = m_localAddressText;
    data.timeSinceLaunchText = TimeSinceLaunchText(m_services.clock.TickCount(), m_launchTick);
    m_services.dialogs.RunAbout(data);
}

void CJostleView::OnHelpFinder() {
    m_services.dialogs.ShowHelp();
}

} // namespace jostle
