// Message boxes and the busy cursor.
#pragma once

#include "engine/Interfaces.h"

namespace jostle {

inline constexpr const char* kAlertTitle = "Jostle";

// A modal box without a parent, run in a nested event loop, so timers and
// socket events go on while it is open.
class QtAlerts : public IAlerts {
public:
    void MessageBox(const std::string& text, AlertIcon icon) override;
};

// The wait cursor over the whole application, counted: it stays until every
// Show has had its Hide (a lookup may still be out when a connect ends).
// Extra Hides do nothing.
class QtBusyCursor : public IBusyCursor {
public:
    QtBusyCursor() = default;
    ~QtBusyCursor() override;
    QtBusyCursor(const QtBusyCursor&) = delete;
    QtBusyCursor& operator=(const QtBusyCursor&) = delete;

    void Show() override;
    void Hide() override;

private:
    int m_shown = 0; // Shows not yet matched by a Hide
};

} // namespace jostle
