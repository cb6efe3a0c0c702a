// The main frame as the engine sees it. It is built only when first needed (to
// be shown, or to own a dialog or message box), so a program that stays in
// the tray never pays for the panel's widgets; until then the panel's models
// hold everything the engine sets.
#pragma once

#include "app/MainFrame.h"
#include "engine/PanelModel.h"
#include "tray/TrayNotifyIcon.h"

#include <functional>
#include <memory>

namespace jostle {

class DesktopFrame : public IFrame {
public:
    // onClosing runs when the program begins to end, built frame or not.
    DesktopFrame(PanelModel& model, std::function<void()> onClosing);
    ~DesktopFrame() override;
    DesktopFrame(const DesktopFrame&) = delete;
    DesktopFrame& operator=(const DesktopFrame&) = delete;

    // Where the frame's menu items and buttons go.
    void SendCommandsTo(std::function<void(int)> commands) { m_commands = std::move(commands); }
    // Return To Tray hides the frame only while this icon is in a tray, since
    // nothing else could bring it back.
    void WatchIcon(const CTrayNotifyIcon& icon) { m_icon = &icon; }

    CMainFrame& Built();
    bool IsBuilt() const { return m_frame != nullptr; }

    // Fits the frame now if it is built, else as soon as it is (zero until then).
    FrameSize FitToPanel() override;
    void ShowAndActivate() override;
    void Hide() override;
    void Close() override;

private:
    FrameSize Fit();

    PanelModel& m_model;
    std::function<void()> m_onClosing;
    std::function<void(int)> m_commands;
    const CTrayNotifyIcon* m_icon = nullptr;
    std::unique_ptr<CMainFrame> m_frame;
    bool m_fitWanted = false;
};

} // namespace jostle
