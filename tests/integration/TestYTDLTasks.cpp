// The format, listing and update tasks with the real scripts and the real yt-dlp: formats of a DASH
// manifest on the test web server, the downloader's own lists, and refreshing the working copy.

#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLTestWebServer.h"

#include "Model/KLTask/YTDL/KLGetYoutubeFormatsTask.h"
#include "Model/KLTask/YTDL/KLListYTDLExtractorsTask.h"
#include "Model/KLTask/YTDL/KLListYTDLProvidersTask.h"
#include "Model/KLTask/YTDL/KLUpdateYTDLTask.h"
#include "Model/KLTask/YTDL/KLYoutubeFormatDescription.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLResources.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>

namespace {

void runToEnd(const std::shared_ptr<KLTask> &task) {
    task->start();
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([&task] { return task->finished(); }, std::chrono::seconds(120)));
}

QString shippedLauncher() {
    return KLResources::pathForResource(QStringLiteral("ytdl"), QString());
}

// The first line the program prints for "--version", or nothing when it does not run.
QString versionOf(const QString &program) {
    QProcess process;
    process.start(program, {QStringLiteral("--version")});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

QString runUpdate() {
    const auto task = std::make_shared<KLUpdateYTDLTask>();
    runToEnd(task);
    EXPECT_EQ(task->error(), nullptr);
    return task->resultAs<QString>();
}

// Every test starts from the launcher installed in the application data folder, as the launch leaves it.
class TestYTDLTasks : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        m_workingCopy = KLKinolarkUtils::getYTDLPath();
        QFile::remove(m_workingCopy);
        ASSERT_TRUE(QFile::copy(shippedLauncher(), m_workingCopy));
    }

    QString m_workingCopy;
};

} // namespace

TEST_F(TestYTDLTasks, DashManifestListsVideoOnlyAndAudioOnlyFormats) {
    const QString dash = KLMediaFixtures::dashDirectory();
    ASSERT_FALSE(dash.isEmpty());
    KLTestWebServer server(dash);
    ASSERT_TRUE(server.start());

    const auto task =
        std::make_shared<KLGetYoutubeFormatsTask>(server.qurl(KLMediaFixtures::dashManifestName));
    runToEnd(task);
    ASSERT_EQ(task->error(), nullptr) << task->error()->description().toStdString();
    const auto formats = task->resultAs<KLGetYoutubeFormatsTask::Formats>();

    const QList<KLMediaFixtures::DashRepresentation> representations = KLMediaFixtures::dashRepresentations();
    ASSERT_EQ(formats.size(), representations.size());
    for (const KLMediaFixtures::DashRepresentation &representation : representations) {
        const QString id = QString::fromUtf8(representation.id);
        const auto found = std::find_if(formats.begin(), formats.end(),
                                        [&id](const auto &format) { return format->itag() == id; });
        ASSERT_NE(found, formats.end()) << representation.id;
        const auto &format = *found;
        if (representation.width == 0) {
            EXPECT_EQ(format->mode(), KLYoutubeFormatDescription::audioOnlyMode);
            EXPECT_EQ(format->type(), QStringLiteral("m4a"));
            EXPECT_EQ(format->size(), QSizeF(0, 0));
            EXPECT_EQ(format->abr(), static_cast<uint64_t>(representation.bandwidth / 1000));
        } else {
            EXPECT_EQ(format->mode(), KLYoutubeFormatDescription::videoOnlyMode);
            EXPECT_EQ(format->type(), QStringLiteral("mp4"));
            EXPECT_EQ(format->size(), QSizeF(representation.width, representation.height));
            EXPECT_EQ(format->abr(), 0u);
        }
    }
    // Worst first, as the downloader lists them: the audio, then the pictures from small to large.
    EXPECT_EQ(formats.first()->mode(), KLYoutubeFormatDescription::audioOnlyMode);
    for (qsizetype index = 2; index < formats.size(); ++index) {
        EXPECT_LT(formats.at(index - 1)->size().width(), formats.at(index)->size().width());
    }
}

TEST_F(TestYTDLTasks, APageWithoutVideoIsErrorOne) {
    KLTestWebServer server;
    server.addRoute(QStringLiteral("/empty.html"), "<html><body>nothing</body></html>", "text/html");
    server.answerWithStatus(QStringLiteral("/gone.mpd"), 404);
    ASSERT_TRUE(server.start());
    for (const QString &path : {QStringLiteral("empty.html"), QStringLiteral("gone.mpd")}) {
        const auto task = std::make_shared<KLGetYoutubeFormatsTask>(server.qurl(path));
        runToEnd(task);
        ASSERT_NE(task->error(), nullptr) << path.toStdString();
        EXPECT_EQ(task->error()->errorType(), KLError::downloadAnalysisType);
        EXPECT_TRUE(task->error()->errorDescription().startsWith(
            QStringLiteral("Could not process formats from source URL: ") + server.url(path)))
            << task->error()->errorDescription().toStdString();
    }
}

TEST_F(TestYTDLTasks, TheInstalledDownloaderListsProvidersAndExtractors) {
    const auto providers = std::make_shared<KLListYTDLProvidersTask>();
    const auto extractors = std::make_shared<KLListYTDLExtractorsTask>();
    providers->start();
    runToEnd(extractors);
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&providers] { return providers->finished(); },
                                             std::chrono::seconds(120)));

    ASSERT_EQ(providers->error(), nullptr);
    const QStringList providerLines = providers->resultAs<QString>().split(QLatin1Char('\n'));
    ASSERT_GT(providerLines.size(), 50);
    for (const QString &line : providerLines.mid(2)) {
        const QStringList parts = line.split(QLatin1Char('$'));
        ASSERT_EQ(parts.size(), 2) << line.toStdString();
        EXPECT_FALSE(parts.at(0).isEmpty());
        EXPECT_FALSE(parts.at(0).contains(QLatin1Char(' ')));
        EXPECT_FALSE(parts.at(1).trimmed().isEmpty());
    }

    ASSERT_EQ(extractors->error(), nullptr);
    const QStringList names = extractors->resultAs<QString>().split(QLatin1Char('\n'));
    EXPECT_GT(names.size(), 500);
    EXPECT_TRUE(names.contains(QStringLiteral("youtube")));
    EXPECT_TRUE(names.contains(QStringLiteral("generic")));
    for (const QString &name : names) {
        EXPECT_FALSE(name.isEmpty());
        EXPECT_FALSE(name.contains(QLatin1Char(' ')) || name.contains(QLatin1Char('\t')))
            << name.toStdString();
    }
}

TEST_F(TestYTDLTasks, UpdateRefreshesAMissingBrokenOrStaleCopyAndKeepsAWorkingOne) {
    const QString version = versionOf(shippedLauncher());
    ASSERT_FALSE(version.isEmpty());

    // Working and current: left as it is.
    const QDateTime installed = QFileInfo(m_workingCopy).lastModified();
    const QString upToDate = runUpdate();
    EXPECT_TRUE(upToDate.contains(QStringLiteral("Downloader is up to date"))) << upToDate.toStdString();
    EXPECT_EQ(QFileInfo(m_workingCopy).lastModified(), installed);
    EXPECT_EQ(versionOf(m_workingCopy), version);

    QFile::remove(m_workingCopy);
    EXPECT_TRUE(runUpdate().contains(QStringLiteral("Downloader updated to version ") + version));
    EXPECT_EQ(versionOf(m_workingCopy), version);

    KLTestEnvironment::writeFile(m_workingCopy, "garbage that is no program");
    runUpdate();
    EXPECT_EQ(versionOf(m_workingCopy), version);

    // Without the permission to run, a copy does not run either.
    QFile::setPermissions(m_workingCopy, QFile::ReadOwner | QFile::WriteOwner);
    runUpdate();
    EXPECT_EQ(versionOf(m_workingCopy), version);

    KLTestEnvironment::writeScript(KLKinolarkUtils::getApplicationDataDirectory(), QStringLiteral("ytdl"),
                                   QStringLiteral("#!/bin/bash\necho 2000.01.01\n"));
    runUpdate();
    EXPECT_EQ(versionOf(m_workingCopy), version);
    EXPECT_EQ(KLTestEnvironment::readFile(m_workingCopy), KLTestEnvironment::readFile(shippedLauncher()));

    // The refreshed copy is the one every other task runs.
    const auto extractors = std::make_shared<KLListYTDLExtractorsTask>();
    runToEnd(extractors);
    EXPECT_EQ(extractors->error(), nullptr);
}
