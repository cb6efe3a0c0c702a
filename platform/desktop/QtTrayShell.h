// The notification-area service over QSystemTrayIcon.
#pragma once

#include "tray/TrayShell.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSystemTrayIcon>

namespace jostle {

// The single left click, reported so that the icon can ignore it.
inline constexpr unsigned kLeftButtonUp = 0x202;

// One icon. The window of the last Add receives the callbacks and the menu's
// commands, even when the shell refused the icon, as a window does on the
// original desktop, until the icon is deleted.
class QtTrayShell : public QObject, public ITrayShell {
    Q_OBJECT
public:
    explicit QtTrayShell(QObject* parent = nullptr);

    bool Add(const NotifyIconData& data) override;
    bool Modify(const NotifyIconData& data) override;
    bool Delete(const NotifyIconData& data) override;
    void TrackPopupMenu(const menus::Popup& popup, int defaultPosition) override;
    void SendCommand(int commandId) override;

private:
    void Apply(const NotifyIconData& data);
    bool IsOurIcon(const NotifyIconData& data) const;
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    // A single click, or the second of two: some trays never report double clicks.
    unsigned LeftClickMessage();
    void PostCommand(int commandId);

    QSystemTrayIcon* m_icon;
    INotifyWindow* m_window = nullptr;
    unsigned m_id = 0;
    bool m_added = false;
    QElapsedTimer m_sinceLeftClick; // invalid: no click that a second one could complete
};

} // namespace jostle
