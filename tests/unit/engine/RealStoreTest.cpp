// The engine's saves through the real settings store, in a temporary hive file:
// what one run writes, the next run reads back.
#include "tests/unit/engine/EngineHarness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <sstream>

namespace jostle::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class RealStoreTest : public EngineTest {
protected:
    RealStoreTest() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "jostle-engine-XXXXXX").string();
        m_folder = ::mkdtemp(pattern.data());
    }
    ~RealStoreTest() override {
        run.reset();
        std::filesystem::remove_all(m_folder);
    }

    // One run of the program: a fresh store on the same file, then the engine.
    Engine& NewRun() {
        run.reset();
        engine.reset();
        store = std::make_unique<CSettingsStore>(m_folder / "settings.reg");
        store->Open(kRootKeyName, "Software\\Quorvane Software\\Jostle", nullptr, nullptr);
        EngineServices real{*store, network, timers, alerts,  busyCursor,
                            clock,  random,  frame,  dialogs, trayShell};
        run = std::make_unique<Engine>(real, controls, true);
        run->Initialize();
        return *run;
    }
    std::string FileText() const {
        std::ifstream file(m_folder / "settings.reg");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    std::unique_ptr<CSettingsStore> store;
    std::unique_ptr<Engine> run;

private:
    std::filesystem::path m_folder;
};

TEST_F(RealStoreTest, TypedNameAndPeriodSurviveARestart) {
    Engine& first = NewRun();
    nameCombo.Type("127.0.0.3");
    periodEdit.SetText("7");
    first.OnCommand(ids::IDC_START);
    CompleteLocalLookup();
    Tick();
    EXPECT_THAT(FileText(), HasSubstr("\"ComboName5\"=\"127.0.0.3\""));

    Engine& second = NewRun();
    EXPECT_EQ(periodEdit.Text(), "7");
    EXPECT_EQ(nameCombo.Count(), 6);
    EXPECT_EQ(nameCombo.Selection(), 5);
    EXPECT_EQ(second.Snapshot().targetName, "127.0.0.3");
}

TEST_F(RealStoreTest, OptionsAndEditedNamesSurviveARestart) {
    Engine& first = NewRun();
    dialogs.options = [](OptionsData& data) {
        data.checkAutoStart = false;
        data.checkRandomTime = true;
    };
    first.OnCommand(ids::ID_OPTIONS);
    dialogs.editNames = [](EditNamesData& data) { data.names = {"127.0.0.1", "127.0.0.2"}; };
    first.OnCommand(ids::ID_EDIT_NAMES);

    Engine& second = NewRun();
    const EngineOptions options = second.Snapshot().options;
    EXPECT_FALSE(options.autoStart);
    EXPECT_TRUE(options.randomTime);
    EXPECT_TRUE(options.ignoreFailures);
    EXPECT_THAT(nameCombo.Items(), ElementsAre("127.0.0.1", "127.0.0.2"));
    EXPECT_EQ(second.Snapshot().targetName, "127.0.0.1");
}

TEST_F(RealStoreTest, AShortenedListLeavesNoStaleNamesInTheFile) {
    Engine& first = NewRun();
    nameCombo.Type("127.0.0.3");
    first.OnCommand(ids::IDC_START);
    CompleteLocalLookup();
    Tick(); // the connect saves all six names
    ASSERT_THAT(FileText(), HasSubstr("\"ComboName5\"=\"127.0.0.3\""));
    dialogs.editNames = [](EditNamesData& data) { data.names = {"127.0.0.3", "127.0.0.4"}; };
    first.OnCommand(ids::ID_EDIT_NAMES);
    EXPECT_THAT(FileText(), HasSubstr("\"ComboName2\"=\"\""));
    EXPECT_THAT(FileText(), HasSubstr("\"ComboName5\"=\"\""));

    Engine& second = NewRun();
    EXPECT_THAT(nameCombo.Items(), ElementsAre("127.0.0.3", "127.0.0.4"));
    EXPECT_EQ(second.Snapshot().targetName, "127.0.0.3")
        << "the name current at opening stays selected";
}

} // namespace
} // namespace jostle::test
