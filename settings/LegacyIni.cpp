#include "settings/LegacyIni.h"

#include "settings/Text.h"

#include <cstdio>
#include <memory>
#include <string_view>

namespace jostle {

namespace {

// The old line buffer: a line is read in pieces of at most 519 characters,
// and each piece is handled as a line of its own.
constexpr int kPieceSize = 520;

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// End first, then start; this also takes off the line end, CR included.
std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsWhiteSpace(text.back())) {
        text.remove_suffix(1);
    }
    while (!text.empty() && IsWhiteSpace(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// A header starts with '[' and its first ']' is its last character; the
// section name is the line with both brackets blanked, trimmed.
std::optional<std::string> SectionOfHeader(std::string_view line) {
    const std::size_t open = line.find('[');
    const std::size_t close = line.find(']');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open ||
        close - open + 1 != line.size()) {
        return std::nullopt;
    }
    std::string name(line);
    name[open] = ' ';
    name[close] = ' ';
    return std::string(Trim(name));
}

} // namespace

std::optional<Hive> ReadLegacyIni(const std::filesystem::path& file, const std::string& keyPath) {
    const std::unique_ptr<std::FILE, CloseFile> ini(std::fopen(file.c_str(), "r"));
    if (!ini) {
        return std::nullopt;
    }
    Hive imported;
    std::optional<std::string> section; // path of the current section key
    char piece[kPieceSize];
    while (std::fgets(piece, kPieceSize, ini.get()) != nullptr) {
        if (std::ftell(ini.get()) > static_cast<long>(kMaxHiveBytes)) {
            return std::nullopt;
        }
        const std::string_view line = Trim(piece);
        if (const auto name = SectionOfHeader(line)) {
            // An empty name opens the key itself, as the registry does.
            const std::string path = name->empty() ? keyPath : keyPath + '\\' + *name;
            if (!imported.CreateKey(path)) {
                break; // the rest of the file is not imported
            }
            section = path;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && section) {
            imported.Set(*section, line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return imported;
}

} // namespace jostle
