#include "platform/SystemServices.h"

#include "platform/Icons.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <ctime>
#include <memory>
#include <utility>

namespace jostle {

std::string SystemClock::LocalTimeText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    char text[16] = {};
    if (localtime_r(&now, &local) == nullptr ||
        std::strftime(text, sizeof text, "%H:%M:%S", &local) == 0) {
        return "00:00:00";
    }
    return text;
}

// Milliseconds since the system started, time spent suspended included, cut
// to 32 bits so that it wraps like the original tick count.
std::uint32_t SystemClock::TickCount() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000U +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000U;
    return static_cast<std::uint32_t>(milliseconds);
}

std::int64_t SystemClock::Seconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

void StdRandom::Seed(unsigned seed) {
    m_engine.seed(seed);
}

int StdRandom::Next() {
    return static_cast<int>(m_engine() >> 1U);
}

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

QIcon LoadIcon(int resourceId) {
    return LoadResourceIcon(resourceId);
}

void EndEventLoops() {
    QCoreApplication::exit(0);
    // exit() reaches only loops that run now; a loop still to start sees this.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

} // namespace jostle
