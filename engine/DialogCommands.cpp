// The panel's commands that open dialogs: copy in, run, apply the result.
#include "engine/Engine.h"
#include "engine/EngineText.h"

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

void Engine::EditNames() {
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
    TellIfSaveFailed();
    LoadNameList();
}

void Engine::Options() {
    OptionsData data;
    data.checkIgnore = m_options.ignoreFailures;
    data.checkRandomName = m_options.randomName;
    data.checkRandomTime = m_options.randomTime;
    data.checkAutoStart = m_options.autoStart;
    if (!m_services.dialogs.RunOptions(data)) {
        return;
    }
    m_options.ignoreFailures = data.checkIgnore;
    m_options.randomName = data.checkRandomName;
    m_options.randomTime = data.checkRandomTime;
    m_options.autoStart = data.checkAutoStart;
    CSettingsStore& settings = m_services.settings;
    CSettingsStore::Batch batch(settings); // the four options land as one replace
    WriteSetting(settings, setting::kIgnoreFailures, m_options.ignoreFailures ? 1 : 0);
    WriteSetting(settings, setting::kAutoStart, m_options.autoStart ? 1 : 0);
    WriteSetting(settings, setting::kRandomName, m_options.randomName ? 1 : 0);
    WriteSetting(settings, setting::kRandomTime, m_options.randomTime ? 1 : 0);
    batch.Commit();
    TellIfSaveFailed();
}

// The user asked for this save, so a failure is told there and then, not
// only on standard error.
void Engine::TellIfSaveFailed() {
    const std::string& reason = m_services.settings.LastSaveFailure();
    if (reason.empty()) {
        return;
    }
    Alert("The settings could not be saved to " + m_services.settings.HiveFile().string() + ": " +
          reason + ".\n\nThe changes apply until Jostle ends, but will not be kept after that.");
}

void Engine::Statistics() {
    StatisticsData data;
    data.dnsFailuresText = DecimalText(m_counters.dnsFailures);
    data.httpFailuresText = DecimalText(m_counters.httpFailures);
    data.socketFailuresText = DecimalText(m_counters.socketFailures);
    data.successCountText = DecimalText(m_counters.successes);
    data.lastProblemText = m_lastProblem;
    m_problemPending = false; // opening the snapshot acknowledges the problem
    m_services.dialogs.RunStatistics(data);
}

void Engine::About() {
    AboutData data;
    data.ipAddressText = m_localAddressText;
    // Tick counts of 32 bits, as the text has always been worked out.
    data.timeSinceLaunchText = TimeSinceLaunchText(
        static_cast<std::uint32_t>(Now()), static_cast<std::uint32_t>(m_launchMilliseconds));
    m_services.dialogs.RunAbout(data);
}

void Engine::Help() {
    m_services.dialogs.ShowHelp();
}

} // namespace jostle
