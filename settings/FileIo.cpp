#include "settings/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace jostle {

namespace {

// Reads until the end or one byte past limit, whichever comes first; room
// for the size the file had is made at once, so that a large file is not
// copied while the text grows.
bool ReadUpTo(int fd, std::string& text, std::size_t expected, std::size_t limit) {
    text.reserve(std::min(expected, limit) + 1);
    char buffer[64 * 1024];
    while (text.size() <= limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) {
            return true;
        }
        if (got < 0 && errno != EINTR) {
            return false;
        }
        text.append(buffer, static_cast<std::size_t>(got < 0 ? 0 : got));
    }
    return true;
}

} // namespace

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

std::string ErrorText(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

bool Descriptor::Close() {
    const int fd = std::exchange(m_fd, -1);
    return fd < 0 || ::close(fd) == 0;
}

FileText ReadRegularFile(const std::filesystem::path& file, std::size_t limit) {
    using Status = FileText::Status;
    FileText result;
    const Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.Valid() || ::fstat(fd.Get(), &result.info) != 0) {
        result.error = errno;
        result.status = errno == ENOENT ? Status::Missing : Status::Failed;
        return result;
    }
    if (!S_ISREG(result.info.st_mode)) {
        result.status = Status::NotRegular;
    } else if (!ReadUpTo(fd.Get(), result.text, static_cast<std::size_t>(result.info.st_size),
                         limit)) {
        result.error = errno;
        result.status = Status::Failed;
    } else {
        result.status = result.text.size() > limit ? Status::TooLarge : Status::Read;
    }
    return result;
}

std::vector<std::string> FolderNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(folder, error), end; !error && entry != end;
         entry.increment(error)) {
        names.push_back(entry->path().filename().string());
    }
    return names;
}

} // namespace jostle
