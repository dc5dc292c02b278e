// The cookies the downloader is handed: the option file it reads (a private copy of a cookie file, or a
// browser to read), never the user's own file; and the causes that ask the user to sign in.
#include "KLFileInspection.h"
#include "Model/KLTask/YTDL/KLDownloaderCookies.h"
#include "Utils/KLSignInCause.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
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
