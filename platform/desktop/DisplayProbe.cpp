#include "platform/desktop/DisplayProbe.h"

#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <xcb/xcb.h>

namespace jostle {

namespace {

bool HasEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != 0;
}

// The compositor's socket: WAYLAND_DISPLAY, relative to XDG_RUNTIME_DIR
// unless it is a path.
std::string WaylandSocketPath() {
    const std::string name = std::getenv("WAYLAND_DISPLAY");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (name.front() == '/' || runtime == nullptr) {
        return name;
    }
    return std::string(runtime) + "/" + name;
}

// Qt aborts the whole program when it can't connect to the display it chose,
// so the compositor's socket is tried first.
bool WaylandAnswers() {
    if (HasEnvironment("WAYLAND_SOCKET")) {
        return true; // an inherited connection, nothing to try
    }
    const std::string path = WaylandSocketPath();
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        return false;
    }
    address.sun_family = AF_UNIX;
    path.copy(address.sun_path, path.size());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool connected =
        fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) {
        close(fd);
    }
    return connected;
}

} // namespace

bool DisplayNamed() {
    return HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY");
}

DisplayProbe::DisplayProbe() {
    if (HasEnvironment("WAYLAND_DISPLAY")) {
        if (WaylandAnswers()) {
            return; // the desktop may be reached without X
        }
        m_unreached = std::string("the Wayland display ") + std::getenv("WAYLAND_DISPLAY");
        if (!HasEnvironment("DISPLAY")) {
            m_reachable = false;
            return;
        }
    }
    ConnectToX();
}

void DisplayProbe::ConnectToX() {
    const std::string display = std::getenv("DISPLAY");
    m_connection = xcb_connect(nullptr, nullptr);
    m_reachable = xcb_connection_has_error(m_connection) == 0;
    if (!m_reachable) {
        m_unreached += (m_unreached.empty() ? "the display " : " nor the display ") + display;
    } else if (!m_unreached.empty()) {
        std::fprintf(stderr, "jostle: cannot reach %s; using the X display %s\n",
                     m_unreached.c_str(), display.c_str());
        setenv("QT_QPA_PLATFORM", "xcb", 1); // Qt would try Wayland first, and abort
    }
}

DisplayProbe::~DisplayProbe() {
    Close();
}

void DisplayProbe::Close() {
    if (m_connection != nullptr) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
    }
}

} // namespace jostle
