// What a run of the command line does when the world fails under it: the destination or the data folder
// filling up, the destination taken away or replaced while the run goes on, a tool killed in the middle of
// its work, a server that drops or stalls, the program itself killed, and stored files that were damaged or
// replaced by links. The real program and tools against the test web server; each run must say what went
// wrong, leave nothing half written and no process or scratch folder of its own behind.
#include "KLFileInspection.h"
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

using Outcome = KLKinolarkRunner::Outcome;
using Options = KLKinolarkRunner::Options;

QString s(const char *text) {
    return QString::fromUtf8(text);
}

const QStringList tools = {s("yt-dlp"), s("ffmpeg"), s("ffprobe")};

// Kills, with SIGKILL, the running processes this test started whose command line holds every piece; the
// number killed.
int killStarted(const QStringList &pieces) {
    int killed = 0;
    for (const auto &process : KLTestEnvironment::startedProcesses({pieces.first()})) {
        if (std::all_of(pieces.begin(), pieces.end(),
                        [&process](const QString &piece) { return process.commandLine.contains(piece); })) {
            killed += ::kill(process.pid, SIGKILL) == 0 ? 1 : 0;
        }
    }
    return killed;
}

class FaultInjectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        ASSERT_TRUE(m_site.addMedia(s("wide.mp4"), KLMediaFixtures::Clip720p));
        ASSERT_TRUE(m_site.addMedia(s("late.mp4"), KLMediaFixtures::Clip720pNotFaststart));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        m_site.addPage(s("wide.html"), s("Wide Screen"), {s("wide.mp4")});
        m_site.addPage(s("late.html"), s("Late Show"), {s("late.mp4")});
        ASSERT_TRUE(m_site.start());
    }
    void TearDown() override { QFile::remove(KLDefaultPreferences::storeFilePath()); }

    QString page(const char *name = "page.html") const { return m_site.url(s(name)); }
    QString output() const { return m_output.path(); }
    QString scratchPath(const char *name) const { return m_scratch.filePath(s(name)); }

    // Waits until the run has begun the download of the clip: the server holds the answer in a stall.
    void waitForStalledDownload() {
        EXPECT_TRUE(KLTestEnvironment::waitUntil(
            [this] {
                return m_site.server().stalledConnections() > 0 &&
                       KLTestEnvironment::startedProcessesRunning({s("ytdl_download.sh")}) > 0;
            },
            120s));
    }

    // What every failed run must leave: a reason on standard error, nothing in the destination, no tool
    // still running and no scratch folder.
    void expectCleanFailure(const char *name, const Outcome &outcome, int exitCode, const char *reason,
                            const QString &destination) {
        EXPECT_EQ(outcome.exitCode, exitCode) << name << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(s(reason))) << name << ": " << outcome.err.toStdString();
        EXPECT_TRUE(KLKinolarkRunner::filesIn(destination).isEmpty())
            << name << ": " << KLKinolarkRunner::filesIn(destination).join(s(", ")).toStdString();
        expectNothingLeftRunning(name);
    }
    static void expectNothingLeftRunning(const char *name) {
        EXPECT_TRUE(KLTestEnvironment::waitUntil(
            [] { return KLTestEnvironment::startedProcessesRunning(tools) == 0; }, 20s))
            << name;
        EXPECT_TRUE(KLTestEnvironment::scratchFolders().isEmpty())
            << name << ": " << KLTestEnvironment::scratchFolders().join(s(", ")).toStdString();
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
    QTemporaryDir m_scratch;
};

} // namespace

TEST_F(FaultInjectionTest, AFullFileSystemFailsTheEntryAndLeavesNothingHalfWritten) {
    if (!KLKinolarkRunner::privateMountsAvailable()) {
        GTEST_SKIP() << "no mount namespace here";
    }
    // A small tmpfs of the run's own stands in for the full disk; what the run left on it is listed into
    // a file before the namespace (and the file system) goes away.
    const QString listing = scratchPath("left-behind.txt");
    const QString data = scratchPath("data");
    QDir().mkpath(data);
    const struct {
        const char *name;
        QString filled;    // the folder that gets the small file system
        QString inspected; // the folder whose contents must be empty afterwards
        const char *size;  // of the small file system
        QStringList arguments;
    } cases[] = {
        {"destination", output(), output(), "48k", {page(), s("-c"), s("download-only")}},
        {"data folder while downloading",
         data,
         data + s("/KinolarkPro/Downloads"),
         "160k",
         {page("late.html"), s("-c"), s("download-only")}},
    };
    for (const auto &c : cases) {
        QFile::remove(listing);
        Options options;
        options.environment.insert(s("XDG_DATA_HOME"), data);
        options.environment.insert(s("KL_FILLED"), c.filled);
        options.environment.insert(s("KL_INSPECTED"), c.inspected);
        options.environment.insert(s("KL_LISTING"), listing);
        options.privateMounts = s("mount -t tmpfs -o size=%1 tmpfs \"$KL_FILLED\"").arg(s(c.size));
        options.afterwards = s("ls -A \"$KL_INSPECTED\" > \"$KL_LISTING\"");
        const Outcome outcome = KLKinolarkRunner::run(c.arguments + QStringList{s("-o"), output()}, options);
        EXPECT_EQ(outcome.exitCode, 1) << c.name << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(s("No space left on device")))
            << c.name << ": " << outcome.err.toStdString();
        ASSERT_TRUE(QFileInfo::exists(listing)) << c.name;
        EXPECT_EQ(KLTestEnvironment::readFile(listing), QString()) << c.name;
        // With the data folder on the disk, its scratch folder went too.
        EXPECT_TRUE(QDir(data + s("/KinolarkPro/Downloads"))
                        .entryList({s("process-*"), s(".new-*")}, QDir::Dirs | QDir::Hidden)
                        .isEmpty())
            << c.name;
        expectNothingLeftRunning(c.name);
    }
}

TEST_F(FaultInjectionTest, ADestinationIsMadeWhenMissingFollowedWhenLinkedAndElseRefusedUpFront) {
    const QString file = scratchPath("a-file");
    KLTestEnvironment::writeFile(file, "the user's own\n");
    const QString dangling = scratchPath("dangling");
    ASSERT_TRUE(QFile::link(scratchPath("gone"), dangling));
    const QString linked = scratchPath("linked");
    ASSERT_TRUE(QFile::link(output(), linked));
    const struct {
        const char *name;
        QString destination;
        int exitCode;
        QString filled; // the folder that holds the one finished file; empty when the run is refused
    } cases[] = {
        {"missing", scratchPath("new/folder"), 0, scratchPath("new/folder")},
        {"a link to a folder", linked, 0, output()},
        // Refused as a usage error, before anything is fetched.
        {"a file", file, 2, QString()},
        {"a link to nothing", dangling, 2, QString()},
    };
    for (const auto &c : cases) {
        const Outcome outcome =
            KLKinolarkRunner::run({page(), s("-c"), s("download-only"), s("-o"), c.destination});
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.name << ": " << outcome.err.toStdString();
        if (c.filled.isEmpty()) {
            EXPECT_TRUE(outcome.err.contains(s("cannot use %1 as the output folder").arg(c.destination)))
                << c.name << ": " << outcome.err.toStdString();
        } else {
            EXPECT_EQ(KLKinolarkRunner::filesIn(c.filled).size(), 1) << c.name;
            QDir(c.filled).removeRecursively();
        }
    }
    EXPECT_TRUE(KLFileInspection::isSymbolicLink(linked));
    EXPECT_EQ(KLTestEnvironment::readFile(file), s("the user's own\n"));
    EXPECT_FALSE(QFileInfo::exists(scratchPath("gone")));
    expectNothingLeftRunning("destinations");
}

TEST_F(FaultInjectionTest, ADestinationLostWhileDownloadingIsMadeAgainOrTheFileIsKeptBesideWhatTookItsPlace) {
    const QString notPlaced =
        KLKinolarkUtils::pathInFolder(KLKinolarkUtils::getApplicationDataDirectory(), s("Not placed"));
    const struct {
        const char *name;
        std::function<void(const QString &)> replace; // puts something else at the destination's path
        const char *reason;                           // null when the run succeeds
        const char *left; // what the destination's path holds afterwards, when no folder
    } cases[] = {
        {"removed", [](const QString &) {}, nullptr, nullptr},
        {"replaced by a file",
         [](const QString &path) { KLTestEnvironment::writeFile(path, "the user's own\n"); },
         "Not a directory", "the user's own\n"},
        {"made read-only", nullptr, "Read-only file system", nullptr},
    };
    for (const auto &c : cases) {
        QDir().mkpath(output());
        m_site.server().stallAfter(s("/clip.mp4"), 16 * 1024);
        Options options;
        if (c.replace == nullptr) {
            if (!KLKinolarkRunner::privateMountsAvailable()) {
                continue; // root ignores permissions: only a read-only mount makes a folder unwritable
            }
            // The run makes its destination read-only itself, in its own mount namespace, once the
            // download is under way.
            options.environment.insert(s("KL_OUT"), output());
            options.privateMounts = s("mount --bind \"$KL_OUT\" \"$KL_OUT\"");
        }
        options.whileRunning = [&](QProcess &process) {
            waitForStalledDownload();
            if (c.replace == nullptr) {
                QProcess remount;
                remount.start(s("nsenter"), {s("-t"), QString::number(process.processId()), s("-m"),
                                             s("mount"), s("-o"), s("remount,bind,ro"), output()});
                EXPECT_TRUE(remount.waitForFinished(10000) && remount.exitCode() == 0);
            } else {
                QDir(output()).removeRecursively();
                c.replace(output());
            }
            m_site.server().releaseStalls();
        };
        const Outcome outcome =
            KLKinolarkRunner::run({page(), s("-c"), s("download-only"), s("-o"), output()}, options);
        m_site.server().clearBehaviour(s("/clip.mp4"));
        expectNothingLeftRunning(c.name);
        if (c.reason == nullptr) {
            EXPECT_EQ(outcome.exitCode, 0) << c.name << ": " << outcome.err.toStdString();
            EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 1) << c.name;
            QDir(output()).removeRecursively();
            continue;
        }
        // The download is kept where the user can find it, and the error says why and where.
        const QStringList keptFiles = KLKinolarkRunner::filesIn(notPlaced);
        ASSERT_EQ(keptFiles.size(), 1) << c.name;
        const QString kept = KLKinolarkUtils::pathInFolder(notPlaced, keptFiles.first());
        EXPECT_EQ(outcome.exitCode, 1) << c.name << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(s("(%1; the file is kept in %2)").arg(s(c.reason), kept)))
            << c.name << ": " << outcome.err.toStdString();
        EXPECT_EQ(QFileInfo(kept).size(), m_site.sizeOf(s("clip.mp4"))) << c.name;
        QDir(notPlaced).removeRecursively();
        if (c.left != nullptr) {
            EXPECT_EQ(KLTestEnvironment::readFile(output()), s(c.left)) << c.name;
            QFile::remove(output());
        } else {
            EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty()) << c.name;
        }
    }
}

TEST_F(FaultInjectionTest, AToolMissingFromTheSearchPathIsNamedOnceForTheWholeRun) {
    const QString local = KLMediaFixtures::path(KLMediaFixtures::Clip360p);
    for (const char *tool : {"ffmpeg", "ffprobe", "yt-dlp"}) {
        QTemporaryDir farm;
        Options options;
        options.environment.insert(s("PATH"), KLKinolarkRunner::searchPathWithout({s(tool)}, farm.path()));
        const Outcome outcome =
            KLKinolarkRunner::run({page(), page("wide.html"), local, s("-o"), output()}, options);
        EXPECT_EQ(outcome.exitCode, 1) << tool;
        EXPECT_EQ(outcome.err.count(s("not installed")), 1) << tool << ": " << outcome.err.toStdString();
        EXPECT_TRUE(outcome.err.contains(s(tool))) << tool << ": " << outcome.err.toStdString();
        EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty()) << tool;
    }
    expectNothingLeftRunning("missing tools");
}

TEST_F(FaultInjectionTest, AToolKilledMidRunFailsItsEntryAndNothingIsLeft) {
    // The tool is killed whenever it runs once its entry shows the stage, until the run ends: a download
    // taken from the listing's information is tried once more from the page itself.
    const struct {
        const char *name;
        QStringList arguments;
        const char *stage;
        QStringList victim; // pieces of the command line of the process to kill
        const char *reason;
    } cases[] = {
        {"yt-dlp downloading",
         {page(), s("-c"), s("download-only")},
         "\"Downloading",
         {s("yt-dlp"), s("--progress-template")},
         "yt-dlp was stopped by signal 9"},
        {"ffmpeg converting",
         {page("wide.html"), s("-p"), s("iPhone X")},
         "\"Converting",
         {s("ffmpeg"), s("-hide_banner -y -i file:")},
         "Conversion failed... (ffmpeg was stopped by signal 9)"},
    };
    m_site.server().throttle(s("/clip.mp4"), 16 * 1024);
    for (const auto &c : cases) {
        Options options;
        options.whileRunning = [&c](QProcess &process) {
            QByteArray seen;
            int killed = 0;
            KLTestEnvironment::waitUntil(
                [&] {
                    seen += process.readAllStandardOutput();
                    killed += seen.contains(c.stage) ? killStarted(c.victim) : 0;
                    return process.state() == QProcess::NotRunning;
                },
                120s);
            EXPECT_GT(killed, 0) << c.name << ": " << seen.toStdString();
        };
        const Outcome outcome =
            KLKinolarkRunner::run(c.arguments + QStringList{s("-o"), output(), s("--json")}, options);
        expectCleanFailure(c.name, outcome, 1, c.reason, output());
    }
}

TEST_F(FaultInjectionTest, AServerThatDropsOrStallsMidBodyIsResumedToACompleteFile) {
    const struct {
        const char *name;
        std::function<void(KLTestWebServer &)> fault;
    } cases[] = {
        {"dropped", [](KLTestWebServer &server) { server.dropAfter(s("/clip.mp4"), 40 * 1024); }},
        // The downloader gives up on a silent connection after its socket timeout and asks for the rest.
        {"stalled", [](KLTestWebServer &server) { server.stallAfter(s("/clip.mp4"), 60 * 1024); }},
    };
    for (const auto &c : cases) {
        c.fault(m_site.server());
        const Outcome outcome =
            KLKinolarkRunner::run({page(), s("-c"), s("download-only"), s("-o"), output()});
        m_site.server().clearBehaviour(s("/clip.mp4"));
        m_site.server().releaseStalls();
        ASSERT_EQ(outcome.exitCode, 0) << c.name << ": " << outcome.err.toStdString();
        const QStringList files = KLKinolarkRunner::filesIn(output());
        ASSERT_EQ(files.size(), 1) << c.name;
        const QString file = KLKinolarkUtils::pathInFolder(output(), files.first());
        QFile placed(file);
        ASSERT_TRUE(placed.open(QIODevice::ReadOnly));
        EXPECT_TRUE(placed.readAll() == m_site.contentsOf(s("clip.mp4"))) << c.name;
        QFile::remove(file);
        expectNothingLeftRunning(c.name);
    }
}

TEST_F(FaultInjectionTest, AKilledRunIsCleanedUpByTheNextWhichSucceeds) {
    m_site.server().throttle(s("/clip.mp4"), 16 * 1024);
    QProcess first;
    KLKinolarkRunner::start(first, {page(), s("-c"), s("download-only"), s("-o"), output()}, Options());
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [] { return KLTestEnvironment::startedProcessesRunning({s("--progress-template")}) > 0; }, 120s));
    KLTestEnvironment::waitUntil([] { return false; }, 1s); // well into the download
    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(10000));
    // Its tools lose their reader and end with it.
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [] { return KLTestEnvironment::startedProcessesRunning(tools) == 0; }, 20s))
        << KLTestEnvironment::startedProcesses(tools).value(0).commandLine.toStdString();
    EXPECT_EQ(KLTestEnvironment::scratchFolders().size(), 1);
    EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty());

    m_site.server().clearBehaviour(s("/clip.mp4"));
    const Outcome second = KLKinolarkRunner::run({page(), s("-c"), s("download-only"), s("-o"), output()});
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 1);
    expectNothingLeftRunning("after the second run");
}

TEST_F(FaultInjectionTest, DamagedOrLinkedStoredFilesNeitherStopTheRunNorGetWrittenThrough) {
    const QString elsewhere = scratchPath("elsewhere");
    const QByteArray userLines = "machine example.org login me password secret # mine\n\x01\x02 junk\n";
    enum class Planted {
        file,
        link, // a link to a file of the user's elsewhere that holds the contents
        fifo, // nobody ever writes to it: whoever opens it to read waits for good
    };
    const struct {
        const char *name;
        QString path;
        QByteArray contents;
        Planted planted;
    } cases[] = {
        {"settings of garbage", KLDefaultPreferences::storeFilePath(), "[General\n=\n\\x\n%%%\n[[]]\n",
         Planted::file},
        {"binary settings", KLDefaultPreferences::storeFilePath(), KLFileInspection::binaryJunk(4096, 7),
         Planted::file},
        {"10 MB settings", KLDefaultPreferences::storeFilePath(), QByteArray(10 << 20, 'k'), Planted::file},
        {"linked settings", KLDefaultPreferences::storeFilePath(), "[General]\ncontainer=mp3\n",
         Planted::link},
        {"settings FIFO", KLDefaultPreferences::storeFilePath(), {}, Planted::fifo},
        // A serialised value declaring a list of 691 million strings, which Qt would reserve room for.
        {"settings with a huge planted list", KLDefaultPreferences::storeFilePath(),
         QByteArray("downloadLocation=@Variant(\0\0\0\\xb)22)\n", 37), Planted::file},
        {"binary .netrc", QDir::home().filePath(s(".netrc")),
         userLines + KLFileInspection::binaryJunk(4096, 9), Planted::file},
        {"10 MB .netrc", QDir::home().filePath(s(".netrc")), userLines + QByteArray(10 << 20, '#'),
         Planted::file},
        {"linked .netrc", QDir::home().filePath(s(".netrc")), userLines, Planted::link},
        {".netrc FIFO", QDir::home().filePath(s(".netrc")), {}, Planted::fifo},
    };
    const QString local = KLMediaFixtures::path(KLMediaFixtures::Clip360p);
    for (const auto &c : cases) {
        QDir().mkpath(QFileInfo(c.path).absolutePath());
        KLFileInspection::removeEntry(c.path);
        KLFileInspection::removeEntry(elsewhere);
        if (c.planted == Planted::fifo) {
            ASSERT_EQ(::mkfifo(QFile::encodeName(c.path).constData(), 0600), 0);
        } else {
            KLFileInspection::writeBytes(c.planted == Planted::link ? elsewhere : c.path, c.contents);
        }
        if (c.planted == Planted::link) {
            ASSERT_TRUE(QFile::link(elsewhere, c.path));
            ::chmod(QFile::encodeName(elsewhere).constData(), 0644);
        }
        const Outcome outcome =
            KLKinolarkRunner::run({page(), local, s("-c"), s("download-only"), s("-o"), output()});
        EXPECT_EQ(outcome.exitCode, 0) << c.name << ": " << outcome.err.toStdString();
        EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 2) << c.name;
        QDir(output()).removeRecursively();
        if (c.planted == Planted::link) {
            EXPECT_TRUE(KLFileInspection::readBytes(elsewhere) == c.contents) << c.name;
            EXPECT_EQ(KLFileInspection::permissionsOf(elsewhere), 0644) << c.name;
        } else if (c.planted == Planted::file && c.path.endsWith(s(".netrc"))) {
            EXPECT_TRUE(KLFileInspection::readBytes(c.path) == c.contents) << c.name;
        }
        KLFileInspection::removeEntry(c.path);
    }
    expectNothingLeftRunning("stored files");
}
