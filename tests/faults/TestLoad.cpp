// The command line under load: a page of hundreds of videos with limits of two downloads and one
// conversion, watched from outside through /proc while it runs; and several runs writing the same title
// into one folder at once. The real program and tools against the test web server.
#include "Flow/TaskManager/KLTaskManager.h"
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

namespace {

QString s(const char *text) {
    return QString::fromUtf8(text);
}

// How many entries the load test runs: 200 unless KINOLARK_LOAD_ENTRIES says otherwise.
int loadEntries() {
    bool given = false;
    const int entries = qEnvironmentVariableIntValue("KINOLARK_LOAD_ENTRIES", &given);
    return given && entries > 0 ? entries : 200;
}

// The most entries whose state began with each text at the same moment, from the run's --json events.
QMap<QString, int> mostEntriesAtOnce(const QByteArray &events, const QStringList &states) {
    QMap<int, QString> current;
    QMap<QString, int> most;
    for (const QByteArray &line : events.split('\n')) {
        const QJsonObject event = QJsonDocument::fromJson(line).object();
        if (event.isEmpty()) {
            continue;
        }
        current.insert(event.value(s("id")).toInt(), event.value(s("state")).toString());
        for (const QString &state : states) {
            const auto count = std::count_if(current.cbegin(), current.cend(),
                                             [&state](const QString &now) { return now.startsWith(state); });
            most[state] = std::max(most.value(state), static_cast<int>(count));
        }
    }
    return most;
}

int entriesIn(const QString &folder) {
    return static_cast<int>(
        QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size());
}

// Watches a run from another thread every 50 ms: the most scripts of each kind that ran at once (one
// script is one process group, whatever it started), and the program's threads and open descriptors.
class RunWatcher final {
public:
    struct Resources {
        int threads = 0;
        int descriptors = 0;
    };

    explicit RunWatcher(pid_t program) : m_program(program) {
        m_thread = std::thread([this] {
            while (!m_stop.load()) {
                sample();
                std::this_thread::sleep_for(50ms);
            }
        });
    }
    ~RunWatcher() { stop(); }
    RunWatcher(const RunWatcher &) = delete;
    RunWatcher &operator=(const RunWatcher &) = delete;

    void stop() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    int mostDownloads() const { return m_mostDownloads; }
    int mostConversions() const { return m_mostConversions; }
    // The program's resources when its first download ran, and when it was last seen.
    Resources atStart() const { return m_atStart; }
    Resources atEnd() const { return m_atEnd; }

private:
    static int groupsRunning(const QString &script) {
        QSet<pid_t> groups;
        for (const auto &process : KLTestEnvironment::startedProcesses({script})) {
            groups.insert(process.group);
        }
        return static_cast<int>(groups.size());
    }
    Resources resources() const {
        const QString folder = s("/proc/%1/").arg(m_program);
        return {entriesIn(folder + s("task")), entriesIn(folder + s("fd"))};
    }
    void sample() {
        const int downloads = groupsRunning(s("/ytdl_download.sh"));
        const int conversions = groupsRunning(s("/ffmpeg_convert.sh"));
        const Resources now = resources();
        if (now.threads == 0) {
            return; // the program has ended
        }
        m_mostDownloads = std::max(m_mostDownloads, downloads);
        m_mostConversions = std::max(m_mostConversions, conversions);
        if (downloads > 0 && m_atStart.threads == 0) {
            m_atStart = now;
        }
        if (m_atStart.threads != 0) {
            m_atEnd = now;
        }
    }

    const pid_t m_program;
    std::atomic<bool> m_stop{false};
    int m_mostDownloads = 0;
    int m_mostConversions = 0;
    Resources m_atStart;
    Resources m_atEnd;
    std::thread m_thread;
};

class LoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        ASSERT_TRUE(m_site.start());
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
};

} // namespace

TEST_F(LoadTest, HundredsOfEntriesKeepTheLimitsAllCompleteAndLeakNothing) {
    const int entries = loadEntries();
    QStringList videos;
    for (int index = 1; index <= entries; ++index) {
        videos << s("v%1.mp4").arg(index);
        ASSERT_TRUE(m_site.addMedia(videos.last(), KLMediaFixtures::ClipTiny));
    }
    m_site.addPage(s("many.html"), s("Many"), videos);

    QProcess run;
    KLKinolarkRunner::start(run,
                            {m_site.url(s("many.html")), s("--downloads"), s("2"), s("--processing"), s("1"),
                             s("--json"), s("-o"), m_output.path()},
                            KLKinolarkRunner::Options());
    ASSERT_TRUE(run.waitForStarted());
    RunWatcher watcher(static_cast<pid_t>(run.processId()));
    ASSERT_TRUE(run.waitForFinished(600000));
    watcher.stop();
    const QString err = QString::fromUtf8(run.readAllStandardError());

    EXPECT_EQ(run.exitCode(), 0) << err.toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(m_output.path()).size(), entries);
    // The entries keep the limits; below them, each download may be preceded by a short one that measures
    // the video, and those run under a limit of their own. A video that measuring fetched whole is not
    // downloaded again, so with these small clips the entries may never be seen downloading at all.
    const QMap<QString, int> most =
        mostEntriesAtOnce(run.readAllStandardOutput(), {s("Downloading"), s("Converting")});
    EXPECT_LE(most.value(s("Downloading")), 2);
    EXPECT_EQ(most.value(s("Converting")), 1);
    EXPECT_LE(watcher.mostDownloads(), 2 + static_cast<int>(KLTaskManager::shortTaskLimit));
    EXPECT_EQ(watcher.mostConversions(), 1);
    // Whatever ran for an entry was given back: the program ends with about what it had when the work
    // began. The margin covers a pool that may still grow and the pipes of the scripts that happen to run
    // at either moment; what one entry kept would show hundreds of times.
    EXPECT_LE(watcher.atEnd().threads, watcher.atStart().threads + 8)
        << watcher.atStart().threads << " threads at the start, " << watcher.atEnd().threads << " at the end";
    EXPECT_LE(watcher.atEnd().descriptors, watcher.atStart().descriptors + 16)
        << watcher.atStart().descriptors << " descriptors at the start, " << watcher.atEnd().descriptors
        << " at the end";
    EXPECT_GT(watcher.atEnd().threads, 0);
    RecordProperty(
        "threads",
        QStringLiteral("%1 -> %2").arg(watcher.atStart().threads).arg(watcher.atEnd().threads).toStdString());
    RecordProperty("descriptors", QStringLiteral("%1 -> %2")
                                      .arg(watcher.atStart().descriptors)
                                      .arg(watcher.atEnd().descriptors)
                                      .toStdString());
    RecordProperty("scripts", QStringLiteral("%1 downloads, %2 conversions at once")
                                  .arg(watcher.mostDownloads())
                                  .arg(watcher.mostConversions())
                                  .toStdString());
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [] {
            return KLTestEnvironment::startedProcessesRunning({s("yt-dlp"), s("ffmpeg"), s("ffprobe")}) == 0;
        },
        10s));
    EXPECT_EQ(KLTestEnvironment::zombieChildren(), 0);
}

TEST_F(LoadTest, RunsWritingTheSameTitleIntoOneFolderAtOnceGetDistinctCompleteFiles) {
    ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
    m_site.addPage(s("page.html"), s("Same Title"), {s("clip.mp4")});
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int index = 0; index < 3; ++index) {
        runs.push_back(std::make_unique<QProcess>());
        KLKinolarkRunner::start(
            *runs.back(), {m_site.url(s("page.html")), s("-c"), s("download-only"), s("-o"), m_output.path()},
            KLKinolarkRunner::Options());
    }
    for (const auto &run : runs) {
        ASSERT_TRUE(run->waitForFinished(180000));
        EXPECT_EQ(run->exitCode(), 0) << run->readAllStandardError().toStdString();
    }
    const QStringList files = KLKinolarkRunner::filesIn(m_output.path());
    ASSERT_EQ(files.size(), 3) << files.join(s(", ")).toStdString();
    for (const QString &name : files) {
        QFile file(KLKinolarkUtils::pathInFolder(m_output.path(), name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(file.readAll() == m_site.contentsOf(s("clip.mp4"))) << name.toStdString();
    }
}
