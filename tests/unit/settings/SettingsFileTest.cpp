// The hive file itself: changes by others, bad files, folders in the way,
// unwritable folders, size limits, descriptors, and two writers at once.
#include "SettingsTestSupport.h"
#include "settings/SettingsStore.h"

#include <fcntl.h>

namespace jostle::test {
namespace {

const std::string kHeader = "Windows Registry Editor Version 5.00\n\n";
const std::string kSettingsKey =
    "[HKEY_LOCAL_MACHINE\\Software\\Quorvane Software\\Jostle\\Settings]\n";

std::string HiveWithOften(const std::string& often) {
    return kHeader + kSettingsKey + "\"Often\"=\"" + often + "\"\n";
}

class SettingsFileTest : public ::testing::Test {
protected:
    void OpenAppKey(CSettingsStore& target) {
        SettingsKey key;
        int disposition = 0;
        target.Open(kRootKeyName, kAppKey, &key, &disposition);
    }
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
    WriteFileText(hive, bad);
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

TEST_F(SettingsFileTest, BlanksLeftByAHandEditAreRead) {
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
}

TEST_F(SettingsFileTest, BadFilesMetByAWriteAreSetAsideUnderUniqueNames) {
    CSettingsStore store(hive);
    OpenAppKey(store);
    for (const std::string bad : {"not a hive", "nor this"}) {
        WriteFileText(hive, bad);
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

TEST_F(SettingsFileTest, AWriteThatWouldMakeTheFileTooLargeFails) {
    CSettingsStore store(hive);
    OpenAppKey(store);
    ASSERT_TRUE(store.WriteInt("Settings", "Often", 25));
    const std::string before = ReadFileText(hive);
    EXPECT_FALSE(store.WriteString("Settings", "Huge", std::string(5 * 1024 * 1024, 'x')));
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
