// The engine on the real platform: real lookups, sockets, timers and settings
// file, against the local test server; only the widgets and the tray are fakes.
#include "tests/integration/platform/PlatformRig.h"
#include "tests/integration/platform/TestServer.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>
#include <memory>

namespace jostle {
namespace {

using test::PumpFor;
using test::PumpUntil;
using test::TestServer;

std::unique_ptr<CSettingsStore> OpenStore(const std::filesystem::path& file) {
    auto store = std::make_unique<CSettingsStore>(file);
    SettingsKey key;
    int disposition = 0;
    EXPECT_TRUE(store->Open(kRootKeyName, test::kAppKey, &key, &disposition));
    return store;
}

std::string ExpectedRequest(const std::string& localAddress) {
    return "GET / HTTP/1.0\r\nConnection: Keep-Alive\r\nUser-Agent: Mozilla/3.0 (Win95; I)\r\n"
           "Host: " +
           localAddress + "\r\nAccept: image/gif, image/jpeg, */*\r\n\r\n";
}

class EngineOnPlatformTest : public ::testing::Test {
protected:
    // Names stored in the file; test mode, the Ignore option on, no auto-start.
    void WriteSettings(const std::vector<std::string>& names, int selection) {
        CSettingsStore::Batch batch(*settings);
        for (std::size_t index = 0; index < names.size(); ++index) {
            settings->WriteString(kSettingsSection, ComboNameValue(static_cast<int>(index)),
                                  names[index]);
        }
        settings->WriteInt(kSettingsSection, "ComboNameSel", selection);
        settings->WriteInt(kSettingsSection, "Debug", 1);
        settings->WriteInt(kSettingsSection, "Ignore", 1);
        settings->WriteInt(kSettingsSection, "AutoStart", 0);
    }
    // Until the first success.
    bool RunUntilDone() {
        return PumpUntil([this] { return rig.Successes() == 1; }, 15000);
    }
    std::string Stored(const std::string& name) {
        return OpenStore(settingsFile)->ReadString(kSettingsSection, name, "<missing>");
    }

    test::TempFolder folder;
    std::filesystem::path settingsFile = folder.Path() / "settings.reg";
    std::unique_ptr<CSettingsStore> settings = OpenStore(settingsFile);
    test::PlatformRig rig{*settings};
    Engine* engine = nullptr;
    test::FakeAlerts& alerts = rig.alerts;
    StaticModel& statusText = rig.statusText;
};

TEST_F(EngineOnPlatformTest, OneStartSendsExactlyOneRequestAndSavesTheList) {
    TestServer server("normal");
    WriteSettings({"127.0.0.1"}, 0);
    engine = &rig.Start();
    ASSERT_TRUE(RunUntilDone()) << statusText.Text();
    PumpFor(300);

    const EngineSnapshot seen = engine->Snapshot();
    EXPECT_EQ(seen.ownAddress, "127.0.0.1");
    ASSERT_EQ(server.RecordedConnections(), 1);
    EXPECT_EQ(server.Recorded(1), ExpectedRequest(seen.ownAddress));
    EXPECT_EQ(seen.counters.successes, 1);
    EXPECT_EQ(seen.counters.httpFailures + seen.counters.dnsFailures + seen.counters.socketFailures,
              0);
    EXPECT_EQ(statusText.Text().rfind("Jostle completed at ", 0), 0U) << statusText.Text();
    EXPECT_TRUE(alerts.shown.empty());

    EXPECT_EQ(Stored("ComboName0"), "127.0.0.1");
    EXPECT_EQ(Stored("ComboName1"), "<missing>");
    EXPECT_EQ(Stored("ComboNameSel"), "0");
    EXPECT_EQ(Stored("Often"), seen.periodText);
    EXPECT_FALSE(seen.periodText.empty());
}

TEST_F(EngineOnPlatformTest, WithIgnoreARefusedEntryMovesOnToTheWorkingOne) {
    TestServer server("normal"); // only 127.0.0.1:80 listens
    WriteSettings({"127.0.0.2", "127.0.0.1"}, 0);
    engine = &rig.Start();
    ASSERT_TRUE(RunUntilDone()) << statusText.Text();

    const EngineSnapshot seen = engine->Snapshot();
    EXPECT_EQ(seen.counters.httpFailures, 1);
    EXPECT_EQ(seen.counters.socketFailures, 1);
    EXPECT_EQ(seen.lastProblem, "127.0.0.2");
    EXPECT_EQ(seen.counters.successes, 1);
    ASSERT_EQ(server.RecordedConnections(), 1);
    EXPECT_EQ(server.Recorded(1), ExpectedRequest(seen.ownAddress));
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(Stored("ComboNameSel"), "1");
    EXPECT_EQ(Stored("ComboName0"), "127.0.0.2");
    EXPECT_EQ(Stored("ComboName1"), "127.0.0.1");
}

} // namespace
} // namespace jostle
