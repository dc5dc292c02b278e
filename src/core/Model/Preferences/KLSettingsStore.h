#pragma once

#include <QHash>
#include <QString>
#include <QVariant>

#include <functional>
#include <sys/types.h>

class QSettings;

// The settings file, kept the way the program keeps every file of its own: read whole, edited in a private
// copy beside it, and put in place in one step, never written through a link (a link planted where the file
// lives is replaced; its target stays untouched), readable by its owner only. Every use works on a fresh
// copy, so nothing is served from Qt's cache of settings files, which would judge a file by its size and
// modification time alone.
//
// Several programs write the file (the window, any number of command lines): each write holds a lock file
// beside it from reading the current contents to putting the result in place, so that no write is built on
// contents another one is replacing at that moment. Reading takes no lock: the file is only ever replaced
// whole.
class KLSettingsStore final {
public:
    static constexpr mode_t permissions = 0600;

    // `path` is the settings file (INI format).
    explicit KLSettingsStore(QString path);

    QString path() const { return m_path; }
    // Every key with its value; empty when there is no readable file.
    QHash<QString, QVariant> read() const;
    // Under the lock, applies `edit` to the stored set as it is now and writes the result in place; false
    // when nothing was written (the lock included).
    bool write(const std::function<void(QSettings &settings)> &edit) const;
    // The lock file beside the settings file.
    QString lockFilePath() const { return m_path + QStringLiteral(".lock"); }

private:
    bool writeLocked(const std::function<void(QSettings &settings)> &edit) const;
    // A private copy of the file's current bytes in the file's folder, for QSettings to work on.
    QString makeWorkingCopy(const QByteArray &contents) const;

    const QString m_path;
};
