// The cookies the downloader is handed: the option file it reads (a private copy of a cookie file, Chromium's
// store read into one, or a browser to read), never the user's own file; and the causes that ask the user to
// sign in.
#include "KLFileInspection.h"
#include "Model/KLTask/YTDL/KLChromiumCookieStore.h"
#include "Model/KLTask/YTDL/KLDownloaderCookies.h"
#include "Utils/KLSignInCause.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <sqlite3.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// A cookie as Chromium keeps it: `tag` "v10" encrypts with the fixed password, "v11" with `password`, and
// an empty tag stores the value plain.
struct StoredCookie {
    const char *host;
    const char *name;
    const char *value;
    const char *tag;
    qint64 expiresUTC;
    bool secure;
    bool httpOnly;
    const char *password = "";
};

// Microseconds since 1601 of a Unix time, as Chromium stores an expiry.
constexpr qint64 chromiumTime(qint64 unixSeconds) {
    return (unixSeconds + 11644473600) * 1000000;
}

// Encrypted independently of the program, by what Chromium's Linux store is known to do.
QByteArray encrypted(const StoredCookie &cookie, int version) {
    const QByteArray password = qstrcmp(cookie.tag, "v10") == 0 ? "peanuts" : cookie.password;
    const QByteArray plaintext =
        (version >= 24 ? QCryptographicHash::hash(cookie.host, QCryptographicHash::Sha256) : QByteArray()) +
        cookie.value;
    unsigned char key[16];
    PKCS5_PBKDF2_HMAC_SHA1(password.constData(), int(password.size()),
                           reinterpret_cast<const unsigned char *>("saltysalt"), 9, 1, 16, key);
    QByteArray out(plaintext.size() + 16, '\0');
    auto *bytes = reinterpret_cast<unsigned char *>(out.data());
    int written = 0;
    int last = 0;
    EVP_CIPHER_CTX *context = EVP_CIPHER_CTX_new();
    EVP_EncryptInit_ex(context, EVP_aes_128_cbc(), nullptr, key,
                       reinterpret_cast<const unsigned char *>("                "));
    EVP_EncryptUpdate(context, bytes, &written,
                      reinterpret_cast<const unsigned char *>(plaintext.constData()), int(plaintext.size()));
    EVP_EncryptFinal_ex(context, bytes + written, &last);
    EVP_CIPHER_CTX_free(context);
    return cookie.tag + out.left(written + last);
}

void writeDatabase(const QString &path, int version, const std::vector<StoredCookie> &cookies) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
    sqlite3 *database = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(path).constData(), &database), SQLITE_OK);
    const QByteArray schema =
        "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT);"
        "INSERT INTO meta VALUES('version', '" +
        QByteArray::number(version) +
        "');"
        "CREATE TABLE cookies(host_key TEXT, name TEXT, value TEXT, encrypted_value BLOB,"
        " path TEXT, expires_utc INTEGER, is_secure INTEGER, is_httponly INTEGER)";
    EXPECT_EQ(sqlite3_exec(database, schema.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(database, "INSERT INTO cookies VALUES(?, ?, ?, ?, '/', ?, ?, ?)", -1, &insert,
                       nullptr);
    for (const StoredCookie &cookie : cookies) {
        const bool plain = *cookie.tag == '\0';
        const QByteArray secret = plain ? QByteArray() : encrypted(cookie, version);
        sqlite3_bind_text(insert, 1, cookie.host, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 2, cookie.name, -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 3, plain ? cookie.value : "", -1, SQLITE_STATIC);
        sqlite3_bind_blob(insert, 4, secret.constData(), int(secret.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int64(insert, 5, cookie.expiresUTC);
        sqlite3_bind_int(insert, 6, cookie.secure);
        sqlite3_bind_int(insert, 7, cookie.httpOnly);
        EXPECT_EQ(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(database);
}

} // namespace

TEST(DownloaderCookies, ACookieFileGoesAsAPrivateCopyAndABrowserByItsName) {
    QTemporaryDir folder;
    const QString jar = folder.filePath(s("my \"cookies\".txt"));
    QFile original(jar);
    ASSERT_TRUE(original.open(QIODevice::WriteOnly) && original.write("# Netscape HTTP Cookie File\n") > 0);
    original.close();

    // The end-to-end run shows the user's file unchanged and the copy gone; here, that both are private.
    const KLDownloaderCookies fromFile(jar, s("firefox"));
    const QByteArray option = KLFileInspection::readBytes(fromFile.path());
    ASSERT_TRUE(option.startsWith("--cookies \"")) << option.constData();
    const QString copy = QString::fromUtf8(option.mid(11, option.size() - 13));
    EXPECT_NE(copy, jar) << "the downloader writes back into the file it is given";
    for (const QString &path : {fromFile.path(), copy}) {
        EXPECT_EQ(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther), 0)
            << path.toStdString();
    }

    EXPECT_EQ(KLFileInspection::readBytes(KLDownloaderCookies(QString(), s("chromium:Profile \"1\"")).path()),
              QByteArray("--cookies-from-browser \"chromium:Profile \\\"1\\\"\"\n"));
    for (const char *refused : {"opera", "firefox:a\nb", ""}) {
        EXPECT_FALSE(KLDownloaderCookies::isKnownBrowser(s(refused))) << refused;
    }
}

TEST(DownloaderCookies, CausesThatAskForASessionSaySoAndOthersStayAsTheyAre) {
    const struct {
        const char *cause;
        bool asks;
    } cases[] = {
        {"Unable to download webpage: HTTP Error 403: Forbidden", true},
        {"HTTP Error 401: Unauthorized", true},
        {"Sign in to confirm your age. This video may be inappropriate for some users.", true},
        {"This video is only available for registered users", true},
        {"Use --cookies-from-browser or --cookies for the authentication", true},
        {"HTTP Error 404: Not Found", false},
        {"HTTP Error 407: Proxy Authentication Required", false},
        {"Unable to extract catalog index", false},
        {"No space left on device", false},
    };
    for (const auto &row : cases) {
        const QString explained = KLSignInCause::explained(s(row.cause));
        EXPECT_EQ(explained != s(row.cause), row.asks) << row.cause;
        EXPECT_TRUE(explained.startsWith(s(row.cause))) << row.cause;
    }
}

TEST(DownloaderCookies, ChromiumsStoreIsReadIntoAPrivateCookieFileOrLeftToTheDownloader) {
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    const std::vector<StoredCookie> cookies = {
        {".example.org", "plain", "p1", "", 0, false, false},
        {"example.org", "ten", "s10", "v10", chromiumTime(1900000000), true, true},
        {".example.org", "eleven", "s11", "v11", 0, false, false},
        {"example.org", "tab", "a\tb", "v10", 0, false, false},                     // would break its line
        {"example.org", "old", "gone", "", chromiumTime(1000000000), false, false}, // expired
    };
    const QByteArray expected = "# Netscape HTTP Cookie File\n"
                                ".example.org\tTRUE\t/\tFALSE\t0\tplain\tp1\n"
                                "#HttpOnly_example.org\tFALSE\t/\tTRUE\t1900000000\tten\ts10\n"
                                ".example.org\tTRUE\t/\tFALSE\t0\televen\ts11\n";
    // A profile's folder with the database in it, and a named profile with it in its Network folder.
    const struct {
        int version;
        QString choice;
        QString database;
    } rows[] = {
        {23, s("chromium:") + home.filePath(s("p")), home.filePath(s("p/Cookies"))},
        {24, s("chrome+basictext:Profile 1"), home.filePath(s("google-chrome/Profile 1/Network/Cookies"))},
    };
    for (const auto &row : rows) {
        writeDatabase(row.database, row.version, cookies);
        const KLDownloaderCookies read(QString(), row.choice);
        const QString file = read.cookieFile(); // which curl is given too
        EXPECT_EQ(KLFileInspection::readBytes(read.path()), "--cookies \"" + file.toUtf8() + "\"\n");
        EXPECT_EQ(KLFileInspection::readBytes(file), expected) << row.version;
        EXPECT_EQ(KLFileInspection::permissionsOf(file), 0600);
    }

    // A keyring's own password is not known: the reading fails without a word of the value.
    writeDatabase(home.filePath(s("k/Cookies")), 24,
                  {{"example.org", "k", "hidden", "v11", 0, false, false, "secret"}});
    KLChromiumCookieStore store(s("chromium+gnomekeyring:") + home.filePath(s("k")));
    EXPECT_FALSE(store.writeCookieFile(home.filePath(s("out.txt"))));
    EXPECT_FALSE(store.error().isEmpty() || store.error().contains(s("hidden")))
        << store.error().toStdString();
    EXPECT_FALSE(QFileInfo::exists(home.filePath(s("out.txt"))));
    EXPECT_TRUE(KLFileInspection::readBytes(
                    KLDownloaderCookies(QString(), s("chromium:") + home.filePath(s("k"))).path())
                    .startsWith("--cookies-from-browser "));
    qunsetenv("XDG_CONFIG_HOME");
}
