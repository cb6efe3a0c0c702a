// The dialogs the engine runs, as Qt widgets: each modal, without a parent,
// in its own nested event loop, so the engine goes on while one is open.
// A dialog blocks its owner window (the main frame), not the whole program:
// the tray icon stays live, so its menu can still end the program.
#pragma once

#include "engine/Interfaces.h"
#include "platform/desktop/QtAlerts.h"
#include "ui/dialogs/StaticLink.h"

#include <QIcon>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

class QDialog;
class QWidget;

namespace jostle::ui {

class CHelpWindow;

class QtDialogs : public IDialogs {
public:
    using IconLoader = std::function<QIcon(int resourceId)>;

    // The two visited flags of the About box's links belong to the caller and
    // must outlive this object.
    QtDialogs(int& emailVisited, int& webVisited);
    QtDialogs(int& emailVisited, int& webVisited, LinkOpener opener, IconLoader iconLoader);
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    bool RunEditNames(EditNamesData& data) override;
    bool RunOptions(OptionsData& data) override;
    void RunStatistics(const StatisticsData& data) override;
    void RunAbout(const AboutData& data) override;
    void ShowHelp() override;

    // The window that takes no input while a dialog is up.
    void SetOwner(OwnerWindow owner) { m_owner = std::move(owner); }

    // For the program's exit: closes every open dialog (each Run returns as if
    // cancelled) and the help window; no dialog opens after this.
    void CloseAll();

    bool AnyOpen() const { return !m_open.empty(); }

private:
    int RunModal(QDialog& dialog);

    int& m_emailVisited;
    int& m_webVisited;
    LinkOpener m_opener;
    IconLoader m_iconLoader;
    OwnerWindow m_owner;
    std::vector<QPointer<QDialog>> m_open; // innermost last
    std::unique_ptr<CHelpWindow> m_help;
    bool m_closing = false;
};

} // namespace jostle::ui
