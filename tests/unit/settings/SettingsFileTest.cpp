// The hive file itself: changes by others, bad files, folders in the way,
// unwritable folders, size limits, descriptors, and two writers at once.
#include "SettingsTestSupport.h"
#include "settings/Hive.h"
#include "settings/HiveFile.h"
#include "settings/SettingsStore.h"

#include <fcntl.h>

namespace jostle::test {
namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    // The file as another program would rewrite it: in place, same inode.
    void RewriteInPlace(const std::string& text) {
        const ino_t inode = InodeOf(hive);
        WriteFileText(hive, text);
        ASSERT_EQ(InodeOf(hive), inode);
    }
    std::vector<std::string> BadFiles() const {
        std::vector<std::string> bad;
        for (const std::string& name : FolderEntries(folder.Path())) {
            if (name.starts_with("settings.reg.bad-")) {
                bad.push_back(name);
            }
        }
        return bad;
    }

    TempFolder folder;
    std::filesystem::path hive = folder.Path() / "settings.reg";
};

TEST_F(SettingsFileTest, ChangesByOthersAreSeenEvenAtTheSameSize) {
    WriteFileText(hive, HiveWithOften("25"));
    const timespec old{ModificationTime(hive).tv_sec - 3600, 100};
    SetModificationTime(hive, old);
    CSettingsStore store(hive);
    OpenAppKey(store);
    ASSERT_EQ(store.ReadInt("Settings", "Often", 0), 25);

    // Same inode and size, the time one nanosecond later.
    RewriteInPlace(HiveWithOften("26"));
    SetModificationTime(hive, {old.tv_sec, old.tv_nsec + 1});
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 26);

    // Same size and time, another inode.
    WriteFileText(folder.Path() / "next", HiveWithOften("27"));
    SetModificationTime(folder.Path() / "next", {old.tv_sec, old.tv_nsec + 1});
    std::filesystem::rename(folder.Path() / "next", hive);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 27);

    // Same inode, size and time: a change within one tick of a coarse clock.
    // The file is young, so its parsed copy was never trusted.
    WriteFileText(hive, HiveWithOften("28"));
    const timespec recent = ModificationTime(hive);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 28);
    RewriteInPlace(HiveWithOften("29"));
    SetModificationTime(hive, recent);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 29);

    // Another store's write.
    CSettingsStore other(hive);
    OpenAppKey(other);
    ASSERT_TRUE(other.WriteInt("Settings", "Often", 30));
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 30);
}

// A time stamp the cache can trust is one well away from the present, in
// either direction: a rewrite would stamp the present time.
TEST_F(SettingsFileTest, AFileStampedInTheFutureIsStillServedFromTheCache) {
    WriteFileText(hive, HiveWithOften("25"));
    const timespec future{ModificationTime(hive).tv_sec + 3600, 0};
    SetModificationTime(hive, future);
    CSettingsStore store(hive);
    OpenAppKey(store);
    ASSERT_EQ(store.ReadInt("Settings", "Often", 0), 25);
    RewriteInPlace(HiveWithOften("26")); // the same size, time and inode: unseen
    SetModificationTime(hive, future);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 25) << "parsed again";
}

struct BadInput {
    const char* name;
    std::string text;
};

void PrintTo(const BadInput& input, std::ostream* out) {
    *out << input.name;
}

class BadFileTest : public SettingsFileTest, public ::testing::WithParamInterface<BadInput> {};

TEST_P(BadFileTest, IsSetAsideOnceAndTheStoreGoesOnFromDefaults) {
    const std::string bad = GetParam().text;
    WriteOldFileText(hive, bad);
    CSettingsStore store(hive);
    ::testing::internal::CaptureStderr();
    OpenAppKey(store); // meets the bad file first
    EXPECT_EQ(store.ReadInt("Settings", "Often", 7), 7);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 7), 7);
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    EXPECT_NE(messages.find("can't be parsed"), std::string::npos) << messages;

    const auto aside = BadFiles();
    ASSERT_EQ(aside.size(), 1U);
    EXPECT_TRUE(ReadFileText(folder.Path() / aside[0]) == bad);
    EXPECT_NE(messages.find(aside[0]), std::string::npos);

    ASSERT_TRUE(store.WriteInt("Settings", "Often", 8));
    CSettingsStore fresh(hive);
    OpenAppKey(fresh);
    EXPECT_EQ(fresh.ReadInt("Settings", "Often", 0), 8);
    EXPECT_EQ(BadFiles().size(), 1U);
}

std::string DeepKey() {
    std::string path = "a";
    for (int i = 1; i < 16'000; ++i) {
        path += "\\a";
    }
    return kHeader + "[HKEY_LOCAL_MACHINE\\" + path + "]\n";
}

std::string BigLine() {
    return kHeader + kSettingsKey + "\"Often\"=\"" + std::string(10 * 1024 * 1024, 'x') + "\"\n";
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, BadFileTest,
    ::testing::Values(BadInput{"Garbage", "\x7f\x45LF garbage\n\x01\x02"},
                      BadInput{"TruncatedLine", HiveWithOften("25").substr(0, 100)},
                      BadInput{"NulBytes", kHeader + kSettingsKey + "\"Of" + std::string(1, '\0') +
                                               "ten\"=\"1\"\n"},
                      BadInput{"TenMegabyteLine", BigLine()},
                      BadInput{"SixteenThousandLevels", DeepKey()},
                      BadInput{"WrongFirstLine", "REGEDIT4\n\n" + kSettingsKey},
                      BadInput{"ValueBeforeAnyKey", kHeader + "\"Often\"=\"1\"\n"},
                      BadInput{"OtherRoot", kHeader + "[HKEY_CURRENT_USER\\Software]\n"},
                      BadInput{"UnknownEscape", kHeader + kSettingsKey + "\"Often\"=\"\\t\"\n"},
                      BadInput{"OtherValueType",
                               kHeader + kSettingsKey + "\"Often\"=dword:00000019\n"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SettingsFileTest, BlanksAndLineEndsLeftByAHandEditAreRead) {
    WriteFileText(hive, "Windows Registry Editor Version 5.00 \n  \n\t[HKEY_LOCAL_MACHINE\\Software"
                        "\\Quorvane Software\\Jostle\\Settings]  \n"
                        "  \"Often\" = \"12\"\t\n\"ComboName0\"=  \" spaced \"\n");
    CSettingsStore store(hive);
    ::testing::internal::CaptureStderr();
    OpenAppKey(store);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 12);
    EXPECT_EQ(store.ReadString("Settings", "ComboName0", ""), " spaced ") << "quoted blanks stay";
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_TRUE(BadFiles().empty());

    // As the registry editor itself saves it.
    WriteFileText(hive, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software"
                        "\\Quorvane Software\\Jostle\\Settings]\r\n\"Often\"=\"7\"\r\n");
    CSettingsStore crlf(hive);
    OpenAppKey(crlf);
    EXPECT_EQ(crlf.ReadInt("Settings", "Often", 0), 7) << "CRLF line ends";
    EXPECT_TRUE(BadFiles().empty());
}

TEST_F(SettingsFileTest, BadFilesMetByAWriteAreSetAsideUnderUniqueNames) {
    CSettingsStore store(hive);
    OpenAppKey(store);
    for (const std::string bad : {"not a hive", "nor this"}) {
        WriteOldFileText(hive, bad);
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(store.WriteInt("Settings", "Often", 3));
        const std::string messages = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    }
    const auto aside = BadFiles();
    ASSERT_EQ(aside.size(), 2U);
    EXPECT_EQ(ReadFileText(folder.Path() / aside[0]), "not a hive");
    EXPECT_EQ(ReadFileText(folder.Path() / aside[1]), "nor this");
    CSettingsStore fresh(hive);
    OpenAppKey(fresh);
    EXPECT_EQ(fresh.ReadInt("Settings", "Often", 0), 3);
}

TEST_F(SettingsFileTest, AFolderInTheFilesPlaceIsLeftAlone) {
    std::filesystem::create_directory(hive);
    WriteFileText(hive / "inside", "kept");
    CSettingsStore store(hive);
    SettingsKey key;
    int disposition = 0;
    EXPECT_FALSE(store.Open(kRootKeyName, kAppKey, &key, &disposition));
    EXPECT_EQ(store.ReadInt("Settings", "Often", 4), 4);
    EXPECT_FALSE(store.WriteInt("Settings", "Often", 5));
    EXPECT_TRUE(std::filesystem::is_directory(hive));
    EXPECT_EQ(FolderEntries(hive), std::vector<std::string>{"inside"});
    EXPECT_EQ(ReadFileText(hive / "inside"), "kept");
    EXPECT_TRUE(BadFiles().empty());
}

TEST_F(SettingsFileTest, AnUnwritableFolderFailsWritesAndLosesNothing) {
    const std::string text = HiveWithOften("25");
    WriteFileText(hive, text);
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_all |
                                                    std::filesystem::perms::group_read |
                                                    std::filesystem::perms::group_exec |
                                                    std::filesystem::perms::others_read |
                                                    std::filesystem::perms::others_exec);
    WriteFileText(folder.Path() / "settings.reg.lock", ""); // lockable, but no room for a new file
    const auto lockless = folder.Path() / "lockless.reg";
    WriteFileText(lockless, "garbage");
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    const std::string file = hive.string();
    const auto output =
        std::filesystem::temp_directory_path() / ("jostle-out-" + std::to_string(::getpid()));

    ASSERT_NE(RunTool({"write", file, "Settings", "Often=9"}, true), 125) << "can't drop to nobody";
    EXPECT_EQ(RunTool({"write", file, "Settings", "Often=9"}, true), 1);
    EXPECT_EQ(RunTool({"batch", file, "Settings", "Often=9", "Other=1"}, true), 1);
    EXPECT_EQ(RunTool({"read", file, "Settings", "Often"}, true, output), 0);
    EXPECT_EQ(ReadFileText(output), "25\n");
    EXPECT_EQ(ReadFileText(hive), text);

    // A bad file that can't be moved aside is reported, read as empty and kept.
    EXPECT_EQ(RunTool({"read", lockless.string(), "Settings", "Often"}, true, output), 0);
    EXPECT_NE(ReadFileText(output).find("can't be parsed"), std::string::npos);
    EXPECT_NE(ReadFileText(output).find("<default>"), std::string::npos);
    EXPECT_EQ(ReadFileText(lockless), "garbage");
    std::filesystem::remove(output);
    EXPECT_EQ(FolderEntries(folder.Path()),
              (std::vector<std::string>{"lockless.reg", "settings.reg", "settings.reg.lock"}));
}

TEST_F(SettingsFileTest, AWriteThatWouldMakeTheFileTooLargeOrHoldTooManyKeysFails) {
    CSettingsStore store(hive);
    OpenAppKey(store);
    ASSERT_TRUE(store.WriteInt("Settings", "Often", 25));
    const std::string before = ReadFileText(hive);
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(store.WriteString("Settings", "Huge", std::string(5 * 1024 * 1024, 'x')));
    EXPECT_EQ(store.LastSaveFailure(), "the file would grow past its limit of 4 MiB");
    EXPECT_EQ(ReadFileText(hive), before);

    // A file holding as many keys as may be: a write that adds one fails.
    std::string full = kHeader;
    for (std::size_t i = 0; i < kMaxKeys / 512; ++i) {
        full += "[HKEY_LOCAL_MACHINE\\" + std::to_string(i);
        for (std::size_t level = 1; level < 512; ++level) {
            full += "\\a";
        }
        full += "]\n";
    }
    WriteOldFileText(hive, full);
    EXPECT_FALSE(store.WriteInt("Settings", "Often", 26));
    EXPECT_EQ(store.LastSaveFailure(), "the settings would hold more than 65536 keys");
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 2) << messages;
    EXPECT_NE(messages.find("not saved to " + hive.string() + ": the file would grow past"),
              std::string::npos)
        << messages;
    EXPECT_EQ(ReadFileText(hive), full);
    WriteFileText(hive, before);
    EXPECT_EQ(ReadFileText(hive), before);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 25);
}

TEST_F(SettingsFileTest, ReplacesKeepTheModeMakeTheFolderAndLeaveNoTemporaries) {
    hive = folder.Path() / "new" / "settings.reg";
    CSettingsStore store(hive);
    OpenAppKey(store);
    std::filesystem::permissions(hive, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    ASSERT_TRUE(store.WriteInt("Settings", "Often", 25));
    EXPECT_EQ(std::filesystem::status(hive).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    EXPECT_EQ(FolderEntries(hive.parent_path()),
              (std::vector<std::string>{"settings.reg", "settings.reg.lock"}));
}

TEST_F(SettingsFileTest, NewFilesGetTheUmaskAndStaleTemporariesAreRemovedAtStart) {
    for (const auto& [mask, mode] : {std::pair{0077U, 0600U}, {0002U, 0664U}}) {
        std::filesystem::remove(hive);
        const mode_t old = ::umask(mask);
        CSettingsStore store(hive);
        OpenAppKey(store);
        ::umask(old);
        struct stat info {};
        ASSERT_EQ(::stat(hive.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, mode) << "umask " << mask;
    }
    // Left by writers killed midway; names like ours but not ours stay.
    const std::vector<std::string> kept = {"other.reg.tmp-Ab12Cd", "settings.reg",
                                           "settings.reg.lock", "settings.reg.tmp-longer1"};
    for (const std::string name : {"settings.reg.tmp-Ab12Cd", "settings.reg.tmp-zzzzzz",
                                   "other.reg.tmp-Ab12Cd", "settings.reg.tmp-longer1"}) {
        WriteFileText(folder.Path() / name, "stale");
    }
    CSettingsStore store(hive);
    OpenAppKey(store); // at start, before any save
    EXPECT_EQ(FolderEntries(folder.Path()), kept);
}

TEST_F(SettingsFileTest, ASymlinkedFileIsWrittenThroughAndTheLinkStays) {
    TempFolder shared;
    const auto target = shared.Path() / "shared.reg";
    WriteFileText(target, HiveWithOften("25"));
    std::filesystem::create_symlink(target, hive);
    CSettingsStore store(hive);
    OpenAppKey(store);
    ASSERT_TRUE(store.WriteInt("Settings", "Often", 26));
    EXPECT_TRUE(std::filesystem::is_symlink(hive));
    EXPECT_NE(ReadFileText(target).find("\"Often\"=\"26\""), std::string::npos);
    EXPECT_EQ(FolderEntries(shared.Path()),
              (std::vector<std::string>{"shared.reg", "shared.reg.lock"}));
    EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"settings.reg"});

    // A relative link to a file not made yet: the file is made where it leads.
    std::filesystem::remove(hive);
    std::filesystem::create_directory(folder.Path() / "sub");
    std::filesystem::create_symlink("sub/new.reg", hive);
    CSettingsStore fresh(hive);
    OpenAppKey(fresh);
    ASSERT_TRUE(fresh.WriteInt("Settings", "Often", 27));
    EXPECT_TRUE(std::filesystem::is_symlink(hive));
    EXPECT_EQ(fresh.ReadInt("Settings", "Often", 0), 27);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder.Path() / "sub" / "new.reg"));
}

// Someone who may write the folder must not make a save create or lock a
// file elsewhere, nor make us lock beside a device.
TEST_F(SettingsFileTest, NoLinkIsFollowedToTheLockAndOnlyARegularFileIsUsed) {
    TempFolder elsewhere;
    const auto planted = elsewhere.Path() / "created";
    std::filesystem::create_symlink(planted, folder.Path() / "settings.reg.lock");
    CSettingsStore store(hive);
    ::testing::internal::CaptureStderr();
    OpenAppKey(store);
    EXPECT_FALSE(store.WriteInt("Settings", "Often", 5));
    EXPECT_FALSE(std::filesystem::exists(planted));
    EXPECT_FALSE(std::filesystem::exists(hive));

    const auto fifo = folder.Path() / "fifo.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    CSettingsStore onFifo(fifo);
    OpenAppKey(onFifo);
    EXPECT_FALSE(onFifo.WriteInt("Settings", "Often", 5));
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(std::filesystem::exists(folder.Path() / "fifo.reg.lock"));
    EXPECT_NE(messages.find("settings.reg.lock"), std::string::npos) << messages;
    EXPECT_NE(messages.find("fifo.reg can't be used"), std::string::npos) << messages;
}

// Once per store, whatever is asked of it afterwards.
TEST_F(SettingsFileTest, AFileThatCanNotBeUsedAtAllIsReportedInOneLine) {
    for (const auto& path :
         {folder.Path(), std::filesystem::path("/proc/nonexistent/settings.reg")}) {
        CSettingsStore store(path);
        ::testing::internal::CaptureStderr();
        OpenAppKey(store);
        store.ReadInt("Settings", "Often", 0);
        store.WriteInt("Settings", "Often", 1);
        store.ReadInt("Settings", "Often", 0);
        const std::string messages = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
        EXPECT_NE(messages.find(path.string()), std::string::npos) << messages;
        EXPECT_NE(messages.find("changes will not be kept"), std::string::npos) << messages;
    }
}

// An editor rewrites the file in place: truncate, then write. A read between
// the two must not set the user's file aside.
TEST_F(SettingsFileTest, AYoungFileThatDoesNotParseIsReadAgainAfterAShortWait) {
    const std::string good = HiveWithOften("25");
    WriteFileText(hive, good.substr(0, 20)); // caught midway
    FakeClock clock;
    clock.now = Nanoseconds(ModificationTime(hive)) + 100'000'000;
    clock.duringPause = [&] { WriteFileText(hive, good); };
    HiveFile file(hive, clock.Clock());
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(file.Read().HasKey(std::string(kAppKey) + "\\Settings"));
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    EXPECT_GT(clock.slept, 0);
    EXPECT_TRUE(BadFiles().empty());

    // Still bad after the waits: set aside, within half a second.
    WriteFileText(hive, "garbage");
    clock.now = Nanoseconds(ModificationTime(hive));
    clock.slept = 0;
    clock.duringPause = [] {};
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(file.Read().Empty());
    ::testing::internal::GetCapturedStderr();
    EXPECT_LE(clock.slept, 500'000'000);
    EXPECT_EQ(BadFiles().size(), 1U);

    // An old bad file is set aside without waiting.
    WriteFileText(hive, "garbage");
    clock.now = Nanoseconds(ModificationTime(hive)) + 60'000'000'000;
    clock.slept = 0;
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(file.Update([](Hive&) { return HiveFile::Change::None; }));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(clock.slept, 0);
}

std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                      std::filesystem::directory_iterator()));
}

TEST_F(SettingsFileTest, EveryDescriptorIsClosedOnEveryPath) {
    ::unsetenv("WINDIR");
    WriteFileText(folder.Path() / "Jostle.INI", "[Settings]\nOften=10\n");
    const std::size_t before = OpenDescriptors();
    {
        CSettingsStore store(hive);
        OpenAppKey(store);
        store.WriteInt("Settings", "Often", 1);
        store.ReadInt("Settings", "Often", 0);
        WriteFileText(hive, "bad");
        ::testing::internal::CaptureStderr();
        store.ReadInt("Settings", "Often", 0);
        WriteFileText(hive, "bad again");
        store.WriteInt("Settings", "Often", 2);
        ::testing::internal::GetCapturedStderr();
        std::filesystem::remove(hive);
        std::filesystem::create_directory(hive);
        store.ReadInt("Settings", "Often", 0);
        store.WriteInt("Settings", "Often", 3);
        store.ImportLegacyIni(SettingsKey{kAppKey, true});
        std::filesystem::remove_all(hive);
        store.ImportLegacyIni(SettingsKey{kAppKey, true});
        EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 10);
    }
    EXPECT_EQ(OpenDescriptors(), before);
}

TEST_F(SettingsFileTest, TwoWritersAtOnceLoseNothingAndTheFileAlwaysParses) {
    const std::string file = hive.string();
    const auto stop = folder.Path() / "stop";
    const pid_t checker = StartTool({"check", file, stop.string()});
    const pid_t first = StartTool({"write-many", file, "First", "500"});
    const pid_t second = StartTool({"write-many", file, "Second", "500"});
    EXPECT_EQ(WaitForExit(first), 0);
    EXPECT_EQ(WaitForExit(second), 0);
    WriteFileText(stop, "");
    EXPECT_EQ(WaitForExit(checker), 0);

    CSettingsStore store(hive);
    OpenAppKey(store);
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(store.ReadInt("Settings", "First" + std::to_string(i), -1), i);
        EXPECT_EQ(store.ReadInt("Settings", "Second" + std::to_string(i), -1), i);
    }
}

} // namespace
} // namespace jostle::test
