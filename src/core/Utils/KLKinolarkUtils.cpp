#include "Utils/KLKinolarkUtils.h"

#include "Model/KLTask/KLError.h"
#include "Utils/KLFilePlacer.h"
#include "Utils/KLLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

#include <QColor>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Reads the longest prefix of digits and points as a decimal number: as much of it as forms one ("1.2.3" is
// 1.2). Overflow saturates rather than wrapping.
double leadingDecimal(const QString &text, qsizetype *end) {
    qsizetype length = 0;
    while (length < text.size() && text.at(length).unicode() < 128 &&
           (text.at(length).isDigit() || text.at(length) == QLatin1Char('.'))) {
        ++length;
    }
    if (end != nullptr) {
        *end = length;
    }
    const QByteArray prefix = text.left(length).toLatin1();
    const double value = std::strtod(prefix.constData(), nullptr);
    return std::isnan(value) ? 0.0 : value;
}

uint64_t toByteCount(double value) {
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<uint64_t>::max())) {
        return std::numeric_limits<uint64_t>::max();
    }
    return static_cast<uint64_t>(value);
}

} // namespace

QString KLKinolarkUtils::getApplicationDataDirectory() {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty()) {
        return QString();
    }
    const QString directory = QDir(base).filePath(applicationFolderName);
    QDir().mkpath(directory);
    return directory;
}

QString KLKinolarkUtils::getDownloadsDirectory() {
    const QString data = getApplicationDataDirectory();
    if (data.isEmpty()) {
        KLLog::log(QStringLiteral("No application data folder: cannot go on"));
        std::abort();
    }
    const QString directory = QDir(data).filePath(QStringLiteral("Downloads"));
    QDir().mkdir(directory);
    return directory;
}

namespace {

const QString scratchPrefix = QStringLiteral("process-");
const QString unfinishedScratchPrefix = QStringLiteral(".new-");
const QString scratchLockName = QStringLiteral(".lock");

// Takes the scratch folder's lock, to hold it (blocking) or to find out whether anybody holds it. The
// descriptor closes on exec: a child that inherited it would keep the lock alive after this process ends.
int lockScratch(const QString &folder, bool wait) {
    const QByteArray lockPath = QFile::encodeName(QDir(folder).filePath(scratchLockName));
    const int descriptor = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor < 0) {
        return -1;
    }
    if (::flock(descriptor, LOCK_EX | (wait ? 0 : LOCK_NB)) != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

QString makeScratchDirectory() {
    const QDir downloads(KLKinolarkUtils::getDownloadsDirectory());
    // Built under a name that cleaners skip, locked, then renamed: nobody can see it unlocked.
    const QString name = KLKinolarkUtils::UUIDString();
    const QString unfinished = downloads.filePath(unfinishedScratchPrefix + name);
    const QString finished = downloads.filePath(scratchPrefix + name);
    if (!QDir().mkpath(unfinished) || lockScratch(unfinished, true) < 0 ||
        !QDir().rename(unfinished, finished)) {
        KLLog::log(QStringLiteral("Could not make a scratch folder in %1").arg(downloads.path()));
        return downloads.path();
    }
    return finished; // the lock's descriptor stays open for the life of the process
}

} // namespace

namespace {

// The main thread's: the tasks that make working files run there.
QString scratch;

} // namespace

QString KLKinolarkUtils::getScratchDirectory() {
    if (scratch.isEmpty() || !QFileInfo(scratch).isDir()) {
        scratch = makeScratchDirectory();
    }
    return scratch;
}

void KLKinolarkUtils::removeScratchDirectory() {
    if (!scratch.isEmpty() && QFileInfo(scratch).fileName().startsWith(scratchPrefix)) {
        QDir(scratch).removeRecursively();
    }
    scratch.clear();
}

void KLKinolarkUtils::deleteDownloadsDirectory() {
    const QDir downloads(getDownloadsDirectory());
    const QFileInfoList items =
        downloads.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo &item : items) {
        if (item.fileName().startsWith(unfinishedScratchPrefix)) {
            continue;
        }
        if (item.isDir() && !item.isSymLink()) {
            if (QFileInfo::exists(QDir(item.filePath()).filePath(scratchLockName))) {
                const int descriptor = lockScratch(item.filePath(), false);
                if (descriptor < 0) {
                    continue; // a living process works there
                }
                ::close(descriptor);
            }
            QDir(item.filePath()).removeRecursively();
        } else {
            QFile::remove(item.filePath());
        }
    }
}

QString KLKinolarkUtils::UUIDString() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

QString KLKinolarkUtils::createTemporaryFolder() {
    const QDir downloads(getScratchDirectory());
    for (;;) {
        const QString candidate = downloads.filePath(UUIDString());
        // mkdir fails when the name exists, which makes taking the name and creating the folder one step.
        if (::mkdir(QFile::encodeName(candidate).constData(), 0700) == 0) {
            return candidate;
        }
        if (errno != EEXIST) {
            return candidate; // creation errors are left to the folder's first user
        }
    }
}

QString KLKinolarkUtils::createTemporaryFile() {
    const QDir downloads(getScratchDirectory());
    for (;;) {
        const QString candidate = downloads.filePath(UUIDString());
        if (!QFileInfo::exists(candidate)) {
            return candidate;
        }
    }
}

QString KLKinolarkUtils::getYTDLPath() {
    return QDir(getApplicationDataDirectory()).filePath(QStringLiteral("ytdl"));
}

QString KLKinolarkUtils::getHomeDirectory() {
    return QDir::homePath();
}

QString KLKinolarkUtils::getDesktopDirectory() {
    // Many Linux desktops have no desktop folder: a first download there would have nowhere to go. The
    // videos folder of the user's folders stands in, made when missing.
    const QString desktop = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (QFileInfo(desktop).isDir()) {
        return desktop;
    }
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    QDir().mkpath(videos);
    return videos;
}

bool KLKinolarkUtils::setPermissions(int permissions, const QString &file, std::shared_ptr<KLError> *error) {
    if (::chmod(QFile::encodeName(file).constData(), static_cast<mode_t>(permissions)) == 0) {
        return true;
    }
    const QString reason = QString::fromLocal8Bit(strerror(errno));
    if (error != nullptr) {
        *error = createErrorWithType(KLError::permissionsType, reason);
    }
    return false;
}

QString KLKinolarkUtils::candidateForFile(const QString &file, int number) {
    const QFileInfo info(file);
    QString base = info.completeBaseName();
    QString extension = info.suffix();
    if (base.isEmpty()) { // ".hidden" has no extension, only a name
        base = info.fileName();
        extension.clear();
    }
    QString name = base + QLatin1Char(' ') + QString::number(number);
    if (!extension.isEmpty()) {
        name += QLatin1Char('.') + extension;
    }
    return pathInFolder(info.path(), name);
}

QString KLKinolarkUtils::printableText(const QString &text) {
    QString printable;
    printable.reserve(text.size());
    for (const QChar character : text) {
        const char16_t code = character.unicode();
        const bool bidiControl = (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
        if (character.category() != QChar::Other_Control && !bidiControl) {
            printable += character;
        } else if (code == u'\t' || code == u'\n' || code == u'\v' || code == u'\f' || code == u'\r') {
            printable += QLatin1Char(' ');
        }
    }
    return printable;
}

QString KLKinolarkUtils::pathInFolder(const QString &folder, const QString &name) {
    if (folder.endsWith(QLatin1Char('/'))) {
        return folder + name;
    }
    return folder + QLatin1Char('/') + name;
}

QString KLKinolarkUtils::uncollideFile(const QString &file) {
    if (!QFileInfo(file).exists() && !QFileInfo(file).isSymLink()) {
        return file;
    }
    for (int number = 2;; ++number) {
        const QString candidate = candidateForFile(file, number);
        if (!QFileInfo(candidate).exists() && !QFileInfo(candidate).isSymLink()) {
            return candidate;
        }
    }
}

QImage KLKinolarkUtils::getIconForURL(const QString &file, const QSize &size) {
    if (file.isEmpty()) {
        return QImage();
    }
    QImage placeholder(size, QImage::Format_RGB32);
    placeholder.fill(QColor(0x80, 0x80, 0x80));
    return placeholder;
}

QString KLKinolarkUtils::importURLIntoITunes(const QString &file) {
    static const QStringList audioExtensions = {
        QStringLiteral("mp3"), QStringLiteral("m4a"), QStringLiteral("aac"),  QStringLiteral("wav"),
        QStringLiteral("ogg"), QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("flac"),
        QStringLiteral("mp2"), QStringLiteral("wma")};
    const QFileInfo info(file);
    const bool audio = audioExtensions.contains(info.suffix().toLower());
    const QString library = QStandardPaths::writableLocation(audio ? QStandardPaths::MusicLocation
                                                                   : QStandardPaths::MoviesLocation);
    if (library.isEmpty() || !QDir().mkpath(library)) {
        KLLog::log(QStringLiteral("result: no library folder for %1").arg(file));
        return QString();
    }
    const QString copy = KLFilePlacer::placeCopyOfFile(file, pathInFolder(library, info.fileName()), true);
    if (copy.isEmpty()) {
        KLLog::log(QStringLiteral("result: could not import %1").arg(file));
    }
    return copy;
}

std::shared_ptr<KLError> KLKinolarkUtils::createErrorWithType(int32_t type, const QString &description) {
    return KLError::create(type, description);
}

uint64_t KLKinolarkUtils::parseSize(const QString &text) {
    qsizetype end = 0;
    double value = leadingDecimal(text, &end);
    if (end < text.size()) {
        switch (text.at(end).toLower().unicode()) {
        case 'm':
            value *= 1048576.0;
            break;
        case 'k':
            value *= 1024.0;
            break;
        case 'g':
            value *= 1073741824.0;
            break;
        default:
            break;
        }
    }
    return toByteCount(value);
}

QString KLKinolarkUtils::formatSizeInBytes(uint64_t bytes) {
    const double value = static_cast<double>(bytes);
    if (value / 1073741824.0 >= 1.0) {
        return QString::asprintf("%.1fG", value / 1073741824.0);
    }
    if (value / 1048576.0 >= 1.0) {
        return QString::asprintf("%.1fM", value / 1048576.0);
    }
    if (value / 1024.0 >= 1.0) {
        return QString::asprintf("%.1fK", value / 1024.0);
    }
    return QString::asprintf("%.1f", value / 1024.0);
}

double KLKinolarkUtils::parseFFMPEGTimeInSeconds(const QString &text) {
    KLLog::log(QStringLiteral("Parsing time: %1").arg(text));
    const QStringList parts = text.trimmed().split(QLatin1Char(':'));
    double result = 0.0;
    if (parts.size() == 3) {
        const double hours = parts.at(0).toDouble();
        const double minutes = parts.at(1).toDouble();
        const double seconds = parts.at(2).toDouble();
        result = hours * 3600.0 + minutes * 60.0 + seconds;
        if (!std::isfinite(result)) {
            result = 0.0;
        }
    }
    KLLog::log(QString::asprintf("Parsed time: %.3f", result));
    return result;
}

QString KLKinolarkUtils::formatTimeInSeconds(double seconds) {
    // Hostile values (negative, not a number, beyond any real duration) show as zero or are capped.
    if (!(seconds > 0.0)) {
        seconds = 0.0;
    }
    seconds = std::min(seconds, 1.0e12);
    const auto whole = static_cast<unsigned long>(seconds);
    const auto tenths = static_cast<unsigned long>((seconds - static_cast<double>(whole)) * 10.0);
    return QString::asprintf("%02lu:%02lu:%02lu.%lu", whole / 3600, (whole / 60) % 60, whole % 60, tenths);
}

QSizeF KLKinolarkUtils::parseResolution(const QString &text) {
    QChar separator = QLatin1Char('x');
    if (!text.contains(separator)) {
        separator = QLatin1Char('X');
        if (!text.contains(separator)) {
            return QSizeF(0, 0);
        }
    }
    const QStringList parts = text.split(separator);
    const double width = parts.at(0).trimmed().toDouble();
    const double height = parts.size() > 1 ? parts.at(1).trimmed().toDouble() : 0.0;
    return QSizeF(std::isfinite(width) ? width : 0.0, std::isfinite(height) ? height : 0.0);
}

QString KLKinolarkUtils::formatResolution(const QSizeF &resolution) {
    return QString::asprintf("%.0fx%.0f", resolution.width(), resolution.height());
}

bool KLKinolarkUtils::isDoubleInt(double value) {
    return std::fabs(value - std::floor(value)) <= 0.00001;
}

KLOSXVersion KLKinolarkUtils::getOSXVersion() {
    return KLOSXVersion();
}

QStringList KLKinolarkUtils::getVideoMimeTypes() {
    return {QStringLiteral("video/mp4"),       QStringLiteral("application/x-mpegURL"),
            QStringLiteral("video/MP2T"),      QStringLiteral("video/3gpp"),
            QStringLiteral("video/quicktime"), QStringLiteral("video/x-msvideo"),
            QStringLiteral("video/x-ms-wmv"),  QStringLiteral(" application/vnd.apple.mpegurl"),
            QStringLiteral("video/mpeg"),      QStringLiteral("video/ogg"),
            QStringLiteral("video/webm"),      QStringLiteral("video/x-m4v"),
            QStringLiteral("video/ms-asf")};
}
