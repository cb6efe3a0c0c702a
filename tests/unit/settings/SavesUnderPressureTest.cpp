// Saves when others get in the way: a lock held by another process, a folder
// the user may not write, a slow editor writing the file in place, and the
// memory a full-size file takes.
#include "SettingsTestSupport.h"
#include "settings/Hive.h"
#include "settings/HiveFile.h"
#include "settings/SettingsStore.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/file.h>

namespace jostle::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Another process holding the lock for five seconds, as
// `flock -x settings.reg.lock sleep 5` would; ready once it holds it.
class LockHolder {
public:
    explicit LockHolder(const std::filesystem::path& lockFile) {
        int ready[2];
        if (::pipe(ready) != 0) {
            throw std::runtime_error("no pipe");
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
            ::_exit(fd >= 0 && ::flock(fd, LOCK_EX) == 0 && ::write(ready[1], "L", 1) == 1 &&
                            ::sleep(5) == 0
                        ? 0
                        : 1);
        }
        ::close(ready[1]);
        char byte = 0;
        m_held = ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~LockHolder() { Release(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;
    bool Held() const { return m_held; }
    void Release() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

private:
    pid_t m_pid = -1;
    bool m_held = false;
};

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class SavesUnderPressureTest : public ::testing::Test {
protected:
    TempFolder folder;
    std::filesystem::path hive = folder.Path() / "settings.reg";
};

HiveFile::Change SetOften(Hive& hive) {
    hive.Set(std::string(kAppKey) + "\\Settings", "Often", "26");
    return HiveFile::Change::Made;
}

TEST_F(SavesUnderPressureTest, AHeldLockFailsTheSaveAfterTwoSecondsOrAtTheFirstPauseAfterAStop) {
    WriteOldFileText(hive, HiveWithOften("25"));
    LockHolder holder(folder.Path() / "settings.reg.lock");
    ASSERT_TRUE(holder.Held());
    FakeClock clock;
    HiveFile file(hive, clock.Clock());
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(file.Update(SetOften));
    EXPECT_GE(clock.slept, 2'000'000'000);
    EXPECT_LE(clock.slept, 2'050'000'000);

    clock.slept = 0;
    file.SetStopCheck([&] { return clock.slept >= 200'000'000; });
    EXPECT_FALSE(file.Update(SetOften));
    EXPECT_EQ(clock.slept, 200'000'000);
    EXPECT_EQ(file.LastFailure(),
              (folder.Path() / "settings.reg.lock").string() + " is held by another program");
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(LineCount(messages), 1U) << "once per cause: " << messages;
    EXPECT_TRUE(Contains(messages, "the values in use stay, but changes will not be kept"))
        << messages;
    EXPECT_EQ(ReadFileText(hive), HiveWithOften("25"));
}

// In real time, through the store: the batch the user asked for fails as
// soon as the stop comes, says why, and the next save goes through.
TEST_F(SavesUnderPressureTest, AStopEndsTheStoresWaitForAHeldLock) {
    WriteOldFileText(hive, HiveWithOften("25"));
    CSettingsStore store(hive);
    ASSERT_TRUE(OpenAppKey(store));
    LockHolder holder(folder.Path() / "settings.reg.lock");
    ASSERT_TRUE(holder.Held());
    std::optional<Clock::time_point> stopped;
    const auto start = Clock::now();
    store.SetStopCheck([&] {
        if (!stopped && Clock::now() - start >= 100ms) {
            stopped = Clock::now();
        }
        return stopped.has_value();
    });
    ::testing::internal::CaptureStderr();
    CSettingsStore::Batch batch(store);
    store.WriteInt("Settings", "Often", 27);
    EXPECT_FALSE(batch.Commit());
    ASSERT_TRUE(stopped);
    EXPECT_LT(Clock::now() - *stopped, 100ms) << "a pause lasts 50 ms at most";
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(Contains(store.LastSaveFailure(), "settings.reg.lock is held by another program"))
        << store.LastSaveFailure();
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 25);
    CSettingsStore::Batch nothingToSave(store);
    EXPECT_TRUE(nothingToSave.Commit());
    EXPECT_EQ(store.LastSaveFailure(), "") << "it tells of the last save only";

    holder.Release();
    EXPECT_TRUE(store.WriteInt("Settings", "Often", 28));
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 28);
}

// As another user, so that root's bypass of folder permissions hides nothing.
TEST_F(SavesUnderPressureTest, AReadOnlyFolderTellsTheRealReasonWithOrWithoutTheLockFile) {
    const auto output = folder.Path() / "output";
    for (const bool withLockFile : {true, false}) {
        TempFolder shared;
        const auto file = shared.Path() / "settings.reg";
        WriteOldFileText(file, HiveWithOften("25"));
        if (withLockFile) {
            WriteFileText(shared.Path() / "settings.reg.lock", "");
        }
        std::filesystem::permissions(shared.Path(), std::filesystem::perms(0555));
        const std::string path = file.string();

        EXPECT_EQ(RunTool({"write", path, "Settings", "Often=9", "Other=1"}, true, output), 1);
        const std::string messages = ReadFileText(output);
        SCOPED_TRACE(messages);
        EXPECT_EQ(LineCount(messages), 1U);
        EXPECT_TRUE(Contains(messages, "not saved to " + path));
        EXPECT_TRUE(Contains(messages, std::strerror(EACCES)));
        EXPECT_TRUE(Contains(messages, "the values in use stay, but changes will not be kept"));
        EXPECT_EQ(RunTool({"read", path, "Settings", "Often"}, true, output), 0);
        EXPECT_EQ(ReadFileText(output), "25\n");
    }
}

// An editor appends a line at each of the save's first ten pauses, to a
// file the program read halfway. The save waits until the file has settled
// after the editor's last write, and keeps what both wrote.
TEST_F(SavesUnderPressureTest, AFileBeingWrittenInPlaceIsReplacedOnlyOnceSettled) {
    WriteFileText(hive, kHeader + kSettingsKey + "\"Line0\"=\"1\"\n");
    FakeClock clock;
    clock.now = Nanoseconds(ModificationTime(hive)) + 100'000'000;
    HiveFile file(hive, clock.Clock());
    const std::string settings = std::string(kAppKey) + "\\Settings";
    EXPECT_TRUE(file.Read().Find(settings, "Line0")) << "whole lines parse";

    std::int64_t lastWrite = 0;
    int lines = 1;
    clock.duringPause = [&] {
        if (lines < 10) {
            std::ofstream(hive, std::ios::app) << "\"Line" << lines++ << "\"=\"1\"\n";
            SetModificationTime(hive, {clock.now / 1'000'000'000, clock.now % 1'000'000'000});
            lastWrite = clock.now;
        }
    };
    const std::int64_t start = clock.now;
    EXPECT_TRUE(file.Update(SetOften));
    EXPECT_EQ(lines, 10);
    EXPECT_GE(clock.now - lastWrite, 2'000'000'000);
    EXPECT_LT(clock.now - start, 5'000'000'000);
    const std::string text = ReadFileText(hive);
    EXPECT_TRUE(Contains(text, "\"Line9\"=\"1\"")) << text;
    EXPECT_TRUE(Contains(text, "\"Often\"=\"26\"")) << text;
}

// Peak resident memory of a write to file by the settings tool. Under
// AddressSanitizer, freed memory would wait in quarantine and count as the
// tool's; it is the sanitizer's, so the measured run keeps none.
long PeakBytesOfWrite(const std::filesystem::path& file, const std::filesystem::path& output) {
    const char* options = std::getenv("ASAN_OPTIONS");
    const std::string kept = options != nullptr ? options : "";
    ::setenv("ASAN_OPTIONS", (kept + ":quarantine_size_mb=0").c_str(), 1);
    const int status = RunTool({"peak-write", file.string(), "Settings", "Often=1"}, false, output);
    if (options != nullptr) {
        ::setenv("ASAN_OPTIONS", kept.c_str(), 1);
    } else {
        ::unsetenv("ASAN_OPTIONS");
    }
    return status == 0 ? std::stol(ReadFileText(output)) : -1;
}

// Tiny values give the most tree for each byte of file.
std::string FullFileOfTinyValues() {
    std::string text = kHeader;
    for (int value = 0; text.size() < kMaxHiveBytes - 1024; ++value) {
        if (value % 1000 == 0) {
            text += "[HKEY_LOCAL_MACHINE\\K" + std::to_string(value / 1000) + "]\n";
        }
        text += '"' + std::to_string(value % 1000) + "\"=\"1\"\n";
    }
    return text;
}

TEST_F(SavesUnderPressureTest, AFullSizeFileTakesAtMostTenTimesItsSizeInMemory) {
    const auto empty = folder.Path() / "empty.reg";
    WriteOldFileText(empty, kHeader);
    const std::string text = FullFileOfTinyValues();
    WriteOldFileText(hive, text);
    const auto output = folder.Path() / "output";
    const long idle = PeakBytesOfWrite(empty, output);
    const long full = PeakBytesOfWrite(hive, output);
    ASSERT_GT(idle, 0);
    ASSERT_GT(full, 0) << "the write must fit";
    EXPECT_LE(full - idle, static_cast<long>(10 * text.size()))
        << "idle " << idle << ", with the file " << full;
    EXPECT_GT(ReadFileText(hive).size(), text.size());
}

} // namespace
} // namespace jostle::test
