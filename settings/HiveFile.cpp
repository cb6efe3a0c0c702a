#include "settings/HiveFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
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
constexpr unsigned kNewFileMode = 0644;
constexpr int kMaxBadNames = 100;

enum class Status { Ok, Unparseable, Unreadable };

std::int64_t NowNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

FileSignature SignatureOf(const struct stat& info) {
    return FileSignature{true, info.st_dev, info.st_ino, static_cast<std::uint64_t>(info.st_size),
                         std::int64_t{info.st_mtim.tv_sec} * 1'000'000'000 + info.st_mtim.tv_nsec};
}

FileSignature SignatureOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? SignatureOf(info) : FileSignature{};
}

// Owns a file descriptor and closes it on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    bool Close() {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// An exclusive flock on the lock file beside the hive. The hive itself is
// replaced by rename, so a lock on it would be held on a vanished inode.
class FileLock {
public:
    explicit FileLock(const std::filesystem::path& path) : m_fd(OpenLockFile(path)) {
        while (m_fd.Valid() && ::flock(m_fd.Get(), LOCK_EX) != 0) {
            if (errno != EINTR) {
                m_fd.Close();
            }
        }
    }
    bool Held() const { return m_fd.Valid(); }

private:
    static int OpenLockFile(const std::filesystem::path& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, kNewFileMode);
        return fd >= 0 ? fd : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    }
    Descriptor m_fd;
};

bool ReadAll(int fd, std::string& text, std::size_t limit) {
    char buffer[64 * 1024];
    while (text.size() <= limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
    }
    return true;
}

bool WriteAll(int fd, const std::string& text) {
    for (std::size_t done = 0; done < text.size();) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno != EINTR) {
            return false;
        }
        done += static_cast<std::size_t>(std::max<ssize_t>(put, 0));
    }
    return true;
}

void SyncFolder(const std::filesystem::path& folder) {
    Descriptor fd(
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
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
    const std::string stem = file.string() + ".bad-" + LocalTimeStamp();
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

} // namespace

struct HiveFile::Loaded {
    Status status = Status::Ok;
    Hive hive;
    FileSignature signature; // none for a missing file
    unsigned mode = kNewFileMode;
};

HiveFile::HiveFile(std::filesystem::path path) : m_path(std::move(path)) {}

std::filesystem::path HiveFile::LockFile() const {
    return m_path.string() + ".lock";
}

HiveFile::Loaded HiveFile::Load() const {
    Loaded loaded;
    // Non-blocking, so that a FIFO put in the file's place can't hang us.
    const Descriptor fd(::open(m_path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid()) {
        loaded.status = errno == ENOENT ? Status::Ok : Status::Unreadable;
        return loaded;
    }
    struct stat info {};
    if (::fstat(fd.Get(), &info) != 0) {
        loaded.status = Status::Unreadable;
        return loaded;
    }
    loaded.signature = SignatureOf(info);
    if (!S_ISREG(info.st_mode)) {
        loaded.status = Status::Unreadable; // a folder, say: left alone
        return loaded;
    }
    loaded.mode = info.st_mode & 07777;
    std::string text;
    if (!ReadAll(fd.Get(), text, kMaxHiveBytes)) {
        loaded.status = Status::Unreadable;
        return loaded;
    }
    auto hive = Hive::Parse(text);
    loaded.status = hive ? Status::Ok : Status::Unparseable;
    loaded.hive = hive ? std::move(*hive) : Hive();
    return loaded;
}

const Hive& HiveFile::Read() {
    const std::int64_t start = NowNanoseconds();
    if (m_trusted && SignatureOf(m_path) == m_signature) {
        return m_hive;
    }
    Loaded loaded = Load();
    if (loaded.status == Status::Unparseable) {
        const FileLock lock(LockFile());
        if (lock.Held()) {
            loaded = Load(); // a writer may have replaced it meanwhile
            SetAsideIfBad(loaded);
        } else {
            ReportBadFile(loaded.signature, "could not lock it to move it aside");
        }
    }
    Remember(loaded, start);
    return m_hive;
}

bool HiveFile::Update(const std::function<bool(Hive&)>& change) {
    std::error_code ignored; // a folder that can't be made shows up as a failed lock
    std::filesystem::create_directories(m_path.parent_path(), ignored);
    const FileLock lock(LockFile());
    if (!lock.Held()) {
        return false;
    }
    const std::int64_t start = NowNanoseconds();
    Loaded loaded = Load();
    if (!SetAsideIfBad(loaded)) {
        return false;
    }
    if (change(loaded.hive)) {
        const std::string text = loaded.hive.Serialize();
        const auto written =
            text.size() <= kMaxHiveBytes ? ReplaceWith(text, loaded.mode) : std::nullopt;
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
bool HiveFile::SetAsideIfBad(Loaded& loaded) {
    if (loaded.status != Status::Unparseable) {
        return loaded.status == Status::Ok;
    }
    const auto aside = MoveAside(m_path);
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

// Writes a temporary file beside the hive, flushes it to disk and renames it
// over the hive, so that readers see the old file or the new one, never a mix.
std::optional<FileSignature> HiveFile::ReplaceWith(const std::string& text, unsigned mode) const {
    std::string temporary = m_path.string() + ".tmp-XXXXXX";
    Descriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!fd.Valid()) {
        return std::nullopt;
    }
    struct stat info {};
    bool written = ::fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), text) &&
                   ::fsync(fd.Get()) == 0 && ::fstat(fd.Get(), &info) == 0;
    written = fd.Close() && written;
    if (!written || std::rename(temporary.c_str(), m_path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return std::nullopt;
    }
    SyncFolder(m_path.parent_path());
    return SignatureOf(info);
}

void HiveFile::Remember(Loaded& loaded, std::int64_t loadStartNanoseconds) {
    m_hive = std::move(loaded.hive);
    m_signature = loaded.signature;
    m_trusted = !m_signature.exists ||
                loadStartNanoseconds - m_signature.mtimeNanoseconds > kSettleNanoseconds;
}

} // namespace jostle
