// The command line under what a new user runs into: containers that hold sound only, titles that look like
// paths or hold control characters, properties learnt too late, damaged and linked settings files, a
// closed terminal, missing tools and failing servers. The real program, yt-dlp, ffmpeg and curl against the
// test web server.
#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLYTDLTestSite.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Model/Preferences/KLSettingsStore.h"
#include "Utils/KLKinolarkUtils.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

using Outcome = KLKinolarkRunner::Outcome;

QString s(const char *text) {
    return QString::fromUtf8(text);
}

bool holdsControlCharacters(const QString &text, const QString &allowed = QString()) {
    return std::any_of(text.begin(), text.end(), [&allowed](QChar character) {
        return character.category() == QChar::Other_Control && !allowed.contains(character);
    });
}

// The settings a user could have edited by hand, with the marker that makes them count.
void storeSettings(const QMap<QString, QString> &values) {
    KLSettingsStore(KLDefaultPreferences::storeFilePath()).write([&values](QSettings &settings) {
        settings.setValue(KLDefaultPreferences::storeMarkerKey, s("yes"));
        for (auto value = values.cbegin(); value != values.cend(); ++value) {
            settings.setValue(value.key(), value.value());
        }
    });
}

QJsonObject lastEvent(const QString &jsonLines) {
    const QStringList lines = jsonLines.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return lines.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(lines.last().toUtf8()).object();
}

class CommandLineFaultsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        ASSERT_TRUE(m_site.addMedia(s("late.mp4"), KLMediaFixtures::Clip720pNotFaststart));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        ASSERT_TRUE(m_site.start());
    }
    void TearDown() override { QFile::remove(KLDefaultPreferences::storeFilePath()); }

    QString page(const char *name = "page.html") const { return m_site.url(s(name)); }
    QString output() const { return m_output.path(); }
    QString fixture(KLMediaFixtures::Fixture fixture, const char *name) {
        const QString copy = m_inputs.filePath(s(name));
        QFile::remove(copy);
        EXPECT_TRUE(QFile::copy(KLMediaFixtures::path(fixture), copy));
        return copy;
    }
    Outcome run(QStringList arguments, KLKinolarkRunner::Options options = {}) {
        arguments << s("-o") << output();
        return KLKinolarkRunner::run(arguments, options);
    }
    // The one file the run left in the output folder, emptied for the next run.
    QString takeOnlyOutput() {
        const QStringList files = KLKinolarkRunner::filesIn(output());
        EXPECT_EQ(files.size(), 1) << files.join(s(", ")).toStdString();
        if (files.size() != 1) {
            return QString();
        }
        const QString taken = m_inputs.filePath(s("taken-") + files.first());
        QFile::remove(taken);
        QFile::rename(KLKinolarkUtils::pathInFolder(output(), files.first()), taken);
        return taken;
    }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
    QTemporaryDir m_inputs;
};

} // namespace

TEST_F(CommandLineFaultsTest, ContainersOfSoundConvertTheSoundOrAreRefusedNeverCrash) {
    const QString tone = fixture(KLMediaFixtures::AudioMp3, "tone.mp3");
    const QString webm = fixture(KLMediaFixtures::Webm, "clip.webm");
    struct Case {
        QStringList arguments;
        const char *extension;
        const char *audioCodec;
    };
    const QList<Case> cases = {
        {{s("-c"), s("m4a"), tone}, ".m4a", "aac"},
        {{s("-c"), s("mp3"), tone}, ".mp3", "mp3"},
        {{s("-c"), s("m4a"), webm}, ".m4a", "aac"},
        {{s("-c"), s("m4a"), page()}, ".m4a", "aac"},
    };
    for (const Case &c : cases) {
        const Outcome outcome = run(c.arguments);
        ASSERT_EQ(outcome.exitCode, 0)
            << c.arguments.join(QLatin1Char(' ')).toStdString() << outcome.err.toStdString();
        const QString file = takeOnlyOutput();
        EXPECT_TRUE(file.endsWith(s(c.extension))) << file.toStdString();
        EXPECT_TRUE(KLTestEnvironment::probeStreams(file).startsWith(s(c.audioCodec) + s(",audio")))
            << KLTestEnvironment::probeStreams(file).toStdString();
        EXPECT_FALSE(KLTestEnvironment::probeStreams(file).contains(s("video")));
    }

    Outcome refused = run({s("-m"), s("video-only"), s("-c"), s("m4a"), tone});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_TRUE(refused.err.contains(s("m4a files hold sound only"))) << refused.err.toStdString();

    // Hand-edited settings that allow no conversion fail the entry, with the reason, and nothing else.
    storeSettings({{s("container"), s("mov")}, {s("videoCodec"), QString()}});
    const Outcome failed = run({tone, s("--json")});
    EXPECT_EQ(failed.exitCode, 1) << failed.err.toStdString();
    EXPECT_EQ(lastEvent(failed.out).value(s("errorDescription")).toString(),
              s("Conversion failed... (no video codec is chosen for mov files)"));
    EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty());
}

TEST_F(CommandLineFaultsTest, TitlesNameOnePlainFileInsideTheDestination) {
    const QStringList titles = {s("/tmp/x/ABS"),
                                s(":colon start"),
                                s("../../etc/kl_pwn"),
                                s("/etc/passwd/a/b\\c"),
                                s(".."),
                                s(" . . "),
                                s("bell\x07 esc\x1b[31mred\x7f tab\there\rcr\x01")};
    QTemporaryDir workingDirectory;
    KLKinolarkRunner::Options options;
    options.workingDirectory = workingDirectory.path();
    for (qsizetype index = 0; index < titles.size(); ++index) {
        const QString name = QStringLiteral("title%1.html").arg(index);
        m_site.addPage(name, titles.at(index).toHtmlEscaped(), {s("clip.mp4")});
        const Outcome outcome = run({m_site.url(name), s("-c"), s("download-only")}, options);
        const std::string title = titles.at(index).toStdString();
        ASSERT_EQ(outcome.exitCode, 0) << title << outcome.err.toStdString();
        const QStringList files = KLKinolarkRunner::filesIn(output());
        ASSERT_EQ(files.size(), 1) << title;
        const QString file = files.first();
        EXPECT_TRUE(file.endsWith(s(".mp4"))) << title;
        EXPECT_FALSE(file.startsWith(QLatin1Char('.')) || file.startsWith(QLatin1Char(' '))) << title;
        EXPECT_FALSE(holdsControlCharacters(file)) << title;
        // The terminal is shown no control character that the program did not write itself.
        EXPECT_FALSE(holdsControlCharacters(outcome.out, s("\n"))) << title;
        EXPECT_FALSE(holdsControlCharacters(outcome.err, s("\n"))) << title;
        QFile::remove(KLKinolarkUtils::pathInFolder(output(), file)); // QDir would take ":..." for a resource
    }
    EXPECT_TRUE(
        QDir(workingDirectory.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden));
}

TEST_F(CommandLineFaultsTest, TheSizeLimitHoldsWhenThePropertiesAreLearntOnlyFromTheDownload) {
    // The index of this clip comes last, and it arrives slowly: the first tenth of it shows no picture, so
    // the properties stage gives up measuring before the download.
    m_site.addPage(s("late.html"), s("Late"), {s("late.mp4")});
    m_site.server().throttle(s("/late.mp4"), 96 * 1024);
    storeSettings({{s("resolution"), s("640x360")}});
    const Outcome outcome = run({page("late.html")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    const QString streams = KLTestEnvironment::probeStreams(takeOnlyOutput());
    EXPECT_TRUE(streams.contains(s("h264,video,avc1,640,360"))) << streams.toStdString();
}

TEST_F(CommandLineFaultsTest, StoredLimitsOfZeroStillRunEverything) {
    storeSettings({{s("numberOfConcurrentDownloads"), s("0")}, {s("numberOfConcurrentProcessing"), s("0")}});
    KLKinolarkRunner::Options options;
    options.timeoutMs = 90000;
    const Outcome outcome = run({page()}, options);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.out.toStdString() << outcome.err.toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 1);
}

TEST_F(CommandLineFaultsTest, SavingReplacesALinkAndLeavesItsTargetAlone) {
    const QString settings = KLDefaultPreferences::storeFilePath();
    const QString target = m_inputs.filePath(s("elsewhere.conf"));
    KLTestEnvironment::writeFile(target, "keep me\n");
    ASSERT_EQ(::chmod(QFile::encodeName(target).constData(), 0644), 0);
    QDir().mkpath(QFileInfo(settings).absolutePath());
    ASSERT_TRUE(QFile::link(target, settings));

    const QString tone = fixture(KLMediaFixtures::AudioMp3, "tone.mp3");
    const Outcome outcome = run({tone, s("-c"), s("download-only"), s("-p"), s("iPhone X"), s("--save")});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();

    EXPECT_EQ(KLTestEnvironment::readFile(target), s("keep me\n"));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(target).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0644u);
    EXPECT_FALSE(QFileInfo(settings).isSymLink());
    ASSERT_EQ(::stat(QFile::encodeName(settings).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_EQ(KLSettingsStore(settings).read().value(s("outputFor")).toString(), s("iPhone X"));
}

TEST_F(CommandLineFaultsTest, AHangUpCancelsAndCleansUpLikeAnInterruption) {
    m_site.server().stallAfter(s("/clip.mp4"), 64 * 1024);
    QProcess process;
    process.start(KLKinolarkRunner::program(), {page(), s("-o"), output(), s("--json")});
    ASSERT_TRUE(process.waitForStarted());
    QByteArray seen;
    ASSERT_TRUE(KLTestEnvironment::waitUntil(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.contains("Downloading");
        },
        120s))
        << seen.toStdString();
    ::kill(static_cast<pid_t>(process.processId()), SIGHUP);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 128 + SIGHUP);
    m_site.server().releaseStalls();
    EXPECT_TRUE(KLTestEnvironment::waitUntil(
        [] {
            return KLTestEnvironment::startedProcessesRunning({s("yt-dlp"), s("ffmpeg")}) == 0;
        },
        5s));
    EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty());
    // Only this test process's own scratch folder is left, and nothing half downloaded anywhere.
    const QDir downloads(KLKinolarkUtils::getDownloadsDirectory());
    EXPECT_LE(downloads.entryList(QDir::Dirs | QDir::NoDotAndDotDot).filter(s("process-")).size(), 1);
    EXPECT_TRUE(downloads.entryList({s("*.part")}, QDir::Files).isEmpty());
}

TEST_F(CommandLineFaultsTest, AMissingToolIsNamedBeforeAnythingIsDownloaded) {
    for (const char *tool : {"ffmpeg", "ffprobe", "yt-dlp"}) {
        QTemporaryDir farm;
        KLKinolarkRunner::Options options;
        options.environment.insert(s("PATH"), KLKinolarkRunner::searchPathWithout({s(tool)}, farm.path()));
        m_site.server().clearRequests();
        const Outcome outcome = run({page()}, options);
        EXPECT_EQ(outcome.exitCode, 1) << tool;
        EXPECT_TRUE(outcome.err.contains(s(tool)) && outcome.err.contains(s("not installed")))
            << tool << ": " << outcome.err.toStdString();
        EXPECT_TRUE(m_site.server().requests().isEmpty()) << tool;
    }
}

TEST_F(CommandLineFaultsTest, FailuresSayWhy) {
    struct Case {
        const char *name;
        std::function<void(KLTestWebServer &)> fault;
        const char *cause; // a piece of the reason that must follow the failure's own text
    };
    const QList<Case> cases = {
        {"not found", [](KLTestWebServer &server) { server.answerWithStatus(s("/clip.mp4"), 404); },
         "HTTP Error 404"},
        {"server error", [](KLTestWebServer &server) { server.answerWithStatus(s("/clip.mp4"), 500); },
         "HTTP Error 500"},
        {"dropped", [](KLTestWebServer &server) { server.dropAfter(s("/clip.mp4"), 0); }, " ("},
    };
    for (const Case &c : cases) {
        c.fault(m_site.server());
        const Outcome outcome = run({page(), s("--json")});
        m_site.server().clearBehaviour(s("/clip.mp4"));
        EXPECT_EQ(outcome.exitCode, 1) << c.name;
        const QString description = lastEvent(outcome.out).value(s("errorDescription")).toString();
        EXPECT_TRUE(description.startsWith(s("Download failed for URL: ") + page() + s(" (")))
            << c.name << ": " << description.toStdString();
        EXPECT_TRUE(description.contains(s(c.cause))) << c.name << ": " << description.toStdString();
        EXPECT_TRUE(outcome.err.contains(description)) << c.name << ": " << outcome.err.toStdString();
    }

    const Outcome missing = run({page("missing.html")});
    EXPECT_EQ(missing.exitCode, 3);
    EXPECT_TRUE(missing.err.startsWith(s("No contents were found...\n"))) << missing.err.toStdString();
    EXPECT_TRUE(missing.err.contains(s("HTTP Error 404"))) << missing.err.toStdString();
}

TEST_F(CommandLineFaultsTest, AFullDataFolderSaysSo) {
    // A small file system of its own for the data folder, in a mount namespace of the run's own.
    QTemporaryDir data;
    const QString command = s("mount -t tmpfs -o size=160k tmpfs \"$KL_DATA\" && exec \"$@\"");
    QProcess probe;
    probe.start(s("unshare"), {s("-m"), s("sh"), s("-c"), s("mount -t tmpfs tmpfs /mnt")});
    if (!probe.waitForFinished(10000) || probe.exitCode() != 0) {
        GTEST_SKIP() << "no mount namespace here";
    }
    m_site.addPage(s("big.html"), s("Big"), {s("late.mp4")});
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(s("KL_DATA"), data.path());
    environment.insert(s("XDG_DATA_HOME"), data.path());
    process.setProcessEnvironment(environment);
    process.start(s("unshare"), {s("-m"), s("sh"), s("-c"), command, s("sh"), KLKinolarkRunner::program(),
                                 page("big.html"), s("-c"), s("download-only"), s("-o"), output()});
    ASSERT_TRUE(process.waitForFinished(120000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    EXPECT_EQ(process.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(s("No space left on device"))) << err.toStdString();
}
