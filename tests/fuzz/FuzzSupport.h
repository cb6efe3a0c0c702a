// What the fuzz targets share: a private folder for those that work on real
// files, emptied for each input so that no input sees another's files, and
// the check that ends the run when an expectation fails.
#pragma once

#include "tests/support/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace jostle::fuzz {

class ScratchFolder {
public:
    const std::filesystem::path& Emptied() const {
        for (const auto& entry : std::filesystem::directory_iterator(m_folder.Path())) {
            std::filesystem::remove_all(entry.path());
        }
        return m_folder.Path();
    }

private:
    test::TempFolder m_folder;
};

// The key the settings targets open, the default their reads give, and the
// longest text a read gives back (260 bytes with the terminating zero).
inline constexpr const char* kKeyPath = "SOFTWARE\\Jostle";
inline constexpr const char* kDefault = "(default)";
inline constexpr std::size_t kReadableBytes = 259;

inline std::optional<std::string> FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    return std::string{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace jostle::fuzz
