#include "Utils/KLSafeFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor when the scope ends, whichever way it ends.
class Descriptor final {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor() {
        if (m_descriptor >= 0) {
            ::close(m_descriptor);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    int get() const { return m_descriptor; }
    bool valid() const { return m_descriptor >= 0; }
    // Closes now and reports whether the close succeeded (a failed close can mean lost writes).
    bool close() {
        const int descriptor = m_descriptor;
        m_descriptor = -1;
        return ::close(descriptor) == 0;
    }

private:
    int m_descriptor;
};

bool isRegularFile(int descriptor) {
    struct stat status {};
    return ::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode);
}

// Makes a completed rename survive a crash; a failure only weakens that guarantee, so it is ignored.
void syncFolderOf(const QByteArray &path) {
    const QByteArray folder = QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath());
    const Descriptor directory(::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.valid()) {
        ::fsync(directory.get());
    }
}

} // namespace

KLSafeFile::ReadResult KLSafeFile::readRegularFile(const QString &path, Links links, qint64 limit) {
    ReadResult result;
    if (path.isEmpty()) {
        return result;
    }
    const QByteArray name = QFile::encodeName(path);
    // O_NOFOLLOW refuses a link at the path, O_NONBLOCK keeps a FIFO planted there from blocking the open.
    const int linkFlag = links == Links::refuse ? O_NOFOLLOW : 0;
    Descriptor file(::open(name.constData(), O_RDONLY | linkFlag | O_NONBLOCK | O_CLOEXEC));
    if (!file.valid()) {
        if (errno == ENOENT) {
            result.status = ReadStatus::missing;
        }
        return result;
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > limit) {
        return result;
    }
    QByteArray contents;
    contents.reserve(static_cast<qsizetype>(status.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count == 0) {
            break;
        }
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return result;
        }
        if (contents.size() + count > limit) {
            return result; // grew while we read it
        }
        contents.append(buffer, static_cast<qsizetype>(count));
    }
    result.status = ReadStatus::read;
    result.contents = std::move(contents);
    return result;
}

bool KLSafeFile::writeAll(int descriptor, const QByteArray &contents) {
    const char *data = contents.constData();
    qsizetype left = contents.size();
    while (left > 0) {
        const ssize_t count = ::write(descriptor, data, static_cast<size_t>(left));
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += count;
        left -= count;
    }
    return true;
}

int KLSafeFile::createTemporarySibling(const QString &path, QString *temporary) {
    const QFileInfo target(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString candidate =
            target.absolutePath() + QStringLiteral("/.") + target.fileName() + QLatin1Char('.') +
            QString::number(QRandomGenerator::global()->generate64(), 16) + QStringLiteral(".tmp");
        // O_EXCL with O_CREAT never opens an existing entry, a link included: the file is ours alone.
        const int descriptor = ::open(QFile::encodeName(candidate).constData(),
                                      O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (descriptor >= 0) {
            *temporary = candidate;
            return descriptor;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    return -1;
}

bool KLSafeFile::replaceFile(const QString &path, const QByteArray &contents, mode_t permissions) {
    if (path.isEmpty()) {
        return false;
    }
    QString temporary;
    Descriptor file(createTemporarySibling(path, &temporary));
    if (!file.valid()) {
        return false;
    }
    const QByteArray temporaryName = QFile::encodeName(temporary);
    const QByteArray name = QFile::encodeName(path);
    // The bits are set on the open file, so the umask cannot widen or narrow them.
    const bool written =
        ::fchmod(file.get(), permissions) == 0 && writeAll(file.get(), contents) && ::fsync(file.get()) == 0;
    if (!file.close() || !written || ::rename(temporaryName.constData(), name.constData()) != 0) {
        ::unlink(temporaryName.constData());
        return false;
    }
    syncFolderOf(name);
    return true;
}

bool KLSafeFile::createFileIfMissing(const QString &path, mode_t permissions) {
    if (path.isEmpty()) {
        return false;
    }
    Descriptor file(::open(QFile::encodeName(path).constData(),
                           O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, permissions));
    if (!file.valid()) {
        return errno == EEXIST;
    }
    return ::fchmod(file.get(), permissions) == 0 && file.close();
}

bool KLSafeFile::setPermissionsOfRegularFile(const QString &path, mode_t permissions) {
    if (path.isEmpty()) {
        return false;
    }
    const QByteArray name = QFile::encodeName(path);
    const Descriptor file(::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.valid()) {
        return isRegularFile(file.get()) && ::fchmod(file.get(), permissions) == 0;
    }
    if (errno != EACCES) {
        return false;
    }
    // Our own file that we may not read: change its bits without opening it, and still never through a link
    // (the no-follow flag makes the call fail on one, should a link replace the file after the check).
    struct stat status {};
    return ::lstat(name.constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           ::fchmodat(AT_FDCWD, name.constData(), permissions, AT_SYMLINK_NOFOLLOW) == 0;
}

std::optional<QString> KLSafeFile::decodeUTF8(const QByteArray &bytes) {
    // Stateless, so that a sequence cut off at the end counts as an error instead of waiting for more input.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}
