#include "settings/HiveLock.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <unistd.h>
#include <utility>

namespace jostle {

namespace {

// Four fields of 16 hex digits, each with a blank or the line end after it.
constexpr std::size_t kRecordBytes = 4 * 17;

} // namespace

HiveLock::HiveLock(std::filesystem::path path) : m_path(std::move(path)), m_fd(Open()) {}

int HiveLock::Open() {
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK;
    int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | kFlags, kNewFileMode);
    const int error = errno; // the real reason, should the fallback fail too
    if (fd < 0 && error != ELOOP) {
        fd = ::open(m_path.c_str(), O_RDONLY | kFlags); // a read-only shared folder
    }
    struct stat info {};
    if (fd >= 0 && (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))) {
        ::close(fd);
        m_problem = m_path.string() + " is not a regular file";
        return -1;
    }
    if (fd < 0) {
        m_problem = ErrorText("can't open " + m_path.string(), error);
    }
    return fd;
}

bool HiveLock::TryTake() {
    while (m_fd.Valid() && !m_held) {
        if (::flock(m_fd.Get(), LOCK_EX | LOCK_NB) == 0) {
            m_held = true;
        } else if (errno != EINTR) {
            m_busy = errno == EWOULDBLOCK;
            m_problem = m_busy ? "" : ErrorText("can't lock " + m_path.string(), errno);
            break;
        }
    }
    return m_held;
}

int HiveLock::CloseEvents() {
    if (!m_closes) {
        m_closes.emplace(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
        if (m_closes->Valid() &&
            ::inotify_add_watch(m_closes->Get(), m_path.c_str(), IN_CLOSE | IN_DONT_FOLLOW) < 0) {
            m_closes->Close();
        }
    }
    char events[4096];
    while (m_closes->Valid() && ::read(m_closes->Get(), events, sizeof events) > 0) {
    }
    return m_closes->Get();
}

std::optional<FileSignature> HiveLock::Recorded() const {
    char text[kRecordBytes + 1] = {};
    if (::pread(m_fd.Get(), text, kRecordBytes, 0) != static_cast<ssize_t>(kRecordBytes)) {
        return std::nullopt;
    }
    FileSignature recorded{true};
    std::uint64_t mtime = 0;
    if (std::sscanf(text, "%16" SCNx64 " %16" SCNx64 " %16" SCNx64 " %16" SCNx64, &recorded.device,
                    &recorded.inode, &recorded.size, &mtime) != 4) {
        return std::nullopt;
    }
    recorded.mtimeNanoseconds = static_cast<std::int64_t>(mtime);
    return recorded;
}

void HiveLock::Record(const FileSignature& written) const {
    char text[kRecordBytes + 1];
    std::snprintf(text, sizeof text,
                  "%016" PRIx64 " %016" PRIx64 " %016" PRIx64 " %016" PRIx64 "\n", written.device,
                  written.inode, written.size,
                  static_cast<std::uint64_t>(written.mtimeNanoseconds));
    [[maybe_unused]] const ssize_t put = ::pwrite(m_fd.Get(), text, kRecordBytes, 0);
}

} // namespace jostle
