// Reading the legacy INI settings file, line by line as the old program did.
#pragma once

#include "settings/Hive.h"

#include <filesystem>
#include <optional>
#include <string>

namespace jostle {

// The sections and values of the INI file as keys and values below keyPath.
// nullopt when the file can't be opened or is too large to import whole.
std::optional<Hive> ReadLegacyIni(const std::filesystem::path& file, const std::string& keyPath);

} // namespace jostle
