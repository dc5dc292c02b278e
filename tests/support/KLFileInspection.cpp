#include "KLFileInspection.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

QByteArray KLFileInspection::readBytes(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void KLFileInspection::writeBytes(const QString &path, const QByteArray &contents) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(contents);
    }
}

int KLFileInspection::permissionsOf(const QString &path) {
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0) {
        return -1;
    }
    return static_cast<int>(status.st_mode & 07777);
}

bool KLFileInspection::isSymbolicLink(const QString &path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

bool KLFileInspection::isRegularFile(const QString &path) {
    struct stat status {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 && S_ISREG(status.st_mode);
}

QStringList KLFileInspection::temporariesBeside(const QString &path) {
    const QFileInfo info(path);
    const QString prefix = QStringLiteral(".") + info.fileName() + QStringLiteral(".");
    QStringList found;
    const QStringList names = info.dir().entryList(QDir::AllEntries | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (name.startsWith(prefix)) {
            found.append(name);
        }
    }
    return found;
}

void KLFileInspection::removeEntry(const QString &path) {
    if (QFileInfo(path).isDir() && !isSymbolicLink(path)) {
        QDir(path).removeRecursively();
    } else {
        ::unlink(QFile::encodeName(path).constData());
    }
}

QByteArray KLFileInspection::binaryJunk(qsizetype size, quint32 seed) {
    QRandomGenerator generator(seed);
    std::vector<quint32> words(static_cast<size_t>(size / 4 + 1));
    generator.fillRange(words.data(), static_cast<qsizetype>(words.size()));
    QByteArray junk(reinterpret_cast<const char *>(words.data()), size);
    // A lone continuation byte first: whatever the rest happens to be, this is not UTF-8.
    if (size > 0) {
        junk[0] = static_cast<char>(0x80);
    }
    return junk;
}

QStringList KLFileInspection::commandLinesHolding(const QList<QByteArray> &texts, int &downloads) {
    QStringList found;
    for (const QString &process :
         QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(process));
        const QByteArray line = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        downloads += line.contains("ytdl_download.sh") ? 1 : 0;
        if (std::any_of(texts.begin(), texts.end(),
                        [&line](const QByteArray &text) { return line.contains(text); })) {
            found << QString::fromUtf8(line).replace(QChar(u'\0'), u' ');
        }
    }
    return found;
}

QStringList KLFileInspection::filesNamed(const QString &folder, const QString &name) {
    QStringList found;
    for (QDirIterator files(folder, {name}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         files.hasNext();) {
        found << files.next();
    }
    return found;
}
