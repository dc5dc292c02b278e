#include "Model/KLTask/YTDL/KLChromiumCookieDatabase.h"

#include <QFile>

#include <sqlite3.h>

#include <memory>

namespace {

using Statement = std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)>;

Statement prepare(sqlite3 *database, const char *query) {
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(database, query, -1, &statement, nullptr);
    return Statement(statement, &sqlite3_finalize);
}

QByteArray bytesAt(sqlite3_stmt *statement, int column) {
    // The size is asked after the contents, as SQLite wants it, so that it counts the bytes returned.
    const auto *contents = static_cast<const char *>(sqlite3_column_blob(statement, column));
    return QByteArray(contents, sqlite3_column_bytes(statement, column));
}

KLChromiumCookieDatabase::Cookie cookieAt(sqlite3_stmt *statement) {
    return {bytesAt(statement, 0),
            bytesAt(statement, 1),
            bytesAt(statement, 2),
            bytesAt(statement, 3),
            bytesAt(statement, 4),
            sqlite3_column_int64(statement, 5),
            sqlite3_column_int(statement, 6) != 0,
            sqlite3_column_int(statement, 7) != 0};
}

} // namespace

KLChromiumCookieDatabase::KLChromiumCookieDatabase(const QString &path) {
    // Even a failed open leaves a handle to close, which carries the reason.
    sqlite3_open_v2(QFile::encodeName(path).constData(), &m_database, SQLITE_OPEN_READONLY, nullptr);
}

KLChromiumCookieDatabase::~KLChromiumCookieDatabase() {
    sqlite3_close(m_database);
}

int KLChromiumCookieDatabase::version() const {
    const Statement statement = prepare(m_database, "SELECT value FROM meta WHERE key = 'version'");
    return statement != nullptr && sqlite3_step(statement.get()) == SQLITE_ROW
               ? sqlite3_column_int(statement.get(), 0)
               : 0;
}

std::optional<QList<KLChromiumCookieDatabase::Cookie>> KLChromiumCookieDatabase::cookies() {
    const Statement statement =
        prepare(m_database, "SELECT host_key, name, value, encrypted_value, path, expires_utc, is_secure, "
                            "is_httponly FROM cookies");
    QList<Cookie> cookies;
    int step = statement != nullptr ? sqlite3_step(statement.get()) : SQLITE_ERROR;
    for (; step == SQLITE_ROW; step = sqlite3_step(statement.get())) {
        cookies.append(cookieAt(statement.get()));
    }
    if (step != SQLITE_DONE) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_database));
        return std::nullopt;
    }
    return cookies;
}
