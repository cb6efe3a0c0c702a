// Every value the program keeps in its settings store: section, name, type
// and default, written once here. All reads and writes go through these, so
// a name or a default cannot drift between the places that use it.
#pragma once

#include "settings/SettingsStore.h"

#include <array>
#include <string>

namespace jostle {

inline constexpr const char* kSettingsSection = "Settings";

// A whole number, read with ReadInt: text that holds no number gives the default.
struct IntSetting {
    const char* name;
    int fallback;
};

// A text, kept as it was given.
struct TextSetting {
    const char* name;
    const char* fallback;
};

namespace setting {

// The four options of the options dialog, and the test mode (15-second
// periods, shorter random offsets) that has no control. Each is written as 0
// or 1; any other stored number reads as on, as the program always did.
inline constexpr IntSetting kIgnoreFailures{"Ignore", 1};
inline constexpr IntSetting kRandomName{"RandomName", 0};
inline constexpr IntSetting kRandomTime{"RandomTime", 0};
inline constexpr IntSetting kAutoStart{"AutoStart", 1};
inline constexpr IntSetting kDebug{"Debug", 0};

// The period in minutes, as typed in the panel (a fraction stays as typed).
// It is judged only when the engine starts: from kPeriodLowestMinutes up to
// below kPeriodHighestMinutes + 1.
inline constexpr TextSetting kPeriod{"Often", "25"};
inline constexpr int kPeriodLowestMinutes = 1;
inline constexpr int kPeriodHighestMinutes = 60;

// The name list: texts "ComboName0", "ComboName1", ... (default empty); the
// list ends at the first empty entry. When the first is empty, the list is
// kDefaultTargetList below.
inline constexpr const char* kNameEntryPrefix = "ComboName";

// The selected entry of the name list; an index at or beyond the list's end
// selects the first entry, a negative one selects none.
inline constexpr IntSetting kSelectedName{"ComboNameSel", 0};

} // namespace setting

// The name list when the store holds none, and what the names editor's
// "Restore Default" puts back. All are contacted on port 80.
inline constexpr std::array<const char*, 5> kDefaultTargetList = {
    "www.debian.org", "www.kernel.org", "1.1.1.1", "www.gnu.org", "www.wikipedia.org"};

inline int ReadSetting(CSettingsStore& store, const IntSetting& key) {
    return store.ReadInt(kSettingsSection, key.name, key.fallback);
}

inline bool WriteSetting(CSettingsStore& store, const IntSetting& key, int value) {
    return store.WriteInt(kSettingsSection, key.name, value);
}

inline std::string ReadSetting(CSettingsStore& store, const TextSetting& key) {
    return store.ReadString(kSettingsSection, key.name, key.fallback);
}

inline bool WriteSetting(CSettingsStore& store, const TextSetting& key, const std::string& value) {
    return store.WriteString(kSettingsSection, key.name, value);
}

// The settings value name of name list entry index.
inline std::string ComboNameValue(int index) {
    return setting::kNameEntryPrefix + std::to_string(index);
}

inline std::string ReadNameEntry(CSettingsStore& store, int index) {
    return store.ReadString(kSettingsSection, ComboNameValue(index), "");
}

inline bool WriteNameEntry(CSettingsStore& store, int index, const std::string& name) {
    return store.WriteString(kSettingsSection, ComboNameValue(index), name);
}

} // namespace jostle
