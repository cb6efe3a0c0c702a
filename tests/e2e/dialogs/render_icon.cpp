// Loads an icon file the way the program loads its tray icon (a QIcon, so
// through Qt's SVG icon plugins) and checks that the drawing shows: at least
// a tenth of its pixels at SIZE x SIZE must be opaque.
//
//   render_icon FILE SIZE
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <cstdio>
#include <cstdlib>

namespace {

int OpaquePixels(const QImage& image) {
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            opaque += qAlpha(image.pixel(x, y)) >= 128 ? 1 : 0;
        }
    }
    return opaque;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: render_icon FILE SIZE\n", stderr);
        return 2;
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const int size = std::atoi(argv[2]);
    QGuiApplication application(argc, argv);
    const QImage image = QIcon(file).pixmap(size, size).toImage();
    if (image.isNull()) {
        std::fprintf(stderr,
                     "%s gives no image: unreadable, or Qt lacks its SVG support (libqt6svg6)\n",
                     argv[1]);
        return 1;
    }
    const int opaque = OpaquePixels(image);
    const int pixels = image.width() * image.height();
    std::printf("%d of %d pixels opaque\n", opaque, pixels);
    return opaque * 10 >= pixels ? 0 : 1;
}
