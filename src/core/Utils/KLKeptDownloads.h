#pragma once

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

// What a download has fetched so far, kept across runs of the program in the application data folder so
// that a stopped, interrupted or killed run continues where it was instead of fetching the video again.
// Each video has a folder of its own, named after its address, holding the downloader's partial file and a
// small record (its address without any password, where the result goes and how far the run got). Folders
// and records are readable by their owner only; a record is replaced in one step. Main thread only.
class KLKeptDownloads final {
public:
    static inline const QString folderName = QStringLiteral("Kept downloads");
    static inline const QString recordName = QStringLiteral("record.json");
    // How far a run got: the download is under way, complete and waiting for its conversion, or the result
    // was placed (then the record alone stays, naming the placed file as its destination).
    static inline const QString downloadingStage = QStringLiteral("downloading");
    static inline const QString downloadedStage = QStringLiteral("downloaded");
    static inline const QString placedStage = QStringLiteral("placed");
    static constexpr int defaultMaximumAgeInDays = 7;

    struct Record {
        QUrl address;
        QString destination;
        QString stage;
        QDateTime updated;
        // Whether this run of the program wrote the record last.
        bool fromThisRun = false;
    };

    // Keeps under `root`; by default the "Kept downloads" folder of the application data folder.
    explicit KLKeptDownloads(QString root = QString());

    QString root() const { return m_root; }
    // The video's folder, whether or not it exists yet.
    QString folderFor(const QUrl &address) const;
    std::optional<Record> record(const QUrl &address) const;
    // Makes the video's folder when missing and records the stage; the folder, or empty when it could not
    // be made.
    QString hold(const QUrl &address, const QString &destination, const QString &stage);
    void discard(const QUrl &address);
    // One run at a time uses a video's folder: two entries of one video (two pages that show it) would
    // otherwise write one file. False when another run holds it.
    bool claim(const QUrl &address);
    void release(const QUrl &address);
    // Lets go of the download but keeps a record that the result was placed at `output`.
    void markPlaced(const QUrl &address, const QString &output);
    // Bytes kept for one video, and for all of them, not counting the records.
    qint64 keptBytes(const QUrl &address) const;
    qint64 totalBytes() const;
    // Removes folders whose record is older than `maximumAgeInDays`, or that hold no readable record.
    // Neither this nor clear() touches a folder a run of this program holds.
    void sweep(int maximumAgeInDays = defaultMaximumAgeInDays);
    void clear();

private:
    static QString keyFor(const QUrl &address);
    static std::optional<Record> readRecord(const QString &folder);
    // Removes every folder that no run holds and `unwanted` picks.
    void removeFolders(const std::function<bool(const QString &folder)> &unwanted);

    const QString m_root;
    QSet<QString> m_claimed;
};
