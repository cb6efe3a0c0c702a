#include "ui/dialogs/DragListBox.h"

#include <QApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QScrollBar>

namespace jostle::ui {
namespace {

constexpr int kMarkThickness = 2;

} // namespace

CDragListBox::CDragListBox(QListWidget& list)
    : QObject(&list), m_list(list), m_viewport(list.viewport()),
      m_insertionMark(new QFrame(m_viewport)) {
    m_list.setSelectionMode(QAbstractItemView::SingleSelection);
    m_list.setDragEnabled(false);
    m_insertionMark->setAutoFillBackground(true);
    m_insertionMark->setBackgroundRole(QPalette::WindowText);
    m_insertionMark->hide();
    m_list.installEventFilter(this);
    m_viewport->installEventFilter(this);
    // An entry removed or added under a held button would make the pressed
    // row point at another entry: the drag ends there.
    QAbstractItemModel* model = m_list.model();
    connect(model, &QAbstractItemModel::rowsRemoved, this, &CDragListBox::EndDrag);
    connect(model, &QAbstractItemModel::rowsInserted, this, &CDragListBox::EndDrag);
    connect(model, &QAbstractItemModel::modelReset, this, &CDragListBox::EndDrag);
}

bool CDragListBox::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_list && event->type() == QEvent::KeyPress) {
        return OnKey(*static_cast<QKeyEvent*>(event));
    }
    if (watched != m_viewport) {
        return false;
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        return OnPress(*static_cast<QMouseEvent*>(event));
    case QEvent::MouseMove:
        return OnMove(*static_cast<QMouseEvent*>(event));
    case QEvent::MouseButtonRelease:
        return OnRelease(*static_cast<QMouseEvent*>(event));
    default:
        return false;
    }
}

bool CDragListBox::OnPress(const QMouseEvent& event) {
    const QPoint position = event.position().toPoint();
    if (event.button() != Qt::LeftButton) {
        return true; // only the left button selects and drags, as in a plain list box
    }
    const int row = m_list.indexAt(position).row();
    if (row < 0) {
        return false;
    }
    m_list.setFocus(Qt::MouseFocusReason);
    m_list.setCurrentRow(row);
    m_dragRow = row;
    m_pressPosition = position;
    return true;
}

bool CDragListBox::OnMove(const QMouseEvent& event) {
    if (m_dragRow < 0) {
        return false;
    }
    const QPoint position = event.position().toPoint();
    if (!m_dragging) {
        const bool farEnough =
            (position - m_pressPosition).manhattanLength() >= QApplication::startDragDistance();
        m_dragging = farEnough || m_list.indexAt(position).row() != m_dragRow;
    }
    if (m_dragging) {
        ScrollTowards(position);
        ShowInsertionMark(DropIndex(position));
    }
    return true;
}

bool CDragListBox::OnRelease(const QMouseEvent& event) {
    if (m_dragRow < 0 || event.button() != Qt::LeftButton) {
        return false;
    }
    const int from = m_dragRow;
    const bool dropped = m_dragging;
    EndDrag();
    const int before = dropped ? DropIndex(event.position().toPoint()) : -1;
    if (before >= 0) {
        MoveEntry(from, before);
    }
    return true;
}

bool CDragListBox::OnKey(const QKeyEvent& event) {
    if (m_dragRow < 0 || event.key() != Qt::Key_Escape) {
        return false;
    }
    EndDrag();
    return true; // the dialog must not see this Esc: it cancels the drag only
}

int CDragListBox::DropIndex(const QPoint& position) const {
    if (!m_viewport->rect().contains(position)) {
        return -1;
    }
    const int row = m_list.indexAt(position).row();
    return row >= 0 ? row : m_list.count();
}

void CDragListBox::MoveEntry(int from, int before) {
    const int to = before > from ? before - 1 : before;
    if (to != from) {
        QListWidgetItem* item = m_list.takeItem(from);
        m_list.insertItem(to, item);
    }
    m_list.setCurrentRow(to);
}

// Lets the user reach entries scrolled out of sight by dragging past an edge.
void CDragListBox::ScrollTowards(const QPoint& position) {
    QScrollBar* bar = m_list.verticalScrollBar();
    if (position.y() < 0) {
        bar->setValue(bar->value() - bar->singleStep());
    } else if (position.y() >= m_viewport->height()) {
        bar->setValue(bar->value() + bar->singleStep());
    }
}

void CDragListBox::ShowInsertionMark(int index) {
    if (index < 0) {
        m_insertionMark->hide();
        return;
    }
    const bool atEnd = index >= m_list.count();
    const QRect entry = m_list.visualItemRect(m_list.item(atEnd ? m_list.count() - 1 : index));
    const int y = atEnd ? entry.bottom() + 1 : entry.top();
    m_insertionMark->setGeometry(0, y - kMarkThickness / 2, m_viewport->width(), kMarkThickness);
    m_insertionMark->show();
    m_insertionMark->raise();
}

void CDragListBox::EndDrag() {
    m_dragRow = -1;
    m_dragging = false;
    if (m_insertionMark) {
        m_insertionMark->hide();
    }
}

} // namespace jostle::ui
