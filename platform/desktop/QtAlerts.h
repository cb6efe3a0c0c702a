// Message boxes and the busy cursor.
#pragma once

#include "engine/Interfaces.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace jostle {

inline constexpr const char* kAlertTitle = "Jostle";

// The window that takes no input while a box or dialog is up; it may be made
// only when first asked for.
using OwnerWindow = std::function<QWidget*()>;

// Disables a window for as long as it lives and gives back the state it
// found, so nested boxes and dialogs leave the window as it was.
class DisabledWindow {
public:
    explicit DisabledWindow(QWidget* window);
    ~DisabledWindow();
    DisabledWindow(const DisabledWindow&) = delete;
    DisabledWindow& operator=(const DisabledWindow&) = delete;

private:
    QPointer<QWidget> m_window;
    bool m_wasEnabled;
};

// A modal box without a parent, run in a nested event loop, so timers and
// socket events go on while it is open. The owner window takes no input
// meanwhile; every other window (the tray menu) stays usable.
class QtAlerts : public IAlerts {
public:
    void MessageBox(const std::string& text, AlertIcon icon) override;

    void SetOwner(OwnerWindow owner) { m_owner = std::move(owner); }

private:
    OwnerWindow m_owner;
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
