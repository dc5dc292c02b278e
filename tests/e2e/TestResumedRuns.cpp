// A run of kinolark that is interrupted keeps what its download fetched, and the same command again
// continues it with one range request instead of fetching the video afresh, unless told --no-continue; an
// interrupted conversion starts again from the kept download. The
// real program against the test web server, which serves the clip slowly enough to interrupt it halfway.
#include "KLFileInspection.h"
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKeptDownloads.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

class ResumedRunsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLKeptDownloads().clear();
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        ASSERT_TRUE(m_site.start());
    }
    void TearDown() override {
        KLKeptDownloads().clear();
        QFile::remove(KLDefaultPreferences::storeFilePath());
    }

    QStringList arguments() const {
        return {m_site.url(s("page.html")), s("-c"), s("download-only"), s("-o"), m_output.path()};
    }

    // Starts a run on the slowly served clip and interrupts it once about half of the clip is kept; the
    // size kept.
    qint64 interruptHalfway() {
        const qint64 size = m_site.sizeOf(s("clip.mp4"));
        m_site.server().throttle(s("/clip.mp4"), size / 8);
        QProcess process;
        KLKinolarkRunner::start(process, arguments(), {});
        EXPECT_TRUE(KLTestEnvironment::waitUntil(
            [size] { return KLTestEnvironment::keptPartialSize() >= size / 2; }, 60s));
        ::kill(static_cast<pid_t>(process.processId()), SIGINT);
        EXPECT_TRUE(process.waitForFinished(20000));
        EXPECT_EQ(process.exitCode(), 128 + SIGINT);
        m_site.server().throttle(s("/clip.mp4"), 0);
        return KLTestEnvironment::keptPartialSize();
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
};

} // namespace

TEST_F(ResumedRunsTest, TheSameCommandContinuesWhatAnInterruptedRunKeptOrStartsAfreshWhenTold) {
    for (const bool continuing : {true, false}) {
        const qint64 kept = interruptHalfway();
        ASSERT_GT(kept, 0) << continuing;
        EXPECT_TRUE(KLKinolarkRunner::filesIn(m_output.path()).isEmpty());
        m_site.server().clearRequests();

        QStringList again = arguments();
        if (!continuing) {
            again << s("--no-continue");
        }
        const KLKinolarkRunner::Outcome outcome = KLKinolarkRunner::run(again);
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        const QStringList files = KLKinolarkRunner::filesIn(m_output.path());
        ASSERT_EQ(files.size(), 1);
        const QString result = QDir(m_output.path()).filePath(files.first());
        EXPECT_EQ(KLFileInspection::readBytes(result), m_site.contentsOf(s("clip.mp4"))) << continuing;
        const QList<QByteArray> ranges = m_site.server().rangesFor(s("/clip.mp4"));
        const QByteArray resumed = "bytes=" + QByteArray::number(kept) + "-";
        EXPECT_EQ(ranges.count(resumed), continuing ? 1 : 0) << ranges.join(' ').toStdString();
        // What was kept went with the finished run.
        EXPECT_TRUE(QDir(KLKeptDownloads().root()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
        QFile::remove(result);
    }
}

// Interrupted while it converts, a run has the whole video kept: the same command converts that again, and
// asks the site for nothing but the page.
TEST_F(ResumedRunsTest, AnInterruptedConversionStartsAgainFromTheKeptDownloadWithoutFetchingIt) {
    // ffmpeg as the program finds it, held back once it converts what was kept so that the run can be
    // interrupted there; every other use, and the run after, go straight to the real one.
    QTemporaryDir tools;
    const QString converting = tools.filePath(s("converting"));
    const QString realConverter = QStandardPaths::findExecutable(s("ffmpeg"));
    ASSERT_FALSE(realConverter.isEmpty());
    KLTestEnvironment::writeFile(tools.filePath(s("ffmpeg")),
                                 "#!/bin/sh\ncase \"$*\" in *'Kept downloads'*) : > '" + converting.toUtf8() +
                                     "'; sleep 60;; esac\nexec '" + realConverter.toUtf8() + "' \"$@\"\n");
    ASSERT_TRUE(QFile::setPermissions(tools.filePath(s("ffmpeg")), QFile::ReadOwner | QFile::ExeOwner));
    KLKinolarkRunner::Options held;
    held.environment.insert(s("PATH"), tools.path() + s(":") + held.environment.value(s("PATH")));
    const QStringList command = {m_site.url(s("page.html")), s("-o"), m_output.path()};
    QProcess process;
    KLKinolarkRunner::start(process, command, held);
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&converting] { return QFile::exists(converting); }, 120s));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_TRUE(KLKinolarkRunner::filesIn(m_output.path()).isEmpty());
    m_site.server().clearRequests();

    const KLKinolarkRunner::Outcome outcome = KLKinolarkRunner::run(command);
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(m_output.path()).size(), 1);
    EXPECT_TRUE(m_site.server().requestsFor(s("/clip.mp4")).isEmpty());
    EXPECT_TRUE(QDir(KLKeptDownloads().root()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
}
