#include "platform/core/ServiceNotifier.h"

#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <systemd/sd-daemon.h>
#include <unistd.h>

namespace jostle {

namespace {

// The manager's answer does not matter: the program runs the same without it.
void Notify(const std::string& state) {
    static_cast<void>(sd_notify(0, state.c_str()));
}

} // namespace

void ServiceNotifier::Ready() {
    Notify("READY=1");
}

void ServiceNotifier::Status(const std::string& text) {
    Notify("STATUS=" + text);
}

void ServiceNotifier::Stopping() {
    Notify("STOPPING=1");
}

bool StandardOutputIsJournal() {
    const char* stream = std::getenv("JOURNAL_STREAM");
    struct stat output {};
    if (stream == nullptr || ::fstat(STDOUT_FILENO, &output) != 0) {
        return false;
    }
    const std::string expected =
        std::to_string(output.st_dev) + ":" + std::to_string(output.st_ino);
    return std::string_view(stream) == expected;
}

} // namespace jostle
