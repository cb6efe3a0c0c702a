#include "platform/desktop/Icons.h"

#include <QFile>
#include <QImageReader>
#include <QPixmap>
#include <cstdio>

// Outside any namespace, as the resource system wants it.
static void RegisterFallbackIcons() {
    Q_INIT_RESOURCE(fallback_icons);
}

namespace jostle {

namespace {

constexpr int kProbeSize = 16;

QString MissingPiece() {
    if (!QImageReader::supportedImageFormats().contains("svg")) {
        return QStringLiteral("the Qt SVG image plugin (imageformats/libqsvg.so, Debian package "
                              "libqt6svg6) is missing");
    }
    return QStringLiteral("the SVG drawing could not be rendered");
}

void ComplainOnce() {
    static bool said = false;
    if (!said) {
        said = true;
        std::fprintf(stderr, "jostle: the icons can't be drawn: %s; using built-in bitmaps\n",
                     qPrintable(MissingPiece()));
    }
}

QIcon FallbackIcon(int resourceId) {
    static const bool registered = (RegisterFallbackIcons(), true);
    Q_UNUSED(registered);
    return QIcon(QStringLiteral(":/fallback-icons/%1.png").arg(resourceId));
}

} // namespace

QIcon LoadIcon(int resourceId) {
    const QString path = QStringLiteral(":/icons/%1.svg").arg(resourceId);
    if (!QFile::exists(path)) {
        return {};
    }
    QIcon drawing(path);
    if (!drawing.pixmap(kProbeSize, kProbeSize).isNull()) {
        return drawing;
    }
    ComplainOnce();
    return FallbackIcon(resourceId);
}

} // namespace jostle
