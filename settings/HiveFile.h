// The hive file on disk: reads served from a parsed copy while the file is
// provably unchanged, every change made under a lock by re-reading the file
// and replacing it atomically, and a file that can't be parsed set aside
// rather than overwritten.
#pragma once

#include "settings/Hive.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace jostle {

// Wall-clock time in nanoseconds, as file times are, and a pause; a test
// passes its own.
struct HiveClock {
    std::function<std::int64_t()> now;
    std::function<void(std::int64_t nanoseconds)> sleep;
    static HiveClock System();
};

// What tells one version of the file from another.
struct FileSignature {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNanoseconds = 0;
    bool operator==(const FileSignature&) const = default;
};

class HiveFile {
public:
    // A path that is a symbolic link stands for the file it leads to: that
    // file is replaced, the link stays.
    explicit HiveFile(std::filesystem::path path, HiveClock clock = HiveClock::System());

    // The hive as the file holds it now; empty when the file is missing,
    // can't be read or can't be parsed.
    const Hive& Read();

    // Under the lock: re-reads the file, lets change edit the hive and, if
    // change returns true, replaces the file with the result. False when the
    // file could not be read or replaced; it is then left as it was.
    bool Update(const std::function<bool(Hive&)>& change);

    std::filesystem::path LockFile() const;
    // Whether a bad file was ever set aside here: then this is not a first start.
    bool WasSetAside() const;

private:
    struct Loaded;
    std::filesystem::path Target() const;
    Loaded Load(const std::filesystem::path& target) const;
    Loaded LoadSettled(const std::filesystem::path& target) const;
    bool IsYoung(const FileSignature& signature) const;
    bool SetAsideIfBad(const std::filesystem::path& target, Loaded& loaded);
    void ReportBadFile(const FileSignature& bad, const std::string& outcome);
    void ReportUnusable(const std::string& why);
    void Remember(Loaded& loaded, std::int64_t loadStartNanoseconds);

    std::filesystem::path m_path;
    HiveClock m_clock;
    Hive m_hive;                 // the parsed copy
    FileSignature m_signature;   // of the file m_hive came from
    bool m_trusted = false;      // the file's time stamp is old enough to tell a later change
    FileSignature m_reportedBad; // the bad file last reported, so it is reported once
    bool m_reportedUnusable = false;
};

} // namespace jostle
