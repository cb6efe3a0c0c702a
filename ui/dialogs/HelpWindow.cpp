#include "ui/dialogs/HelpWindow.h"

#include <QDialogButtonBox>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace jostle::ui {
namespace {

constexpr const char* kHelpText = R"(<h2>Jostle</h2>
<p>Jostle keeps an idle Internet connection from being dropped. At the period you set it
opens a connection to port 80 of one host from your list, sends a short request and throws
the reply away. It lives in the notification area: double-click its icon, or choose
<b>Restore</b> from the icon's menu, to show the control panel.</p>

<h3>The control panel</h3>
<ul>
<li><b>Jostle how often? (minutes)</b>: the period, from 1 to 60.</li>
<li><b>Domain Name or IP Address</b>: the host to contact. Pick one from the list or type a new host name
or dotted address into the box to add it.</li>
<li><b>Start or Apply Changes</b> starts the cycle, or restarts it with the new period and
name. The status line and the countdown show what happens.</li>
<li><b>Return To Tray</b> hides the panel; <b>Shutdown Jostle</b> ends the program.</li>
<li><b>Jostle, Edit Names...</b> reorders (drag a name), deletes or restores the default
names. <b>Statistics...</b> shows the counts of successes and failures since launch.</li>
</ul>

<h3>Options</h3>
<ul>
<li><b>Auto-Start</b>: start the cycle one second after Jostle starts.</li>
<li><b>Randomize Domain Name</b>: after the first jostle of a start, choose another name from the list at random at the end of each period.</li>
<li><b>Randomize Jostle Time</b>: vary each period at random by up to 30 seconds.</li>
<li><b>Ignore Connection Failures</b>: count a failed lookup or connection and go on with
the next name instead of stopping with a message.</li>
</ul>

<h3>Settings</h3>
<p>Settings are kept in <tt>$XDG_CONFIG_HOME/jostle/settings.reg</tt>
(<tt>~/.config/jostle/settings.reg</tt> when XDG_CONFIG_HOME is not set).
Start Jostle with <tt>--settings FILE</tt> to use another file, for example one shared by
all users of a machine. <tt>jostle --headless</tt> runs without a window and prints the
status on standard output; <tt>man jostle</tt> tells more.</p>
)";

constexpr int kWidth = 480;
constexpr int kHeight = 520;

} // namespace

CHelpWindow::CHelpWindow() {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("Jostle Help"));
    auto* text = new QTextBrowser(this);
    text->setObjectName(QStringLiteral("helpText"));
    text->setOpenLinks(false);
    text->setHtml(QString::fromUtf8(kHelpText));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text);
    layout->addWidget(buttons);
    resize(kWidth, kHeight);
}

} // namespace jostle::ui
