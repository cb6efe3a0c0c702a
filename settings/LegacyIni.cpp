#include "settings/LegacyIni.h"

#include "base/Text.h"
#include "settings/FileIo.h"

#include <algorithm>
#include <string_view>

namespace jostle {

namespace {

// The old line buffer: a line is read in pieces of at most 519 characters,
// and each piece is handled as a line of its own.
constexpr std::size_t kPieceSize = 520;

// Takes what one fgets into the old buffer took off text: up to and with the
// next line end, at most 519 characters; as a C string, up to a zero byte.
std::string_view TakePiece(std::string_view& text) {
    const std::size_t lineEnd = text.find('\n');
    const std::size_t size =
        std::min(lineEnd == std::string_view::npos ? text.size() : lineEnd + 1, kPieceSize - 1);
    const std::string_view piece = text.substr(0, size);
    text.remove_prefix(size);
    return piece.substr(0, piece.find('\0'));
}

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
    const FileText ini = ReadRegularFile(file, kMaxHiveBytes);
    if (ini.status != FileText::Status::Read) {
        return std::nullopt;
    }
    Hive imported;
    std::optional<std::string> section; // path of the current section key
    for (std::string_view rest = ini.text; !rest.empty();) {
        const std::string_view line = Trim(TakePiece(rest));
        if (const auto name = SectionOfHeader(line)) {
            // An empty name opens the key itself, as the registry does.
            const std::string path = name->empty() ? keyPath : keyPath + '\\' + *name;
            section = path;
            if (imported.CreateKey(path)) {
                continue;
            }
            // A key beyond the tree's limits is skipped with its values; one
            // the registry would refuse anyway ends the import there.
            section.reset();
            if (!Hive::IsValidKeyPath(path) && !Hive::ExceedsLimits(path)) {
                break;
            }
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
