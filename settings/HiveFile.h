// The hive file on disk: reads served from a parsed copy while the file is
// provably unchanged, every change made under a lock by re-reading the file
// and replacing it atomically, and a file that can't be parsed set aside
// rather than overwritten.
#pragma once

#include "settings/FileIo.h"
#include "settings/Hive.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace jostle {

class HiveLock;

// Wall-clock time in nanoseconds, as file times are, and a pause; a test
// passes its own.
struct HiveClock {
    std::function<std::int64_t()> now;
    // Pauses for the time given, or until wake (a descriptor, or -1) is readable.
    std::function<void(std::int64_t nanoseconds, int wake)> sleep;
    static HiveClock System();
};

// How long a wait may last in all, and the pause between two looks.
struct HiveWait {
    std::int64_t limitNanoseconds;
    std::int64_t pauseNanoseconds;
};

class HiveFile {
public:
    // What a change did to the hive: nothing to write, a change to write, or
    // none, as it would take the hive past kMaxKeys.
    enum class Change { None, Made, PastKeyLimit };

    // A path that is a symbolic link stands for the file it leads to: that
    // file is replaced, the link stays.
    explicit HiveFile(std::filesystem::path path, HiveClock clock = HiveClock::System());

    // Asked at every pause (50 ms at most) while the lock or a settling file
    // is waited for; true gives the wait up at once, so that a stop signal is
    // not held up.
    void SetStopCheck(std::function<bool()> stopRequested);

    // The hive as the file holds it now; empty when the file is missing,
    // can't be read or can't be parsed.
    const Hive& Read();

    // Under the lock, once the file has settled: re-reads the file, lets
    // change edit the hive and replaces the file with the result if it
    // changed. False when the file could not be read or replaced; it is then
    // left as it was, and the reason is reported once on standard error.
    bool Update(const std::function<Change(Hive&)>& change);
    // Why the last Update failed, in words for the user; empty after one
    // that did not.
    const std::string& LastFailure() const { return m_lastFailure; }

    // Removes temporary files of writers killed midway, if there are any and
    // the lock can be had at once (else the next Update does).
    void RemoveStaleTemporaries();

    std::filesystem::path LockFile() const;
    // Whether a bad file was ever set aside here: then this is not a first start.
    bool WasSetAside() const;

private:
    struct Loaded;
    std::filesystem::path Target() const;
    Loaded Load(const std::filesystem::path& target) const;
    Loaded LoadSettled(const std::filesystem::path& target) const;
    bool IsYoung(const FileSignature& signature) const;
    bool WaitUntil(const std::function<bool()>& ready, const HiveWait& wait,
                   HiveLock* wakeOnClose = nullptr) const;
    std::optional<std::string> TakeLock(HiveLock& lock) const;
    bool WaitUntilSettled(const std::filesystem::path& target, const HiveLock& lock) const;
    std::optional<std::string> TryUpdate(const std::function<Change(Hive&)>& change);
    std::optional<std::string> SetAsideIfBad(const std::filesystem::path& target, Loaded& loaded);
    void ReportBadFile(const FileSignature& bad, const std::string& outcome);
    void ReportUnusable(const std::string& why);
    void ReportSaveFailure(const std::string& why);
    void Forget();
    void Remember(Loaded& loaded, std::int64_t loadStartNanoseconds);

    std::filesystem::path m_path;
    HiveClock m_clock;
    std::function<bool()> m_stopRequested = [] { return false; };
    Hive m_hive;                 // the parsed copy
    FileSignature m_signature;   // of the file m_hive came from
    bool m_trusted = false;      // the file's time stamp is old enough to tell a later change
    FileSignature m_reportedBad; // the bad file last reported, so it is reported once
    std::set<std::string> m_reportedCauses; // of failures reported, so each is reported once
    std::string m_lastFailure;
};

} // namespace jostle
