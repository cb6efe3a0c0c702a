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
    bool showSettings = false;
    std::vector<std::string> settingPairs; // of --set, "KEY=VALUE" each, unchecked
    std::filesystem::path settingsFile;    // empty: the default location
    std::string error;                     // non-empty: the line could not be parsed
};

// --show-settings or --set: the settings are shown or changed, and the
// program exits without running the cycle.
bool IsSettingsCommand(const CommandLine& line);

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// jostle/settings.reg in the user's config folder (UserConfigFolder); empty
// when the user has no home folder.
std::filesystem::path DefaultSettingsFile();

// The two programs read the same command line: jostle hands its arguments to
// jostle-headless unchanged, so that one accepts --headless too.
enum class Program { Desktop, Headless };
std::string ProgramName(Program program);
std::string HelpText(Program program);
std::string VersionText();

} // namespace jostle
