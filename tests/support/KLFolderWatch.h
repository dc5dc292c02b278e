#pragma once

#include <QStringList>

// Tells whether anything opened or read the watched folders or the files right in them while they were
// watched (inotify), whoever did it: the program under test, a script or a tool it started.
class KLFolderWatch final {
public:
    explicit KLFolderWatch(const QStringList &folders);
    ~KLFolderWatch();
    KLFolderWatch(const KLFolderWatch &) = delete;
    KLFolderWatch &operator=(const KLFolderWatch &) = delete;

    // False when the watch could not be set up (then touched() can say nothing).
    bool isWatching() const { return m_watching; }
    bool touched() const;

private:
    int m_descriptor;
    bool m_watching = true;
};
