#include "settings/HiveFile.h"

#include "settings/FileIo.h"
#include "settings/HiveLock.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace jostle {

namespace {

// Changes within this time of a file's modification time may leave the time
// unchanged (coarse kernel clocks; FAT keeps two-second times), so a parsed
// copy of a younger file is not trusted.
constexpr std::int64_t kSettleNanoseconds = 2'000'000'000;
// Waits are bounded and look for a stop at every pause, so that neither a
// lock held by another user nor a slow writer keeps the program from
// stopping. An editor rewriting the file in place leaves it unparseable for
// a moment; another copy holds the lock for a save, anyone else as long as
// they like; an editor may write the file in place over a few seconds, and
// then it settles.
constexpr HiveWait kEditorWait{500'000'000, 50'000'000};
constexpr HiveWait kLockWait{2'000'000'000, 50'000'000};
constexpr HiveWait kSettleWait{5'000'000'000, 50'000'000};
constexpr int kMaxBadNames = 100;
constexpr int kMaxLinkHops = 40;
constexpr int kMaxTemporaryAttempts = 100;
constexpr std::string_view kTemporaryInfix = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 6;

enum class Status { Ok, Unparseable, Unreadable };

bool WithinSettleTime(std::int64_t age) {
    return age < kSettleNanoseconds && age > -kSettleNanoseconds;
}

std::filesystem::path Beside(const std::filesystem::path& file, std::string_view suffix) {
    return file.string().append(suffix);
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
}

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno != EINTR) {
            return false;
        }
        done += static_cast<std::size_t>(put < 0 ? 0 : put);
    }
    return true;
}

void SyncFolder(const std::filesystem::path& folder) {
    const Descriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Valid()) {
        ::fsync(fd.Get());
    }
}

std::string LocalTimeStamp() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

// Moves a bad file to "<file>.bad-<time>", numbered when that name is taken;
// errno tells why it could not.
std::optional<std::filesystem::path> MoveAside(const std::filesystem::path& file) {
    const std::string stem = Beside(file, ".bad-" + LocalTimeStamp());
    for (int number = 1; number <= kMaxBadNames; ++number) {
        const std::string aside = number == 1 ? stem : stem + '-' + std::to_string(number);
        std::error_code error;
        if (!std::filesystem::exists(aside, error) && !error) {
            return std::rename(file.c_str(), aside.c_str()) == 0 ? std::optional(aside)
                                                                 : std::nullopt;
        }
    }
    errno = EEXIST;
    return std::nullopt;
}

std::string RandomSuffix() {
    static constexpr std::string_view kLetters =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937_64 random(static_cast<std::uint64_t>(HiveClock::System().now()) ^
                                  (static_cast<std::uint64_t>(::getpid()) << 32));
    std::string suffix;
    for (std::size_t i = 0; i < kTemporarySuffixLength; ++i) {
        suffix += kLetters[random() % kLetters.size()];
    }
    return suffix;
}

// A new temporary file beside target. O_EXCL never follows a link planted
// under the name.
int CreateTemporary(const std::filesystem::path& target, std::string& name) {
    for (int attempt = 0; attempt < kMaxTemporaryAttempts; ++attempt) {
        name = Beside(target, std::string(kTemporaryInfix) + RandomSuffix());
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                              kNewFileMode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool IsOurTemporary(const std::string& name, const std::string& prefix) {
    return name.size() == prefix.size() + kTemporarySuffixLength && name.starts_with(prefix);
}

std::vector<std::filesystem::path> TemporariesOf(const std::filesystem::path& target) {
    const std::string prefix = target.filename().string().append(kTemporaryInfix);
    std::vector<std::filesystem::path> found;
    for (const std::string& name : FolderNames(FolderOf(target))) {
        if (IsOurTemporary(name, prefix)) {
            found.push_back(FolderOf(target) / name);
        }
    }
    return found;
}

// Every writer holds the lock while its temporary file exists, so under the
// lock any left are from writers killed midway.
void RemoveTemporaries(const std::filesystem::path& target) {
    for (const auto& temporary : TemporariesOf(target)) {
        ::unlink(temporary.c_str());
    }
}

// Writes what the temporary file should hold; the errno of a failure is left
// for the caller.
bool FillTemporary(int fd, const std::string& text, std::optional<unsigned> keptMode,
                   struct stat& info) {
    return (!keptMode || ::fchmod(fd, *keptMode) == 0) && WriteAll(fd, text) && ::fsync(fd) == 0 &&
           ::fstat(fd, &info) == 0;
}

// Writes a temporary file beside target, flushes it to disk and renames it
// over target, so that readers see the old file or the new one, never a mix.
// An existing file's mode is kept; a new file has the umask applied. Gives
// the new file's signature, or why it could not be written.
std::optional<std::string> ReplaceWith(const std::filesystem::path& target, const std::string& text,
                                       std::optional<unsigned> keptMode, FileSignature& written) {
    std::string temporary;
    Descriptor fd(CreateTemporary(target, temporary));
    if (!fd.Valid()) {
        return ErrorText("can't create a file in " + FolderOf(target).string(), errno);
    }
    struct stat info {};
    bool filled = FillTemporary(fd.Get(), text, keptMode, info);
    int error = errno; // kept before the clean-up's calls change it
    if (!fd.Close() && filled) {
        filled = false;
        error = errno;
    }
    if (!filled) {
        ::unlink(temporary.c_str());
        return ErrorText("can't write a new copy of " + target.string(), error);
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return ErrorText("can't replace " + target.string(), error);
    }
    SyncFolder(FolderOf(target));
    written = SignatureOf(info);
    return std::nullopt;
}

// Why the path can't hold the hive at all, if it can't.
std::optional<std::string> UnusablePath(const std::filesystem::path& target) {
    if (target.empty()) {
        return "no file name";
    }
    struct stat info {};
    if (::lstat(target.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file";
    }
    return std::nullopt;
}

} // namespace

HiveClock HiveClock::System() {
    return HiveClock{[] {
                         timespec now{};
                         clock_gettime(CLOCK_REALTIME, &now);
                         return Nanoseconds(now);
                     },
                     [](std::int64_t nanoseconds, int wake) {
                         pollfd woken{wake, POLLIN, 0}; // with -1, poll just sleeps
                         ::poll(&woken, 1, static_cast<int>(nanoseconds / 1'000'000));
                     }};
}

struct HiveFile::Loaded {
    Status status = Status::Ok;
    Hive hive;
    FileSignature signature;      // none for a missing file
    std::optional<unsigned> mode; // an existing file's, kept on replace
    std::string problem;          // why an unreadable file can't be read
};

HiveFile::HiveFile(std::filesystem::path path, HiveClock clock)
    : m_path(std::move(path)), m_clock(std::move(clock)) {}

void HiveFile::SetStopCheck(std::function<bool()> stopRequested) {
    m_stopRequested = std::move(stopRequested);
}

std::filesystem::path HiveFile::Target() const {
    std::filesystem::path path = m_path;
    std::error_code error;
    for (int hop = 0; hop < kMaxLinkHops && std::filesystem::is_symlink(path, error); ++hop) {
        const auto leadsTo = std::filesystem::read_symlink(path, error);
        if (error) {
            break;
        }
        path = leadsTo.is_absolute() ? leadsTo : path.parent_path() / leadsTo;
    }
    return path;
}

std::filesystem::path HiveFile::LockFile() const {
    return Beside(Target(), ".lock");
}

bool HiveFile::WasSetAside() const {
    const auto target = Target();
    const std::string prefix = target.filename().string() + ".bad-";
    return std::ranges::any_of(FolderNames(FolderOf(target)),
                               [&](const std::string& name) { return name.starts_with(prefix); });
}

HiveFile::Loaded HiveFile::Load(const std::filesystem::path& target) const {
    using Read = FileText::Status;
    Loaded loaded;
    const FileText file = ReadRegularFile(target, kMaxHiveBytes);
    if (file.status == Read::Missing) {
        return loaded;
    }
    if (file.status == Read::Failed || file.status == Read::NotRegular) {
        loaded.status = Status::Unreadable; // a folder, say: left alone
        loaded.problem = file.status == Read::Failed ? ErrorText("can't read it", file.error)
                                                     : UnusablePath(target).value_or("");
        loaded.signature = file.status == Read::Failed ? FileSignature{} : SignatureOf(file.info);
        return loaded;
    }
    loaded.signature = SignatureOf(file.info);
    loaded.mode = file.info.st_mode & 07777;
    auto hive = file.status == Read::Read ? Hive::Parse(file.text) : std::nullopt;
    loaded.status = hive ? Status::Ok : Status::Unparseable;
    loaded.hive = hive ? std::move(*hive) : Hive();
    return loaded;
}

// Within the settle time either way: a file stamped well in the future has
// not just been written.
bool HiveFile::IsYoung(const FileSignature& signature) const {
    return WithinSettleTime(m_clock.now() - signature.mtimeNanoseconds);
}

// Asks ready until it holds, pausing between; false once the limit has
// passed or a stop is requested. A clock set back ends the wait too. A pause
// also ends when wakeOnClose's lock file is closed, as a holder letting go
// does: tried only now and then, a lock that another writer takes again and
// again would hardly ever be had.
bool HiveFile::WaitUntil(const std::function<bool()>& ready, const HiveWait& wait,
                         HiveLock* wakeOnClose) const {
    const std::int64_t start = m_clock.now();
    while (!ready()) {
        const std::int64_t waited = m_clock.now() - start;
        if (waited < 0 || waited >= wait.limitNanoseconds || m_stopRequested()) {
            return false;
        }
        m_clock.sleep(wait.pauseNanoseconds, wakeOnClose ? wakeOnClose->CloseEvents() : -1);
    }
    return true;
}

// A young file that doesn't parse may be an editor's rewrite in place
// (truncate, then write) caught midway: it is read again after short waits
// before it counts as bad.
HiveFile::Loaded HiveFile::LoadSettled(const std::filesystem::path& target) const {
    Loaded loaded;
    WaitUntil(
        [&] {
            loaded = Load(target);
            return loaded.status != Status::Unparseable || !IsYoung(loaded.signature);
        },
        kEditorWait);
    return loaded;
}

// Why the lock could not be had within the bounded wait, if it could not.
std::optional<std::string> HiveFile::TakeLock(HiveLock& lock) const {
    if (WaitUntil([&] { return lock.TryTake() || !lock.Busy(); }, kLockWait, &lock) &&
        lock.Problem().empty()) {
        return std::nullopt;
    }
    return lock.Busy() ? LockFile().string() + " is held by another program" : lock.Problem();
}

// A file changed lately by someone who did not hold the lock (an editor,
// say) may still be being written in place; it is left alone until its last
// write has settled.
bool HiveFile::WaitUntilSettled(const std::filesystem::path& target, const HiveLock& lock) const {
    const auto leftByLockHolder = lock.Recorded();
    return WaitUntil(
        [&] {
            const FileSignature now = SignatureOf(target);
            return !now.exists || now == leftByLockHolder || !IsYoung(now);
        },
        kSettleWait);
}

const Hive& HiveFile::Read() {
    const std::int64_t start = m_clock.now();
    const auto target = Target();
    if (m_trusted && SignatureOf(target) == m_signature) {
        return m_hive;
    }
    Forget();
    Loaded loaded = Load(target);
    if (loaded.status == Status::Unparseable) {
        HiveLock lock(LockFile());
        if (const auto problem = TakeLock(lock)) {
            ReportBadFile(loaded.signature,
                          "could not lock it to move it aside (" + *problem + ")");
        } else {
            loaded = LoadSettled(target); // a writer may have replaced it meanwhile
            SetAsideIfBad(target, loaded);
        }
    }
    if (loaded.status == Status::Unreadable) {
        ReportUnusable(loaded.problem);
    }
    Remember(loaded, start);
    return m_hive;
}

bool HiveFile::Update(const std::function<Change(Hive&)>& change) {
    m_lastFailure = TryUpdate(change).value_or("");
    if (!m_lastFailure.empty()) {
        ReportSaveFailure(m_lastFailure);
    }
    return m_lastFailure.empty();
}

std::optional<std::string> HiveFile::TryUpdate(const std::function<Change(Hive&)>& change) {
    const auto target = Target();
    if (auto problem = UnusablePath(target)) {
        return problem;
    }
    std::error_code notMade;
    std::filesystem::create_directories(FolderOf(target), notMade);
    if (notMade) {
        return "can't make the folder " + FolderOf(target).string() + ": " + notMade.message();
    }
    HiveLock lock(LockFile());
    if (auto problem = TakeLock(lock)) {
        return problem;
    }
    RemoveTemporaries(target);
    if (!WaitUntilSettled(target, lock)) {
        return "another program is changing " + target.string(); // or a stop came first
    }
    Forget(); // one parsed tree at a time; after a failure the file is read again
    const std::int64_t start = m_clock.now();
    Loaded loaded = LoadSettled(target);
    if (auto problem = SetAsideIfBad(target, loaded)) {
        return problem;
    }
    const Change made = change(loaded.hive);
    if (made == Change::PastKeyLimit) {
        return "the settings would hold more than " + std::to_string(kMaxKeys) + " keys";
    }
    if (made == Change::Made) {
        if (loaded.hive.SerializedSize() > kMaxHiveBytes) {
            return "the file would grow past its limit of " +
                   std::to_string(kMaxHiveBytes / 1024 / 1024) + " MiB";
        }
        if (auto problem =
                ReplaceWith(target, loaded.hive.Serialize(), loaded.mode, loaded.signature)) {
            return problem;
        }
        lock.Record(loaded.signature);
    }
    Remember(loaded, start);
    return std::nullopt;
}

void HiveFile::RemoveStaleTemporaries() {
    const auto target = Target();
    if (TemporariesOf(target).empty()) {
        return; // no lock file made for nothing
    }
    HiveLock lock(LockFile());
    if (lock.TryTake()) {
        RemoveTemporaries(target);
    }
}

// Why the hive in loaded can't be built on, if it can't: the file was good,
// missing, or bad and is now out of the way. Expects the lock to be held.
std::optional<std::string> HiveFile::SetAsideIfBad(const std::filesystem::path& target,
                                                   Loaded& loaded) {
    if (loaded.status == Status::Unreadable) {
        return loaded.problem;
    }
    if (loaded.status == Status::Ok) {
        return std::nullopt;
    }
    const auto aside = MoveAside(target);
    const int error = errno;
    ReportBadFile(loaded.signature,
                  aside ? "kept it as " + aside->string() : std::string("could not move it aside"));
    if (!aside) {
        return ErrorText("it can't be parsed and can't be moved aside", error);
    }
    loaded = Loaded();
    return std::nullopt;
}

void HiveFile::ReportBadFile(const FileSignature& bad, const std::string& outcome) {
    if (bad == m_reportedBad) {
        return;
    }
    m_reportedBad = bad;
    std::fprintf(stderr, "jostle: settings file %s can't be parsed; %s; starting from defaults\n",
                 m_path.c_str(), outcome.c_str());
}

// Each cause once, whether a read or a save met it first.
void HiveFile::ReportUnusable(const std::string& why) {
    if (m_reportedCauses.insert(why).second) {
        std::fprintf(stderr,
                     "jostle: settings file %s can't be used (%s); running with defaults, and "
                     "changes will not be kept\n",
                     m_path.c_str(), why.c_str());
    }
}

void HiveFile::ReportSaveFailure(const std::string& why) {
    if (m_reportedCauses.insert(why).second) {
        std::fprintf(stderr,
                     "jostle: settings not saved to %s: %s; the values in use stay, but changes "
                     "will not be kept\n",
                     m_path.c_str(), why.c_str());
    }
}

void HiveFile::Forget() {
    m_hive = Hive();
    m_signature = FileSignature{};
    m_trusted = false;
}

// A file whose time is well in the past or the future tells a later change:
// a rewrite stamps the present time, a replace brings another inode.
void HiveFile::Remember(Loaded& loaded, std::int64_t loadStartNanoseconds) {
    m_hive = std::move(loaded.hive);
    m_signature = loaded.signature;
    m_trusted = !m_signature.exists ||
                !WithinSettleTime(loadStartNanoseconds - m_signature.mtimeNanoseconds);
}

} // namespace jostle
