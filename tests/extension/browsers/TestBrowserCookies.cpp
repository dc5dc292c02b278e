// A members' area signed into with Debian's Firefox ESR and Debian's Chromium, each headless with a fresh
// profile: kinolark --cookies-from-browser takes the session from that profile and downloads the members'
// video, which the site refuses without it. Chromium's cookies are read by the program itself (its store's
// values begin with a hash Debian's downloader does not know), Firefox's by the downloader.
#include "KLBrowserSession.h"
#include "KLKinolarkRunner.h"
#include "KLPrivateSessionBus.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

using Kind = KLBrowserSession::Kind;

class BrowserCookiesTest : public ::testing::TestWithParam<Kind> {};

} // namespace

TEST_P(BrowserCookiesTest, ASessionSignedInWithTheBrowserReachesTheMembersVideo) {
    KLPrivateSessionBus bus; // for the extension's host the browser starts
    ASSERT_TRUE(bus.start());
    QFile::remove(KLDefaultPreferences::storeFilePath());
    KLYTDLTestSite site;
    site.server().requireSignIn(s("/members/"));
    ASSERT_TRUE(site.addMedia(s("members/clip.mp4"), KLMediaFixtures::ClipTiny));
    site.addPage(s("members/page.html"), s("Members Night"), {s("members/clip.mp4")});
    ASSERT_TRUE(site.start());

    const std::unique_ptr<KLBrowserSession> browser = KLBrowserSession::make(GetParam());
    ASSERT_TRUE(browser->start()) << browser->lastError().toStdString();
    ASSERT_TRUE(browser->openPage(QUrl(site.url(s("login")))));
    browser->stop(); // the profile keeps the session's cookie once the browser has closed

    QTemporaryDir output;
    const QString choice =
        KLBrowserSession::name(GetParam()).toLower() + s(":") + browser->profileDirectory();
    const KLKinolarkRunner::Outcome outcome =
        KLKinolarkRunner::run({site.url(s("members/page.html")), s("-c"), s("download-only"), s("-o"),
                               output.path(), s("--cookies-from-browser"), choice});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString() << browser->log().toStdString();
    const QStringList files = KLKinolarkRunner::filesIn(output.path());
    ASSERT_EQ(files.size(), 1);
    QFile placed(output.filePath(files.first()));
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(placed.readAll() == site.contentsOf(s("members/clip.mp4")));
}

INSTANTIATE_TEST_SUITE_P(Browsers, BrowserCookiesTest, ::testing::Values(Kind::Chromium, Kind::Firefox),
                         [](const ::testing::TestParamInfo<Kind> &info) {
                             return KLBrowserSession::name(info.param).toStdString();
                         });
