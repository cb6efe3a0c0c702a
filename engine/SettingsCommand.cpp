#include "engine/SettingsCommand.h"

#include "base/Text.h"
#include "engine/Engine.h"
#include "engine/EngineText.h"

#include <array>
#include <charconv>

namespace jostle {

namespace {

// The store reads back no longer text; a longer one would read as missing and
// cut the name list short there.
constexpr std::size_t kLongestStoredText = 259;

struct SwitchKey {
    const char* key;
    IntSetting setting;
};

constexpr std::array<SwitchKey, 4> kSwitchKeys{{{"ignore-failures", setting::kIgnoreFailures},
                                                {"random-name", setting::kRandomName},
                                                {"random-time", setting::kRandomTime},
                                                {"auto-start", setting::kAutoStart}}};

constexpr const char* kKnownKeys =
    "period, names, selected, ignore-failures, random-name, random-time, auto-start";

// Running copies read their settings only at start, and a running engine
// writes its own list and period back after each connection.
constexpr const char* kRestartNote =
    "A running jostle or jostle-headless takes the change at its next start; until then it may\n"
    "write its own names and period back. Restart the service: systemctl --user restart jostle\n";

const SwitchKey* FindSwitch(const std::string& key) {
    for (const SwitchKey& entry : kSwitchKeys) {
        if (key == entry.key) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<int> SwitchValue(const std::string& text) {
    for (const char* on : {"on", "yes", "true", "1"}) {
        if (EqualsNoCase(text, on)) {
            return 1;
        }
    }
    for (const char* off : {"off", "no", "false", "0"}) {
        if (EqualsNoCase(text, off)) {
            return 0;
        }
    }
    return std::nullopt;
}

bool IsPeriod(const std::string& text) {
    return text.size() <= kLongestStoredText && PeriodSecondsFromText(text, false).has_value();
}

std::string TrimmedWhiteSpace(const std::string& text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsWhiteSpace(text[first])) {
        ++first;
    }
    while (last > first && IsWhiteSpace(text[last - 1])) {
        --last;
    }
    return text.substr(first, last - first);
}

// Blanks around each name are dropped, so "a, b" lists "a" and "b".
std::optional<std::vector<std::string>> NameList(const std::string& text) {
    std::vector<std::string> names;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        const std::string name = TrimmedWhiteSpace(text.substr(start, comma - start));
        if (name.empty() || name.size() > kLongestStoredText ||
            FindIgnoringCase(names, name) >= 0) {
            return std::nullopt;
        }
        names.push_back(name);
        if (comma == std::string::npos) {
            return names;
        }
        start = comma + 1;
    }
}

// The list as the panel loads it: the stored entries up to the first empty
// one, else the default list.
std::vector<std::string> LoadedNames(CSettingsStore& store) {
    std::vector<std::string> names;
    for (int index = 0;; ++index) {
        std::string name = ReadNameEntry(store, index);
        if (name.empty()) {
            break;
        }
        names.push_back(std::move(name));
    }
    if (names.empty()) {
        names.assign(kDefaultTargetList.begin(), kDefaultTargetList.end());
    }
    return names;
}

// The selection as the panel takes it: an index beyond the list selects the
// first entry, a negative one none.
int LoadedSelection(CSettingsStore& store, const std::vector<std::string>& names) {
    const int stored = ReadSetting(store, setting::kSelectedName);
    return stored >= static_cast<int>(names.size()) ? 0 : stored;
}

std::string OnOff(int value) {
    return value != 0 ? "on" : "off";
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ",") + name;
    }
    return text;
}

} // namespace

SettingsCommand::SettingsCommand(const std::vector<std::string>& pairs) {
    for (const std::string& pair : pairs) {
        const std::size_t equals = pair.find('=');
        if (equals == std::string::npos) {
            Fail(pair, pair,
                 std::string("needs a value, as KEY=VALUE; the keys are ") + kKnownKeys);
        } else {
            Take(pair.substr(0, equals), pair.substr(equals + 1));
        }
        if (!m_error.empty()) {
            return;
        }
    }
}

void SettingsCommand::Take(const std::string& key, const std::string& value) {
    const SwitchKey* switchKey = FindSwitch(key);
    if (key == "period") {
        m_period = value;
        if (!IsPeriod(value)) {
            Reject(key, value, "a number of minutes from 1 to 60");
        }
    } else if (key == "names") {
        m_names = NameList(value);
        if (!m_names) {
            Reject(key, value,
                   "a comma-separated list of non-empty names of at most 259 bytes, "
                   "no two equal ignoring letter case");
        }
    } else if (key == "selected") {
        m_selected = value; // judged once the list is known
    } else if (switchKey != nullptr) {
        const std::optional<int> on = SwitchValue(value);
        if (!on) {
            Reject(key, value, "on/off, yes/no, true/false or 1/0");
        } else {
            m_switches.emplace_back(switchKey->setting, *on);
        }
    } else {
        Fail(key + "=" + value, key, std::string("is no key; the keys are ") + kKnownKeys);
    }
}

void SettingsCommand::Reject(const std::string& key, const std::string& value,
                             const std::string& accepts) {
    Fail(key + "=" + value, key, "accepts " + accepts);
}

void SettingsCommand::Fail(const std::string& pair, const std::string& key,
                           const std::string& text) {
    m_error = "jostle: --set " + pair + ": " + key + " " + text;
}

std::optional<int> SettingsCommand::SelectionIn(const std::vector<std::string>& names) const {
    const std::string& text = *m_selected;
    int index = -1;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), index);
    if (error == std::errc() && end == text.data() + text.size() && index >= 0 &&
        index < static_cast<int>(names.size())) {
        return index;
    }
    const int found = FindIgnoringCase(names, text);
    return found >= 0 ? std::optional<int>(found) : std::nullopt;
}

SettingsCommandResult SettingsCommand::Run(CSettingsStore& store) {
    const std::vector<std::string> loaded = LoadedNames(store);
    const std::vector<std::string>& names = m_names ? *m_names : loaded;
    int selection = LoadedSelection(store, loaded);
    if (m_selected && m_error.empty()) {
        const std::optional<int> chosen = SelectionIn(names);
        if (!chosen) {
            Reject("selected", *m_selected,
                   "an index into the list, 0 to " + std::to_string(names.size() - 1) +
                       ", or one of its names: " + Joined(names));
        }
        selection = chosen.value_or(-1);
    }
    if (!m_error.empty()) {
        return {2, "", m_error + "\n"};
    }
    const bool changes = m_period || m_names || m_selected || !m_switches.empty();
    if (!changes) {
        return {0, SettingsListing(store), ""};
    }
    // With a new list, the selection follows its name, as in the names editor.
    const bool inLoaded = selection >= 0 && selection < static_cast<int>(loaded.size());
    const std::string selectedName =
        m_selected ? names[selection] : (inLoaded ? loaded[selection] : "");
    if (!Write(store, selectedName, selection)) {
        return {1, "",
                "jostle: the settings could not be written to " + store.HiveFile().string() + "\n"};
    }
    return {0, SettingsListing(store) + kRestartNote, ""};
}

bool SettingsCommand::Write(CSettingsStore& store, const std::string& selectedName,
                            int selection) const {
    CSettingsStore::Batch batch(store); // every pair lands in one replace, or none does
    if (m_period) {
        WriteSetting(store, setting::kPeriod, *m_period);
    }
    if (m_names) {
        SaveEditedNames(store, *m_names, selectedName);
    } else if (m_selected) {
        WriteSetting(store, setting::kSelectedName, selection);
    }
    for (const auto& [key, value] : m_switches) {
        WriteSetting(store, key, value);
    }
    return batch.Commit();
}

std::string SettingsListing(CSettingsStore& store) {
    const std::vector<std::string> names = LoadedNames(store);
    std::string text = store.HiveFile().string() + "\n";
    text += "period=" + ReadSetting(store, setting::kPeriod) + "\n";
    text += "names=" + Joined(names) + "\n";
    text += "selected=" + std::to_string(LoadedSelection(store, names)) + "\n";
    for (const SwitchKey& entry : kSwitchKeys) {
        text += std::string(entry.key) + "=" + OnOff(ReadSetting(store, entry.setting)) + "\n";
    }
    return text;
}

} // namespace jostle
