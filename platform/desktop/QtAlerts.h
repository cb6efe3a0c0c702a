// Message boxes and the busy cursor.
#pragma once

#include "engine/Interfaces.h"

#include <QWidget>
#include <functional>

class QDialog;

namespace jostle {

inline constexpr const char* kAlertTitle = "Jostle";

// The window that takes no input while a box or dialog is up; it may be made
// only when first asked for.
using OwnerWindow = std::function<QWidget*()>;

// Runs dialog modally in a nested event loop, so timers and socket events go
// on. With an owner the dialog is modal to it alone: the owner takes no input
// yet looks unchanged and keeps its focused control, while every other window
// (the tray menu) stays usable. When the dialog ends, the window that was
// active, or else the owner, is activated again. Returns the dialog's result.
int ExecModalTo(QDialog& dialog, QWidget* owner);

// A modal box without a parent widget, run as ExecModalTo does.
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
