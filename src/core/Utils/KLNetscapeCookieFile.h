#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// The cookie file curl and the downloader read (and the downloader writes back): a header line, then one
// tab-separated line a cookie. A cookie whose fields could break a line (a tab, a line break or another
// control character) is left out rather than let it split into lines of its own.
class KLNetscapeCookieFile final {
public:
    struct Cookie {
        // Without the leading dot: hostOnly says whether subdomains are sent it too.
        QString domain;
        bool hostOnly = false;
        QString path = QStringLiteral("/");
        bool secure = false;
        bool httpOnly = false;
        // Seconds since 1970; 0 for a cookie that lasts the session.
        qint64 expires = 0;
        QString name;
        QString value;
    };

    static bool writable(const Cookie &cookie);
    static QByteArray text(const std::vector<Cookie> &cookies);
};
