// Temporary folders, file helpers and child processes for the settings tests.
#pragma once

#include "settings/FileIo.h"
#include "settings/HiveFile.h"
#include "settings/SettingsStore.h"
#include "tests/support/TempFolder.h"

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>
#include <stdexcept>
#include <string>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace jostle::test {

inline const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
inline const std::string kSettingsKey =
    "[HKEY_LOCAL_MACHINE\\Software\\Quorvane Software\\Jostle\\Settings]\n";

inline std::string HiveWithOften(const std::string& often) {
    return kHeader + kSettingsKey + "\"Often\"=\"" + often + "\"\n";
}

inline bool OpenAppKey(CSettingsStore& store) {
    SettingsKey key;
    int disposition = 0;
    return store.Open(kRootKeyName, kAppKey, &key, &disposition);
}

inline void WriteFileText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

inline std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline ino_t InodeOf(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Sets the modification time, to nanoseconds.
inline void SetModificationTime(const std::filesystem::path& file, timespec when) {
    const timespec times[2] = {when, when};
    ASSERT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

inline timespec ModificationTime(const std::filesystem::path& file) {
    struct stat info {};
    ::stat(file.c_str(), &info);
    return info.st_mtim;
}

// A file last written an hour ago: a bad one is set aside at once, without
// the pauses a young file gets while an editor may still be writing it
// (those pauses are tested on their own, with a clock of the test's).
inline void WriteOldFileText(const std::filesystem::path& file, const std::string& text) {
    WriteFileText(file, text);
    SetModificationTime(file, {ModificationTime(file).tv_sec - 3600, 0});
}

// A clock whose pauses take no real time; what happens during a pause is up
// to the test.
struct FakeClock {
    std::int64_t now = 0;
    std::int64_t slept = 0;
    std::function<void()> duringPause = [] {};
    HiveClock Clock() {
        return HiveClock{[this] { return now; },
                         [this](std::int64_t pause, int /*wake*/) {
                             slept += pause;
                             now += pause;
                             duringPause();
                         }};
    }
};

// Runs the settings tool (SETTINGS_TOOL) with args; as root, unprivileged
// runs drop to the nobody user so that folder permissions apply. Returns the
// child's pid, or -1.
inline pid_t StartTool(const std::vector<std::string>& args, bool unprivileged = false,
                       const std::filesystem::path& output = "/dev/null") {
    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    const int out = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(out, STDERR_FILENO);
    constexpr uid_t kNobody = 65534;
    if (unprivileged && ::geteuid() == 0 && (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)) {
        ::_exit(125);
    }
    std::vector<char*> argv{const_cast<char*>(SETTINGS_TOOL)};
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    ::execv(SETTINGS_TOOL, argv.data());
    ::_exit(126);
}

inline int WaitForExit(pid_t pid) {
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

inline int RunTool(const std::vector<std::string>& args, bool unprivileged = false,
                   const std::filesystem::path& output = "/dev/null") {
    return WaitForExit(StartTool(args, unprivileged, output));
}

} // namespace jostle::test
