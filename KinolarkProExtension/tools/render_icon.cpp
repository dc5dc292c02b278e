// Draws an SVG picture into square PNGs for the browser extension's icons, so that they always match the
// application's artwork: render_icon SOURCE.svg OUTPUT_PREFIX SIZE... writes OUTPUT_PREFIX-SIZE.png.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

bool render(QSvgRenderer &renderer, const QString &path, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter);
    painter.end();
    return image.save(path, "PNG");
}

} // namespace

int main(int argc, char **argv) {
    // Drawing needs no screen: the build runs this where there is none.
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QGuiApplication application(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    if (arguments.size() < 4) {
        std::fputs("usage: render_icon SOURCE.svg OUTPUT_PREFIX SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read %s\n", qPrintable(arguments.at(1)));
        return 1;
    }
    for (const QString &sizeText : arguments.mid(3)) {
        bool number = false;
        const int size = sizeText.toInt(&number);
        const QString path = arguments.at(2) + QLatin1Char('-') + sizeText + QStringLiteral(".png");
        if (!number || size <= 0 || size > 1024 || !render(renderer, path, size)) {
            std::fprintf(stderr, "render_icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
