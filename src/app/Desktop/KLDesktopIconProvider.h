#pragma once

#include <QImage>
#include <QSize>
#include <QString>

// The picture of a file that has none of its own: the desktop's icon for its type (by the icon theme),
// or a plain one when the theme has none.
class KLDesktopIconProvider final {
public:
    static QImage iconForFile(const QString &file, const QSize &size);
};
