// What the fuzz targets share: a private folder for those that work on real
// files, emptied for each input so that no input sees another's files, and
// the check that ends the run when an expectation fails.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace jostle::fuzz {

class ScratchFolder {
public:
    ScratchFolder() {
        std::string name = (std::filesystem::temp_directory_path() / "jostle-fuzz-XXXXXX").string();
        if (::mkdtemp(name.data()) == nullptr) {
            std::abort();
        }
        m_path = name;
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Emptied() const {
        for (const auto& entry : std::filesystem::directory_iterator(m_path)) {
            std::filesystem::remove_all(entry.path());
        }
        return m_path;
    }

private:
    std::filesystem::path m_path;
};

inline void Require(bool holds) {
    if (!holds) {
        std::abort();
    }
}

} // namespace jostle::fuzz
