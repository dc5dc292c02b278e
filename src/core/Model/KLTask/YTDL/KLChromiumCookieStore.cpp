#include "Model/KLTask/YTDL/KLChromiumCookieStore.h"

#include "Model/KLTask/YTDL/KLChromiumCookieCipher.h"
#include "Model/KLTask/YTDL/KLDownloaderCookies.h"
#include "Utils/KLNetscapeCookieFile.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#include <vector>

namespace {

using Cookie = KLChromiumCookieDatabase::Cookie;

// Seconds from 1601-01-01, where Chromium counts from, to 1970-01-01.
constexpr qint64 windowsToUnixEpoch = 11644473600;

qint64 unixExpiry(const Cookie &cookie) {
    return cookie.expiresUTC == 0 ? 0 : cookie.expiresUTC / 1000000 - windowsToUnixEpoch;
}

bool expired(const Cookie &cookie, qint64 now) {
    return cookie.expiresUTC != 0 && unixExpiry(cookie) <= now;
}

// The cookie as the file writes it; a domain key with a leading dot is the subdomains' too.
KLNetscapeCookieFile::Cookie fileCookie(const Cookie &cookie, const QByteArray &value) {
    KLNetscapeCookieFile::Cookie written;
    written.hostOnly = !cookie.hostKey.startsWith('.');
    written.domain = QString::fromUtf8(written.hostOnly ? cookie.hostKey : cookie.hostKey.mid(1));
    written.path = QString::fromUtf8(cookie.path);
    written.secure = cookie.secure;
    written.httpOnly = cookie.httpOnly;
    written.expires = unixExpiry(cookie);
    written.name = QString::fromUtf8(cookie.name);
    written.value = QString::fromUtf8(value);
    return written;
}

QString configurationFolder() {
    const QString configured = qEnvironmentVariable("XDG_CONFIG_HOME");
    return QDir::isAbsolutePath(configured) ? configured : QDir::homePath() + QStringLiteral("/.config");
}

} // namespace

bool KLChromiumCookieStore::holdsCookiesOf(const QString &choice) {
    const QString browser = KLDownloaderCookies::browserOf(choice);
    return browser == QStringLiteral("chromium") || browser == QStringLiteral("chrome");
}

KLChromiumCookieStore::KLChromiumCookieStore(const QString &choice) : m_choice(choice) {}

QString KLChromiumCookieStore::profileFolder() const {
    const QString profile = m_choice.section(QLatin1Char(':'), 1);
    if (profile.contains(QLatin1Char('/'))) {
        return profile;
    }
    const bool chrome = KLDownloaderCookies::browserOf(m_choice) == QStringLiteral("chrome");
    return QDir(configurationFolder())
        .filePath((chrome ? QStringLiteral("google-chrome/") : QStringLiteral("chromium/")) +
                  (profile.isEmpty() ? QStringLiteral("Default") : profile));
}

QString KLChromiumCookieStore::databasePath() const {
    // Newer versions keep the database in the profile's Network folder, older ones in the profile itself.
    const QDir profile(profileFolder());
    const QString network = profile.filePath(QStringLiteral("Network/Cookies"));
    return QFileInfo(network).isFile() ? network : profile.filePath(QStringLiteral("Cookies"));
}

std::optional<QString> KLChromiumCookieStore::copyDatabase(const KLScratchFolder &scratch) {
    // The journals go along: what the browser has not yet written into the database itself is in them.
    const QString database = databasePath();
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-journal")}) {
        const KLSafeFile::ReadResult read =
            KLSafeFile::readRegularFile(database + suffix, KLSafeFile::Links::follow);
        if (read.status == KLSafeFile::ReadStatus::missing && !suffix.isEmpty()) {
            continue;
        }
        if (read.status != KLSafeFile::ReadStatus::read) {
            fail(QStringLiteral("no cookie database could be read at %1").arg(database + suffix));
            return std::nullopt;
        }
        if (!KLSafeFile::replaceFile(scratch.filePath(QStringLiteral("Cookies") + suffix), read.contents,
                                     0600)) {
            fail(QStringLiteral("the cookie database could not be copied"));
            return std::nullopt;
        }
    }
    return scratch.filePath(QStringLiteral("Cookies"));
}

std::optional<QByteArray>
KLChromiumCookieStore::cookieFileContents(const QList<KLChromiumCookieDatabase::Cookie> &cookies,
                                          int databaseVersion) {
    const KLChromiumCookieCipher cipher(databaseVersion);
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    std::vector<KLNetscapeCookieFile::Cookie> written;
    qsizetype undecrypted = 0;
    for (const Cookie &cookie : cookies) {
        const std::optional<QByteArray> value = cookie.encryptedValue.isEmpty()
                                                    ? cookie.value
                                                    : cipher.decrypt(cookie.encryptedValue, cookie.hostKey);
        undecrypted += value ? 0 : 1;
        // The browser no longer sends an expired cookie, which it deletes only in passing.
        if (value && !expired(cookie, now)) {
            written.push_back(fileCookie(cookie, *value));
        }
    }
    if (undecrypted > 0) {
        fail(QStringLiteral("%1 of %2 cookies did not decrypt: their keyring's password is not known")
                 .arg(undecrypted)
                 .arg(cookies.size()));
        return std::nullopt;
    }
    return KLNetscapeCookieFile::text(written);
}

bool KLChromiumCookieStore::writeCookieFile(const QString &path) {
    // The copy goes with the scratch folder when the reading is done.
    const std::shared_ptr<KLScratchFolder> scratch = KLScratchFolder::create();
    const std::optional<QString> copy = copyDatabase(*scratch);
    if (!copy) {
        return false;
    }
    KLChromiumCookieDatabase database(*copy);
    const std::optional<QList<Cookie>> cookies = database.cookies();
    if (!cookies) {
        return fail(QStringLiteral("the cookie database could not be read: ") + database.error());
    }
    const std::optional<QByteArray> contents = cookieFileContents(*cookies, database.version());
    return contents && (KLSafeFile::replaceFile(path, *contents, 0600) ||
                        fail(QStringLiteral("the cookie file could not be written")));
}

bool KLChromiumCookieStore::fail(const QString &reason) {
    m_error = reason;
    return false;
}
