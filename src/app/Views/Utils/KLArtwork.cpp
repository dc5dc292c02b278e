#include "Views/Utils/KLArtwork.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPixmapCache>
#include <QRegularExpression>
#include <QSvgRenderer>

#include <cmath>

namespace {

// The drop zone loops through 45 frames of static over the TV; at 2x each full-band frame takes about
// 1 MB, so the default cache of 10 MB would drop every frame before the loop came back to it.
constexpr int minimumCacheKilobytes = 64 * 1024;

// "Arrow-Down_03@2X.png" -> "arrow-down_03"; empty for anything but a plain picture name.
QString canonicalName(const QString &name) {
    QString base = name.toLower();
    if (base.endsWith(QStringLiteral(".png"))) {
        base.chop(4);
    }
    if (base.endsWith(QStringLiteral("@2x"))) {
        base.chop(3);
    }
    static const QRegularExpression plain(QStringLiteral("^[a-z0-9_-]+$"));
    return plain.match(base).hasMatch() ? base : QString();
}

// A ratio that cannot be drawn at (zero, negative, not a number) draws at 1x rather than not at all.
qreal usableRatio(qreal ratio) {
    return std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
}

QSize pixelSize(const QSize &logicalSize, qreal ratio) {
    return QSize(qMax(1, qRound(logicalSize.width() * ratio)), qMax(1, qRound(logicalSize.height() * ratio)));
}

QString cacheKey(const QString &source, const QSize &logicalSize, qreal ratio) {
    return QStringLiteral("KLArtwork:%1:%2x%3@%4")
        .arg(source)
        .arg(logicalSize.width())
        .arg(logicalSize.height())
        .arg(ratio);
}

QPixmap render(const QString &source, const QSize &logicalSize, qreal ratio) {
    QSvgRenderer renderer(source);
    if (!renderer.isValid()) {
        return {};
    }
    // A size of another shape shows the whole picture centred rather than stretched.
    renderer.setAspectRatioMode(Qt::KeepAspectRatio);
    QImage image(pixelSize(logicalSize, ratio), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        return {}; // too large to allocate
    }
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), image.size()));
    painter.end();
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(std::move(image));
}

void appendFrames(QStringList &names, const QString &sequence, int count) {
    // The window asks for the first frame of the arrow sequences with a capital X.
    const bool capitalFirst = sequence.startsWith(QStringLiteral("arrow-"));
    for (int frame = 1; frame <= count; ++frame) {
        const QString suffix =
            frame == 1 && capitalFirst ? QStringLiteral("@2X.png") : QStringLiteral("@2x.png");
        names.append(sequence + QStringLiteral("_%1").arg(frame, 2, 10, QLatin1Char('0')) + suffix);
    }
}

void appendThemed(QStringList &names, const QString &stem, const QString &suffix) {
    for (const auto *theme : {"-light", "-dark"}) {
        names.append(stem + QLatin1String(theme) + suffix);
    }
}

// The drop zone's layers: background, TV, and the frames of the arrow and the static.
QStringList dropZoneNames() {
    QStringList names;
    appendThemed(names, QStringLiteral("pattern"), QString());
    appendThemed(names, QStringLiteral("tv"), QStringLiteral(".png"));
    appendFrames(names, QStringLiteral("arrow-down"), 15);
    appendFrames(names, QStringLiteral("arrow-end"), 13);
    appendFrames(names, QStringLiteral("noise"), 50);
    return names;
}

// The buttons, menus and rows, and the application's own icon.
QStringList buttonNames() {
    QStringList names;
    for (const auto *button :
         {"icon-add-inactive", "icon-add-active", "icon-settings-inactive", "icon-settings-active"}) {
        appendThemed(names, QLatin1String(button), QStringLiteral("@2x.png"));
    }
    for (const auto *browser : {"firefox", "chrome"}) {
        names << QLatin1String(browser) + QStringLiteral(".png")
              << QLatin1String(browser) + QStringLiteral("_small.png");
    }
    for (const auto *item : {"icon-download-all", "icon-pause-all", "icon-resume-all", "icon-clear-all",
                             "icon-clear-completed"}) {
        names << QLatin1String(item) + QStringLiteral("-white@2x.png")
              << QLatin1String(item) + QStringLiteral("-grey@2x.png");
    }
    for (const auto *entry : {"icon-download", "icon-redownload", "icon-cancel"}) {
        names.append(QLatin1String(entry) + QStringLiteral("@2x.png"));
    }
    for (const auto *tool : {"icon-remove", "icon-reveal", "icon-info", "icon-pause"}) {
        appendThemed(names, QLatin1String(tool), QString());
    }
    names.append(QStringLiteral("kinolarkpro"));
    return names;
}

} // namespace

QString KLArtwork::sourceFor(const QString &name) {
    const QString base = canonicalName(name);
    if (base.isEmpty()) {
        return {};
    }
    const QString path = QStringLiteral(":/artwork/") + base + QStringLiteral(".svg");
    return QFile::exists(path) ? path : QString();
}

QSize KLArtwork::naturalSize(const QString &name) {
    static QHash<QString, QSize> known; // parsing a frame of static for its size each time adds up
    const QString source = sourceFor(name);
    if (source.isEmpty()) {
        return {};
    }
    auto found = known.constFind(source);
    if (found == known.constEnd()) {
        found = known.insert(source, QSvgRenderer(source).viewBox().size());
    }
    return *found;
}

QPixmap KLArtwork::pixmap(const QString &name, const QSize &logicalSize, qreal devicePixelRatio) {
    const QString source = sourceFor(name);
    const QSize size = logicalSize.isEmpty() ? naturalSize(name) : logicalSize;
    if (source.isEmpty() || size.isEmpty()) {
        return {};
    }
    const qreal ratio = usableRatio(devicePixelRatio);
    const QString key = cacheKey(source, size, ratio);
    QPixmap drawn;
    if (QPixmapCache::find(key, &drawn)) {
        return drawn;
    }
    drawn = render(source, size, ratio);
    if (!drawn.isNull()) {
        QPixmapCache::setCacheLimit(qMax(QPixmapCache::cacheLimit(), minimumCacheKilobytes));
        QPixmapCache::insert(key, drawn);
    }
    return drawn;
}

QIcon KLArtwork::icon(const QString &name) {
    QIcon icon;
    for (const qreal ratio : {1.0, 2.0}) {
        const QPixmap drawn = pixmap(name, QSize(), ratio);
        if (drawn.isNull()) {
            return {};
        }
        icon.addPixmap(drawn);
    }
    return icon;
}

QStringList KLArtwork::allNames() {
    return dropZoneNames() + buttonNames();
}
