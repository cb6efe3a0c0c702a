// Talking to the service manager: where the program stands, through
// libsystemd's sd_notify, and whether standard output is the journal.
#pragma once

#include <string>

namespace jostle {

// Each call tells the manager that started the program with NOTIFY_SOCKET
// set; without it (not run as a notify service) each does nothing.
class ServiceNotifier {
public:
    void Ready();                         // the cycle is set up
    void Status(const std::string& text); // the line "systemctl status" shows
    void Stopping();                      // the program is on its way out
};

// Whether standard output is the journal's stream (JOURNAL_STREAM names its
// device and inode), which stamps every line with the time itself.
bool StandardOutputIsJournal();

} // namespace jostle
