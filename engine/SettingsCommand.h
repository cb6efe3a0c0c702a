// --show-settings and --set KEY=VALUE: the settings by command, checked with
// the rules of the panel and the dialogs and written through the same store,
// all pairs in one replace.
#pragma once

#include "engine/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace jostle {

// What a settings command prints and how the program exits.
struct SettingsCommandResult {
    int exitStatus = 0;
    std::string output; // standard output
    std::string error;  // standard error
};

class SettingsCommand {
public:
    // Checks each "KEY=VALUE" pair on its own; no pairs only shows the settings.
    explicit SettingsCommand(const std::vector<std::string>& pairs);

    // The line naming the first bad pair's key and what it accepts; empty
    // when every pair is good so far.
    const std::string& Error() const { return m_error; }

    // On the opened store: judges "selected" against the list it will have,
    // writes every pair in one replace and lists the settings. A bad pair
    // writes nothing and exits 2; a replace that fails exits 1.
    SettingsCommandResult Run(CSettingsStore& store);

private:
    void Take(const std::string& key, const std::string& value);
    void Reject(const std::string& key, const std::string& value, const std::string& accepts);
    void Fail(const std::string& pair, const std::string& key, const std::string& text);
    std::optional<int> SelectionIn(const std::vector<std::string>& names) const;
    bool Write(CSettingsStore& store, const std::string& selectedName, int selection) const;

    std::optional<std::string> m_period;
    std::optional<std::vector<std::string>> m_names;
    std::optional<std::string> m_selected; // an index or a name, judged against the list
    std::vector<std::pair<IntSetting, int>> m_switches;
    std::string m_error;
};

// The settings file's path, then one "key=value" line per setting, values as
// the program reads them.
std::string SettingsListing(CSettingsStore& store);

} // namespace jostle
