#include "Utils/KLQueuePersistence.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLLog.h"
#include "Utils/KLSafeFile.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringList>

#include <unistd.h>

namespace {

// The queue tells which pages the user visits; it is nobody else's business.
constexpr mode_t queuePermissions = 0600;

QString queueFilePath() {
    const QString folder = KLKinolarkUtils::getApplicationDataDirectory();
    return folder.isEmpty() ? QString() : QDir(folder).filePath(KLQueuePersistence::fileName);
}

} // namespace

KLQueuePersistence::KLQueuePersistence(std::shared_ptr<const KLDefaultPreferences> preferences)
    : m_preferences(std::move(preferences)), m_path(queueFilePath()) {
    load();
}

KLQueuePersistence::~KLQueuePersistence() {
    m_pendingWrite.stop();
    if (m_unwritten) {
        write();
    }
}

QString KLQueuePersistence::path() const {
    return m_path;
}

void KLQueuePersistence::load() {
    if (m_path.isEmpty()) {
        return;
    }
    const KLSafeFile::ReadResult file = KLSafeFile::readRegularFile(m_path);
    if (file.status == KLSafeFile::ReadStatus::missing) {
        return;
    }
    const std::optional<QString> text =
        file.status == KLSafeFile::ReadStatus::read ? KLSafeFile::decodeUTF8(file.contents) : std::nullopt;
    if (!text) {
        // Damaged beyond reading: start afresh rather than carry the damage into every later save. unlink()
        // removes a link planted here, never its target.
        KLLog::log(QStringLiteral("The remembered queue could not be read and is discarded: ") + m_path);
        ::unlink(QFile::encodeName(m_path).constData());
        return;
    }
    m_urls = parseQueue(*text);
}

QList<QUrl> KLQueuePersistence::parseQueue(const QString &text) {
    QList<QUrl> urls;
    QSet<QUrl> seen;
    const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        const std::optional<QUrl> read = urlFromLine(line);
        const std::optional<QUrl> url = read ? storedForm(*read) : std::nullopt;
        // A hand-edited or merged file may repeat a URL; the list never holds one twice.
        if (url && !seen.contains(*url)) {
            seen.insert(*url);
            urls.append(*url);
        }
    }
    return urls;
}

QString KLQueuePersistence::lineForURL(const QUrl &url) {
    // Fully encoded, so that no URL can put a line feed, a blank or anything but ASCII into the file.
    return url.toString(QUrl::FullyEncoded);
}

std::optional<QUrl> KLQueuePersistence::urlFromLine(QString line) {
    if (line.endsWith(QLatin1Char('\r'))) {
        line.chop(1); // a file that went through an editor with CRLF line ends
    }
    const QUrl url(line, QUrl::StrictMode);
    if (line.isEmpty() || !url.isValid() || url.scheme().isEmpty()) {
        return std::nullopt;
    }
    return url;
}

std::optional<QUrl> KLQueuePersistence::storedForm(const QUrl &url) {
    return urlFromLine(lineForURL(url));
}

bool KLQueuePersistence::remembersQueue() const {
    return m_preferences != nullptr && m_preferences->rememberQueue() != QStringLiteral("none");
}

void KLQueuePersistence::addURL(const QUrl &url) {
    if (!remembersQueue()) {
        return;
    }
    // What the next launch could not read back is not worth remembering.
    const std::optional<QUrl> stored = storedForm(url);
    if (!stored) {
        return;
    }
    if (m_urls.contains(*stored)) {
        return;
    }
    m_urls.append(*stored);
    changed();
}

void KLQueuePersistence::removeURL(const QUrl &url) {
    const std::optional<QUrl> stored = storedForm(url);
    m_urls.removeAll(url);
    if (stored) {
        m_urls.removeAll(*stored);
    }
    changed();
}

QList<QUrl> KLQueuePersistence::urls() const {
    return m_urls;
}

void KLQueuePersistence::removeAll() {
    m_urls.clear();
    changed();
}

void KLQueuePersistence::save() {
    write();
}

void KLQueuePersistence::changed() {
    m_unwritten = true;
    m_pendingWrite.request();
}

void KLQueuePersistence::write() {
    m_unwritten = false;
    if (m_path.isEmpty()) {
        return;
    }
    QString text;
    for (const QUrl &url : std::as_const(m_urls)) {
        text += lineForURL(url) + QLatin1Char('\n');
    }
    // A failed write leaves the previous file whole; the list in memory stays authoritative for this run and
    // the next change tries again.
    if (!KLSafeFile::replaceFile(m_path, text.toUtf8(), queuePermissions)) {
        KLLog::log(QStringLiteral("Could not write the remembered queue: ") + m_path);
    }
}
