#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

// The window's pictures by the names the window asks for ("arrow-down_03@2x.png", "tv-dark.png",
// "icon-remove-light"), drawn from their vector sources at the size and screen scale they are shown at.
//
// Names are matched case-insensitively after dropping "@2x" and ".png"; only plain names of letters,
// digits, '-' and '_' are looked up, so no name reaches past the artwork folder. Used from the GUI thread.
class KLArtwork final {
public:
    // The source's resource path for a name (":/artwork/arrow-down_03.svg"); empty when there is none.
    static QString sourceFor(const QString &name);
    // The picture's own logical size (its viewBox); empty for an unknown name.
    static QSize naturalSize(const QString &name);
    // The picture drawn at `logicalSize` (its natural size when empty) for `devicePixelRatio`, with that
    // ratio set on the result; a null pixmap for an unknown name. Rendered pictures are cached.
    static QPixmap pixmap(const QString &name, const QSize &logicalSize = QSize(),
                          qreal devicePixelRatio = 1.0);
    // For buttons and menus: crisp at 1x and 2x; a null icon for an unknown name.
    static QIcon icon(const QString &name);
    // Every name the window may ask for, for tests and tools.
    static QStringList allNames();
};
