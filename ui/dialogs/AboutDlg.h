// "About Jostle": fixed texts, the current address, the time since launch and
// two links whose visited flags belong to the application.
#pragma once

#include "engine/Interfaces.h"
#include "ui/dialogs/StaticLink.h"
#include "ui/dialogs/TemplateDialog.h"

#include <QIcon>

namespace jostle::ui {

class CAboutDlg : public CTemplateDialog {
    Q_OBJECT
public:
    CAboutDlg(const AboutData& about, int& emailVisited, int& webVisited, const QIcon& appIcon,
              const LinkOpener& opener);

private:
    void ShowIcon(const QIcon& appIcon);

    CStaticLink& m_emailLink;
    CStaticLink& m_webLink;
};

} // namespace jostle::ui
