// The control panel form (template 101): the period box, the target name
// combo box, the status line, the countdown and four buttons. It shows what
// the engine tells it and sends the buttons' commands; it decides nothing.
#pragma once

#include "engine/Interfaces.h"
#include "ui/ControlAdapters.h"
#include "ui/DialogBuilder.h"

#include <QWidget>

namespace jostle::ui {

// The frame rectangle that fits the panel, from the frame's rectangle and the
// window rectangles of the Start and Return To Tray buttons, all in screen
// coordinates: the frame keeps its top-left corner, is as wide as the Start
// button plus twice its height, and ends one and a half button heights plus
// 10 pixels below the Return To Tray button.
QRect ComputePanelRect(const QRect& frame, const QRect& startButton, const QRect& returnButton);

class ControlPanel : public QWidget {
    Q_OBJECT
public:
    explicit ControlPanel(QWidget* parent = nullptr);

    // The six controls the engine drives.
    PanelControls Controls();
    // The rectangle that fits the panel into a frame now at frameRect (screen coordinates).
    QRect ComputePanelRect(const QRect& frameRect) const;
    QWidget* Control(int id) const { return m_built.Control(id); }

signals:
    // A button was pressed: 1003, 1005 or 1008.
    void commandIssued(int commandId);

protected:
    // Enter anywhere in the form presses the default button, "Return To Tray".
    void keyPressEvent(QKeyEvent* event) override;
    // A focused control that is disabled hands the focus on through here: it
    // goes to "Return To Tray", never to the next button in the tab order.
    bool focusNextPrevChild(bool next) override;

private:
    QPushButton& DefaultButton() const;
    void ConnectButton(int id);
    void KeepTypingInView();
    QRect ScreenRect(int id) const;

    BuiltDialog m_built;
    ButtonAdapter m_startButton;
    ComboAdapter m_nameCombo;
    EditAdapter m_periodEdit;
    StaticAdapter m_countdownLabel;
    StaticAdapter m_countdownText;
    StaticAdapter m_statusText;
};

} // namespace jostle::ui
