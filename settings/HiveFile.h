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

// What tells one version of the file from another.
struct FileSignature {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNanoseconds = 0;
    bool operator==(const FileSignature&) const = default;
};

class HiveFile {
public:
    explicit HiveFile(std::filesystem::path path);

    // The hive as the file holds it now; empty when the file is missing,
    // can't be read or can't be parsed.
    const Hive& Read();

    // Under the lock: re-reads the file, lets change edit the hive and, if
    // change returns true, replaces the file with the result. False when the
    // file could not be read or replaced; it is then left as it was.
    bool Update(const std::function<bool(Hive&)>& change);

    std::filesystem::path LockFile() const;

private:
    struct Loaded;
    Loaded Load() const;
    bool SetAsideIfBad(Loaded& loaded);
    void ReportBadFile(const FileSignature& bad, const std::string& outcome);
    std::optional<FileSignature> ReplaceWith(const std::string& text, unsigned mode) const;
    void Remember(Loaded& loaded, std::int64_t loadStartNanoseconds);

    std::filesystem::path m_path;
    Hive m_hive;                 // the parsed copy
    FileSignature m_signature;   // of the file m_hive came from
    bool m_trusted = false;      // the file's time stamp is old enough to tell a later change
    FileSignature m_reportedBad; // the bad file last reported, so it is reported once
};

} // namespace jostle
