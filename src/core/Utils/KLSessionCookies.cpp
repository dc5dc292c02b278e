#include "Utils/KLSessionCookies.h"

#include "Utils/KLLog.h"
#include "Utils/KLNetscapeCookieFile.h"
#include "Utils/KLSafeFile.h"
#include "Utils/KLScratchFolder.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {

const QString fileName = QStringLiteral("cookies.txt");

// The browser's cookie object as the file writes it; a field of the wrong type makes it unwritable.
KLNetscapeCookieFile::Cookie cookieFrom(const QJsonObject &object) {
    KLNetscapeCookieFile::Cookie cookie;
    const auto text = [&object](const char *key) {
        const QJsonValue value = object.value(QLatin1String(key));
        return value.isString() ? value.toString() : QString();
    };
    cookie.name = text("name");
    cookie.value = text("value");
    cookie.domain = text("domain");
    if (cookie.domain.startsWith(QLatin1Char('.'))) {
        cookie.domain.remove(0, 1);
    }
    cookie.path = text("path");
    cookie.secure = object.value(QLatin1String("secure")).toBool();
    cookie.httpOnly = object.value(QLatin1String("httpOnly")).toBool();
    cookie.hostOnly = object.value(QLatin1String("hostOnly")).toBool();
    const QJsonValue expires = object.value(QLatin1String("expirationDate"));
    if (expires.isDouble()) {
        const double seconds = std::floor(expires.toDouble());
        // Before 1970 or past any date a file holds: unusable, so left out.
        cookie.expires = seconds >= 1 && seconds < 1e15 ? static_cast<qint64>(seconds) : -1;
    }
    return cookie;
}

// An IPv6 address holds colons; an IPv4 one is digits and dots only.
bool isAddress(const QString &host) {
    return host.contains(QLatin1Char(':')) || std::all_of(host.begin(), host.end(), [](QChar c) {
               return c.isDigit() || c == QLatin1Char('.');
           });
}

bool withinSite(const QString &domain, const QString &site) {
    const QString name = domain.toLower();
    return name == site || name.endsWith(QLatin1Char('.') + site);
}

} // namespace

QString KLSessionCookies::siteOf(const QString &host) {
    const QString name = host.toLower();
    if (isAddress(name) || !name.contains(QLatin1Char('.'))) {
        return name;
    }
    const QStringList labels = name.split(QLatin1Char('.'));
    const qsizetype count = labels.size();
    const bool countrySecondLevel =
        count >= 3 && labels.at(count - 1).size() == 2 && labels.at(count - 2).size() <= 3;
    return labels.mid(count - (countrySecondLevel ? 3 : 2)).join(QLatin1Char('.'));
}

QJsonArray KLSessionCookies::accepted(const QJsonArray &cookies, const QUrl &page) {
    QJsonArray kept;
    const QString site = siteOf(page.host());
    if (site.isEmpty()) {
        return kept;
    }
    for (const QJsonValue &value : cookies) {
        if (kept.size() == maximumCount) {
            break;
        }
        const KLNetscapeCookieFile::Cookie cookie = cookieFrom(value.toObject());
        if (KLNetscapeCookieFile::writable(cookie) && withinSite(cookie.domain, site)) {
            kept.append(value);
        }
    }
    return kept;
}

std::shared_ptr<const KLSessionCookies> KLSessionCookies::make(const QString &json, const QUrl &page) {
    if (json.isEmpty()) {
        return nullptr;
    }
    const QJsonArray cookies = accepted(QJsonDocument::fromJson(json.toUtf8()).array(), page);
    if (cookies.isEmpty()) {
        return nullptr;
    }
    std::vector<KLNetscapeCookieFile::Cookie> written;
    written.reserve(static_cast<size_t>(cookies.size()));
    for (const QJsonValue &value : cookies) {
        written.push_back(cookieFrom(value.toObject()));
    }
    auto folder = KLScratchFolder::create();
    if (!KLSafeFile::replaceFile(folder->filePath(fileName), KLNetscapeCookieFile::text(written), 0600)) {
        KLLog::log(QStringLiteral("Could not keep the session handed over with %1").arg(page.host()));
        return nullptr;
    }
    return std::make_shared<const KLSessionCookies>(std::move(folder));
}

KLSessionCookies::KLSessionCookies(std::shared_ptr<KLScratchFolder> folder) : m_folder(std::move(folder)) {}

QString KLSessionCookies::path() const {
    return m_folder->filePath(fileName);
}
