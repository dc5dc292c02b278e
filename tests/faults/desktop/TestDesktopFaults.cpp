// The window's program when it dies without warning or finds its remembered queue damaged: killed in the
// middle of a download it comes back with the queue and finishes it, and whatever stands in queue.txt's place
// (garbage, binary, a huge file, a link to a file of the user's) never keeps it from working or gets written
// through. On an X server and a session bus of the test's own, with the real tools against the test server.
#include "KLDesktopProgram.h"
#include "KLFileInspection.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLQueuePersistence.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QStringList tools = {s("yt-dlp"), s("ffmpeg"), s("ffprobe")};

QString queueFile() {
    return QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(KLQueuePersistence::fileName);
}

class DesktopFaultsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_program = new KLDesktopProgram();
        s_ready = s_program->prepare();
    }
    static void TearDownTestSuite() { delete s_program; }

    void SetUp() override {
        ASSERT_TRUE(s_ready) << "no X server or session bus for the window's program";
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        ASSERT_TRUE(m_site.start());
        QFile::remove(KLDefaultPreferences::storeFilePath());
        KLFileInspection::removeEntry(queueFile());
        KLTestEnvironment::storeSettings({{s("automaticallyStartDownloading"), s("yes")},
                                          {s("downloadLocation"), m_output.path()},
                                          {s("rememberQueue"), s("unfinished")}});
    }
    void TearDown() override { s_program->quit(); }

    QStringList outputs() const { return QDir(m_output.path()).entryList(QDir::Files, QDir::Name); }
    bool waitForOutputs(int count) const {
        return KLTestEnvironment::waitUntil([this, count] { return outputs().size() >= count; }, 180s);
    }

    static inline KLDesktopProgram *s_program = nullptr;
    static inline bool s_ready = false;
    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
};

} // namespace

TEST_F(DesktopFaultsTest, KilledMidDownloadItComesBackWithTheQueueAndFinishesIt) {
    m_site.server().stallAfter(s("/clip.mp4"), 16 * 1024);
    ASSERT_TRUE(s_program->start({m_site.url(s("page.html"))}));
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [this] {
            return KLTestEnvironment::startedProcessesRunning({s("--progress-template")}) > 0 &&
                   m_site.server().stalledConnections() > 0 &&
                   KLTestEnvironment::readFile(queueFile()).contains(s("page.html"));
        },
        120s));
    ::kill(static_cast<pid_t>(s_program->process().processId()), SIGKILL);
    ASSERT_TRUE(s_program->process().waitForFinished(10000));
    m_site.server().releaseStalls();
    m_site.server().clearBehaviour(s("/clip.mp4"));
    // Its tools lose their reader and end with it; its scratch folder waits for the next start.
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [] { return KLTestEnvironment::startedProcessesRunning(tools) == 0; }, 30s));
    EXPECT_EQ(KLTestEnvironment::scratchFolders().size(), 1);
    EXPECT_TRUE(outputs().isEmpty());

    ASSERT_TRUE(s_program->start());
    ASSERT_TRUE(waitForOutputs(1));
    EXPECT_EQ(outputs().filter(s("Movie Night")).size(), 1) << outputs().join(s(", ")).toStdString();
    s_program->quit();
    EXPECT_TRUE(KLTestEnvironment::scratchFolders().isEmpty())
        << KLTestEnvironment::scratchFolders().join(s(", ")).toStdString();
}

TEST_F(DesktopFaultsTest, ADamagedOrLinkedQueueNeitherStopsTheProgramNorGetsWrittenThrough) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath(s("mine.txt"));
    QByteArray huge;
    for (int line = 0; huge.size() < 10 << 20; ++line) {
        huge += "not an address " + QByteArray::number(line) + " \x01\x7f\n";
    }
    const struct {
        const char *name;
        QByteArray contents;
        bool linked;
    } cases[] = {
        {"garbage", "\n\n:::\nhttp://\nhttps://[::1\njavascript:alert(1)\n\xff\xfe\n", false},
        {"binary", KLFileInspection::binaryJunk(64 * 1024, 3), false},
        {"10 MB", huge, false},
        {"a link to a file of the user's", "my own notes\n", true},
    };
    for (const auto &c : cases) {
        KLFileInspection::removeEntry(queueFile());
        QDir(m_output.path()).removeRecursively();
        QDir().mkpath(m_output.path());
        KLFileInspection::writeBytes(c.linked ? target : queueFile(), c.contents);
        if (c.linked) {
            ASSERT_TRUE(QFile::link(target, queueFile()));
        }
        ASSERT_TRUE(s_program->start({m_site.url(s("page.html"))})) << c.name;
        // Done, and forgotten by the queue.
        EXPECT_TRUE(KLTestEnvironment::waitUntil(
            [this] {
                return !outputs().isEmpty() &&
                       !KLTestEnvironment::readFile(queueFile()).contains(s("page.html"));
            },
            180s))
            << c.name;
        s_program->quit();
        EXPECT_EQ(s_program->process().exitCode(), 0) << c.name;
        if (c.linked) {
            EXPECT_TRUE(KLFileInspection::readBytes(target) == c.contents) << c.name;
        }
    }
}
