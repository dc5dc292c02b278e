#include "App/KLURLDetector.h"
#include "App/KLURLSchemeDecoder.h"

#include <gtest/gtest.h>

using D = KLURLSchemeDecoder;

TEST(URLSchemes, KinlkSchemesBecomeWebSchemes) {
    EXPECT_EQ(D::decode(QStringLiteral("kinlkurl://example.org/a/b?c=1")).urlText,
              QStringLiteral("http://example.org/a/b?c=1"));
    EXPECT_EQ(D::decode(QStringLiteral("kinlkurls://example.org/x")).urlText,
              QStringLiteral("https://example.org/x"));
    EXPECT_EQ(D::decode(QStringLiteral("https://example.org/kinlkurl://")).urlText,
              QStringLiteral("https://example.org/kinlkurl://"));
    // Only the leading scheme: a page whose path holds the scheme keeps its path.
    EXPECT_EQ(D::decode(QStringLiteral("kinlkurl://h.example/a/kinlkurl://h.example/b")).urlText,
              QStringLiteral("http://h.example/a/kinlkurl://h.example/b"));
    EXPECT_EQ(D::decode(QStringLiteral("kinlkurls://h.example/a?next=kinlkurls://h.example/b")).urlText,
              QStringLiteral("https://h.example/a?next=kinlkurls://h.example/b"));
    EXPECT_FALSE(D::decode(QStringLiteral("kinlkurl://example.org")).hasPayload);
}

TEST(URLSchemes, PayloadsCarryAnyPageSourceUnchanged) {
    const QString source =
        QStringLiteral("<html lang=\"de\">\n<title>Grüße & \"Zitate\" — 日本 😀</title>\r\n"
                       "<iframe src='//player.example.org/v/2?a=1&b=%20'></iframe>\t</html>");
    const QString text =
        QStringLiteral("kinlkurls://example.org/page") + D::dataMarker + D::encodePayload(source);
    const D::Request request = D::decode(text);
    EXPECT_EQ(request.urlText, QStringLiteral("https://example.org/page"));
    ASSERT_TRUE(request.hasPayload);
    ASSERT_TRUE(request.source.has_value());
    EXPECT_EQ(*request.source, source);

    // The outer percent-escapes are optional.
    const QString bare =
        QString::fromLatin1(source.toUtf8().toPercentEncoding("!$&'()*+,;=:@/-._~").toBase64());
    EXPECT_EQ(D::decodePayload(bare), source);
}

TEST(URLSchemes, UndecodablePayloadsGiveNoSource) {
    for (const QString &payload : {QStringLiteral("not base64 at all!"), QStringLiteral("%ZZ%"),
                                   QString::fromLatin1(QByteArray("\xff\xfe").toBase64()),
                                   QString::fromLatin1(QByteArray("%C3%28").toBase64())}) {
        const D::Request request = D::decode(QStringLiteral("http://a.example/") + D::dataMarker + payload);
        EXPECT_TRUE(request.hasPayload);
        EXPECT_FALSE(request.source.has_value()) << payload.toStdString();
        EXPECT_EQ(request.urlText, QStringLiteral("http://a.example/"));
    }
    // Further markers are ignored.
    const D::Request twice =
        D::decode(QStringLiteral("http://a.example/") + D::dataMarker +
                  D::encodePayload(QStringLiteral("x")) + D::dataMarker + QStringLiteral("junk"));
    EXPECT_EQ(twice.source, QStringLiteral("x"));
}

TEST(URLSchemes, OnlyWebAndFileAddressesAreTakenIn) {
    EXPECT_TRUE(D::isAcceptedURL(QUrl(QStringLiteral("http://example.org"))));
    EXPECT_TRUE(D::isAcceptedURL(QUrl(QStringLiteral("HTTPS://example.org/v"))));
    EXPECT_TRUE(D::isAcceptedURL(QUrl(QStringLiteral("ftp://files.example.org/a.mp4"))));
    EXPECT_TRUE(D::isAcceptedURL(QUrl::fromLocalFile(QStringLiteral("/tmp/a b.mp4"))));
    for (const char *refused : {"javascript:alert(1)", "data:text/html,hi", "mailto:a@b.c", "ssh://host/x",
                                "file:", "http://", "relative/path", "-o/etc/passwd"}) {
        EXPECT_FALSE(D::isAcceptedURL(QUrl(QString::fromLatin1(refused)))) << refused;
    }
}

TEST(URLDetector, FindsLinksInEverydayText) {
    const QString text = QStringLiteral(
        "Watch https://www.youtube.com/watch?v=abc123&t=10s, it's great! Also (see "
        "https://en.wikipedia.org/wiki/Foo_(bar)). Mirror: www.example.com/page. Mail me at "
        "joe@www.example.com.\n"
        "Old one: ftp://files.example.org/a.mp4; local file:///home/u/v.mp4 and [md](https://a.example/c) "
        "<https://b.example/d> \"https://c.example/e\" the www.example word and HTTP://UPPER.example/X?");
    QStringList found;
    for (const QUrl &url : KLURLDetector::detectURLs(text)) {
        found << url.toString();
    }
    EXPECT_EQ(
        found,
        (QStringList{QStringLiteral("https://www.youtube.com/watch?v=abc123&t=10s"),
                     QStringLiteral("https://en.wikipedia.org/wiki/Foo_(bar)"),
                     QStringLiteral("http://www.example.com/page"),
                     QStringLiteral("ftp://files.example.org/a.mp4"), QStringLiteral("file:///home/u/v.mp4"),
                     QStringLiteral("https://a.example/c"), QStringLiteral("https://b.example/d"),
                     QStringLiteral("https://c.example/e"), QStringLiteral("http://upper.example/X")}));
}

TEST(URLDetector, KeepsDuplicatesAndFindsNothingInPlainProse) {
    EXPECT_EQ(KLURLDetector::detectURLs(QStringLiteral("a http://x.example/1 b http://x.example/1")).size(),
              2);
    EXPECT_TRUE(KLURLDetector::detectURLs(QStringLiteral("no links here, just e.g. 3.5 and a:b")).isEmpty());
    EXPECT_TRUE(KLURLDetector::detectURLs(QString()).isEmpty());
    EXPECT_TRUE(KLURLDetector::detectURLs(QStringLiteral("http:// https://")).isEmpty());
    // A pasted run of closing brackets is cut off whole (once in quadratic time: seconds for this one).
    const QList<QUrl> bracketed = KLURLDetector::detectURLs(QStringLiteral("(http://x.example/a_(b)") +
                                                            QString(200000, QLatin1Char(')')));
    ASSERT_EQ(bracketed.size(), 1);
    EXPECT_EQ(bracketed.first().toString(), QStringLiteral("http://x.example/a_(b)"));
}
