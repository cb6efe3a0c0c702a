#include "tray/TrayNotifyIcon.h"

#include "res/Menus.h"

namespace jostle {

namespace {

constexpr int kDefaultItem = 0; // Restore

const menus::Popup& TrayMenu() {
    return menus::kTrayMenu[0];
}

} // namespace

CTrayNotifyIcon::CTrayNotifyIcon(ITrayShell& shell) : m_shell(shell) {
    m_shell.SetEventSink(this);
}

CTrayNotifyIcon::~CTrayNotifyIcon() {
    Remove();
    m_shell.SetEventSink(nullptr);
}

bool CTrayNotifyIcon::Create(ITrayCommands& owner, const std::string& tooltip, int icon) {
    m_owner = &owner;
    m_look.icon = icon;
    SetTooltip(tooltip);
    return Show();
}

bool CTrayNotifyIcon::Show() {
    m_shown = m_shell.ShowIcon(m_look, TrayMenu(), kDefaultItem);
    return m_shown;
}

void CTrayNotifyIcon::SetIcon(int icon) {
    m_look.icon = icon;
    Update();
}

void CTrayNotifyIcon::SetTooltip(const std::string& text) {
    m_look.tooltip = text.substr(0, kTooltipLength);
    Update();
}

void CTrayNotifyIcon::Update() {
    if (m_shown) {
        m_shell.UpdateIcon(m_look);
    }
}

void CTrayNotifyIcon::Remove() {
    if (m_shown) {
        m_shell.RemoveIcon();
        m_shown = false;
    }
    m_owner = nullptr; // a removed icon stays removed
}

void CTrayNotifyIcon::OnTrayContextMenu() {
    if (m_owner != nullptr) {
        m_shell.PopUpMenu(TrayMenu(), kDefaultItem);
    }
}

void CTrayNotifyIcon::OnTrayActivated() {
    OnTrayMenuCommand(TrayMenu().items[kDefaultItem].id);
}

void CTrayNotifyIcon::OnTrayAppeared() {
    if (m_owner != nullptr && !m_shown) {
        Show();
    }
}

void CTrayNotifyIcon::OnTrayMenuCommand(int commandId) {
    if (m_owner != nullptr) {
        m_owner->OnCommand(commandId);
    }
}

} // namespace jostle
