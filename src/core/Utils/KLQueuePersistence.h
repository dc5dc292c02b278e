#pragma once

#include "Utils/KLCoalescedJob.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

class KLDefaultPreferences;

// Remembers across launches the URLs the user put into the queue, so that the next launch can analyse them
// again. Only URLs are kept, one per line in "queue.txt" in the application data folder (UTF-8, each line
// ending with a line feed, nothing else in the file). The file is replaced in one step, so a crash or a
// concurrent reader never meets half a list. The changes of one turn of the event loop are written once,
// at its end: a hundred rows removed together write the file once. save(), and the destructor, write what
// is pending at once.
// Main thread only.
class KLQueuePersistence final {
public:
    static inline const QString fileName = QStringLiteral("queue.txt");

    // Loads the file when there is one. The settings say whether URLs are remembered; without them none are.
    explicit KLQueuePersistence(std::shared_ptr<const KLDefaultPreferences> preferences);
    ~KLQueuePersistence();
    KLQueuePersistence(const KLQueuePersistence &) = delete;
    KLQueuePersistence &operator=(const KLQueuePersistence &) = delete;

    // The file's path; empty when there is no application data folder (then nothing is stored).
    QString path() const;

    // Remembers the URL unless the preference rememberQueue is "none" or the URL is already remembered.
    void addURL(const QUrl &url);
    // Forgets every equal URL and rewrites the file, whatever rememberQueue says.
    void removeURL(const QUrl &url);
    // A copy of the list, in the order the URLs were added.
    QList<QUrl> urls() const;
    void removeAll();
    // Writes the list now.
    void save();

private:
    void load();
    // The form a URL takes in the file, and the way a line of the file is read back (nothing when the line
    // does not hold a URL that the queue could analyse).
    static QString lineForURL(const QUrl &url);
    static std::optional<QUrl> urlFromLine(QString line);
    // The URL as the file gives it back, which is the form the list holds: Qt keeps some spellings of one
    // URL apart ("#a#b" and "#a%23b" are unequal, yet both are written "#a%23b"), and the list would then
    // hold the URL twice or fail to forget it.
    static std::optional<QUrl> storedForm(const QUrl &url);
    static QList<QUrl> parseQueue(const QString &text);
    bool remembersQueue() const;
    // Asks for one write at the end of this turn of the event loop.
    void changed();
    void write();

    const std::shared_ptr<const KLDefaultPreferences> m_preferences;
    const QString m_path;
    QList<QUrl> m_urls;
    bool m_unwritten = false;
    KLCoalescedJob m_pendingWrite{[this] { write(); }};
};
