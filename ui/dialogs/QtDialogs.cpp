#include "ui/dialogs/QtDialogs.h"

#include "platform/desktop/DesktopServices.h"
#include "platform/desktop/Icons.h"
#include "platform/desktop/QtAlerts.h"
#include "res/ResourceIds.h"
#include "ui/dialogs/AboutDlg.h"
#include "ui/dialogs/EditNamesDlg.h"
#include "ui/dialogs/HelpWindow.h"
#include "ui/dialogs/OptionsDlg.h"
#include "ui/dialogs/StatisticsDlg.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace jostle::ui {

QtDialogs::QtDialogs(int& emailVisited, int& webVisited)
    : QtDialogs(emailVisited, webVisited, std::bind_front(&DesktopOpener::Open, DesktopOpener()),
                &LoadIcon) {}

QtDialogs::QtDialogs(int& emailVisited, int& webVisited, LinkOpener opener, IconLoader iconLoader)
    : m_emailVisited(emailVisited), m_webVisited(webVisited), m_opener(std::move(opener)),
      m_iconLoader(std::move(iconLoader)) {}

QtDialogs::~QtDialogs() = default;

int QtDialogs::RunModal(QDialog& dialog) {
    if (m_closing) {
        return QDialog::Rejected;
    }
    QWidget* owner = m_owner ? m_owner() : nullptr;
    if (owner != nullptr) {
        dialog.move(owner->mapToGlobal(dialog.pos())); // shown or hidden, where it would be
    }
    m_open.emplace_back(&dialog);
    const int result = ExecModalTo(dialog, owner);
    std::erase(m_open, QPointer<QDialog>(&dialog));
    return result;
}

bool QtDialogs::RunEditNames(EditNamesData& data) {
    CEditNamesDlg dialog(data);
    if (RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    data.names = dialog.Names();
    return true;
}

bool QtDialogs::RunOptions(OptionsData& data) {
    COptionsDlg dialog(data);
    if (RunModal(dialog) != QDialog::Accepted) {
        return false;
    }
    data = dialog.Options();
    return true;
}

void QtDialogs::RunStatistics(const StatisticsData& data) {
    CStatisticsDlg dialog(data);
    RunModal(dialog);
}

void QtDialogs::RunAbout(const AboutData& data) {
    CAboutDlg dialog(data, m_emailVisited, m_webVisited, m_iconLoader(ids::IDI_ACTIVE), m_opener);
    RunModal(dialog);
}

void QtDialogs::ShowHelp() {
    if (m_closing) {
        return;
    }
    if (!m_help) {
        m_help = std::make_unique<CHelpWindow>();
    }
    m_help->show();
    m_help->raise();
    m_help->activateWindow();
}

void QtDialogs::CloseAll() {
    m_closing = true;
    // Innermost first: each reject ends that dialog's own event loop.
    for (auto open = m_open.rbegin(); open != m_open.rend(); ++open) {
        if (!open->isNull()) {
            (*open)->reject();
        }
    }
    if (m_help) {
        m_help->close();
    }
}

} // namespace jostle::ui
