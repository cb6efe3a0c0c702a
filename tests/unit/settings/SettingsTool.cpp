// Drives one settings store from the command line, so that tests can run it
// in other processes (concurrent writers) or as another user.
//   read FILE SECTION NAME            prints the value, or <default>
//   write FILE SECTION NAME=TEXT...   one write each; fails if any write fails
//   peak-write FILE SECTION NAME=TEXT...  the same, then prints the peak
//                                     resident memory in bytes
//   batch FILE SECTION NAME=TEXT...   all in one batch; fails if it doesn't land
//   write-many FILE PREFIX COUNT      writes PREFIX0..PREFIX<COUNT-1>, one by one
//   check FILE STOPFILE               parses FILE over and over until STOPFILE
//                                     exists; fails at the first bad parse
#include "settings/Hive.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using jostle::CSettingsStore;

namespace {

constexpr const char* kAppKey = "Software\\Quorvane Software\\Jostle";

bool WritePairs(CSettingsStore& store, const std::string& section,
                const std::vector<std::string>& pairs) {
    bool allStored = true;
    for (const std::string& pair : pairs) {
        const std::size_t equals = pair.find('=');
        allStored = store.WriteString(section, pair.substr(0, equals), pair.substr(equals + 1)) &&
                    allStored;
    }
    return allStored;
}

bool WriteMany(CSettingsStore& store, const std::string& prefix, int count) {
    bool allStored = true;
    for (int i = 0; i < count; ++i) {
        allStored = store.WriteInt("Settings", prefix + std::to_string(i), i) && allStored;
    }
    return allStored;
}

// Once the file has content, it must never be seen missing, empty or
// unparseable: every replace is atomic.
int CheckUntilStopped(const std::filesystem::path& file, const std::filesystem::path& stop) {
    long parses = 0;
    bool seenContent = false;
    while (!std::filesystem::exists(stop)) {
        std::ifstream in(file, std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        if (text.empty() && seenContent) {
            std::printf("missing or empty after %ld parses\n", parses);
            return 1;
        }
        seenContent = seenContent || !text.empty();
        if (!jostle::Hive::Parse(text)) {
            std::printf("unparseable after %ld parses\n", parses);
            return 1;
        }
        ++parses;
    }
    std::printf("%ld parses\n", parses);
    return parses > 0 && seenContent ? 0 : 1;
}

// This process's peak resident memory: VmHWM counts this program alone,
// where a parent's rusage would also count what the fork copied from it.
long PeakBytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmHWM:")) {
            return std::stol(line.substr(6)) * 1024;
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() < 3) {
        return 2;
    }
    const std::string& command = args[0];
    if (command == "check") {
        return CheckUntilStopped(args[1], args[2]);
    }
    CSettingsStore store(args[1]);
    jostle::SettingsKey key;
    int disposition = 0;
    store.Open(jostle::kRootKeyName, kAppKey, &key, &disposition);
    const std::vector<std::string> rest(args.begin() + 3, args.end());
    if (command == "read" && args.size() == 4) {
        std::printf("%s\n", store.ReadString(args[2], args[3], "<default>").c_str());
        return 0;
    }
    if (command == "write" || command == "peak-write") {
        const bool stored = WritePairs(store, args[2], rest);
        if (command == "peak-write") {
            std::printf("%ld\n", PeakBytes());
        }
        return stored ? 0 : 1;
    }
    if (command == "batch") {
        CSettingsStore::Batch batch(store);
        WritePairs(store, args[2], rest);
        return batch.Commit() ? 0 : 1;
    }
    if (command == "write-many") {
        return WriteMany(store, args[2], std::stoi(args[3])) ? 0 : 1;
    }
    return 2;
}
