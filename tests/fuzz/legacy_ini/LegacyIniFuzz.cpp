// Any legacy INI file: the import must not crash, the settings file it writes
// must parse, and every value it imported must read back the same, from the
// file and through the store.
#include "base/Text.h"
#include "settings/Hive.h"
#include "settings/LegacyIni.h"
#include "settings/SettingsStore.h"
#include "tests/fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace jostle::fuzz {
namespace {

constexpr std::size_t kPieceCharacters = 519;

const ScratchFolder g_scratch;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && jostle::IsWhiteSpace(text.back())) {
        text.remove_suffix(1);
    }
    while (!text.empty() && jostle::IsWhiteSpace(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

struct Entry {
    std::string section; // "" for the key itself
    std::string name;
};

// Where the file's values should land: each line holding '=' (as the import
// reads lines: pieces of at most 519 characters, cut at a zero byte) with the
// section of the last header line before it.
std::vector<Entry> EntriesOf(std::string_view text) {
    std::vector<Entry> entries;
    std::string section;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), kPieceCharacters - 1);
        std::string_view piece = text.substr(0, end + 1);
        text.remove_prefix(piece.size());
        piece = Trim(piece.substr(0, piece.find('\0')));
        if (piece.size() >= 2 && piece.front() == '[' && piece.find(']') == piece.size() - 1) {
            section = Trim(piece.substr(1, piece.size() - 2));
        } else if (const std::size_t equals = piece.find('='); equals != piece.npos) {
            entries.push_back({section, std::string(piece.substr(0, equals))});
        }
    }
    return entries;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool noWindowsFolder = ::unsetenv("WINDIR") == 0;
    Require(noWindowsFolder);
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::filesystem::path& folder = g_scratch.Emptied();
    std::ofstream(folder / "Jostle.INI", std::ios::binary) << text;

    const auto imported = jostle::ReadLegacyIni(folder / "Jostle.INI", kKeyPath);
    jostle::CSettingsStore store(folder / "settings.reg");
    jostle::SettingsKey key;
    Require(store.Open(jostle::kRootKeyName, kKeyPath, &key, nullptr));
    store.ImportLegacyIni(key);
    const auto written = FileText(store.HiveFile());
    const auto file = written ? jostle::Hive::Parse(*written) : std::nullopt;
    Require(file.has_value());
    if (!imported) {
        return 0;
    }
    for (const Entry& entry : EntriesOf(text)) {
        const std::string path =
            entry.section.empty() ? kKeyPath : kKeyPath + ('\\' + entry.section);
        const auto value = imported->Find(path, entry.name);
        if (!value) {
            continue;
        }
        const auto landed = file->Find(path, entry.name);
        Require(landed && *landed == *value);
        if (!entry.section.empty() && value->size() <= kReadableBytes) {
            Require(store.ReadString(entry.section, entry.name, kDefault) == *value);
        }
    }
    return 0;
}

} // namespace jostle::fuzz
