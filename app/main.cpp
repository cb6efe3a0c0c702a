#include "app/CommandLine.h"
#include "app/JostleApp.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    jostle::CommandLine line = jostle::ParseCommandLine(arguments);
    if (!line.error.empty()) {
        std::fprintf(stderr, "jostle: %s\nTry 'jostle --help'.\n", line.error.c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(jostle::HelpText().c_str(), stdout);
        return 0;
    }
    if (line.version) {
        std::fputs(jostle::VersionText().c_str(), stdout);
        return 0;
    }
    jostle::CJostleApp application(std::move(line));
    return application.Run(argc, argv);
}
