// The download task with the real downloader against the test web server.
#include "KLRecordingTaskListener.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"

#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLScriptInstance.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {

using namespace std::chrono_literals;

const QString clip = QStringLiteral("clip.mp4");

class YTDLDownload : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(m_site.addMedia(clip, KLMediaFixtures::Clip720p));
        ASSERT_TRUE(m_site.start());
        m_target = m_folder.filePath(QStringLiteral("download"));
    }

    std::shared_ptr<KLYTDLDownloadTask> downloadOf(const QString &path) {
        auto task = std::make_shared<KLYTDLDownloadTask>(QUrl(m_site.url(path)), m_target, false, QUrl());
        m_listener.follow(task.get());
        return task;
    }

    bool ended() const {
        return m_listener.count(QStringLiteral("completed")) +
                   m_listener.count(QStringLiteral("terminated")) >
               0;
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_folder;
    QString m_target;
    KLRecordingTaskListener m_listener;
};

TEST_F(YTDLDownload, ThrottledDownloadReportsProgressAndLeavesTheFileAtTheTarget) {
    const qint64 size = m_site.sizeOf(clip);
    m_site.server().throttle(clip, size / 2); // about two seconds
    auto task = downloadOf(clip);
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([this] { return ended(); }, 60s));

    ASSERT_EQ(task->error(), nullptr);
    EXPECT_EQ(task->resultAs<QString>(), m_target);
    QFile downloaded(m_target);
    ASSERT_TRUE(downloaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(downloaded.readAll(), m_site.contentsOf(clip));
    EXPECT_FALSE(QFileInfo::exists(m_target + QStringLiteral(".part")));

    // The information file is beside the download.
    QFile information(m_target + QStringLiteral(".info.json"));
    ASSERT_TRUE(information.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QJsonDocument::fromJson(information.readAll()).object().contains(QStringLiteral("title")));

    // The size as the downloader wrote it, in its own units, rounded to two decimals.
    ASSERT_TRUE(task->downloadSize().has_value());
    EXPECT_TRUE(task->downloadSize()->endsWith(QStringLiteral("iB"))) << task->downloadSize()->toStdString();
    EXPECT_NEAR(double(KLKinolarkUtils::parseSize(*task->downloadSize())), double(size), size * 0.01);

    // Progress rose through several steps between 0 and 1 and never went back.
    QList<double> steps;
    for (double factor : m_listener.completionFactors()) {
        if (factor > 0.0 && factor < 1.0) {
            steps.append(factor);
        }
    }
    EXPECT_GE(steps.size(), 3);
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_EQ(m_listener.completionFactors().last(), 1.0);
    bool sawTimeToGo = false;
    for (const QString &call : m_listener.calls()) {
        sawTimeToGo =
            sawTimeToGo || (call.startsWith(QStringLiteral("eta '0")) && call.contains(QLatin1Char(':')));
    }
    EXPECT_TRUE(sawTimeToGo) << m_listener.calls().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(m_listener.count(QStringLiteral("completed")), 1);
}

TEST_F(YTDLDownload, ADroppedOrSilentServerFailsTheDownloadWithItsCause) {
    // The real downloader, made to wait 1 s rather than its 20 s for a silent socket: it is the one on the
    // search path that the launcher runs.
    QTemporaryDir farm;
    const QString downloader = QStandardPaths::findExecutable(QStringLiteral("yt-dlp"));
    ASSERT_FALSE(downloader.isEmpty());
    const QString wrapper = farm.filePath(QStringLiteral("yt-dlp"));
    KLTestEnvironment::writeFile(wrapper,
                                 "#!/bin/sh\nexec '" + downloader.toUtf8() + "' --socket-timeout 1 \"$@\"\n");
    ASSERT_TRUE(QFile::setPermissions(wrapper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray searchPath = qgetenv("PATH");
    qputenv("PATH", farm.path().toUtf8() + ':' + searchPath);
    const auto restore = qScopeGuard([&searchPath] { qputenv("PATH", searchPath); });
    const struct {
        const char *name;
        KLTestWebServer::Behaviour fault;
        const char *cause; // null: whatever the downloader said
    } cases[] = {
        // Every answer breaks off after a few kilobytes: the downloader's retries cannot get the whole file.
        {"dropped", {.dropAfter = 2048}, nullptr},
        // The downloader then misses the unfinished file it never made: the silence is the cause.
        {"silent from the first byte", {.stallAfter = 0}, "the server sent no data"},
    };
    for (const auto &c : cases) {
        QFile::remove(m_target + QStringLiteral(".part")); // each case starts afresh rather than resuming
        m_site.server().setBehaviour(clip, c.fault);
        auto task = downloadOf(clip);
        task->start();
        ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->hasEnded(); }, 90s)) << c.name;
        m_site.server().clearBehaviour(clip);
        m_site.server().releaseStalls();

        ASSERT_NE(task->error(), nullptr) << c.name;
        EXPECT_EQ(task->error()->errorType(), KLError::downloadType) << c.name;
        // What went wrong follows the text.
        const QString description = task->error()->errorDescription();
        const QString text = QStringLiteral("Download failed for URL: %1 (").arg(m_site.url(clip));
        EXPECT_TRUE(description.startsWith(text)) << c.name << ": " << description.toStdString();
        if (c.cause != nullptr) {
            EXPECT_EQ(description.toStdString(), text.toStdString() + c.cause + ')');
        }
        EXPECT_EQ(task->resultAs<QString>(), m_target + QStringLiteral(".part")) << c.name;
        EXPECT_FALSE(QFileInfo::exists(m_target)) << c.name;
    }
}

TEST_F(YTDLDownload, TerminatingMidwayStopsTheDownloaderWithoutACompletion) {
    m_site.server().throttle(clip, 20 * 1024);
    auto task = downloadOf(clip);
    task->start();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&task] { return task->completionFactor() > 0.0; }, 60s));
    const std::shared_ptr<KLScriptInstance> script = task->scriptInstance();
    ASSERT_NE(script, nullptr);
    const pid_t group = script->processIdentifier();

    task->terminate();
    task->wait();
    ASSERT_NE(task->error(), nullptr);
    EXPECT_EQ(task->error()->errorType(), KLError::terminatedType);
    EXPECT_TRUE(
        KLTestEnvironment::waitUntil([group] { return !KLTestEnvironment::processGroupAlive(group); }, 10s));
    // The work routine has seen the output end by now and must have stayed silent.
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_listener.count(QStringLiteral("completed")), 0);
    EXPECT_EQ(m_listener.count(QStringLiteral("terminated")), 1);
    EXPECT_FALSE(QFileInfo::exists(m_target));
}

} // namespace
