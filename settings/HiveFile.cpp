#include "settings/HiveFile.h"

#include "settings/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace jostle {

namespace {

// Changes within this time of a file's modification time may leave the time
// unchanged (coarse kernel clocks; FAT keeps two-second times), so a parsed
// copy of a younger file is not trusted.
constexpr std::int64_t kSettleNanoseconds = 2'000'000'000;
// An editor rewriting the file in place leaves it unparseable for a moment.
constexpr std::int64_t kEditorPollNanoseconds = 100'000'000;
constexpr std::int64_t kEditorWaitNanoseconds = 500'000'000;
// Asked of new files; the umask takes its share, as for any new file.
constexpr unsigned kNewFileMode = 0666;
constexpr int kMaxBadNames = 100;
constexpr int kMaxLinkHops = 40;
constexpr int kMaxTemporaryAttempts = 100;
constexpr std::string_view kTemporaryInfix = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 6;

enum class Status { Ok, Unparseable, Unreadable };

std::int64_t Nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

FileSignature SignatureOf(const struct stat& info) {
    return FileSignature{true, info.st_dev, info.st_ino, static_cast<std::uint64_t>(info.st_size),
                         Nanoseconds(info.st_mtim)};
}

FileSignature SignatureOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? SignatureOf(info) : FileSignature{};
}

std::filesystem::path Beside(const std::filesystem::path& file, std::string_view suffix) {
    return file.string().append(suffix);
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    return file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path();
}

// An exclusive flock on the lock file beside the hive. The hive itself is
// replaced by rename, so a lock on it would be held on a vanished inode. The
// lock file is never reached through a link, so that one planted in a shared
// folder can't make us create or lock a file elsewhere.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& path) : m_fd(OpenLockFile(path)) {
        m_error = m_fd.Valid() ? 0 : errno;
        while (m_fd.Valid() && ::flock(m_fd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_error = errno;
                m_fd.Close();
            }
        }
    }
    bool Held() const { return m_fd.Valid(); }
    int Error() const { return m_error; }

private:
    static int OpenLockFile(const std::filesystem::path& path) {
        constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
        int fd = ::open(path.c_str(), O_RDWR | O_CREAT | kFlags, kNewFileMode);
        if (fd < 0 && errno != ELOOP) {
            fd = ::open(path.c_str(), O_RDONLY | kFlags); // a read-only shared folder
        }
        struct stat info {};
        if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
            ::close(fd);
            errno = EINVAL;
            return -1;
        }
        return fd;
    }
    Descriptor m_fd;
    int m_error = 0;
};

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

// Moves a bad file to "<file>.bad-<time>", numbered when that name is taken.
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

// Every writer holds the lock while its temporary file exists, so under the
// lock any left are from writers killed midway.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = target.filename().string().append(kTemporaryInfix);
    for (const std::string& name : FolderNames(FolderOf(target))) {
        if (IsOurTemporary(name, prefix)) {
            ::unlink((FolderOf(target) / name).c_str());
        }
    }
}

// Writes a temporary file beside target, flushes it to disk and renames it
// over target, so that readers see the old file or the new one, never a mix.
// An existing file's mode is kept; a new file has the umask applied.
std::optional<FileSignature> ReplaceWith(const std::filesystem::path& target,
                                         const std::string& text,
                                         std::optional<unsigned> keptMode) {
    std::string temporary;
    Descriptor fd(CreateTemporary(target, temporary));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    struct stat info {};
    bool written = (!keptMode || ::fchmod(fd.Get(), *keptMode) == 0) && WriteAll(fd.Get(), text) &&
                   ::fsync(fd.Get()) == 0 && ::fstat(fd.Get(), &info) == 0;
    written = fd.Close() && written;
    if (!written || std::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return std::nullopt;
    }
    SyncFolder(FolderOf(target));
    return SignatureOf(info);
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
                     [](std::int64_t nanoseconds) {
                         timespec pause{nanoseconds / 1'000'000'000, nanoseconds % 1'000'000'000};
                         while (::nanosleep(&pause, &pause) != 0 && errno == EINTR) {
                         }
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
        loaded.problem = file.status == Read::Failed ? std::strerror(file.error)
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

bool HiveFile::IsYoung(const FileSignature& signature) const {
    return m_clock.now() - signature.mtimeNanoseconds < kSettleNanoseconds;
}

// A young file that doesn't parse may be an editor's rewrite in place
// (truncate, then write) caught midway: it is read again after short waits
// before it counts as bad.
HiveFile::Loaded HiveFile::LoadSettled(const std::filesystem::path& target) const {
    Loaded loaded = Load(target);
    for (std::int64_t waited = 0; loaded.status == Status::Unparseable &&
                                  waited < kEditorWaitNanoseconds && IsYoung(loaded.signature);
         waited += kEditorPollNanoseconds) {
        m_clock.sleep(kEditorPollNanoseconds);
        loaded = Load(target);
    }
    return loaded;
}

const Hive& HiveFile::Read() {
    const std::int64_t start = m_clock.now();
    const auto target = Target();
    if (m_trusted && SignatureOf(target) == m_signature) {
        return m_hive;
    }
    Loaded loaded = Load(target);
    if (loaded.status == Status::Unparseable) {
        const FileLock lock(Beside(target, ".lock"));
        if (lock.Held()) {
            loaded = LoadSettled(target); // a writer may have replaced it meanwhile
            SetAsideIfBad(target, loaded);
        } else {
            ReportBadFile(loaded.signature, "could not lock it to move it aside");
        }
    }
    if (loaded.status == Status::Unreadable) {
        ReportUnusable(loaded.problem);
    }
    Remember(loaded, start);
    return m_hive;
}

bool HiveFile::Update(const std::function<bool(Hive&)>& change) {
    const auto target = Target();
    if (const auto problem = UnusablePath(target)) {
        ReportUnusable(*problem);
        return false;
    }
    std::error_code ignored; // a folder that can't be made shows up as a failed lock
    std::filesystem::create_directories(target.parent_path(), ignored);
    const FileLock lock(Beside(target, ".lock"));
    if (!lock.Held()) {
        ReportUnusable("can't lock " + LockFile().string() + ": " + std::strerror(lock.Error()));
        return false;
    }
    RemoveStaleTemporaries(target);
    const std::int64_t start = m_clock.now();
    Loaded loaded = LoadSettled(target);
    if (loaded.status == Status::Unreadable) {
        ReportUnusable(loaded.problem);
    }
    if (!SetAsideIfBad(target, loaded)) {
        return false;
    }
    if (change(loaded.hive)) {
        const std::string text = loaded.hive.Serialize();
        const auto written =
            text.size() <= kMaxHiveBytes ? ReplaceWith(target, text, loaded.mode) : std::nullopt;
        if (!written) {
            return false;
        }
        loaded.signature = *written;
    }
    Remember(loaded, start);
    return true;
}

// True when the hive in loaded can be built on: the file was good, missing,
// or bad and is now out of the way. Expects the lock to be held.
bool HiveFile::SetAsideIfBad(const std::filesystem::path& target, Loaded& loaded) {
    if (loaded.status != Status::Unparseable) {
        return loaded.status == Status::Ok;
    }
    const auto aside = MoveAside(target);
    ReportBadFile(loaded.signature,
                  aside ? "kept it as " + aside->string() : std::string("could not move it aside"));
    if (!aside) {
        return false;
    }
    loaded = Loaded();
    return true;
}

void HiveFile::ReportBadFile(const FileSignature& bad, const std::string& outcome) {
    if (bad == m_reportedBad) {
        return;
    }
    m_reportedBad = bad;
    std::fprintf(stderr, "jostle: settings file %s can't be parsed; %s; starting from defaults\n",
                 m_path.c_str(), outcome.c_str());
}

void HiveFile::ReportUnusable(const std::string& why) {
    if (!std::exchange(m_reportedUnusable, true)) {
        std::fprintf(stderr, "jostle: settings file %s can't be used (%s); running with defaults\n",
                     m_path.c_str(), why.c_str());
    }
}

// A file whose time is well in the past or the future tells a later change:
// a rewrite stamps the present time, a replace brings another inode.
void HiveFile::Remember(Loaded& loaded, std::int64_t loadStartNanoseconds) {
    m_hive = std::move(loaded.hive);
    m_signature = loaded.signature;
    const std::int64_t age = loadStartNanoseconds - m_signature.mtimeNanoseconds;
    m_trusted = !m_signature.exists || age > kSettleNanoseconds || age < -kSettleNanoseconds;
}

} // namespace jostle
