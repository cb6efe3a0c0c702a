// A dialog's static text turned hyperlink: underlined, blue until opened and
// purple after, a pointing hand while the pointer is over it, and a click
// opens the link with the desktop. Like subclassing a control, it attaches to
// a label the dialog builder made and watches that label's events.
#pragma once

#include "platform/desktop/DesktopServices.h"

#include <QColor>
#include <QLabel>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

namespace jostle::ui {

// Opens a URL or "mailto:" address with the user's default program, and
// answers, now or later, whether a program was found and started for it.
using LinkOpener = std::function<void(const std::string& target, OpenAnswer answer)>;

class CStaticLink : public QObject {
    Q_OBJECT
public:
    static constexpr int kPauseMilliseconds = 1000;

    // The link becomes a child of the label and dies with it.
    CStaticLink(QLabel& label, LinkOpener opener);

    // The owner keeps the flag, for as long as the event loop runs (an open
    // may answer after the dialog has closed); 1 means the link was opened once.
    void SetVisitedFlag(int* visited);
    void SetLink(const std::string& link) { m_link = link; }

    QColor CurrentColor() const;
    bool IsCaptured() const { return m_bCaptured != 0; }
    bool IsJustClicked() const { return m_bJustClicked != 0; }

    void OnMouseMove(const QPoint& position);
    void OnClicked();

    const QColor m_colorUnvisited{0, 0, 255};
    const QColor m_colorVisited{128, 0, 128};

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HasLinkLook() const;
    void ApplyLinkLook();
    std::string OpenTarget() const;
    void ShowVisited();
    void OnTimer();

    QLabel& m_label;
    int* m_pVisited = nullptr;
    int m_bCaptured = 0;
    int m_bJustClicked = 0;
    std::string m_link;
    LinkOpener m_opener;
    QTimer m_pauseTimer; // timer 105: mouse moves are ignored while it runs
};

} // namespace jostle::ui
