// File access shared by the hive file and the legacy import.
#pragma once

#include <cstddef>
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
