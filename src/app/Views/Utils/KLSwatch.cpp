#include "Views/Utils/KLSwatch.h"

QPixmap KLSwatch::swatchWithColor(const QColor &color, const QSize &size) {
    QPixmap swatch(size);
    swatch.fill(color);
    return swatch;
}
