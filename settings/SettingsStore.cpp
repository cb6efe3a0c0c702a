#include "settings/SettingsStore.h"

#include "settings/FileIo.h"
#include "settings/HiveFile.h"
#include "settings/LegacyIni.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace jostle {

namespace {

using Change = HiveFile::Change;

// A value is read back only if its text and terminating zero fit 260 bytes.
constexpr std::size_t kReadBufferBytes = 260;

// Names and texts are zero-terminated: whatever follows a zero byte is not
// part of them.
std::string_view CText(const std::string& text) {
    return text.c_str();
}

// "%d" without its undefined overflow: leading white space, an optional
// sign, decimal digits, the rest ignored; beyond int it saturates.
std::optional<int> ParseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsWhiteSpace(text[i])) {
        ++i;
    }
    const bool negative = i < text.size() && text[i] == '-';
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    const std::size_t firstDigit = i;
    constexpr long long kBeyondInt = static_cast<long long>(INT_MAX) + 2;
    long long magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        magnitude = std::min(magnitude * 10 + (text[i] - '0'), kBeyondInt);
    }
    if (i == firstDigit) {
        return std::nullopt;
    }
    return static_cast<int>(std::clamp(negative ? -magnitude : magnitude,
                                       static_cast<long long>(INT_MIN),
                                       static_cast<long long>(INT_MAX)));
}

} // namespace

CSettingsStore::CSettingsStore(std::filesystem::path hiveFile, std::string appName)
    : m_hiveFile(std::move(hiveFile)), m_appName(std::move(appName)),
      m_file(std::make_unique<jostle::HiveFile>(m_hiveFile)) {}

CSettingsStore::~CSettingsStore() = default;

void CSettingsStore::SetStopCheck(std::function<bool()> stopRequested) {
    m_file->SetStopCheck(std::move(stopRequested));
}

const std::string& CSettingsStore::LastSaveFailure() const {
    return m_lastSaveFailure;
}

bool CSettingsStore::UsesOurRoot() const {
    return EqualsNoCase(m_rootKey, kRootKeyName);
}

std::string CSettingsStore::SectionPath(const std::string& section) const {
    return m_keyPath + '\\' + std::string(CText(section));
}

bool CSettingsStore::Open(const std::string& root, const std::string& keyPath, SettingsKey* key,
                          int* disposition) {
    // Recorded first, so the store points at the key even if it can't be made.
    m_keyPath = CText(keyPath);
    m_rootKey = root;
    m_importedAtOpen.reset();
    m_file->RemoveStaleTemporaries();
    // An existing key is opened without touching the file; a missing one is
    // made under the lock, where "missing" is decided against the fresh file.
    bool created = false;
    const bool opened = UsesOurRoot() && Hive::IsValidKeyPath(m_keyPath) &&
                        (m_file->Read().HasKey(m_keyPath) || m_file->Update([&](Hive& hive) {
                            created = !hive.HasKey(m_keyPath);
                            return !created                    ? Change::None
                                   : CreateKeyWithImport(hive) ? Change::Made
                                                               : Change::PastKeyLimit;
                        }));
    if (opened && created) {
        m_importedAtOpen = m_keyPath;
    }
    if (key != nullptr) {
        *key = SettingsKey{m_keyPath, opened};
    }
    if (disposition != nullptr) {
        *disposition = !opened ? 0 : created ? kKeyCreated : kKeyOpened;
    }
    return opened;
}

// The key and the legacy file's values land in one replace: a start cut
// short in between would leave a key that keeps the import from ever running.
bool CSettingsStore::CreateKeyWithImport(Hive& hive) const {
    if (!hive.CreateKey(m_keyPath)) {
        return false;
    }
    const auto legacyFile = LegacyIniFile();
    if (m_file->WasSetAside()) {
        if (std::filesystem::is_regular_file(legacyFile)) {
            std::fprintf(stderr,
                         "jostle: %s is not imported: a settings file was set aside before\n",
                         legacyFile.c_str());
        }
        return true;
    }
    if (const auto imported = ReadLegacyIni(legacyFile, m_keyPath)) {
        hive.Merge(*imported); // past the key limit, the import stops there
    }
    return true;
}

std::optional<std::string> CSettingsStore::ReadValue(const std::string& section,
                                                     const std::string& name) {
    if (!UsesOurRoot()) {
        return std::nullopt;
    }
    const std::string path = SectionPath(section);
    auto text = m_pending ? m_pending->Find(path, CText(name)) : std::nullopt;
    if (!text) {
        text = m_file->Read().Find(path, CText(name));
    }
    if (!text || text->size() + 1 > kReadBufferBytes) {
        return std::nullopt;
    }
    return std::string(*text);
}

int CSettingsStore::ReadInt(const std::string& section, const std::string& name, int defaultValue) {
    const auto text = ReadValue(section, name);
    return text ? ParseInt(*text).value_or(defaultValue) : defaultValue;
}

std::string CSettingsStore::ReadString(const std::string& section, const std::string& name,
                                       const std::string& defaultValue) {
    return ReadValue(section, name).value_or(defaultValue);
}

bool CSettingsStore::WriteInt(const std::string& section, const std::string& name, int value) {
    return WriteString(section, name, std::to_string(value));
}

bool CSettingsStore::WriteString(const std::string& section, const std::string& name,
                                 const std::string& value) {
    if (!UsesOurRoot()) {
        return false;
    }
    if (!m_pending) {
        m_pending = std::make_unique<Hive>();
    }
    if (!m_pending->Set(SectionPath(section), CText(name), CText(value))) {
        return false;
    }
    return m_batchDepth > 0 || LandPending();
}

bool CSettingsStore::LandPending() {
    const std::unique_ptr<Hive> pending = std::move(m_pending);
    const bool landed = !pending || pending->Empty() || m_file->Update([&](Hive& hive) {
        if (hive.Holds(*pending)) {
            return Change::None; // the same values again: the file stays as it is
        }
        return hive.Merge(*pending) ? Change::Made : Change::PastKeyLimit;
    });
    m_lastSaveFailure = landed ? "" : m_file->LastFailure();
    return landed;
}

std::filesystem::path CSettingsStore::LegacyIniFile() const {
    const char* windowsFolder = std::getenv("WINDIR");
    const std::filesystem::path folder = (windowsFolder != nullptr && *windowsFolder != '\0')
                                             ? std::filesystem::path(windowsFolder)
                                             : m_hiveFile.parent_path();
    // The systems the file comes from ignore letter case in file names.
    const std::string name = m_appName + ".INI";
    std::optional<std::string> found;
    for (const std::string& entry : FolderNames(folder.empty() ? "." : folder)) {
        if (EqualsNoCase(entry, name) && (!found || entry < *found)) {
            found = entry;
        }
    }
    return folder / found.value_or(name);
}

void CSettingsStore::ImportLegacyIni(const SettingsKey& key) {
    if (!key.valid || std::exchange(m_importedAtOpen, std::nullopt) == key.path) {
        return;
    }
    const auto imported = ReadLegacyIni(LegacyIniFile(), key.path);
    if (imported && !imported->Empty()) {
        m_file->Update([&](Hive& hive) {
            hive.Merge(*imported); // past the key limit, the import stops there
            return Change::Made;
        });
    }
}

void CSettingsStore::BeginBatch() {
    ++m_batchDepth;
}

bool CSettingsStore::EndBatch() {
    if (m_batchDepth == 0) {
        return false;
    }
    return --m_batchDepth > 0 || LandPending();
}

CSettingsStore::Batch::Batch(CSettingsStore& store) : m_store(store) {
    m_store.BeginBatch();
}

CSettingsStore::Batch::~Batch() {
    if (!m_committed) {
        m_store.EndBatch();
    }
}

bool CSettingsStore::Batch::Commit() {
    if (m_committed) {
        return false;
    }
    m_committed = true;
    return m_store.EndBatch();
}

} // namespace jostle
