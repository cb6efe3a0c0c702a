#include "platform/desktop/DesktopServices.h"

#include <QDesktopServices>
#include <QFile>
#include <QUrl>

namespace jostle {

bool DesktopOpen(const std::string& target) {
    const QString text = QString::fromStdString(target);
    QUrl url(text, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty()) {
        url = QUrl::fromUserInput(text);
    }
    return url.isValid() && QDesktopServices::openUrl(url);
}

QIcon LoadIcon(int resourceId) {
    const QString path = QStringLiteral(":/icons/%1.svg").arg(resourceId);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace jostle
