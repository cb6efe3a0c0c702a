#include "ui/dialogs/StaticLink.h"

#include "res/DialogTemplates.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <string_view>
#include <utility>

namespace jostle::ui {
namespace {

constexpr std::string_view kMailtoPrefix = "mailto:";

} // namespace

CStaticLink::CStaticLink(QLabel& label, LinkOpener opener)
    : QObject(&label), m_label(label), m_opener(std::move(opener)) {
    m_label.setMouseTracking(true);
    m_label.installEventFilter(this);
    m_pauseTimer.setSingleShot(true);
    m_pauseTimer.setInterval(kPauseMilliseconds);
    connect(&m_pauseTimer, &QTimer::timeout, this, &CStaticLink::OnTimer);
    ApplyLinkLook();
}

void CStaticLink::SetVisitedFlag(int* visited) {
    m_pVisited = visited;
    ApplyLinkLook();
}

QColor CStaticLink::CurrentColor() const {
    return (m_pVisited != nullptr && *m_pVisited == 1) ? m_colorVisited : m_colorUnvisited;
}

// Only text statics look like links; an icon static keeps its ordinary look.
bool CStaticLink::HasLinkLook() const {
    return m_label.pixmap().isNull();
}

void CStaticLink::ApplyLinkLook() {
    if (!HasLinkLook()) {
        return;
    }
    if (!m_label.font().underline()) {
        QFont underlined = m_label.font();
        underlined.setUnderline(true);
        m_label.setFont(underlined);
    }
    if (m_label.palette().color(QPalette::WindowText) != CurrentColor()) {
        QPalette colours = m_label.palette();
        colours.setColor(QPalette::WindowText, CurrentColor());
        m_label.setPalette(colours);
    }
}

bool CStaticLink::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_label) {
        return false;
    }
    switch (event->type()) {
    case QEvent::Paint:
        // The flag lives outside and may have changed since the last paint.
        ApplyLinkLook();
        break;
    case QEvent::MouseMove:
        OnMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        break;
    case QEvent::Leave:
        // Without a capture the label sees no moves outside itself: leaving
        // is the move that takes the pointer out.
        OnMouseMove(QPoint(-1, -1));
        break;
    case QEvent::MouseButtonPress:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            OnClicked();
        }
        break;
    default:
        break;
    }
    return false;
}

void CStaticLink::OnMouseMove(const QPoint& position) {
    if (m_bJustClicked != 0) {
        return;
    }
    const bool inside = m_label.rect().contains(position);
    if (m_bCaptured == 0 && inside) {
        m_bCaptured = 1;
        m_label.setCursor(Qt::PointingHandCursor);
    }
    if (m_bCaptured == 1 && !inside) {
        m_bCaptured = 0;
        m_label.setCursor(Qt::ArrowCursor);
    }
}

// An e-mail link opens as "mailto:" and the address, never with the prefix twice.
std::string CStaticLink::OpenTarget() const {
    const bool isEmail = m_link.find(templates::kContactRecognitionText) != std::string::npos;
    if (isEmail && !m_link.starts_with(kMailtoPrefix)) {
        return std::string(kMailtoPrefix) + m_link;
    }
    return m_link;
}

void CStaticLink::OnClicked() {
    if (m_link.empty()) {
        m_link = m_label.text().toStdString();
    }
    m_bCaptured = 0;
    m_bJustClicked = 1;
    m_pauseTimer.start();
    m_opener(OpenTarget(), [link = QPointer<CStaticLink>(this), visited = m_pVisited](bool opened) {
        if (!opened) {
            QApplication::beep();
            return;
        }
        if (visited != nullptr) {
            *visited = 1;
        }
        if (link) {
            link->ShowVisited();
        }
    });
}

// The answer may come after the pause: the hand comes back with the next move
// inside, as after a click.
void CStaticLink::ShowVisited() {
    m_bCaptured = 0;
    m_label.setCursor(Qt::ArrowCursor);
    ApplyLinkLook();
    m_label.update();
}

void CStaticLink::OnTimer() {
    m_bJustClicked = 0;
}

} // namespace jostle::ui
