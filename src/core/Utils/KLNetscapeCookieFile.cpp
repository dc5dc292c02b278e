#include "Utils/KLNetscapeCookieFile.h"

#include <algorithm>

namespace {

bool plain(const QString &field) {
    return std::none_of(field.begin(), field.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

QByteArray flag(bool on) {
    return on ? QByteArrayLiteral("TRUE") : QByteArrayLiteral("FALSE");
}

} // namespace

bool KLNetscapeCookieFile::writable(const Cookie &cookie) {
    return !cookie.domain.isEmpty() && !cookie.domain.contains(QLatin1Char(' ')) &&
           cookie.path.startsWith(QLatin1Char('/')) && !cookie.name.isEmpty() && plain(cookie.domain) &&
           plain(cookie.path) && plain(cookie.name) && plain(cookie.value) && cookie.expires >= 0;
}

QByteArray KLNetscapeCookieFile::text(const std::vector<Cookie> &cookies) {
    QByteArray text = QByteArrayLiteral("# Netscape HTTP Cookie File\n");
    for (const Cookie &cookie : cookies) {
        if (!writable(cookie)) {
            continue;
        }
        // A cookie for the subdomains too is named with a leading dot; the readers take "#HttpOnly_" in
        // front of the domain as the flag it stands for, not as a comment.
        const QByteArray domain = (cookie.httpOnly ? QByteArrayLiteral("#HttpOnly_") : QByteArray()) +
                                  (cookie.hostOnly ? QByteArray() : QByteArrayLiteral(".")) +
                                  cookie.domain.toUtf8();
        text += domain + '\t' + flag(!cookie.hostOnly) + '\t' + cookie.path.toUtf8() + '\t' +
                flag(cookie.secure) + '\t' + QByteArray::number(cookie.expires) + '\t' +
                cookie.name.toUtf8() + '\t' + cookie.value.toUtf8() + '\n';
    }
    return text;
}
