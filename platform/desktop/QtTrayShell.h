// The notification-area service over QSystemTrayIcon.
#pragma once

#include "tray/TrayShell.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <memory>

class QMenu;

namespace jostle {

// One icon. A ShowIcon refused for want of a tray starts a watch; once a tray
// is there the sink hears of it. Until the icon is removed the sink hears what
// the user does with it.
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

    void SetEventSink(ITrayEvents* sink) override;
    bool ShowIcon(const TrayIconLook& look, const menus::Popup& menu, int defaultItem) override;
    void UpdateIcon(const TrayIconLook& look) override;
    void RemoveIcon() override;
    void PopUpMenu(const menus::Popup& menu, int defaultItem) override;

private:
    // The Qt icon is made once, when a tray exists: Qt picks its kind of tray then.
    bool MakeIcon();
    void AttachMenu(const menus::Popup& popup, int defaultItem);
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void CheckForTray();
    void PostCommand(int commandId);

    QSystemTrayIcon* m_icon = nullptr;
    bool m_statusNotifier = false;
    std::unique_ptr<QMenu> m_exportedMenu; // a StatusNotifierItem's menu, kept while the icon lives
    QTimer m_trayWatch;
    ITrayEvents* m_sink = nullptr;
    int m_shownIcon = 0;
};

} // namespace jostle
