#include "app/MainFrame.h"

#include "platform/core/SystemServices.h"
#include "res/Menus.h"
#include "res/ResourceIds.h"

#include <QCloseEvent>
#include <QLayout>
#include <QMenuBar>

namespace jostle {

namespace {

constexpr const char* kCaption = "Jostle";

QString MenuName(const char* title) {
    return QStringLiteral("menu_") + QString::fromUtf8(title).remove(QLatin1Char('&'));
}

} // namespace

QRect StartingRect(const QSize& screen) {
    const int width = static_cast<int>(static_cast<float>(screen.width()) * 0.25f);
    const int height = static_cast<int>(static_cast<float>(screen.height()) * 0.3f);
    return {(screen.width() - width) / 2, (screen.height() - height) / 2, width, height};
}

CMainFrame::CMainFrame(const QSize& screen, PanelModel& model)
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_panel(new ui::ControlPanel(model, this)) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowTitle(QString::fromUtf8(kCaption));
    setCentralWidget(m_panel);
    BuildMenuBar();
    PlaceFrame(StartingRect(screen));
    connect(m_panel, &ui::ControlPanel::commandIssued, this, &CMainFrame::commandIssued);
}

FrameSize CMainFrame::FitToPanel() {
    layout()->activate(); // places the menu bar and the panel while the frame is hidden
    const QRect fitted = m_panel->ComputePanelRect(QRect(pos(), size()));
    PlaceFrame(fitted);
    setFixedSize(fitted.size());
    return {fitted.width(), fitted.height()};
}

// The rectangle's corner is the whole window's, title bar and border
// included; its size is the inside's.
void CMainFrame::PlaceFrame(const QRect& rect) {
    resize(rect.size());
    move(rect.topLeft());
}

void CMainFrame::ShowAndActivate() {
    show();
    raise();
    activateWindow();
}

void CMainFrame::Hide() {
    hide();
}

void CMainFrame::Close() {
    m_closing = true;
    emit closing();
    close();
    EndEventLoops();
}

// Alt+F4 or the window manager's Close ends the program as Shutdown Jostle
// does; the frame closes only once the program has begun to end.
void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!m_closing) {
        emit commandIssued(ids::IDC_SHUTDOWN);
    }
    event->setAccepted(m_closing);
}

void CMainFrame::BuildMenuBar() {
    menuBar()->setObjectName(QStringLiteral("menu_%1").arg(ids::IDR_MAINFRAME));
    for (const menus::Popup& popup : menus::kMainMenu) {
        QMenu* menu = menuBar()->addMenu(QString::fromUtf8(popup.title));
        menu->setObjectName(MenuName(popup.title));
        for (const menus::MenuItem& item : popup.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromUtf8(item.text));
            action->setObjectName(QStringLiteral("cmd_%1").arg(item.id));
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { emit commandIssued(id); });
        }
    }
}

} // namespace jostle
