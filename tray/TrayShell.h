// The shell's notification-icon service as the tray icon class sees it.
#pragma once

#include "res/Menus.h"

#include <span>
#include <string>

namespace jostle {

inline constexpr unsigned NIF_MESSAGE = 1;
inline constexpr unsigned NIF_ICON = 2;
inline constexpr unsigned NIF_TIP = 4;
inline constexpr std::size_t kTipSize = 64; // 63 characters and the terminating zero
// The mouse messages the shell reports in the icon's callback.
inline constexpr unsigned WM_LBUTTONUP = 0x202;
inline constexpr unsigned WM_LBUTTONDBLCLK = 0x203;
inline constexpr unsigned WM_RBUTTONUP = 0x205;
// Sent as a callback message when a tray appears after an Add was refused for
// want of one, so that the icon can be added again.
inline constexpr unsigned kTaskbarCreated = 0xC000;

// The window that receives the icon's callbacks and the menu's commands.
class INotifyWindow {
public:
    virtual ~INotifyWindow() = default;
    // The callback message: the icon's id and the mouse message.
    virtual int OnTrayNotify(unsigned id, unsigned mouseMessage) = 0;
    virtual void OnCommand(int commandId) = 0;
};

// The notification-icon record.
struct NotifyIconData {
    unsigned cbSize = 0;
    INotifyWindow* hWnd = nullptr;
    unsigned uID = 0;
    unsigned uFlags = 0;
    unsigned uCallbackMessage = 0;
    int hIcon = 0; // icon resource id; 0: none
    char szTip[kTipSize] = {};
};

class ITrayShell {
public:
    virtual ~ITrayShell() = default;
    // NIM_ADD, NIM_MODIFY, NIM_DELETE: true when the shell accepted the request.
    virtual bool Add(const NotifyIconData& data) = 0;
    virtual bool Modify(const NotifyIconData& data) = 0;
    virtual bool Delete(const NotifyIconData& data) = 0;
    // Shows popup at the pointer with the item at defaultPosition in bold;
    // returns when the menu closes. A chosen item reaches the notification
    // window as a command from the event queue, after the caller has returned.
    virtual void TrackPopupMenu(const menus::Popup& popup, int defaultPosition) = 0;
    // Delivers a command to the notification window (hWnd) at once, synchronously.
    virtual void SendCommand(int commandId) = 0;
    // The icon's context menu, handed over after every accepted Add, for trays
    // that show the menu themselves; a shell that pops it up on request ignores it.
    virtual void AttachMenu(const menus::Popup& /*popup*/, int /*defaultPosition*/) {}
};

} // namespace jostle
