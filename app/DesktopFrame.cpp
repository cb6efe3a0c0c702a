#include "app/DesktopFrame.h"

#include "platform/core/SystemServices.h"

#include <QGuiApplication>
#include <QScreen>

namespace jostle {

DesktopFrame::DesktopFrame(PanelModel& model, std::function<void()> onClosing)
    : m_model(model), m_onClosing(std::move(onClosing)) {}

DesktopFrame::~DesktopFrame() = default;

CMainFrame& DesktopFrame::Built() {
    if (m_frame) {
        return *m_frame;
    }
    m_frame = std::make_unique<CMainFrame>(QGuiApplication::primaryScreen()->size(), m_model);
    QObject::connect(m_frame.get(), &CMainFrame::commandIssued, m_frame.get(), [this](int id) {
        if (m_commands) {
            m_commands(id);
        }
    });
    QObject::connect(m_frame.get(), &CMainFrame::closing, m_frame.get(), [this] { m_onClosing(); });
    if (m_fitWanted) {
        Fit();
    }
    return *m_frame;
}

FrameSize DesktopFrame::FitToPanel() {
    m_fitWanted = true;
    return IsBuilt() ? Fit() : FrameSize{};
}

FrameSize DesktopFrame::Fit() {
    return m_frame->FitToPanel();
}

void DesktopFrame::ShowAndActivate() {
    Built().ShowAndActivate();
}

void DesktopFrame::Hide() {
    if (IsBuilt() && m_icon != nullptr && m_icon->IsShown()) {
        m_frame->Hide();
    }
}

void DesktopFrame::Close() {
    if (IsBuilt()) {
        m_frame->Close();
        return;
    }
    m_onClosing();
    EndEventLoops();
}

} // namespace jostle
