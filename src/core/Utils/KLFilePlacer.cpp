#include "Utils/KLFilePlacer.h"

#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

QString KLFilePlacer::placeCopyOfFile(const QString &item, const QString &destination, bool neverReplace) {
    const QFileInfo target(destination);
    const QString temporary = target.dir().filePath(QStringLiteral(".kinolark-") +
                                                    KLKinolarkUtils::UUIDString() + QStringLiteral(".part"));
    if (!QFile::copy(item, temporary)) {
        QFile::remove(temporary);
        return QString();
    }
    QString placed;
    if (neverReplace) {
        placed = claimName(temporary, destination);
    } else if (!target.isDir() && ::rename(QFile::encodeName(temporary).constData(),
                                           QFile::encodeName(destination).constData()) == 0) {
        placed = destination;
    }
    if (placed.isEmpty()) {
        QFile::remove(temporary);
    }
    return placed;
}

QString KLFilePlacer::claimName(const QString &temporary, const QString &destination) {
    for (int number = 1; number < 100000; ++number) {
        const QString candidate =
            number == 1 ? destination : KLKinolarkUtils::candidateForFile(destination, number);
        bool taken = false;
        if (moveWithoutReplacing(temporary, candidate, &taken)) {
            return candidate;
        }
        if (!taken) {
            return QString();
        }
    }
    return QString();
}

bool KLFilePlacer::moveWithoutReplacing(const QString &from, const QString &to, bool *taken) {
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without the no-replace rename: a hard link claims the name just as atomically.
        if (::link(source.constData(), target.constData()) == 0) {
            ::unlink(source.constData());
            return true;
        }
    }
    *taken = errno == EEXIST;
    if (!*taken) {
        KLLog::log(QStringLiteral("Could not place file at %1: %2")
                       .arg(to, QString::fromLocal8Bit(strerror(errno))));
    }
    return false;
}
