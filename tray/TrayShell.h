// The desktop's tray as the tray icon sees it: requests in the icon's own
// terms going out, what the user did coming back.
#pragma once

#include "res/Menus.h"

#include <string>

namespace jostle {

// What the user did with the icon, and a tray that came.
class ITrayEvents {
public:
    virtual ~ITrayEvents() = default;
    // The user asked for the icon's menu (a right click).
    virtual void OnTrayContextMenu() = 0;
    // The icon's default action: a double click, or the primary action of a
    // StatusNotifierItem host, which reports no double clicks.
    virtual void OnTrayActivated() = 0;
    // A tray came after ShowIcon was refused for want of one.
    virtual void OnTrayAppeared() = 0;
    // An item of the icon's menu was chosen; reported once the menu has closed.
    virtual void OnTrayMenuCommand(int commandId) = 0;
};

struct TrayIconLook {
    int icon = 0;        // icon resource id
    std::string tooltip; // at most kTooltipLength characters
};

inline constexpr std::size_t kTooltipLength = 63;

class ITrayShell {
public:
    virtual ~ITrayShell() = default;
    virtual void SetEventSink(ITrayEvents* sink) = 0;
    // Shows the icon with its menu (the default item in bold where the tray
    // draws it); false when there is no tray, which is then watched for.
    virtual bool ShowIcon(const TrayIconLook& look, const menus::Popup& menu, int defaultItem) = 0;
    virtual void UpdateIcon(const TrayIconLook& look) = 0;
    virtual void RemoveIcon() = 0;
    // Pops the menu up at the pointer; returns when it closes.
    virtual void PopUpMenu(const menus::Popup& menu, int defaultItem) = 0;
};

} // namespace jostle
