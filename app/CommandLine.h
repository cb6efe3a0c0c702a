// The program's command line.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace jostle {

struct CommandLine {
    bool help = false;
    bool version = false;
    bool headless = false;
    std::filesystem::path settingsFile; // empty: the default location
    std::string error;                  // non-empty: the line could not be parsed
};

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// $XDG_CONFIG_HOME/jostle/settings.reg, XDG_CONFIG_HOME defaulting to ~/.config.
std::filesystem::path DefaultSettingsFile();

std::string HelpText();
std::string VersionText();

} // namespace jostle
