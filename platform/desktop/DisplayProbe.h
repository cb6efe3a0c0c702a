// Whether the display the environment names can be reached, asked before Qt
// starts: Qt aborts the whole program when it can't connect to the display it
// chose.
#pragma once

#include <string>

struct xcb_connection_t;

namespace jostle {

// Whether DISPLAY or WAYLAND_DISPLAY names a display at all.
bool DisplayNamed();

// A connection to the X server named by DISPLAY, held until Qt has its own:
// an X server whose last client leaves resets itself and refuses connections
// meanwhile. Under a Wayland compositor that answers no connection is made;
// when it doesn't, X is tried (and Qt told to use it) if DISPLAY is set.
class DisplayProbe {
public:
    DisplayProbe();
    ~DisplayProbe();
    DisplayProbe(const DisplayProbe&) = delete;
    DisplayProbe& operator=(const DisplayProbe&) = delete;

    bool Reachable() const { return m_reachable; }
    // The displays tried in vain, as in "the display :5".
    const std::string& Unreached() const { return m_unreached; }
    void Close();

private:
    void ConnectToX();

    xcb_connection_t* m_connection = nullptr;
    bool m_reachable = true;
    std::string m_unreached;
};

} // namespace jostle
