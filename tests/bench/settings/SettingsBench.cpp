// Costs of the settings store: a read of an unchanged hive, one write, and
// saving the target name list with and without a batch.
#include "settings/SettingsStore.h"
#include "tests/support/TempFolder.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace {

using jostle::CSettingsStore;

// A store on a hive in a fresh temporary folder, removed afterwards.
class BenchHive {
public:
    BenchHive() {
        jostle::SettingsKey key;
        int disposition = 0;
        m_store.Open(jostle::kRootKeyName, jostle::test::kAppKey, &key, &disposition);
    }
    CSettingsStore& Store() { return m_store; }
    std::filesystem::path File() const { return m_folder.Path() / "settings.reg"; }

private:
    jostle::test::TempFolder m_folder;
    CSettingsStore m_store{File()};
};

void SaveNames(CSettingsStore& store, int count) {
    for (int i = 0; i < count; ++i) {
        store.WriteString("Settings", "ComboName" + std::to_string(i),
                          "127.0.0." + std::to_string(i % 250 + 1));
    }
    store.WriteInt("Settings", "ComboNameSel", 0);
}

void BM_ReadUnchangedHive(benchmark::State& state) {
    BenchHive hive;
    CSettingsStore::Batch batch(hive.Store());
    SaveNames(hive.Store(), 20);
    batch.Commit();
    // Only a file older than the coarsest time stamp step is trusted unchanged.
    std::filesystem::last_write_time(hive.File(), std::filesystem::last_write_time(hive.File()) -
                                                      std::chrono::hours(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(hive.Store().ReadInt("Settings", "ComboNameSel", -1));
    }
}
BENCHMARK(BM_ReadUnchangedHive)->Unit(benchmark::kMicrosecond);

void BM_WriteOne(benchmark::State& state) {
    BenchHive hive;
    int value = 0;
    for (auto _ : state) {
        hive.Store().WriteInt("Settings", "Often", ++value);
    }
}
BENCHMARK(BM_WriteOne)->Unit(benchmark::kMillisecond);

// The name list as one save: written value by value, or in one batch.
template <bool kInBatch> void BM_SaveNames(benchmark::State& state) {
    BenchHive hive;
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        std::optional<CSettingsStore::Batch> batch;
        if (kInBatch) {
            batch.emplace(hive.Store());
        }
        SaveNames(hive.Store(), count);
    }
    state.SetComplexityN(count);
}
BENCHMARK_TEMPLATE(BM_SaveNames, false)
    ->Arg(5)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);
BENCHMARK_TEMPLATE(BM_SaveNames, true)
    ->Arg(5)
    ->Arg(100)
    ->Arg(1000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

} // namespace
