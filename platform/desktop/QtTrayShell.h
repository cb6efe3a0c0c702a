// The notification-area service over QSystemTrayIcon.
#pragma once

#include "tray/TrayShell.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

class QMenu;

namespace jostle {

// One icon. The window of the last Add receives the callbacks and the menu's
// commands, even when the shell refused the icon, as a window does on the
// original desktop, until the icon is deleted. An Add refused for want of a
// tray starts a watch; once a tray is there the window gets kTaskbarCreated.
//
// Two kinds of tray: an XEmbed tray reports clicks and the icon pops its menu
// at the pointer; a StatusNotifierItem host shows the menu exported over D-Bus
// itself (no bold item there) and reports its primary action, Activate, which
// stands for the double click that such hosts never report.
class QtTrayShell : public QObject, public ITrayShell {
    Q_OBJECT
public:
    explicit QtTrayShell(QObject* parent = nullptr);
    ~QtTrayShell() override;

    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(const NotifyIconData& data) override;
    void TrackPopupMenu(const menus::Popup& popup, int defaultPosition) override;
    void SendCommand(int commandId) override;
    void AttachMenu(const menus::Popup& popup, int defaultPosition) override;

private:
    // The Qt icon is made once, when a tray exists: Qt picks its kind of tray then.
    bool MakeIcon();
    void Apply(const NotifyIconData& data);
    bool IsOurIcon(const NotifyIconData& data) const;
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void CheckForTray();
    void PostCommand(int commandId);

    QSystemTrayIcon* m_icon = nullptr;
    bool m_statusNotifier = false;
    std::unique_ptr<QMenu> m_exportedMenu; // a StatusNotifierItem's menu, kept while the icon lives
    QTimer m_trayWatch;
    INotifyWindow* m_window = nullptr;
    unsigned m_id = 0;
    bool m_added = false;
};

} // namespace jostle
