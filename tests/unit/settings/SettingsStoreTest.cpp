// Reading and writing values: defaults, limits, numbers, letter case, the
// application key's disposition, escaping and batches.
#include "settings/SettingsStore.h"

#include "SettingsTestSupport.h"

#include <climits>

namespace jostle::test {
namespace {

class SettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(OpenAppKey(store)); }

    static bool OpenAppKey(CSettingsStore& target, int* disposition = nullptr) {
        SettingsKey key;
        int ignored = 0;
        return target.Open(kRootKeyName, kAppKey, &key, disposition ? disposition : &ignored);
    }
    std::string FileText() const { return ReadFileText(hive); }
    // What a store that starts now reads from the file.
    std::string ReadFresh(const std::string& name) const {
        CSettingsStore reader(hive);
        OpenAppKey(reader);
        return reader.ReadString("Settings", name, "<default>");
    }

    TempFolder folder;
    std::filesystem::path hive = folder.Path() / "settings.reg";
    CSettingsStore store{hive};
};

TEST_F(SettingsStoreTest, ReadOfMissingSectionOrValueGivesDefaultAndCreatesNothing) {
    const std::string before = FileText();
    EXPECT_EQ(store.ReadString("Missing", "Often", "dflt"), "dflt");
    EXPECT_EQ(store.ReadInt("Missing", "Often", 25), 25);
    ASSERT_TRUE(store.WriteString("Settings", "Other", "x"));
    EXPECT_EQ(store.ReadString("Settings", "Often", "dflt"), "dflt");
    EXPECT_EQ(FileText().find("Missing"), std::string::npos);
    EXPECT_NE(before, FileText());

    TempFolder empty;
    CSettingsStore reader(empty.Path() / "settings.reg");
    EXPECT_EQ(reader.ReadInt("Settings", "Often", 25), 25);
    EXPECT_TRUE(FolderEntries(empty.Path()).empty());
}

TEST_F(SettingsStoreTest, WriteCreatesTheSectionAndIsVisibleToAnotherStoreAtOnce) {
    ASSERT_TRUE(store.WriteInt("Settings", "Often", -5));
    EXPECT_NE(
        FileText().find("[HKEY_LOCAL_MACHINE\\Software\\Quorvane Software\\Jostle\\Settings]\n"
                        "\"Often\"=\"-5\"\n"),
        std::string::npos);
    CSettingsStore other(hive);
    ASSERT_TRUE(OpenAppKey(other));
    EXPECT_EQ(other.ReadString("Settings", "Often", ""), "-5");
    EXPECT_EQ(other.ReadInt("Settings", "Often", 0), -5);
    ASSERT_TRUE(other.WriteInt("Settings", "Often", INT_MIN));
    EXPECT_EQ(store.ReadInt("Settings", "Often", 0), INT_MIN);
}

TEST_F(SettingsStoreTest, TextsOf260BytesOrMoreAreStoredButReadAsDefault) {
    const std::string fits(259, '7');
    const std::string tooLong(260, '7');
    ASSERT_TRUE(store.WriteString("Settings", "Fits", fits));
    ASSERT_TRUE(store.WriteString("Settings", "TooLong", tooLong));
    EXPECT_EQ(store.ReadString("Settings", "Fits", ""), fits);
    EXPECT_EQ(store.ReadString("Settings", "TooLong", "dflt"), "dflt");
    EXPECT_EQ(store.ReadInt("Settings", "TooLong", 3), 3);
    EXPECT_NE(FileText().find(tooLong), std::string::npos);
}

TEST_F(SettingsStoreTest, ReadIntParsesLikeScanfAndSaturates) {
    const struct {
        const char* text;
        int expected;
    } cases[] = {
        {"12abc", 12},
        {" 7", 7},
        {"\t\n-3x", -3},
        {"+4", 4},
        {"007", 7},
        {"abc", -99},
        {"", -99},
        {"-", -99},
        {"- 5", -99},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-2147483649", INT_MIN},
        {"-99999999999999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(store.WriteString("Settings", "N", c.text));
        EXPECT_EQ(store.ReadInt("Settings", "N", -99), c.expected) << "text '" << c.text << "'";
    }
}

TEST_F(SettingsStoreTest, NamesMatchWithoutCaseAndKeepTheirFirstCase) {
    ASSERT_TRUE(store.WriteInt("Settings", "Often", 1));
    ASSERT_TRUE(store.WriteInt("SETTINGS", "OFTEN", 2));
    EXPECT_EQ(store.ReadInt("settings", "often", 0), 2);

    const std::string text = FileText();
    EXPECT_NE(text.find("Jostle\\Settings]\n\"Often\"=\"2\"\n"), std::string::npos);
    EXPECT_EQ(text.find("SETTINGS"), std::string::npos);
    EXPECT_EQ(text.find("OFTEN"), std::string::npos);

    CSettingsStore other(hive);
    int disposition = 0;
    SettingsKey key;
    ASSERT_TRUE(other.Open("hkey_local_machine", "SOFTWARE\\quorvane software\\JOSTLE", &key,
                           &disposition));
    EXPECT_EQ(disposition, kKeyOpened);
    EXPECT_EQ(other.ReadInt("Settings", "Often", 0), 2);
}

TEST_F(SettingsStoreTest, OpenReportsCreatedExactlyWhenTheKeyWasMissing) {
    CSettingsStore second(hive);
    int disposition = 0;
    ASSERT_TRUE(OpenAppKey(second, &disposition));
    EXPECT_EQ(disposition, kKeyOpened);

    SettingsKey key;
    ASSERT_TRUE(second.Open(kRootKeyName, std::string(kAppKey) + "\\Child", &key, &disposition));
    EXPECT_EQ(disposition, kKeyCreated);
    EXPECT_TRUE(key.valid);
    ASSERT_TRUE(second.Open(kRootKeyName, "Software", &key, &disposition));
    EXPECT_EQ(disposition, kKeyOpened); // a parent made along the way exists too

    TempFolder fresh;
    CSettingsStore first(fresh.Path() / "sub" / "settings.reg");
    ASSERT_TRUE(OpenAppKey(first, &disposition));
    EXPECT_EQ(disposition, kKeyCreated);
}

TEST_F(SettingsStoreTest, FailedOpenStillPointsTheStoreAtTheKey) {
    int disposition = -1;
    SettingsKey key;
    EXPECT_FALSE(store.Open("HKEY_CURRENT_USER", kAppKey, &key, &disposition));
    EXPECT_EQ(disposition, 0);
    EXPECT_FALSE(key.valid);
    EXPECT_FALSE(store.WriteString("Settings", "Often", "1"));
    EXPECT_EQ(store.ReadString("Settings", "Often", "dflt"), "dflt");
    EXPECT_FALSE(store.Open(kRootKeyName, "Bad\\\\Path", &key, &disposition));

    // The hive's path is a folder: Open fails, but once the folder is gone
    // the store writes to the key it was pointed at.
    TempFolder other;
    const auto blocked = other.Path() / "settings.reg";
    std::filesystem::create_directory(blocked);
    CSettingsStore pointed(blocked);
    EXPECT_FALSE(pointed.Open(kRootKeyName, "Software\\Elsewhere", &key, &disposition));
    std::filesystem::remove(blocked);
    ASSERT_TRUE(pointed.WriteString("Settings", "Often", "9"));
    EXPECT_NE(ReadFileText(blocked).find("[HKEY_LOCAL_MACHINE\\Software\\Elsewhere\\Settings]"),
              std::string::npos);
}

TEST_F(SettingsStoreTest, AwkwardTextsRoundTripThroughTheFile) {
    const std::vector<std::string> texts = {
        "back\\slash",       "\"quoted\"",  "\\\"",      "trailing\\",
        "two\nlines",        "cr\r\nlf",    "tab\there", "",
        "\xC3\xA9t\xC3\xA9", "[not a key]", "@",         "=\"x\"=",
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_TRUE(store.WriteString("Settings", texts[i], texts[i]));
    }
    for (const std::string& text : texts) {
        EXPECT_EQ(ReadFresh(text), text);
    }
    // One line per value: line breaks never reach the file raw. The keys
    // above Settings only lead to it, so only Settings has a header.
    const std::string file = FileText();
    EXPECT_EQ(static_cast<std::size_t>(std::count(file.begin(), file.end(), '\n')),
              2 + 1 * 2 + texts.size());
    EXPECT_EQ(file.find('\r'), std::string::npos);
}

TEST_F(SettingsStoreTest, TextsEndAtTheirFirstZeroByte) {
    ASSERT_TRUE(store.WriteString("Settings", std::string("Na\0me", 5), std::string("ab\0cd", 5)));
    EXPECT_EQ(store.ReadString("Settings", "Na", ""), "ab");
}

TEST_F(SettingsStoreTest, NestedBatchesLandOnceWhenTheOutermostEnds) {
    const ino_t before = InodeOf(hive);
    {
        CSettingsStore::Batch outer(store);
        {
            CSettingsStore::Batch inner(store);
            ASSERT_TRUE(store.WriteString("Settings", "ComboName0", "a"));
            ASSERT_TRUE(store.WriteString("Settings", "comboname0", "b"));
        }
        ASSERT_TRUE(store.WriteInt("Settings", "ComboNameSel", 0));
        EXPECT_EQ(store.ReadString("Settings", "COMBONAME0", ""), "b"); // visible inside
        EXPECT_EQ(InodeOf(hive), before);                               // not landed yet
        EXPECT_EQ(ReadFresh("ComboName0"), "<default>");
    }
    EXPECT_NE(InodeOf(hive), before);
    EXPECT_EQ(ReadFresh("ComboName0"), "b");
    EXPECT_EQ(ReadFresh("ComboNameSel"), "0");
}

// Each attempt saves the list again; the same values must not cost a write.
TEST_F(SettingsStoreTest, ABatchOfTheSameValuesLeavesTheFileAlone) {
    {
        CSettingsStore::Batch batch(store);
        ASSERT_TRUE(store.WriteString("Settings", "ComboName0", "a"));
        ASSERT_TRUE(store.WriteInt("Settings", "ComboNameSel", 0));
    }
    const ino_t before = InodeOf(hive);
    {
        CSettingsStore::Batch batch(store);
        ASSERT_TRUE(store.WriteString("Settings", "COMBONAME0", "a"));
        ASSERT_TRUE(store.WriteInt("Settings", "ComboNameSel", 0));
        EXPECT_TRUE(batch.Commit());
    }
    EXPECT_EQ(InodeOf(hive), before);
    ASSERT_TRUE(store.WriteString("Settings", "ComboName0", "A")); // a letter's case is a change
    EXPECT_NE(InodeOf(hive), before);
    EXPECT_EQ(ReadFresh("ComboName0"), "A");
}

TEST_F(SettingsStoreTest, CommitLandsNowAndKeepsWhatOthersWroteMeanwhile) {
    CSettingsStore other(hive);
    ASSERT_TRUE(OpenAppKey(other));
    CSettingsStore::Batch batch(store);
    ASSERT_TRUE(store.WriteString("Settings", "Mine", "1"));
    ASSERT_TRUE(other.WriteString("Settings", "Theirs", "2"));
    EXPECT_TRUE(batch.Commit());
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(other.ReadString("Settings", "Mine", ""), "1");
    EXPECT_EQ(other.ReadString("Settings", "Theirs", ""), "2");
    // After the commit, writes land one by one again.
    ASSERT_TRUE(store.WriteString("Settings", "After", "3"));
    EXPECT_EQ(other.ReadString("Settings", "After", ""), "3");
}

TEST_F(SettingsStoreTest, CommitReportsABatchThatCouldNotLand) {
    const auto blocked = folder.Path() / "blocked.reg";
    std::filesystem::create_directory(blocked);
    CSettingsStore broken(blocked);
    SettingsKey key;
    int disposition = 0;
    broken.Open(kRootKeyName, kAppKey, &key, &disposition);
    CSettingsStore::Batch batch(broken);
    ASSERT_TRUE(broken.WriteString("Settings", "Often", "5"));
    EXPECT_FALSE(batch.Commit());
    EXPECT_EQ(broken.ReadString("Settings", "Often", "dflt"), "dflt"); // not kept half-written
}

} // namespace
} // namespace jostle::test
