#include "Model/Preferences/KLSettingsStore.h"

#include "Model/Preferences/KLSettingsFileFormat.h"
#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QTemporaryFile>

namespace {

// A settings file is a few kilobytes; anything far larger is no settings file of ours.
constexpr qint64 largestSettingsFile = 4 * 1024 * 1024;
// A write holds the lock for milliseconds. The lock file of a program that is gone (killed mid-write) is
// taken over at once; this age is for one that names no such program (garbled, or from another machine).
constexpr int staleLockMilliseconds = 10000;
// A lock still held after this long belongs to a program that hangs: this write gives up rather than hang
// too. It outlasts the stale age, so a garbled lock file never makes a write fail.
constexpr int lockPatienceMilliseconds = 15000;

} // namespace

KLSettingsStore::KLSettingsStore(QString path) : m_path(std::move(path)) {}

QString KLSettingsStore::makeWorkingCopy(const QByteArray &contents) const {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // Created owner-only, as the file holds proxy passwords.
    QTemporaryFile copy(QFileInfo(m_path).absolutePath() + QStringLiteral("/.") +
                        QFileInfo(m_path).fileName() + QStringLiteral(".XXXXXX"));
    copy.setAutoRemove(false);
    if (!copy.open() || copy.write(contents) != contents.size() || !copy.flush()) {
        copy.remove();
        return QString();
    }
    return copy.fileName();
}

QHash<QString, QVariant> KLSettingsStore::read() const {
    QHash<QString, QVariant> values;
    // Reading may follow a link: only writing through one could harm its target. A FIFO planted at the path
    // is not waited on.
    const KLSafeFile::ReadResult file =
        KLSafeFile::readRegularFile(m_path, KLSafeFile::Links::follow, largestSettingsFile);
    if (file.status != KLSafeFile::ReadStatus::read) {
        return values;
    }
    const QString copy = makeWorkingCopy(file.contents);
    if (copy.isEmpty()) {
        return values;
    }
    {
        const QSettings settings(copy, KLSettingsFileFormat::format());
        for (const QString &key : settings.allKeys()) {
            values.insert(key, settings.value(key));
        }
    }
    QFile::remove(copy);
    return values;
}

bool KLSettingsStore::write(const std::function<void(QSettings &settings)> &edit) const {
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QLockFile lock(lockFilePath());
    lock.setStaleLockTime(staleLockMilliseconds);
    if (!lock.tryLock(lockPatienceMilliseconds)) {
        KLLog::log(QStringLiteral("Could not write the preferences to %1: %2 stays locked")
                       .arg(m_path, lockFilePath()));
        return false;
    }
    return writeLocked(edit);
}

bool KLSettingsStore::writeLocked(const std::function<void(QSettings &settings)> &edit) const {
    const KLSafeFile::ReadResult current = KLSafeFile::readRegularFile(m_path);
    const QString copy =
        makeWorkingCopy(current.status == KLSafeFile::ReadStatus::read ? current.contents : QByteArray());
    if (copy.isEmpty()) {
        KLLog::log(QStringLiteral("Could not write the preferences to %1").arg(m_path));
        return false;
    }
    bool edited = false;
    {
        QSettings settings(copy, KLSettingsFileFormat::format());
        edit(settings);
        settings.sync();
        // A format error only says that the old contents were damaged; what is written now is sound.
        edited = settings.status() != QSettings::AccessError;
    }
    const KLSafeFile::ReadResult result = KLSafeFile::readRegularFile(copy);
    QFile::remove(copy);
    const bool written = edited && result.status == KLSafeFile::ReadStatus::read &&
                         KLSafeFile::replaceFile(m_path, result.contents, permissions);
    if (!written) {
        KLLog::log(QStringLiteral("Could not write the preferences to %1").arg(m_path));
    }
    return written;
}
