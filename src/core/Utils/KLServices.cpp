#include "Utils/KLServices.h"

#include "Utils/KLKinolarkUtils.h"

QImage KLServices::iconForFile(const QString &file, const QSize &size) const {
    return iconProvider && !file.isEmpty() ? iconProvider(file, size)
                                           : KLKinolarkUtils::getIconForURL(file, size);
}
