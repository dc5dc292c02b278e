#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>

// Plain pictures made of one colour.
class KLSwatch final {
public:
    // A picture of the size filled with the colour.
    static QPixmap swatchWithColor(const QColor &color, const QSize &size);
};
