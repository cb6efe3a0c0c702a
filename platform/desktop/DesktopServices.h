// The desktop's services: web and mail addresses.
#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <string>

namespace jostle {

// The answer to an open: true when a program was found and started for it.
using OpenAnswer = std::function<void(bool opened)>;

// Opens a web address in the browser, or a "mailto:" address in the mail
// program, with the desktop's opener command, and answers from the event loop
// once the opener has ended: a success when it ended with status 0, a failure
// when it failed or could not be run at all. An opener still running after
// the patience has started a program that keeps it waiting (a browser in the
// foreground): that is a success, and the opener is left to run. Nothing is
// written to standard error, the opener's own output included.
class DesktopOpener {
public:
    static constexpr std::chrono::milliseconds kPatience{3000};

    explicit DesktopOpener(QString command = QStringLiteral("xdg-open"),
                           std::chrono::milliseconds patience = kPatience);

    void Open(const std::string& target, OpenAnswer answer) const;

private:
    QString m_command;
    std::chrono::milliseconds m_patience;
};

} // namespace jostle
