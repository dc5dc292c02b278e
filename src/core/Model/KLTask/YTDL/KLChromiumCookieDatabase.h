#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

struct sqlite3;

// Chromium's cookie database, opened read-only: its version and its cookies as stored, values still
// encrypted. Only a private copy is ever opened, never the browser's own file, which the browser may be
// writing to.
class KLChromiumCookieDatabase final {
public:
    struct Cookie {
        QByteArray hostKey; // a leading '.' makes it a domain cookie, else it is the host's alone
        QByteArray name;
        QByteArray value; // used as it is when encryptedValue is empty
        QByteArray encryptedValue;
        QByteArray path;
        qint64 expiresUTC = 0; // microseconds since 1601-01-01; 0 for a session cookie
        bool secure = false;
        bool httpOnly = false;
    };

    explicit KLChromiumCookieDatabase(const QString &path);
    ~KLChromiumCookieDatabase();
    KLChromiumCookieDatabase(const KLChromiumCookieDatabase &) = delete;
    KLChromiumCookieDatabase &operator=(const KLChromiumCookieDatabase &) = delete;

    // The version the table meta gives; 0 when it gives none.
    int version() const;
    // Every row of the table cookies; nothing, with the reason in error(), when not all could be read.
    std::optional<QList<Cookie>> cookies();
    QString error() const { return m_error; }

private:
    sqlite3 *m_database = nullptr;
    QString m_error;
};
