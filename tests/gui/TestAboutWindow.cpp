// The About window names the program's version and the versions the tools on the search path give.
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include "Views/Other/KLAboutWindowController.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(AboutWindow, NamesTheVersionTheToolOnTheSearchPathGivesAndNotFoundForAMissingOne) {
    ASSERT_TRUE(KLYTDLTestSite::installLauncher());
    QTemporaryDir tools; // a yt-dlp and no ffmpeg
    KLTestEnvironment::writeScript(tools.path(), s("yt-dlp"), s("#!/bin/sh\necho 2099.01.01\necho more\n"));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", tools.path().toUtf8());
    KLAboutWindowController about;
    about.show();
    qputenv("PATH", path);
    EXPECT_TRUE(
        QTest::qWaitFor([&about] { return about.downloaderVersionLabel()->text() == s("2099.01.01"); }));
    EXPECT_TRUE(QTest::qWaitFor(
        [&about] { return about.ffmpegVersionLabel()->text() == KLAboutWindowController::notFound; }));
    EXPECT_EQ(about.versionLabel()->text(), s("Version " KINOLARK_APP_VERSION));
}
