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
class KLSettingsStore final {
public:
    static constexpr mode_t permissions = 0600;

    // `path` is the settings file (INI format).
    explicit KLSettingsStore(QString path);

    QString path() const { return m_path; }
    // Every key with its value; empty when there is no readable file.
    QHash<QString, QVariant> read() const;
    // Applies `edit` to the stored set and writes the result in place; false when nothing was written.
    bool write(const std::function<void(QSettings &settings)> &edit) const;

private:
    // A private copy of the file's current bytes in the file's folder, for QSettings to work on.
    QString makeWorkingCopy(const QByteArray &contents) const;

    const QString m_path;
};
