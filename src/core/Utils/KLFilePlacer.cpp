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
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(strerror(error));
}

void setFailure(QString *failure, const QString &reason) {
    if (failure != nullptr) {
        *failure = reason;
    }
}

} // namespace

QString KLFilePlacer::placeCopyOfFile(const QString &item, const QString &destination, bool neverReplace,
                                      QString *failure) {
    const QFileInfo target(destination);
    const QString temporary = KLKinolarkUtils::pathInFolder(target.path(), QStringLiteral(".kinolark-") +
                                                                               KLKinolarkUtils::UUIDString() +
                                                                               QStringLiteral(".part"));
    if (const std::optional<QString> reason = copyFile(item, temporary)) {
        setFailure(failure, *reason);
        return QString();
    }
    QString placed;
    if (neverReplace) {
        placed = claimName(temporary, destination, failure);
    } else if (target.isDir()) {
        setFailure(failure, systemReason(EISDIR));
    } else if (::rename(QFile::encodeName(temporary).constData(),
                        QFile::encodeName(destination).constData()) == 0) {
        placed = destination;
    } else {
        setFailure(failure, systemReason(errno));
    }
    if (placed.isEmpty()) {
        QFile::remove(temporary);
    }
    return placed;
}

QString KLFilePlacer::moveFile(const QString &item, const QString &destination, QString *failure) {
    QString moveFailure;
    const QString moved = claimName(item, destination, &moveFailure);
    if (!moved.isEmpty()) {
        return moved;
    }
    // A rename cannot cross file systems; whatever else stopped it stops the copy with its own reason.
    const QString copied = placeCopyOfFile(item, destination, true, failure);
    if (!copied.isEmpty()) {
        QFile::remove(item);
    }
    return copied;
}

std::optional<QString> KLFilePlacer::makeFolder(const QString &folder, unsigned int mode) {
    const QFileInfo info(folder);
    if (info.isDir()) {
        return std::nullopt;
    }
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath()) {
        if (const std::optional<QString> reason = makeFolder(parent)) {
            return reason;
        }
    }
    if (::mkdir(QFile::encodeName(folder).constData(), static_cast<mode_t>(mode)) == 0) {
        return std::nullopt;
    }
    const int error = errno;
    if (error != EEXIST) {
        return systemReason(error);
    }
    // Something that is no folder holds the name (or a folder was made there meanwhile).
    return QFileInfo(folder).isDir() ? std::nullopt : std::optional<QString>(systemReason(ENOTDIR));
}

std::optional<QString> KLFilePlacer::copyFile(const QString &item, const QString &copy) {
    const int source = ::open(QFile::encodeName(item).constData(), O_RDONLY | O_CLOEXEC);
    if (source < 0) {
        return systemReason(errno);
    }
    struct stat status {};
    const mode_t mode = ::fstat(source, &status) == 0 ? (status.st_mode & 0777) : 0644;
    const QByteArray copyName = QFile::encodeName(copy);
    const int target = ::open(copyName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (target < 0) {
        const int error = errno;
        ::close(source);
        return systemReason(error);
    }
    int error = 0;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t count = ::read(source, buffer.data(), buffer.size());
        if (count == 0 || (count < 0 && errno != EINTR)) {
            error = count < 0 ? errno : 0;
            break;
        }
        for (ssize_t written = 0; count > 0 && written < count && error == 0;) {
            const ssize_t step =
                ::write(target, buffer.data() + written, static_cast<size_t>(count - written));
            if (step >= 0) {
                written += step;
            } else if (errno != EINTR) {
                error = errno;
            }
        }
        if (error != 0) {
            break;
        }
    }
    ::close(source);
    // Delayed write errors (a full disk over NFS, say) show up at the close.
    if (::close(target) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0) {
        return std::nullopt;
    }
    ::unlink(copyName.constData());
    return systemReason(error);
}

QString KLFilePlacer::claimName(const QString &temporary, const QString &destination, QString *failure) {
    for (int number = 1; number < 100000; ++number) {
        const QString candidate =
            number == 1 ? destination : KLKinolarkUtils::candidateForFile(destination, number);
        bool taken = false;
        if (moveWithoutReplacing(temporary, candidate, &taken)) {
            return candidate;
        }
        if (!taken) {
            setFailure(failure, systemReason(errno));
            return QString();
        }
    }
    setFailure(failure, systemReason(EEXIST));
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
    const int error = errno;
    *taken = error == EEXIST;
    if (!*taken) {
        KLLog::log(QStringLiteral("Could not place file at %1: %2").arg(to, systemReason(error)));
    }
    errno = error; // the caller reports it
    return false;
}
