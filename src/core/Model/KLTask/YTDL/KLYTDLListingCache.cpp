#include "Model/KLTask/YTDL/KLYTDLListingCache.h"

#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLResources.h"
#include "Utils/KLSafeFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>

namespace {

const QString cacheFolderName = QStringLiteral("Listings");
const QChar identityEnd = QLatin1Char('\n');

} // namespace

QString KLYTDLListingCache::cacheFilePath(const QString &scriptName) {
    return QDir(KLKinolarkUtils::getApplicationDataDirectory())
        .filePath(cacheFolderName + QLatin1Char('/') + scriptName + QStringLiteral(".txt"));
}

QString KLYTDLListingCache::fileIdentity(const QString &path) {
    struct stat status {};
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &status) != 0) {
        return QStringLiteral("none");
    }
    // Nanoseconds: a file rewritten within the same second is still told apart.
    return QStringLiteral("%1:%2:%3.%4:%5")
        .arg(QFileInfo(path).canonicalFilePath())
        .arg(static_cast<qint64>(status.st_size))
        .arg(static_cast<qint64>(status.st_mtim.tv_sec))
        .arg(static_cast<qint64>(status.st_mtim.tv_nsec))
        .arg(static_cast<quint64>(status.st_ino));
}

QString KLYTDLListingCache::privateCopyProgram() {
    return QDir(KLKinolarkUtils::getApplicationDataDirectory())
        .filePath(QStringLiteral("yt-dlp-venv/bin/yt-dlp"));
}

QString KLYTDLListingCache::downloaderIdentity() {
    // An update of the private copy puts a new environment in a new folder behind the same link, so the
    // program's resolved path changes with every update.
    return fileIdentity(KLKinolarkUtils::getYTDLPath()) + QLatin1Char('|') +
           fileIdentity(QStandardPaths::findExecutable(QStringLiteral("yt-dlp"))) + QLatin1Char('|') +
           fileIdentity(privateCopyProgram());
}

QString KLYTDLListingCache::identity(const QString &scriptName) {
    return fileIdentity(KLResources::pathForResource(scriptName, QStringLiteral("sh"))) + QLatin1Char('|') +
           downloaderIdentity();
}

std::optional<QString> KLYTDLListingCache::cached(const QString &scriptName) {
    const KLSafeFile::ReadResult file = KLSafeFile::readRegularFile(cacheFilePath(scriptName));
    if (file.status != KLSafeFile::ReadStatus::read) {
        return std::nullopt;
    }
    const std::optional<QString> text = KLSafeFile::decodeUTF8(file.contents);
    if (!text) {
        return std::nullopt;
    }
    const qsizetype end = text->indexOf(identityEnd);
    if (end < 0 || text->left(end) != identity(scriptName)) {
        return std::nullopt;
    }
    const QString output = text->mid(end + 1);
    if (output.trimmed().isEmpty()) {
        return std::nullopt;
    }
    return output;
}

void KLYTDLListingCache::store(const QString &scriptName, const QString &output) {
    const QString path = cacheFilePath(scriptName);
    QDir().mkpath(QFileInfo(path).absolutePath());
    KLSafeFile::replaceFile(path, (identity(scriptName) + identityEnd + output).toUtf8(), 0600);
}
