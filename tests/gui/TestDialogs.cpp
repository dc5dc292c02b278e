// The small windows: each keeps its one size, wide enough for its title, without maximise or minimise
// buttons; and the About window, which names the tools' versions as the tools found on the search path
// answer.
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include "Model/Preferences/KLDefaultPreferences.h"
#include "Views/KLProxySettingsWindowController.h"
#include "Views/Other/KLAboutWindowController.h"
#include "Views/Preferences/PreferenceViews/Codecs/Bitrate/KLBitrateSelectionWindowController.h"
#include "Views/Preferences/PreferenceViews/Resolution/KLResolutionSelectionWindowController.h"
#include "Views/Utils/KLFixedSizeWindow.h"

#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

} // namespace

TEST(SmallWindows, KeepTheirSizeShowTheirTitleAndCannotBeMaximised) {
    QWidget owner; // the windows go with it
    QWidget *windows[] = {
        new KLProxySettingsWindowController(std::make_shared<KLDefaultPreferences>(), &owner),
        new KLBitrateSelectionWindowController(128000, &owner),
        new KLResolutionSelectionWindowController(QSizeF(640, 360), &owner),
        new KLAboutWindowController(&owner),
    };
    for (QWidget *window : windows) {
        SCOPED_TRACE(window->windowTitle().toStdString());
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        EXPECT_EQ(window->minimumSize(), window->maximumSize());
        EXPECT_GE(window->width(), KLFixedSizeWindow::widthForTitle(window));
        window->hide();
    }
}

TEST(AboutWindow, NamesTheToolsVersionsAsTheyAnswerAndNotFoundForAMissingOne) {
    ASSERT_TRUE(KLYTDLTestSite::installLauncher());
    QTemporaryDir tools;
    const QByteArray path = qgetenv("PATH");
    const struct {
        const char *downloader; // the fake yt-dlp's first line, or nothing for none
        const char *ffmpeg;
    } cases[] = {
        {"2099.01.01", "ffmpeg version 9.9-fake Copyright (c) the FFmpeg developers"},
        {nullptr, "ffmpeg version 9.9-fake"},
    };
    for (const auto &row : cases) {
        QFile::remove(QDir(tools.path()).filePath(s("yt-dlp")));
        if (row.downloader != nullptr) {
            KLTestEnvironment::writeScript(
                tools.path(), s("yt-dlp"),
                s("#!/bin/sh\necho '%1'\necho 'a second line'\n").arg(s(row.downloader)));
        }
        KLTestEnvironment::writeScript(
            tools.path(), s("ffmpeg"),
            s("#!/bin/sh\n[ \"$1\" = -version ] || exit 1\necho '%1'\necho 'built with'\n")
                .arg(s(row.ffmpeg)));
        qputenv("PATH", tools.path().toUtf8());
        KLAboutWindowController about;
        about.show();
        qputenv("PATH", path);
        const auto answered = [&about] {
            return !about.downloaderVersionLabel()->text().endsWith(s("...")) &&
                   !about.ffmpegVersionLabel()->text().endsWith(s("..."));
        };
        EXPECT_TRUE(QTest::qWaitFor(answered, 10000));
        EXPECT_EQ(about.downloaderVersionLabel()->text(),
                  row.downloader != nullptr ? s(row.downloader) : KLAboutWindowController::notFound);
        EXPECT_EQ(about.ffmpegVersionLabel()->text(), s(row.ffmpeg));
        EXPECT_EQ(about.versionLabel()->text(), s("Version ") + s(KINOLARK_APP_VERSION));
    }
}
