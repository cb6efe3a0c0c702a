// The program's one icon in the notification area: adds, changes and removes
// it through the shell, and turns the shell's mouse callbacks into the
// context menu and the default command.
#pragma once

#include "tray/TrayShell.h"

#include <span>
#include <string>

namespace jostle {

inline constexpr unsigned kNotifyIconDataSize = 88; // the record's size in its original form

class CTrayNotifyIcon {
public:
    explicit CTrayNotifyIcon(ITrayShell& shell);
    virtual ~CTrayNotifyIcon(); // removes the icon
    CTrayNotifyIcon(const CTrayNotifyIcon&) = delete;
    CTrayNotifyIcon& operator=(const CTrayNotifyIcon&) = delete;

    // Adds the icon; true when the shell accepted it. icon is an icon resource id.
    bool Create(INotifyWindow* window, unsigned id, const std::string& tooltip, int icon,
                unsigned callbackMessage);
    // The icon-run form: shows the first icon of the run; the interval is not used.
    bool Create(INotifyWindow* window, unsigned id, const std::string& tooltip,
                std::span<const int> icons, unsigned intervalMilliseconds,
                unsigned callbackMessage);

    // Change the icon (a resource id) or the tooltip (at most 63 characters are
    // kept); false without a request while the icon is not added.
    bool SetIcon(int resourceId);
    bool SetTooltip(const std::string& text);

    // The callback message's two parameters; 1 when handled, 0 otherwise.
    // kTaskbarCreated adds a refused icon again.
    virtual int HandleNotification(unsigned id, unsigned mouseMessage);

    // Deletes the icon while it is added.
    void Remove();

    bool IsAdded() const { return m_bAdded != 0; }
    const NotifyIconData& IconData() const { return m_iconData; }

private:
    // The common core of every icon change; the handle is the icon resource id.
    bool SetIconHandle(int iconHandle);
    // Add with the record as it stands; the menu goes along when accepted.
    bool AddToShell();
    void AddAgain();
    bool ModifyInShell(unsigned flags);

    ITrayShell& m_shell;
    NotifyIconData m_iconData;
    int m_bAdded = 0;
    INotifyWindow* m_pNotifyWnd = nullptr;
};

} // namespace jostle
