#include "Utils/KLKeptDownloads.h"

#include "Utils/KLFilePlacer.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLSafeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <utility>

namespace {

// Tells this run's records from those of earlier runs.
QString runMark() {
    static const QString mark = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return mark;
}

// A record is a few hundred bytes; anything much larger is not ours.
constexpr qint64 recordLimit = 64 * 1024;

QString rootOrDefault(QString root) {
    if (!root.isEmpty()) {
        return root;
    }
    const QString data = KLKinolarkUtils::getApplicationDataDirectory();
    return data.isEmpty() ? QString() : QDir(data).filePath(KLKeptDownloads::folderName);
}

// What the downloads hold, without their records.
qint64 bytesUnder(const QString &folder) {
    qint64 total = 0;
    QDirIterator files(folder, QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QFileInfo file = files.nextFileInfo();
        total += file.fileName() == KLKeptDownloads::recordName ? 0 : file.size();
    }
    return total;
}

} // namespace

KLKeptDownloads::KLKeptDownloads(QString root) : m_root(rootOrDefault(std::move(root))) {}

QString KLKeptDownloads::keyFor(const QUrl &address) {
    const QByteArray form = address.adjusted(QUrl::RemovePassword).toEncoded();
    // A name of fixed length whatever the address, and the same for every spelling the file gives back.
    return QString::fromLatin1(QCryptographicHash::hash(form, QCryptographicHash::Sha256).toHex().left(32));
}

QString KLKeptDownloads::folderFor(const QUrl &address) const {
    return m_root.isEmpty() ? QString() : QDir(m_root).filePath(keyFor(address));
}

std::optional<KLKeptDownloads::Record> KLKeptDownloads::readRecord(const QString &folder) {
    const KLSafeFile::ReadResult read = KLSafeFile::readRegularFile(QDir(folder).filePath(recordName),
                                                                    KLSafeFile::Links::refuse, recordLimit);
    if (read.status != KLSafeFile::ReadStatus::read) {
        return std::nullopt;
    }
    const QJsonObject object = QJsonDocument::fromJson(read.contents).object();
    Record record;
    record.address = QUrl(object.value(QStringLiteral("address")).toString(), QUrl::StrictMode);
    record.destination = object.value(QStringLiteral("destination")).toString();
    record.stage = object.value(QStringLiteral("stage")).toString();
    record.updated = QDateTime::fromString(object.value(QStringLiteral("updated")).toString(), Qt::ISODate);
    record.fromThisRun = object.value(QStringLiteral("run")).toString() == runMark();
    if (!record.address.isValid() || record.stage.isEmpty() || !record.updated.isValid()) {
        return std::nullopt;
    }
    return record;
}

std::optional<KLKeptDownloads::Record> KLKeptDownloads::record(const QUrl &address) const {
    const QString folder = folderFor(address);
    return folder.isEmpty() ? std::nullopt : readRecord(folder);
}

QString KLKeptDownloads::hold(const QUrl &address, const QString &destination, const QString &stage) {
    const QString folder = folderFor(address);
    if (folder.isEmpty() || KLFilePlacer::makeFolder(m_root, 0700).has_value() ||
        KLFilePlacer::makeFolder(folder, 0700).has_value()) {
        return QString();
    }
    const QJsonObject object{
        {QStringLiteral("address"), address.adjusted(QUrl::RemovePassword).toString(QUrl::FullyEncoded)},
        {QStringLiteral("destination"), destination},
        {QStringLiteral("stage"), stage},
        {QStringLiteral("updated"), QDateTime::currentDateTimeUtc().toString(Qt::ISODate)},
        {QStringLiteral("run"), runMark()}};
    if (!KLSafeFile::replaceFile(QDir(folder).filePath(recordName), QJsonDocument(object).toJson(), 0600)) {
        return QString();
    }
    return folder;
}

void KLKeptDownloads::discard(const QUrl &address) {
    const QString folder = folderFor(address);
    if (!folder.isEmpty()) {
        QDir(folder).removeRecursively();
    }
}

bool KLKeptDownloads::claim(const QUrl &address) {
    const QString key = keyFor(address);
    if (m_claimed.contains(key)) {
        return false;
    }
    m_claimed.insert(key);
    return true;
}

void KLKeptDownloads::release(const QUrl &address) {
    m_claimed.remove(keyFor(address));
}

void KLKeptDownloads::markPlaced(const QUrl &address, const QString &output) {
    const QString folder = folderFor(address);
    if (folder.isEmpty()) {
        return;
    }
    QDir kept(folder);
    for (const QFileInfo &item : kept.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (item.fileName() == recordName) {
            continue;
        }
        if (item.isDir() && !item.isSymLink()) {
            QDir(item.filePath()).removeRecursively();
        } else {
            QFile::remove(item.filePath());
        }
    }
    hold(address, output, placedStage);
}

qint64 KLKeptDownloads::keptBytes(const QUrl &address) const {
    const QString folder = folderFor(address);
    return folder.isEmpty() ? 0 : bytesUnder(folder);
}

qint64 KLKeptDownloads::totalBytes() const {
    return m_root.isEmpty() ? 0 : bytesUnder(m_root);
}

void KLKeptDownloads::sweep(int maximumAgeInDays) {
    const QDateTime limit = QDateTime::currentDateTimeUtc().addDays(-maximumAgeInDays);
    removeFolders([limit](const QString &folder) {
        const std::optional<Record> kept = readRecord(folder);
        return !kept.has_value() || kept->updated < limit;
    });
}

void KLKeptDownloads::clear() {
    removeFolders([](const QString &) { return true; });
}

void KLKeptDownloads::removeFolders(const std::function<bool(const QString &folder)> &unwanted) {
    if (m_root.isEmpty()) {
        return;
    }
    const QFileInfoList folders =
        QDir(m_root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &folder : folders) {
        // A running download writes into its folder; it goes, if at all, when the run lets go of it.
        if (!m_claimed.contains(folder.fileName()) && unwanted(folder.filePath())) {
            QDir(folder.filePath()).removeRecursively();
        }
    }
}
