// The program's one top-level window: caption "Jostle", a thin border, the
// menu bar and the control panel; no system menu and no boxes to minimise,
// maximise or close it, though the window manager's Close (Alt+F4) ends the
// program. Hidden most of the time.
#pragma once

#include "engine/Interfaces.h"
#include "engine/PanelModel.h"
#include "ui/ControlPanel.h"

#include <QMainWindow>

namespace jostle {

// The frame's starting rectangle on a screen of this size: a quarter of its
// width and three tenths of its height (single-precision factors, truncated),
// centred.
QRect StartingRect(const QSize& screen);

class CMainFrame : public QMainWindow, public IFrame {
    Q_OBJECT
public:
    CMainFrame(const QSize& screen, PanelModel& model);

    ui::ControlPanel& Panel() { return *m_panel; }

    FrameSize FitToPanel() override;
    void ShowAndActivate() override;
    void Hide() override;
    // Ends the program: the event loop (and any nested one) returns.
    void Close() override;

signals:
    // A menu item or a panel button was chosen.
    void commandIssued(int commandId);
    // Close() was called; the event loop is about to end.
    void closing();

protected:
    // A close request from outside is the Shutdown Jostle command.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenuBar();
    void PlaceFrame(const QRect& rect);

    ui::ControlPanel* m_panel;
    bool m_closing = false;
};

} // namespace jostle
