// A members' area signed into with Debian's Firefox ESR, headless with a fresh profile: kinolark
// --cookies-from-browser takes the session from that profile and downloads the members' video, which the site
// refuses without it. (Debian's downloader cannot read the cookies of Debian's current Chromium, whose values
// gained a prefix it does not know; Chromium joins once the program reads that store itself.)
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

class BrowserCookiesTest : public ::testing::TestWithParam<Kind> {
protected:
    static void SetUpTestSuite() {
        s_bus = new KLPrivateSessionBus();
        s_ready = s_bus->start();
    }
    static void TearDownTestSuite() { delete s_bus; }

    static inline KLPrivateSessionBus *s_bus = nullptr;
    static inline bool s_ready = false;
};

} // namespace

TEST_P(BrowserCookiesTest, ASessionSignedInWithTheBrowserReachesTheMembersVideo) {
    ASSERT_TRUE(s_ready) << "no session bus for the browser";
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
    const KLKinolarkRunner::Outcome outcome = KLKinolarkRunner::run(
        {site.url(s("members/page.html")), s("-c"), s("download-only"), s("-o"), output.path(),
         s("--cookies-from-browser"),
         KLBrowserSession::name(GetParam()).toLower() + QLatin1Char(':') + browser->profileDirectory()});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString() << browser->log().toStdString();
    const QStringList files = KLKinolarkRunner::filesIn(output.path());
    ASSERT_EQ(files.size(), 1);
    QFile placed(output.filePath(files.first()));
    ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
    EXPECT_TRUE(placed.readAll() == site.contentsOf(s("members/clip.mp4")));
}

INSTANTIATE_TEST_SUITE_P(Browsers, BrowserCookiesTest, ::testing::Values(Kind::Firefox),
                         [](const ::testing::TestParamInfo<Kind> &info) {
                             return KLBrowserSession::name(info.param).toStdString();
                         });
