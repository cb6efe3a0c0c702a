// The control panel form (template 101): the period box, the target name
// combo box, the status line, the countdown and four buttons, as views over
// the panel's models. It shows what the engine sets in them while it is
// shown, writes what the user types back into them and sends the buttons'
// commands; it decides nothing.
#pragma once

#include "engine/PanelModel.h"
#include "ui/DialogBuilder.h"

#include <QWidget>

class QPushButton;

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
    explicit ControlPanel(PanelModel& model, QWidget* parent = nullptr);
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;
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
    // A hidden panel is not kept up to date: it catches up here.
    void showEvent(QShowEvent* event) override;

private:
    QPushButton& DefaultButton() const;
    void ConnectButton(int id);
    void KeepTypingInView();
    template <class Visit> void ForEachControl(Visit visit);
    template <class Widget, class Model> void Copy(Widget& widget, const Model& model);
    void ShowModels();
    void FollowModels();
    void StopFollowingModels();
    void TakeTyping();
    QRect ScreenRect(int id) const;

    PanelModel& m_model;
    BuiltDialog m_built;
    bool m_copyingModel = false; // the widgets' signals come from our own copying
};

} // namespace jostle::ui
