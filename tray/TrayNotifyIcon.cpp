#include "tray/TrayNotifyIcon.h"

#include "res/Menus.h"
#include "res/ResourceIds.h"

#include <algorithm>

namespace jostle {

namespace {

// Copies at most 63 characters and always ends the tooltip with a zero.
void CopyTooltip(char (&target)[kTipSize], const std::string& text) {
    const std::size_t length = std::min(text.size(), kTipSize - 1);
    std::copy_n(text.data(), length, target);
    std::fill(target + length, target + kTipSize, '\0');
}

// The context menu of an icon id; only menu 129 exists.
const menus::Popup* FirstPopupOfMenu(unsigned menuId) {
    if (menuId != static_cast<unsigned>(ids::IDR_TRAYMENU) || std::size(menus::kTrayMenu) == 0) {
        return nullptr;
    }
    return &menus::kTrayMenu[0];
}

} // namespace

CTrayNotifyIcon::CTrayNotifyIcon(ITrayShell& shell) : m_shell(shell), m_iconData{} {}

CTrayNotifyIcon::~CTrayNotifyIcon() {
    Remove();
}

bool CTrayNotifyIcon::Create(INotifyWindow* window, unsigned id, const std::string& tooltip,
                             int icon, unsigned callbackMessage) {
    m_pNotifyWnd = window;
    m_iconData.cbSize = kNotifyIconDataSize;
    m_iconData.hWnd = window;
    m_iconData.uID = id;
    m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_iconData.uCallbackMessage = callbackMessage;
    m_iconData.hIcon = icon;
    CopyTooltip(m_iconData.szTip, tooltip);
    return AddToShell();
}

bool CTrayNotifyIcon::AddToShell() {
    m_bAdded = m_shell.Add(m_iconData) ? 1 : 0;
    if (const menus::Popup* popup = FirstPopupOfMenu(m_iconData.uID);
        m_bAdded != 0 && popup != nullptr) {
        m_shell.AttachMenu(*popup, 0);
    }
    return m_bAdded != 0;
}

bool CTrayNotifyIcon::Create(INotifyWindow* window, unsigned id, const std::string& tooltip,
                             std::span<const int> icons, unsigned /*intervalMilliseconds*/,
                             unsigned callbackMessage) {
    const int firstIcon = icons.empty() ? 0 : icons.front();
    return Create(window, id, tooltip, firstIcon, callbackMessage);
}

bool CTrayNotifyIcon::SetIcon(int resourceId) {
    return SetIconHandle(resourceId);
}

// A change made while the icon is not added is kept, so that an icon added
// later shows the program's state of then.
bool CTrayNotifyIcon::SetIconHandle(int iconHandle) {
    m_iconData.hIcon = iconHandle;
    return ModifyInShell(NIF_ICON);
}

bool CTrayNotifyIcon::SetTooltip(const std::string& text) {
    CopyTooltip(m_iconData.szTip, text);
    return ModifyInShell(NIF_TIP);
}

bool CTrayNotifyIcon::ModifyInShell(unsigned flags) {
    if (m_bAdded == 0) {
        return false;
    }
    m_iconData.uFlags = flags;
    return m_shell.Modify(m_iconData);
}

int CTrayNotifyIcon::HandleNotification(unsigned id, unsigned mouseMessage) {
    if (id != m_iconData.uID) {
        return 0;
    }
    if (mouseMessage == kTaskbarCreated) {
        AddAgain();
        return 1;
    }
    const menus::Popup* popup = FirstPopupOfMenu(m_iconData.uID);
    if (popup == nullptr || popup->items.empty()) {
        return 0;
    }
    if (mouseMessage == WM_RBUTTONUP) {
        m_shell.TrackPopupMenu(*popup, 0);
    } else if (mouseMessage == WM_LBUTTONDBLCLK) {
        m_shell.SendCommand(popup->items.front().id);
    }
    return 1;
}

// A tray that came after a refused Create: the whole record again, with
// what has changed since.
void CTrayNotifyIcon::AddAgain() {
    if (m_bAdded != 0 || m_pNotifyWnd == nullptr) {
        return;
    }
    m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    AddToShell();
}

void CTrayNotifyIcon::Remove() {
    if (m_bAdded == 0) {
        return;
    }
    m_shell.Delete(m_iconData);
    m_bAdded = 0;
    m_pNotifyWnd = nullptr; // a removed icon stays removed
}

} // namespace jostle
