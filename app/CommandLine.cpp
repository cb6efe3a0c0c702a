#include "app/CommandLine.h"

#include "settings/UserFolders.h"

namespace jostle {

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLine line;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--version") {
            line.version = true;
        } else if (argument == "--headless") {
            line.headless = true;
        } else if (argument == "--show-settings") {
            line.showSettings = true;
        } else if (argument == "--set") {
            if (i + 1 == arguments.size()) {
                line.error = "--set needs KEY=VALUE";
                return line;
            }
            line.settingPairs.push_back(arguments[++i]);
        } else if (argument == "--settings") {
            if (i + 1 == arguments.size() || arguments[i + 1].empty()) {
                line.error = "--settings needs a file name";
                return line;
            }
            line.settingsFile = arguments[++i];
        } else if (argument.rfind("--settings=", 0) == 0 && argument.size() > 11) {
            line.settingsFile = argument.substr(11);
        } else {
            line.error = "unknown argument: " + argument;
            return line;
        }
    }
    return line;
}

bool IsSettingsCommand(const CommandLine& line) {
    return line.showSettings || !line.settingPairs.empty();
}

std::filesystem::path DefaultSettingsFile() {
    const auto config = UserConfigFolder();
    return config.empty() ? config : config / "jostle" / "settings.reg";
}

std::string ProgramName(Program program) {
    return program == Program::Desktop ? "jostle" : "jostle-headless";
}

std::string HelpText(Program program) {
    const bool desktop = program == Program::Desktop;
    return "Usage: " + ProgramName(program) + (desktop ? " [--headless]" : "") +
           " [--settings FILE]\n"
           "       " +
           ProgramName(program) +
           " [--settings FILE] --show-settings | --set KEY=VALUE...\n"
           "Keeps an idle Internet link from being dropped by opening a small web\n"
           "request to a host from your list at the period you set.\n" +
           (desktop ? ""
                    : "It shows no windows: status lines go to standard output, messages\n"
                      "to standard error; SIGINT, SIGTERM or SIGHUP stop it.\n") +
           "\n"
           "  --settings FILE  keep the settings in FILE instead of\n"
           "                   $XDG_CONFIG_HOME/jostle/settings.reg\n" +
           (desktop ? "  --headless       run without windows: status lines on standard output,\n"
                      "                   messages on standard error; chosen by itself when\n"
                      "                   there is no display\n"
                    : "") +
           "  --show-settings  show the settings file's name and the settings, and exit\n"
           "  --set KEY=VALUE  change a setting (repeatable; all are checked before any\n"
           "                   is written), show the settings and exit; keys and values:\n"
           "                     period=MINUTES        1 to 60\n"
           "                     names=NAME,NAME...    the hosts, none twice\n"
           "                     selected=INDEX|NAME   the next host to contact\n"
           "                     ignore-failures=on|off, random-name=on|off,\n"
           "                     random-time=on|off, auto-start=on|off\n"
           "                   a running copy takes the change at its next start\n"
           "  --help           show this text and exit\n"
           "  --version        show the version and exit\n";
}

std::string VersionText() {
    return "Jostle 2.0\n";
}

} // namespace jostle
