// How a run of the kinolark command line begins and ends: what it makes of its arguments, what it writes on
// standard error, that it starts what it finds whatever the stored settings say, that every way a run can
// end (nothing found, everything failing at once, an interruption while the addresses are still being read)
// ends the program, that a run through the download proxy shows its login to the proxy alone, and that a
// members' video comes with a session from a cookie file that no command line shows. The real program
// against the test web server.
#include "KLFileInspection.h"
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
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

using namespace std::chrono_literals;

namespace {

using Outcome = KLKinolarkRunner::Outcome;

QString s(const char *text) {
    return QString::fromUtf8(text);
}

QStringList words(const char *line) {
    return s(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

class CommandLineRunsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile::remove(KLDefaultPreferences::storeFilePath());
        ASSERT_TRUE(m_site.addMedia(s("clip.mp4"), KLMediaFixtures::Clip360p));
        ASSERT_TRUE(m_site.addMedia(s("other.mp4"), KLMediaFixtures::Clip360p));
        m_site.addPage(s("page.html"), s("Movie Night"), {s("clip.mp4")});
        m_site.addPage(s("two.html"), s("Double Feature"), {s("clip.mp4"), s("other.mp4")});
        ASSERT_TRUE(m_site.start());
    }
    void TearDown() override { QFile::remove(KLDefaultPreferences::storeFilePath()); }

    QString output() const { return m_output.path(); }

    KLYTDLTestSite m_site;
    QTemporaryDir m_output;
};

} // namespace

TEST(CommandLineArguments, UsageErrorsSayWhatIsWrongAndExitWithTwo) {
    const struct {
        const char *arguments;
        const char *error; // what follows "kinolark: "
    } cases[] = {
        {"", "nothing to do: give URLs, files or folders"},
        {"--downloads 5", "nothing to do: give URLs, files or folders"},
        {"--frobnicate x", "unknown option --frobnicate"},
        {"--Output=dir x", "unknown option --Output"},
        {"-ofoo x", "unknown option -ofoo"},
        {"-hv", "unknown option -hv"},
        {"-o", "-o needs a value"},
        {"x --print-ffmpeg-params", "--print-ffmpeg-params needs a value"},
        {"--downloads 0 x", "--downloads takes a number from 1 to 999"},
        {"--downloads=7 --processing=1000 x", "--processing takes a number from 1 to 999"},
        {"--processing abc --downloads 0 x", "--processing takes a number from 1 to 999"},
        // A switch given a value is refused rather than taken: "--subtitles=no" must not turn subtitles on.
        {"--subtitles=no x", "--subtitles takes no value"},
        {"--cookies /nonexistent/cookies.txt x", "cannot read the cookie file /nonexistent/cookies.txt"},
        {"--cookies-from-browser opera x",
         "unknown browser opera (firefox, chromium or chrome, with :PROFILE)"},
    };
    for (const auto &row : cases) {
        const Outcome outcome = KLKinolarkRunner::run(words(row.arguments));
        EXPECT_EQ(outcome.exitCode, 2) << row.arguments;
        EXPECT_EQ(outcome.err, s("kinolark: %1\nTry 'kinolark --help'.\n").arg(s(row.error)))
            << row.arguments;
        EXPECT_TRUE(outcome.out.isEmpty()) << row.arguments;
    }
}

TEST(CommandLineArguments, TheLastOfHelpAndVersionWinsAndTheHelpIsOurOwn) {
    const Outcome help = KLKinolarkRunner::run({s("--version"), s("-h")});
    EXPECT_TRUE(help.out.startsWith(s("Usage: kinolark [OPTIONS] URL|FILE|FOLDER...\n")));
    EXPECT_FALSE(help.out.contains(s("-?"))) << "the parser's own help";
    const Outcome version = KLKinolarkRunner::run({s("--help"), s("-v")});
    EXPECT_TRUE(version.out.startsWith(s("kinolark "))) << version.out.toStdString();
    EXPECT_EQ(help.exitCode + version.exitCode, 0);
    // After "--" it is an address like any other, which yields nothing.
    EXPECT_EQ(KLKinolarkRunner::run({s("--"), s("--help")}).exitCode, 3);
}

TEST_F(CommandLineRunsTest, DiagnosticLinesShowWithVerboseOnly) {
    const QString clip = KLMediaFixtures::path(KLMediaFixtures::Clip360p);
    for (const bool verbose : {false, true}) {
        QStringList arguments{clip, s("-c"), s("download-only"), s("-o"), output()};
        if (verbose) {
            arguments << s("--verbose");
        }
        const Outcome outcome = KLKinolarkRunner::run(arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
        EXPECT_EQ(outcome.err.contains(s("Start spinning...")), verbose) << outcome.err.toStdString();
    }
}

TEST_F(CommandLineRunsTest, EverythingFoundStartsThoughTheStoredSettingsSayOtherwiseAndTheyStayAsTheyWere) {
    // Finished entries leave the queue as the settings ask, and still count as done.
    KLSettingsStore(KLDefaultPreferences::storeFilePath()).write([](QSettings &settings) {
        settings.setValue(KLDefaultPreferences::storeMarkerKey, s("yes"));
        settings.setValue(s("automaticallyStartDownloading"), s("no"));
        settings.setValue(s("automaticallyRemoveWhenCompleted"), s("yes"));
    });
    const QString stored = KLTestEnvironment::readFile(KLDefaultPreferences::storeFilePath());
    KLKinolarkRunner::Options options;
    options.timeoutMs = 90000;
    const Outcome outcome = KLKinolarkRunner::run({m_site.url(s("two.html")), s("-o"), output()}, options);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    EXPECT_FALSE(outcome.err.contains(s("No contents were found"))) << outcome.err.toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 2);
    EXPECT_EQ(KLTestEnvironment::readFile(KLDefaultPreferences::storeFilePath()), stored);
}

TEST_F(CommandLineRunsTest, EveryWayARunEndsEndsTheProgram) {
    m_site.server().answerWithStatus(s("/clip.mp4"), 404);
    m_site.server().answerWithStatus(s("/other.mp4"), 404);
    const struct {
        const char *name;
        QString address;
        int exitCode;
    } cases[] = {{"nothing found", m_site.url(s("missing.html")), 3},
                 {"every entry failing at once", m_site.url(s("two.html")), 1}};
    for (const auto &row : cases) {
        KLKinolarkRunner::Options options;
        options.timeoutMs = 60000;
        const Outcome outcome = KLKinolarkRunner::run({row.address, s("-o"), output()}, options);
        EXPECT_EQ(outcome.exitCode, row.exitCode) << row.name << ": " << outcome.err.toStdString();
    }
}

TEST_F(CommandLineRunsTest, AnInterruptionWhileTheAddressIsReadEndsTheRunAndStartsNothing) {
    m_site.server().stallAfter(s("/page.html"), 0);
    QProcess process;
    process.start(KLKinolarkRunner::program(), {m_site.url(s("page.html")), s("-o"), output()});
    ASSERT_TRUE(process.waitForStarted());
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([this] { return m_site.server().stalledConnections() > 0; }, 60s));
    QElapsedTimer timer;
    timer.start();
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(20000));
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_EQ(process.exitCode(), 128 + SIGINT);
    m_site.server().releaseStalls();
    EXPECT_TRUE(KLKinolarkRunner::filesIn(output()).isEmpty());
    EXPECT_TRUE(m_site.server().requestsFor(s("/clip.mp4")).isEmpty());
}

TEST_F(CommandLineRunsTest, ThroughTheDownloadProxyTheLoginReachesTheProxyAloneFromEveryTool) {
    // The server is the proxy too. Nobody listens at the site's loopback address: only through the proxy can
    // it be reached, and a tool that goes around the proxy is refused on this machine. The page has no video
    // for the downloader, so curl scrapes it for the clip.
    const QString site = s("http://127.0.0.2:%1/").arg(m_site.server().port());
    m_site.server().addRoute(s("/links.html"), "<a href=\"clip.mp4\">clip</a>", "text/html");
    m_site.server().throttle(s("/clip.mp4"), m_site.sizeOf(s("clip.mp4")) / 3);
    const QString password = s("pa:ss w@rd\"%");
    KLTestEnvironment::storeSettings({{s("useProxy"), s("yes")},
                                      {s("proxyProtocol"), s("HTTP")},
                                      {s("proxyHost"), s("127.0.0.1")},
                                      {s("proxyPort"), QString::number(m_site.server().port())},
                                      {s("proxyUsername"), s("me")},
                                      {s("proxyPassword"), password}});
    const QList<QByteArray> secrets{password.toUtf8(), QUrl::toPercentEncoding(password)};
    KLKinolarkRunner::Options options;
    // Nothing in the environment may take an address away from the proxy the user chose.
    KLTestEnvironment::removeProxyVariables(options.environment);
    options.environment.insert(s("no_proxy"), s("*"));
    QStringList leaks;
    int downloads = 0;
    options.whileRunning = [&secrets, &leaks, &downloads](QProcess &process) {
        while (!process.waitForFinished(20)) {
            leaks << KLFileInspection::commandLinesHolding(secrets, downloads);
        }
    };
    const Outcome outcome = KLKinolarkRunner::run(
        {site + s("links.html"), s("-c"), s("download-only"), s("-o"), output(), s("--verbose")}, options);

    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    const QStringList files = KLKinolarkRunner::filesIn(output());
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(QFileInfo(QDir(output()).filePath(files.first())).size(), m_site.sizeOf(s("clip.mp4")));
    EXPECT_GT(downloads, 0) << "no command line was looked at while the download ran";
    leaks.removeDuplicates();
    EXPECT_TRUE(leaks.isEmpty()) << leaks.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(outcome.err.contains(s("Running command"))) << "the diagnostic lines are on";
    for (const QByteArray &secret : secrets) {
        EXPECT_FALSE(outcome.err.contains(QString::fromUtf8(secret))) << outcome.err.toStdString();
    }
    // The downloader listed the page and curl scraped it; the clip was listed and downloaded. Every request
    // asked the proxy for the site, with the login.
    const QList<KLTestWebServer::Request> requests = m_site.server().requests();
    for (const KLTestWebServer::Request &request : requests) {
        EXPECT_EQ(request.host, s("127.0.0.2")) << request.path.toStdString();
        EXPECT_EQ(request.header("proxy-authorization"),
                  "Basic " + QByteArray("me:" + password.toUtf8()).toBase64());
    }
    const auto byCurl = [](const KLTestWebServer::Request &request) {
        return request.userAgent.contains("Firefox");
    };
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), byCurl));
    EXPECT_TRUE(KLTestEnvironment::scratchFolders().isEmpty());
}

TEST_F(CommandLineRunsTest, TwoRunsSavingAtOnceKeepBothChanges) {
    const QStringList options{s("--downloads"), s("--processing")};
    const QStringList keys{s("numberOfConcurrentDownloads"), s("numberOfConcurrentProcessing")};
    constexpr int rounds = 5;
    int keptBoth = 0;
    for (int round = 1; round <= rounds; ++round) {
        // Each run changes one setting; both start from what the round before left.
        const QStringList values{QString::number(10 + round), QString::number(20 + round)};
        QTemporaryDir outputs[2];
        QProcess runs[2];
        for (int run = 0; run < 2; ++run) {
            KLKinolarkRunner::start(runs[run],
                                    {s("--save"), options[run], values[run], s("-c"), s("download-only"),
                                     s("-o"), outputs[run].path(),
                                     KLMediaFixtures::path(KLMediaFixtures::Clip360p)},
                                    {});
        }
        for (QProcess &run : runs) {
            ASSERT_TRUE(run.waitForFinished(120000));
            EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
        }
        const QHash<QString, QVariant> stored = KLSettingsStore(KLDefaultPreferences::storeFilePath()).read();
        const bool both =
            stored.value(keys[0]).toString() == values[0] && stored.value(keys[1]).toString() == values[1];
        EXPECT_TRUE(both) << "round " << round;
        keptBoth += both ? 1 : 0;
    }
    std::printf("Both changes kept in %d of %d rounds\n", keptBoth, rounds);
}

// A members' page answers 403 without the session: the run fails and says how to hand the session over.
// With the session in a cookie file it downloads, and the cookie is on no command line while it runs, and
// the private copy the downloader got is gone afterwards, the file itself unchanged.
TEST_F(CommandLineRunsTest, ASessionFromACookieFileReachesTheMembersVideoAndNoCommandLine) {
    const QByteArray session = m_site.server().requireSignIn(s("/members/"));
    ASSERT_TRUE(m_site.addMedia(s("members/clip.mp4"), KLMediaFixtures::ClipTiny));
    m_site.addPage(s("members/page.html"), s("Members Night"), {s("members/clip.mp4")});
    const QStringList command = {m_site.url(s("members/page.html")), s("-c"), s("download-only"), s("-o"),
                                 output()};
    const Outcome refused = KLKinolarkRunner::run(command);
    EXPECT_EQ(refused.exitCode, 3);
    EXPECT_TRUE(refused.err.contains(s("HTTP Error 403"))) << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(s("--cookies-from-browser"))) << refused.err.toStdString();

    QTemporaryDir jar;
    const QString cookies = jar.filePath(s("cookies.txt"));
    const QByteArray value = session.mid(session.indexOf('=') + 1);
    const QByteArray netscape =
        "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\t" + value + "\n";
    KLTestEnvironment::writeFile(cookies, netscape);
    KLKinolarkRunner::Options watched;
    QStringList exposing;
    int downloads = 0;
    watched.whileRunning = [&](QProcess &process) {
        while (!process.waitForFinished(20)) {
            exposing << KLFileInspection::commandLinesHolding({value}, downloads);
        }
    };
    const Outcome signedIn =
        KLKinolarkRunner::run(QStringList(command) << s("--cookies") << cookies << s("--verbose"), watched);
    ASSERT_EQ(signedIn.exitCode, 0) << signedIn.err.toStdString();
    EXPECT_GT(downloads, 0) << "the command lines were read while the video downloaded";
    EXPECT_TRUE(exposing.isEmpty()) << exposing.join(s("\n")).toStdString();
    EXPECT_EQ(KLKinolarkRunner::filesIn(output()).size(), 1);
    EXPECT_FALSE(signedIn.err.contains(QString::fromLatin1(value)));
    EXPECT_EQ(KLTestEnvironment::readFile(cookies).toUtf8(), netscape);
    const QStringList copies =
        KLFileInspection::filesNamed(KLKinolarkUtils::getApplicationDataDirectory(), s("cookies.txt"));
    EXPECT_TRUE(copies.isEmpty()) << copies.join(s(", ")).toStdString();
}
