#include "Desktop/KLDesktopIconProvider.h"

#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>

#include <algorithm>

QImage KLDesktopIconProvider::iconForFile(const QString &file, const QSize &size) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    QIcon icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName()));
    if (icon.isNull()) {
        icon = QIcon::fromTheme(QStringLiteral("video-x-generic"));
    }
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(60, 63, 70));
    if (!icon.isNull()) {
        QPainter painter(&image);
        const int side = std::min(size.width(), size.height()) / 2;
        icon.paint(&painter, QRect((size.width() - side) / 2, (size.height() - side) / 2, side, side));
    }
    return image;
}
