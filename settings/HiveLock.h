// The lock that every change of a hive file is made under.
#pragma once

#include "settings/FileIo.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace jostle {

// An exclusive flock on the lock file beside the hive. The hive itself is
// replaced by rename, so a lock on it would be held on a vanished inode. The
// lock file is never reached through a link, so that one planted in a shared
// folder can't make us create or lock a file elsewhere. It also records the
// file as the last holder left it, so that a file written under the lock is
// not mistaken for one another program is still writing.
class HiveLock {
public:
    // Opens (or makes) the lock file; a read-only one is used too.
    explicit HiveLock(std::filesystem::path path);

    // Takes the lock if no one holds it; false when someone does (Busy) or
    // it can't be taken at all (Problem).
    bool TryTake();
    bool Busy() const { return m_busy; }
    const std::string& Problem() const { return m_problem; }

    // A descriptor that turns readable when someone closes the lock file, as
    // a holder letting go does, with the closes seen so far taken off; -1
    // when there is none to be had.
    int CloseEvents();

    // The file as the last holder wrote it, if it said.
    std::optional<FileSignature> Recorded() const;
    // Best effort: a lock file we may only read keeps no record.
    void Record(const FileSignature& written) const;

private:
    int Open();

    std::filesystem::path m_path;
    std::string m_problem;
    Descriptor m_fd;
    bool m_held = false;
    bool m_busy = false;
    std::optional<Descriptor> m_closes; // inotify, made when first asked for
};

} // namespace jostle
