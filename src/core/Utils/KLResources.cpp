#include "Utils/KLResources.h"

#include "KLResourcePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Set by a test before it runs anything; read on the main thread, where the tasks start their scripts.
QString overrideDirectory;

QString searchResourcesDirectory() {
    const QString relative = QStringLiteral("../") + QStringLiteral(KINOLARK_RESOURCES_SUBDIR);
    if (QCoreApplication::instance() != nullptr) {
        const QString besideExecutable = QDir(QCoreApplication::applicationDirPath()).filePath(relative);
        if (QFileInfo(besideExecutable).isDir()) {
            return QDir(besideExecutable).canonicalPath();
        }
    }
    return QStringLiteral(KINOLARK_BUILD_RESOURCES_DIR);
}

} // namespace

QString KLResources::resourcesDirectory() {
    if (!overrideDirectory.isEmpty()) {
        return overrideDirectory;
    }
    static const QString found = searchResourcesDirectory();
    return found;
}

void KLResources::setResourcesDirectory(const QString &directory) {
    overrideDirectory = directory;
}

QString KLResources::pathForResource(const QString &name, const QString &type) {
    if (name == QStringLiteral("ffmpeg") && type.isEmpty()) {
        return ffmpegPath();
    }
    const QString fileName = type.isEmpty() ? name : name + QLatin1Char('.') + type;
    return QDir(resourcesDirectory()).filePath(fileName);
}

QString KLResources::ffmpegPath() {
    // Found where the scripts find their tools; without one the bare name fails as clearly as anything.
    const QString found = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    return found.isEmpty() ? QStringLiteral("ffmpeg") : found;
}
