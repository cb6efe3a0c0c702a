#include "ui/dialogs/AboutDlg.h"

#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"

namespace jostle::ui {

CAboutDlg::CAboutDlg(const AboutData& about, int& emailVisited, int& webVisited,
                     const QIcon& appIcon, const LinkOpener& opener)
    : CTemplateDialog(templates::kAboutTemplate),
      m_emailLink(*new CStaticLink(Control<QLabel>(ids::IDC_EMAIL_LINK), opener)),
      m_webLink(*new CStaticLink(Control<QLabel>(ids::IDC_WEB_LINK), opener)) {
    m_emailLink.SetVisitedFlag(&emailVisited);
    m_webLink.SetVisitedFlag(&webVisited);
    SetPlainText(ids::IDC_IP_ADDRESS, about.ipAddressText);
    SetPlainText(ids::IDC_TIME_SINCE_LAUNCH, about.timeSinceLaunchText);
    ShowIcon(appIcon);
}

void CAboutDlg::ShowIcon(const QIcon& appIcon) {
    for (QWidget* control : ControlsOfKind(templates::ControlKind::Icon)) {
        auto* label = qobject_cast<QLabel*>(control);
        label->setPixmap(appIcon.pixmap(label->size()));
    }
}

} // namespace jostle::ui
