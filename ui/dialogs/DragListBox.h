// Reordering a list by dragging, done with the list's own mouse events:
// press on an entry, drag it, release over another entry, and the dragged
// entry moves to just before that one (below the last entry: to the end).
// Esc while the button is held cancels. A line marks the place while dragging.
#pragma once

#include <QFrame>
#include <QObject>
#include <QPoint>
#include <QPointer>

class QKeyEvent;
class QListWidget;
class QMouseEvent;

namespace jostle::ui {

class CDragListBox : public QObject {
    Q_OBJECT
public:
    // Attaches to list; lives as its child.
    explicit CDragListBox(QListWidget& list);

    bool IsDragging() const { return m_dragging; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OnPress(const QMouseEvent& event);
    bool OnMove(const QMouseEvent& event);
    bool OnRelease(const QMouseEvent& event);
    bool OnKey(const QKeyEvent& event);
    // Where a drop at position would insert: a row, the count for the end, or
    // -1 outside the list.
    int DropIndex(const QPoint& position) const;
    void MoveEntry(int from, int before);
    void ScrollTowards(const QPoint& position);
    void ShowInsertionMark(int index);
    void EndDrag();

    QListWidget& m_list;
    // Kept apart from the list: its events may come while the list is being destroyed.
    QWidget* m_viewport;
    // Goes with the viewport, before the list's model announces its last
    // change while the list is being destroyed.
    QPointer<QFrame> m_insertionMark;
    int m_dragRow = -1; // the pressed entry, -1 when the button is up
    bool m_dragging = false;
    QPoint m_pressPosition;
};

} // namespace jostle::ui
