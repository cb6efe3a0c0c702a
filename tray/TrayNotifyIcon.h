// The program's one icon in the notification area: shows, changes and
// removes it through the shell, keeps its look while no tray is there, and
// turns what the user does with it into the menu and the default command.
#pragma once

#include "tray/TrayShell.h"

#include <string>

namespace jostle {

// Whoever the icon's menu items and default action are for.
class ITrayCommands {
public:
    virtual ~ITrayCommands() = default;
    virtual void OnCommand(int commandId) = 0;
};

class CTrayNotifyIcon : public ITrayEvents {
public:
    explicit CTrayNotifyIcon(ITrayShell& shell);
    ~CTrayNotifyIcon() override; // removes the icon
    CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
    CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

    // Shows the icon; true when a tray took it. Commands go to owner from
    // now on, and a tray that comes later gets the icon as it looks then.
    bool Create(ITrayCommands& owner, const std::string& tooltip, int icon);
    // The look changes even while no tray shows the icon.
    void SetIcon(int icon);
    void SetTooltip(const std::string& text); // the first kTooltipLength characters
    // Takes the icon away for good.
    void Remove();

    bool IsShown() const { return m_shown; }
    const TrayIconLook& Look() const { return m_look; }

    void OnTrayContextMenu() override;
    void OnTrayActivated() override;
    void OnTrayAppeared() override;
    void OnTrayMenuCommand(int commandId) override;

private:
    bool Show();
    void Update();

    ITrayShell& m_shell;
    ITrayCommands* m_owner = nullptr;
    TrayIconLook m_look;
    bool m_shown = false;
};

} // namespace jostle
