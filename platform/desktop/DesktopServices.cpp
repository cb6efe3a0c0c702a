#include "platform/desktop/DesktopServices.h"

#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <memory>
#include <utility>

namespace jostle {

namespace {

// A full URL as written, or what a user means by a text such as "www.example.org".
QUrl ToUrl(const std::string& target) {
    const QString text = QString::fromStdString(target);
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        url = QUrl::fromUserInput(text);
    }
    return url;
}

// Answers at most once, whichever of the opener's end and the patience comes first.
OpenAnswer Once(OpenAnswer answer) {
    auto pending = std::make_shared<OpenAnswer>(std::move(answer));
    return [pending](bool opened) {
        if (*pending) {
            std::exchange(*pending, nullptr)(opened);
        }
    };
}

} // namespace

DesktopOpener::DesktopOpener(QString command, std::chrono::milliseconds patience)
    : m_command(std::move(command)), m_patience(patience) {}

// The process has no parent: an opener still running when the program ends
// is left running with what it started, not killed.
void DesktopOpener::Open(const std::string& target, OpenAnswer answer) const {
    const QUrl url = ToUrl(target);
    if (!url.isValid()) {
        answer(false);
        return;
    }
    const OpenAnswer reply = Once(std::move(answer));
    auto* opener = new QProcess();
    opener->setStandardInputFile(QProcess::nullDevice());
    opener->setStandardOutputFile(QProcess::nullDevice());
    opener->setStandardErrorFile(QProcess::nullDevice());
    QObject::connect(opener, &QProcess::finished, opener,
                     [opener, reply](int status, QProcess::ExitStatus how) {
                         reply(how == QProcess::NormalExit && status == 0);
                         opener->deleteLater();
                     });
    QObject::connect(opener, &QProcess::errorOccurred, opener,
                     [opener, reply](QProcess::ProcessError error) {
                         if (error == QProcess::FailedToStart) {
                             reply(false);
                             opener->deleteLater();
                         }
                     });
    QTimer::singleShot(m_patience, opener, [reply] { reply(true); });
    opener->start(m_command, {url.toString(QUrl::FullyEncoded)});
}

} // namespace jostle
