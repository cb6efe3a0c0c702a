// The settings store: named text values in named sections below one
// application key, kept in a hive file in the registry editor's export format.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace jostle {

class Hive;
class HiveFile;

// Stands for an open registry key: the hive root plus a key path.
struct SettingsKey {
    std::string path;
    bool valid = false;
};

inline constexpr const char* kRootKeyName = "HKEY_LOCAL_MACHINE";
inline constexpr int kKeyCreated = 1; // disposition: the key was newly created
inline constexpr int kKeyOpened = 2;  // disposition: the key existed already

class CSettingsStore {
public:
    // hiveFile is the file that holds the whole key tree. appName forms the
    // legacy file's name (appName + ".INI").
    explicit CSettingsStore(std::filesystem::path hiveFile, std::string appName = "Jostle");
    virtual ~CSettingsStore();
    CSettingsStore(const CSettingsStore&) = delete;
    CSettingsStore& operator=(const CSettingsStore&) = delete;

    // Saves wait for the lock at most 2 s, and at most 5 s for a file that
    // another program changed lately to settle; stopRequested is asked at
    // least every 50 ms meanwhile, and true gives the wait up at once (the
    // save then fails), so that a stop signal is never held up.
    void SetStopCheck(std::function<bool()> stopRequested);

    // Creates or opens the key path below the root, after removing the
    // temporary files of writers killed midway if the lock is free. Reports
    // kKeyCreated in disposition exactly when the key did not exist in the
    // hive before. A new key lands together with what the legacy INI file
    // holds, in one replace, unless a bad settings file was set aside before
    // (then this is no first start and the legacy file is not imported).
    bool Open(const std::string& root, const std::string& keyPath, SettingsKey* key,
              int* disposition);

    // Reads give the default when the value is missing, holds 260 bytes or
    // more, or (ReadInt) holds no number; a number beyond int saturates.
    // Virtual so that tests can record what the program reads and writes.
    virtual int ReadInt(const std::string& section, const std::string& name, int defaultValue);
    virtual bool WriteInt(const std::string& section, const std::string& name, int value);
    virtual std::string ReadString(const std::string& section, const std::string& name,
                                   const std::string& defaultValue);
    virtual bool WriteString(const std::string& section, const std::string& name,
                             const std::string& value);

    // Copies the legacy INI file into sections below key. Right after an
    // Open that created key, the copy was made with the key and this does nothing.
    void ImportLegacyIni(const SettingsKey& key);

    // Within a batch, writes are collected and land in one atomic replace of
    // the file when the outermost batch ends; reads inside it see them.
    class Batch {
    public:
        explicit Batch(CSettingsStore& store);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;
        // Ends this batch now: the outermost lands the collected writes and
        // tells whether they reached the file; a nested one just closes.
        bool Commit();

    private:
        CSettingsStore& m_store;
        bool m_committed = false;
    };

    // Why the last save failed, in words for the user (a save is a write
    // outside a batch, or the end of the outermost batch); empty after one
    // that reached the file or had nothing to write. Each cause is also
    // reported once on standard error.
    virtual const std::string& LastSaveFailure() const;

    const std::filesystem::path& HiveFile() const { return m_hiveFile; }
    // appName + ".INI" in any letter case, in $WINDIR or else the hive's folder.
    std::filesystem::path LegacyIniFile() const;

protected:
    // Batch calls these; nested batches land once, when the outermost ends.
    virtual void BeginBatch();
    virtual bool EndBatch();

private:
    bool UsesOurRoot() const;
    std::string SectionPath(const std::string& section) const;
    std::optional<std::string> ReadValue(const std::string& section, const std::string& name);
    bool LandPending();
    bool CreateKeyWithImport(Hive& hive) const;

    std::string m_keyPath;
    std::string m_rootKey = kRootKeyName;
    std::filesystem::path m_hiveFile;
    std::string m_appName;
    std::unique_ptr<jostle::HiveFile> m_file; // cached reads, locked replaces
    std::unique_ptr<Hive> m_pending;          // writes collected by an open batch
    int m_batchDepth = 0;
    std::optional<std::string> m_importedAtOpen; // the key Open created and imported into
    std::string m_lastSaveFailure;
};

} // namespace jostle
