// The session a browser hands over with a page: only the cookies of the page's site that a cookie file can
// hold safely are kept, in a file only the user can read, which goes with its last holder.
#include "KLFileInspection.h"
#include "Utils/KLSessionCookies.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

QJsonObject cookie(const char *domain, const char *name = "session", const char *value = "v",
                   const char *path = "/") {
    return {{s("name"), s(name)}, {s("value"), s(value)}, {s("domain"), s(domain)}, {s("path"), s(path)}};
}

} // namespace

TEST(SessionCookies, OnlyTheSitesWritableCookiesAreKept) {
    const struct {
        const char *page;
        QJsonObject cookie;
        bool kept;
    } cases[] = {
        {"https://www.example.com/watch", cookie("www.example.com"), true},
        {"https://www.example.com/watch", cookie(".example.com"), true},
        {"https://www.example.com/watch", cookie("media.example.com"), true}, // the site's media host
        {"https://www.example.com/watch", cookie(".other.com"), false},
        {"https://www.example.com/watch", cookie("notexample.com"), false},
        {"https://www.example.com/watch", cookie("example.com.evil.net"), false},
        {"https://news.bbc.co.uk/", cookie(".bbc.co.uk"), true},
        {"https://news.bbc.co.uk/", cookie(".co.uk"), false},
        {"http://127.0.0.1:8080/members/", cookie("127.0.0.1"), true},
        {"http://127.0.0.1:8080/members/", cookie("0.0.1"), false},
        // Anything that could split the file's line, or is no cookie a reader takes.
        {"https://example.com/", cookie("example.com", "session", "a\nexample.com\tTRUE"), false},
        {"https://example.com/", cookie("example.com", "se\tssion"), false},
        {"https://example.com/", cookie("example.com", ""), false},
        {"https://example.com/", cookie("example.com", "session", "v", "members"), false},
        {"file:///home/me/page.html", cookie("example.com"), false},
    };
    for (const auto &item : cases) {
        const QJsonArray kept = KLSessionCookies::accepted({item.cookie}, QUrl(s(item.page)));
        EXPECT_EQ(kept.size(), item.kept ? 1 : 0)
            << item.page << " " << QJsonDocument(item.cookie).toJson(QJsonDocument::Compact).constData();
    }
}

TEST(SessionCookies, TheFileIsPrivateWritesEachFlagAndGoesWithItsLastHolder) {
    QJsonObject lasting = cookie(".example.com", "id", "a b=c");
    lasting.insert(s("secure"), true);
    lasting.insert(s("httpOnly"), true);
    lasting.insert(s("expirationDate"), 1893456000.75);
    QJsonObject session = cookie("www.example.com", "pref", "1", "/watch");
    session.insert(s("hostOnly"), true);
    const QString json = QString::fromUtf8(QJsonDocument(QJsonArray{lasting, session}).toJson());

    std::shared_ptr<const KLSessionCookies> cookies =
        KLSessionCookies::make(json, QUrl(s("https://www.example.com/watch")));
    ASSERT_NE(cookies, nullptr);
    const QString path = cookies->path();
    EXPECT_EQ(KLFileInspection::permissionsOf(path), 0600);
    EXPECT_EQ(KLFileInspection::readBytes(path),
              QByteArray("# Netscape HTTP Cookie File\n"
                         "#HttpOnly_.example.com\tTRUE\t/\tTRUE\t1893456000\tid\ta b=c\n"
                         "www.example.com\tFALSE\t/watch\tFALSE\t0\tpref\t1\n"));
    cookies.reset();
    EXPECT_FALSE(QFileInfo::exists(path));

    EXPECT_EQ(KLSessionCookies::make(s("not json"), QUrl(s("https://example.com/"))), nullptr);
    EXPECT_EQ(KLSessionCookies::make(QString(), QUrl(s("https://example.com/"))), nullptr);
}
