// The one-time import of the legacy INI file.
#include "SettingsTestSupport.h"
#include "settings/Hive.h"
#include "settings/SettingsStore.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace jostle::test {
namespace {

class LegacyIniTest : public ::testing::Test {
protected:
    void SetUp() override { ::unsetenv("WINDIR"); }
    void TearDown() override { ::unsetenv("WINDIR"); }

    // A first start: the application key is created, then the INI imported.
    void Import(const std::string& ini) {
        WriteFileText(folder.Path() / "Jostle.INI", ini);
        SettingsKey key;
        int disposition = 0;
        ASSERT_TRUE(store.Open(kRootKeyName, kAppKey, &key, &disposition));
        ASSERT_EQ(disposition, kKeyCreated);
        store.ImportLegacyIni(key);
        EXPECT_EQ(ReadFileText(folder.Path() / "Jostle.INI"), ini); // the file is not changed
    }
    std::string Read(const std::string& section, const std::string& name) {
        return store.ReadString(section, name, "<default>");
    }
    std::string HiveText() const { return ReadFileText(hive); }

    TempFolder folder;
    std::filesystem::path hive = folder.Path() / "settings.reg";
    CSettingsStore store{hive};
};

TEST_F(LegacyIniTest, ImportsSectionsAndValues) {
    Import("[Settings]\nOften=10\n[Other]\nName=x\n");
    EXPECT_EQ(store.ReadInt("Settings", "Often", 25), 10);
    EXPECT_EQ(Read("Other", "Name"), "x");
}

TEST_F(LegacyIniTest, HeadersMustStartWithTheBracketAndEndAtTheFirstClosingOne) {
    Import("[ Settings ]\nA=1\nx[a]\n[a]b\nB=2\nx[a]=3\n[[Odd]\nC=4\n");
    EXPECT_EQ(Read("Settings", "A"), "1");
    EXPECT_EQ(Read("Settings", "B"), "2");
    EXPECT_EQ(Read("Settings", "x[a]"), "3");
    EXPECT_EQ(Read("[Odd", "C"), "4");
    EXPECT_EQ(HiveText().find("Jostle\\a]"), std::string::npos);
}

TEST_F(LegacyIniTest, ValueLinesSplitAtTheFirstEqualsAndAreNotTrimmedAgain) {
    Import("[Settings]\n  Often = 10  \n;note=1\nk=a=b\n=empty name\nnothing here\n");
    EXPECT_EQ(Read("Settings", "Often"), "<default>");
    EXPECT_EQ(Read("Settings", "Often "), " 10");
    EXPECT_EQ(store.ReadInt("Settings", "Often ", 0), 10);
    EXPECT_EQ(Read("Settings", ";note"), "1");
    EXPECT_EQ(Read("Settings", "k"), "a=b");
    EXPECT_EQ(Read("Settings", ""), "empty name");
    EXPECT_EQ(HiveText().find("nothing"), std::string::npos);
}

TEST_F(LegacyIniTest, LinesBeforeTheFirstHeaderAreLost) {
    Import("Early=1\n\n[Settings]\nLate=2\n");
    EXPECT_EQ(Read("Settings", "Late"), "2");
    EXPECT_EQ(HiveText().find("Early"), std::string::npos);
}

TEST_F(LegacyIniTest, SectionsBeyondTheKeyLimitsAreSkippedWithTheirLines) {
    const std::string tooLong(kMaxKeyNameBytes + 1, 'n');
    Import("[Settings]\nA=1\n[" + tooLong + "]\nB=2\n[Other]\nC=3\n");
    EXPECT_EQ(Read("Settings", "A"), "1");
    EXPECT_EQ(Read("Settings", "B"), "<default>");
    EXPECT_EQ(Read("Other", "C"), "3");
    EXPECT_EQ(HiveText().find(tooLong), std::string::npos);
}

TEST_F(LegacyIniTest, ASectionThatCannotBeCreatedStopsTheImport) {
    Import("[Settings]\nA=1\n[Bad\\\\Name]\nB=2\n[Other]\nC=3\n");
    EXPECT_EQ(Read("Settings", "A"), "1");
    EXPECT_EQ(Read("Settings", "B"), "<default>");
    EXPECT_EQ(Read("Other", "C"), "<default>");
}

TEST_F(LegacyIniTest, LongLinesAreReadIn519CharacterPieces) {
    const std::string longText(600, 'x');
    Import("[Settings]\nA=" + longText + "\nB=" + std::string(517, 'y') + "C=z\n");
    EXPECT_EQ(store.ReadString("Settings", "A", "").size(), 0U); // 517 characters: too long to read
    EXPECT_NE(HiveText().find("\"A\"=\"" + std::string(517, 'x') + "\"\n"), std::string::npos);
    EXPECT_EQ(HiveText().find(std::string(518, 'x')), std::string::npos);
    EXPECT_EQ(Read("Settings", "C"), "z"); // the second piece is a line of its own
}

TEST_F(LegacyIniTest, CarriageReturnsAndAMissingLastLineEndAreTrimmed) {
    Import("[Settings]\r\nOften=10\r\nName=abc \r\nLast=end");
    EXPECT_EQ(Read("Settings", "Often"), "10");
    EXPECT_EQ(Read("Settings", "Name"), "abc");
    EXPECT_EQ(Read("Settings", "Last"), "end");
    EXPECT_EQ(HiveText().find("\\r"), std::string::npos);
}

TEST_F(LegacyIniTest, TheFileIsLookedForInWindirWhenItIsSet) {
    TempFolder windows;
    WriteFileText(windows.Path() / "Jostle.INI", "[Settings]\nOften=5\n");
    ::setenv("WINDIR", windows.Path().c_str(), 1);
    EXPECT_EQ(store.LegacyIniFile(), windows.Path() / "Jostle.INI");
    Import("[Settings]\nOften=10\n");
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), 5);

    ::setenv("WINDIR", "", 1);
    EXPECT_EQ(store.LegacyIniFile(), folder.Path() / "Jostle.INI");
}

TEST_F(LegacyIniTest, TheFileIsFoundInAnyLetterCase) {
    for (const char* name : {"JOSTLE.INI", "jostle.ini"}) {
        TempFolder windows;
        WriteFileText(windows.Path() / name, "[Settings]\nOften=5\n");
        ::setenv("WINDIR", windows.Path().c_str(), 1);
        EXPECT_EQ(store.LegacyIniFile(), windows.Path() / name);
    }
}

// A start cut short after Open must not leave a key without the imported
// values: the key would keep the import from ever running again.
TEST_F(LegacyIniTest, TheNewKeyAndTheImportedValuesLandInOneReplace) {
    WriteFileText(folder.Path() / "Jostle.INI", "[Settings]\nOften=10\n");
    SettingsKey key;
    int disposition = 0;
    ASSERT_TRUE(store.Open(kRootKeyName, kAppKey, &key, &disposition));
    EXPECT_EQ(disposition, kKeyCreated);
    EXPECT_NE(HiveText().find("\"Often\"=\"10\""), std::string::npos) << "landed with the key";
    const ino_t inode = InodeOf(hive);
    store.ImportLegacyIni(key);
    EXPECT_EQ(InodeOf(hive), inode) << "no second replace";
}

TEST_F(LegacyIniTest, OnlyARegularFileIsReadAndWithoutBlocking) {
    const auto ini = folder.Path() / "Jostle.INI";
    ::alarm(10); // a blocked open ends the test run instead of hanging it
    for (const bool fifo : {true, false}) {
        std::filesystem::remove(ini);
        if (fifo) {
            ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
        } else {
            std::filesystem::create_symlink("/dev/zero", ini);
        }
        TempFolder other;
        CSettingsStore fresh(other.Path() / "settings.reg");
        ::setenv("WINDIR", folder.Path().c_str(), 1);
        SettingsKey key;
        int disposition = 0;
        ASSERT_TRUE(fresh.Open(kRootKeyName, kAppKey, &key, &disposition));
        fresh.ImportLegacyIni(key);
        EXPECT_EQ(disposition, kKeyCreated);
        EXPECT_EQ(fresh.ReadString("Settings", "Often", "<default>"), "<default>");
    }
    ::alarm(0);
}

TEST_F(LegacyIniTest, AfterASetAsideTheFileIsNotImportedAndThatIsSaid) {
    WriteOldFileText(hive, "not a hive");
    WriteFileText(folder.Path() / "Jostle.INI", "[Settings]\nOften=10\n");
    SettingsKey key;
    int disposition = 0;
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(store.Open(kRootKeyName, kAppKey, &key, &disposition));
    store.ImportLegacyIni(key);
    const std::string messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(disposition, kKeyCreated);
    EXPECT_EQ(store.ReadInt("Settings", "Often", 25), 25);
    EXPECT_NE(messages.find("Jostle.INI is not imported"), std::string::npos) << messages;

    // Nor on the start after that, with the new file gone too.
    std::filesystem::remove(hive);
    CSettingsStore next(hive);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(next.Open(kRootKeyName, kAppKey, &key, &disposition));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(next.ReadInt("Settings", "Often", 25), 25);
}

TEST_F(LegacyIniTest, ImportLandsAsOneReplaceAndWithoutAFileChangesNothing) {
    SettingsKey key;
    int disposition = 0;
    ASSERT_TRUE(store.Open(kRootKeyName, kAppKey, &key, &disposition));
    const std::string before = HiveText();
    const ino_t inode = InodeOf(hive);
    store.ImportLegacyIni(key);
    EXPECT_EQ(InodeOf(hive), inode);
    EXPECT_EQ(HiveText(), before);

    WriteFileText(folder.Path() / "Jostle.INI", "[A]\nx=1\n[B]\ny=2\n");
    CSettingsStore::Batch batch(store); // the import does not wait for a batch
    store.ImportLegacyIni(key);
    EXPECT_NE(InodeOf(hive), inode);
    CSettingsStore reader(hive);
    ASSERT_TRUE(reader.Open(kRootKeyName, kAppKey, &key, &disposition));
    EXPECT_EQ(reader.ReadString("B", "y", ""), "2");
}

} // namespace
} // namespace jostle::test
