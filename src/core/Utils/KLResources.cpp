#include "Utils/KLResources.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <mutex>

namespace {

std::mutex overrideLock;
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
    {
        std::lock_guard lock(overrideLock);
        if (!overrideDirectory.isEmpty()) {
            return overrideDirectory;
        }
    }
    static const QString found = searchResourcesDirectory();
    return found;
}

void KLResources::setResourcesDirectory(const QString &directory) {
    std::lock_guard lock(overrideLock);
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
