// File access shared by the hive file and the legacy import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace jostle {

// Owns a file descriptor and closes it on every path.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() { Close(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }
    bool Valid() const { return m_fd >= 0; }
    bool Close();

private:
    int m_fd;
};

// Asked of new files; the umask takes its share, as for any new file.
inline constexpr unsigned kNewFileMode = 0666;

// What tells one version of a file from another.
struct FileSignature {
    bool exists = false;
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t mtimeNanoseconds = 0;
    bool operator==(const FileSignature&) const = default;
};

FileSignature SignatureOf(const struct stat& info);
// Of the file path leads to; none when there is no such file.
FileSignature SignatureOf(const std::filesystem::path& path);
std::int64_t Nanoseconds(const timespec& time);

// "what: the text of error".
std::string ErrorText(const std::string& what, int error);

struct FileText {
    enum class Status { Read, Missing, NotRegular, TooLarge, Failed };
    Status status = Status::Failed;
    std::string text;
    struct stat info {}; // valid unless Missing or Failed
    int error = 0;       // errno of a failure
};

// Reads a regular file whole, up to limit bytes. Opened without blocking, so
// that a FIFO in its place can't hang us; anything but a regular file (a
// device, a folder) is not read at all.
FileText ReadRegularFile(const std::filesystem::path& file, std::size_t limit);

// The names in folder; none when it can't be listed.
std::vector<std::string> FolderNames(const std::filesystem::path& folder);

} // namespace jostle
