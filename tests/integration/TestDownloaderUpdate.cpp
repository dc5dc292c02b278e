// The private copy of the downloader, made and updated by the real pip through the maintenance that the
// launch and the window's menu use, against a package index of the test's own on 127.0.0.1 that serves
// stand-in releases of yt-dlp built by the test (tests/support/make_test_wheel.py).

#include "KLKinolarkRunner.h"
#include "KLMediaFixtures.h"
#include "KLTestEnvironment.h"
#include "KLTestWebServer.h"
#include "KLYTDLTestSite.h"

#include "App/KLApplicationUI.h"
#include "App/KLControllerState.h"
#include "App/KLDownloaderMaintenance.h"
#include "App/KLStatusLine.h"
#include "Model/KLTask/YTDL/KLYTDLDownloadTask.h"
#include "Model/KLTask/YTDL/KLYTDLListingCache.h"
#include "Model/Preferences/KLDefaultPreferences.h"
#include "Utils/KLKinolarkUtils.h"
#include "Utils/KLObjectRepository.h"
#include "Utils/KLServices.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// A stand-in release: the distribution's version, what its program says for "--version", and whether it runs.
struct Release {
    QString version;
    QString reports;
    bool broken = false;
};
const Release first{QStringLiteral("2024.1.1"), QStringLiteral("2024.01.01")};
const Release newer{QStringLiteral("2099.1.1"), QStringLiteral("2099.01.01")};
const Release older{QStringLiteral("2020.1.1"), QStringLiteral("2020.01.01")};
const Release newerReportingOlder{QStringLiteral("2099.1.1"), QStringLiteral("2000.01.01")};
const Release newerBroken{QStringLiteral("2099.1.1"), QStringLiteral("2099.01.01"), true};

const QString clip = QStringLiteral("clip.mp4");

using Alert = QPair<QString, QString>;

// The alerts, as they arrive on the main thread.
class AlertRecorder final : public KLApplicationUI {
public:
    void showAlert(const QString &title, const QString &message) override { alerts.append({title, message}); }
    QList<Alert> alerts;
};

// Every diagnostic line, from whichever thread it comes.
std::mutex logLock;
QStringList logLines;
void recordLogLine(QtMsgType, const QMessageLogContext &, const QString &line) {
    const std::lock_guard lock(logLock);
    logLines.append(line);
}

// The first line a program prints for "--version".
QString versionOf(const QString &program) {
    QProcess process;
    process.start(program, {QStringLiteral("--version")});
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0);
}

// The command lines of every process of the machine, with the arguments joined by blanks.
QStringList commandLines() {
    QStringList found;
    for (const QString &process :
         QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        QFile file(QStringLiteral("/proc/%1/cmdline").arg(process));
        if (file.open(QIODevice::ReadOnly)) {
            found.append(QString::fromUtf8(file.readAll().replace('\0', ' ')));
        }
    }
    return found;
}

// How long the command line takes to convert a local clip; the run must succeed.
qint64 timedRun(const QProcessEnvironment &environment) {
    QTemporaryDir output;
    KLKinolarkRunner::Options options;
    options.environment = environment;
    options.timeoutMs = 120000;
    QElapsedTimer clock;
    clock.start();
    const KLKinolarkRunner::Outcome outcome = KLKinolarkRunner::run(
        {KLMediaFixtures::path(KLMediaFixtures::Clip360p), QStringLiteral("-o"), output.path()}, options);
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err.toStdString();
    return elapsed;
}

class DownloaderUpdate : public ::testing::Test {
protected:
    void SetUp() override {
        KLObjectRepository::singleton()->removeAllObjects();
        ASSERT_TRUE(m_root.isValid());
        ASSERT_TRUE(m_index.start());
        ASSERT_TRUE(KLYTDLTestSite::installLauncher());
        removePrivateCopy();
        qputenv("KINOLARK_PACKAGE_INDEX", m_index.url(QStringLiteral("simple/")).toUtf8());
        // Whatever tries to leave the machine meets a closed port; the servers on 127.0.0.1 are exempt.
        for (const char *variable : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
            qputenv(variable, "http://127.0.0.1:9");
        }
        qputenv("no_proxy", "127.0.0.1,localhost");
        qputenv("NO_PROXY", "127.0.0.1,localhost");
    }
    void TearDown() override {
        removePrivateCopy();
        KLObjectRepository::singleton()->removeAllObjects();
    }

    static QString dataPath(const QString &name) {
        return QDir(KLKinolarkUtils::getApplicationDataDirectory()).filePath(name);
    }
    static void removePrivateCopy() {
        QFile::remove(dataPath(QStringLiteral("yt-dlp-venv")));
        QDir(dataPath(QStringLiteral("yt-dlp-venv.d"))).removeRecursively();
    }
    // The generation the private copy's link names, as an absolute path; empty without a link.
    static QString currentGeneration() {
        return QFileInfo(dataPath(QStringLiteral("yt-dlp-venv"))).symLinkTarget();
    }
    // The generations on disk, by name.
    static QStringList generations() {
        return QDir(dataPath(QStringLiteral("yt-dlp-venv.d"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    static QStringList currentGenerationOnly() {
        const QString current = currentGeneration();
        return current.isEmpty() ? QStringList() : QStringList{QFileInfo(current).fileName()};
    }

    // Makes the index offer exactly these releases.
    bool publish(const QList<Release> &releases) {
        QDir root(m_root.path());
        QDir(root.filePath(QStringLiteral("files"))).removeRecursively();
        if (!root.mkpath(QStringLiteral("files")) || !root.mkpath(QStringLiteral("simple/yt-dlp"))) {
            return false;
        }
        QString page = QStringLiteral("<!DOCTYPE html>\n<html><body>\n");
        for (const Release &release : releases) {
            QStringList arguments{KLTestEnvironment::sourceDirectory() +
                                      QStringLiteral("/tests/support/make_test_wheel.py"),
                                  root.filePath(QStringLiteral("files")), release.version, release.reports};
            if (release.broken) {
                arguments << QStringLiteral("broken");
            }
            QProcess maker;
            maker.start(QStringLiteral("/usr/bin/python3"), arguments);
            if (!maker.waitForFinished(60000) || maker.exitCode() != 0) {
                return false;
            }
            const QString wheel =
                QFileInfo(QString::fromUtf8(maker.readAllStandardOutput()).trimmed()).fileName();
            page += QStringLiteral("<a href=\"../../files/%1\">%1</a>\n").arg(wheel);
        }
        KLTestEnvironment::writeFile(root.filePath(QStringLiteral("simple/yt-dlp/index.html")),
                                     (page + QStringLiteral("</body></html>\n")).toUtf8());
        return true;
    }

    // Starts the work, as the menu does, and runs the event loop until the upkeep is idle again, calling
    // `meanwhile` now and then.
    void untilIdle(const std::function<void()> &work, const std::function<void()> &meanwhile = {}) {
        work();
        EXPECT_TRUE(KLTestEnvironment::waitUntil(
            [this, &meanwhile] {
                if (meanwhile) {
                    meanwhile();
                }
                return m_maintenance->idle();
            },
            180s));
        KLTestEnvironment::runPostedWork();
    }
    QString update() {
        QString report;
        untilIdle(
            [this, &report] { m_maintenance->update([&report](const QString &text) { report = text; }); });
        return report;
    }
    // The update the user asks for from the menu; its alert's message.
    QString updateOnRequest() {
        const qsizetype before = m_ui->alerts.size();
        untilIdle([this] { m_maintenance->updateOnRequest(); });
        return m_ui->alerts.size() == before + 1 ? m_ui->alerts.last().second : QString();
    }
    Alert installExtraTools() {
        const qsizetype before = m_ui->alerts.size();
        untilIdle([this] { m_maintenance->installExtraTools(); });
        return m_ui->alerts.size() == before + 1 ? m_ui->alerts.last() : Alert();
    }
    bool installFirstRelease() {
        return publish({first}) &&
               installExtraTools().first == QStringLiteral("Extra tools successfully installed") &&
               versionOf(KLKinolarkUtils::getYTDLPath()) == first.reports;
    }

    std::shared_ptr<KLYTDLDownloadTask> download(KLYTDLTestSite &site, const QString &target) {
        auto task = std::make_shared<KLYTDLDownloadTask>(QUrl(site.url(clip)), target, false, QUrl());
        task->start();
        return task;
    }

    QTemporaryDir m_root;
    KLTestWebServer m_index{m_root.path()};
    const std::shared_ptr<AlertRecorder> m_ui = std::make_shared<AlertRecorder>();
    const std::shared_ptr<KLControllerState> m_state = std::make_shared<KLControllerState>(m_ui);
    const std::shared_ptr<KLDownloaderMaintenance> m_maintenance =
        std::make_shared<KLDownloaderMaintenance>(m_state, std::make_shared<KLStatusLine>(m_state));
};

} // namespace

TEST_F(DownloaderUpdate, InstallingTheExtraToolsEndsWithAnAlertThatSaysWhatHappened) {
    const QString system = versionOf(QStringLiteral("/usr/bin/yt-dlp"));
    ASSERT_FALSE(system.isEmpty());
    struct Step {
        QList<Release> index;
        Alert alert;
        QString launcherReports;
    };
    const QString failed = QStringLiteral(
        "KinolarkPro could not install its extra tools. Please contact us at support@kinolark.org\n\n");
    const Step steps[] = {
        {{},
         {QStringLiteral("Extra tools could not be installed"),
          failed + QStringLiteral("No matching distribution found for yt-dlp")},
         system},
        {{newerBroken},
         {QStringLiteral("Extra tools could not be installed"),
          failed + QStringLiteral("The new private copy does not run")},
         system},
        {{first},
         {QStringLiteral("Extra tools successfully installed"),
          QStringLiteral("KinolarkPro has installed its necessary extra tools successfully.")},
         first.reports},
        {{first, newer},
         {QStringLiteral("You already have the necessary tools"),
          QStringLiteral("KinolarkPro has already identified the necessary tools in your system.")},
         first.reports},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.alert.first.toStdString());
        ASSERT_TRUE(publish(step.index));
        EXPECT_EQ(installExtraTools(), step.alert);
        EXPECT_EQ(versionOf(KLKinolarkUtils::getYTDLPath()), step.launcherReports);
        // A failed installation leaves nothing behind.
        EXPECT_EQ(generations(), currentGenerationOnly());
    }
}

// The update of the menu, whose alert ends with the reason when the update did not go through.
TEST_F(DownloaderUpdate, AnUpdateThatIsNoBetterLeavesTheWorkingCopyAsItWas) {
    ASSERT_TRUE(installFirstRelease());
    const QString working = currentGeneration();
    struct Case {
        const char *what;
        QList<Release> index;
        int status; // what the index answers for the project's page; 0: the page
        QString says;
        QString reason; // why an update that was tried did not go through; empty when none was or it did
    };
    const Case cases[] = {
        {"only an older release", {older}, 0, QStringLiteral("Private copy is up to date"), {}},
        {"a newer release whose program reports an older version",
         {first, newerReportingOlder},
         0,
         QStringLiteral(
             "The new private copy reports version 2000.01.01, older than the working one: kept out"),
         QStringLiteral(
             "The new private copy reports version 2000.01.01, older than the working one: kept out")},
        {"a newer release that does not run",
         {first, newerBroken},
         0,
         QStringLiteral("The new private copy does not run"),
         QStringLiteral("The new private copy does not run")},
        {"an index that refuses",
         {first, newer},
         403,
         QStringLiteral("The package index could not be asked for a newer release"),
         QStringLiteral("No matching distribution found for yt-dlp")},
    };
    for (const Case &test : cases) {
        SCOPED_TRACE(test.what);
        ASSERT_TRUE(publish(test.index));
        if (test.status != 0) {
            m_index.answerWithStatus(QStringLiteral("/simple/yt-dlp/"), test.status);
        }
        const QString report = updateOnRequest();
        m_index.clearBehaviour(QStringLiteral("/simple/yt-dlp/"));
        EXPECT_TRUE(report.contains(test.says)) << report.toStdString();
        EXPECT_EQ(report.contains(QStringLiteral("Private copy not updated")), !test.reason.isEmpty())
            << report.toStdString();
        EXPECT_EQ(report.section(QStringLiteral("\n\n"), 1), test.reason) << report.toStdString();
        EXPECT_EQ(currentGeneration(), working);
        EXPECT_EQ(generations(), currentGenerationOnly());
        EXPECT_EQ(versionOf(KLKinolarkUtils::getYTDLPath()), first.reports);
    }
}

TEST_F(DownloaderUpdate, ANewerReleaseServesAtOnceWhileADownloadFromThePreviousOneFinishes) {
    KLYTDLTestSite site;
    ASSERT_TRUE(site.addMedia(clip, KLMediaFixtures::Clip360p));
    ASSERT_TRUE(site.start());
    ASSERT_TRUE(installFirstRelease());
    const QString previous = currentGeneration();
    const QString identity = KLYTDLListingCache::downloaderIdentity();
    QTemporaryDir targets;

    // A download runs from the working copy, held mid-way, while the update switches to the newer one.
    site.server().stallAfter(clip, 16 * 1024);
    const auto running = download(site, targets.filePath(QStringLiteral("first")));
    ASSERT_TRUE(
        KLTestEnvironment::waitUntil([&site] { return site.server().stalledConnections() > 0; }, 60s));
    ASSERT_TRUE(publish({first, newer}));
    const QString report = update();
    EXPECT_TRUE(report.contains(QStringLiteral("Private copy updated to version 2099.01.01")))
        << report.toStdString();
    EXPECT_NE(currentGeneration(), previous);
    EXPECT_EQ(versionOf(KLKinolarkUtils::getYTDLPath()), newer.reports);
    EXPECT_NE(KLYTDLListingCache::downloaderIdentity(), identity)
        << "the stored listings must be made afresh";
    // The files of the running download stay until it has ended.
    EXPECT_TRUE(report.contains(QStringLiteral("A previous private copy is still in use")))
        << report.toStdString();
    EXPECT_TRUE(QFileInfo(previous).isDir());

    site.server().clearBehaviour(clip);
    site.server().releaseStalls();
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&running] { return running->finished(); }, 60s));
    EXPECT_EQ(running->error(), nullptr);
    EXPECT_EQ(QFileInfo(targets.filePath(QStringLiteral("first"))).size(), site.sizeOf(clip));

    // A download through the new one, and the next update removes the previous one.
    const auto next = download(site, targets.filePath(QStringLiteral("second")));
    ASSERT_TRUE(KLTestEnvironment::waitUntil([&next] { return next->finished(); }, 60s));
    EXPECT_EQ(next->error(), nullptr);
    QFile downloaded(targets.filePath(QStringLiteral("second")));
    ASSERT_TRUE(downloaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(downloaded.readAll(), site.contentsOf(clip));
    EXPECT_TRUE(update().contains(QStringLiteral("Private copy is up to date")));
    EXPECT_EQ(generations(), currentGenerationOnly());
}

TEST_F(DownloaderUpdate, TheUpdateGoesThroughTheUpdateProxyAndItsCredentialsShowNowhere) {
    ASSERT_TRUE(installFirstRelease());
    // The update proxy serves the index's files itself, and records what it was asked.
    KLTestWebServer updateProxy(m_root.path());
    KLTestWebServer downloadProxy;
    ASSERT_TRUE(updateProxy.start());
    ASSERT_TRUE(downloadProxy.start());
    const QString password = QStringLiteral("pa:ss w%rd$'\"@");
    auto preferences = std::make_shared<KLDefaultPreferences>();
    preferences->setSaving(false);
    preferences->setUseUpdateProxy(true);
    preferences->setUpdateProxyHost(QStringLiteral("127.0.0.1"));
    preferences->setUpdateProxyPort(QString::number(updateProxy.port()));
    preferences->setUpdateProxyUsername(QStringLiteral("kinolark"));
    preferences->setUpdateProxyPassword(password);
    preferences->setUseProxy(true);
    preferences->setProxyProtocol(QStringLiteral("HTTP"));
    preferences->setProxyHost(QStringLiteral("127.0.0.1"));
    preferences->setProxyPort(QString::number(downloadProxy.port()));
    m_state->services->preferences = preferences;
    // A proxy the environment names for every address must not take the traffic from the one set.
    qunsetenv("no_proxy");
    qunsetenv("NO_PROXY");
    ASSERT_TRUE(publish({first, newer}));
    m_index.clearRequests();

    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(password));
    QStringList revealing;
    logLines.clear();
    const QtMessageHandler previousHandler = qInstallMessageHandler(recordLogLine);
    QString report;
    untilIdle([this, &report] { m_maintenance->update([&report](const QString &text) { report = text; }); },
              [&] {
                  for (const QString &line : commandLines()) {
                      if (line.contains(password) || line.contains(encoded)) {
                          revealing.append(line);
                      }
                  }
              });
    qInstallMessageHandler(previousHandler);

    EXPECT_TRUE(report.contains(QStringLiteral("Private copy updated to version 2099.01.01")))
        << report.toStdString();
    const QList<KLTestWebServer::Request> asked = updateProxy.requestsFor(QStringLiteral("/simple/yt-dlp/"));
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.first().header("proxy-authorization"),
              "Basic " + (QStringLiteral("kinolark:") + password).toUtf8().toBase64());
    EXPECT_TRUE(m_index.requests().isEmpty()) << "the index was reached around the update proxy";
    EXPECT_TRUE(downloadProxy.requests().isEmpty());
    EXPECT_TRUE(revealing.isEmpty()) << revealing.join(QLatin1Char('\n')).toStdString();
    const std::lock_guard lock(logLock);
    ASSERT_FALSE(logLines.isEmpty());
    for (const QString &line : logLines + QStringList{report}) {
        EXPECT_FALSE(line.contains(password) || line.contains(encoded)) << line.toStdString();
    }
}

TEST_F(DownloaderUpdate, ARunEndsAMomentAfterItsWorkThoughThePackageIndexNeverAnswers) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Without a private copy the launch's update only looks at the launcher: the run's own time.
    const qint64 without = std::min(timedRun(environment), timedRun(environment));
    ASSERT_TRUE(installFirstRelease());
    QTcpServer silent; // takes every connection and never says a word
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    environment.insert(QStringLiteral("KINOLARK_PACKAGE_INDEX"),
                       QStringLiteral("http://127.0.0.1:%1/simple/").arg(silent.serverPort()));
    const qint64 stalled = std::min(timedRun(environment), timedRun(environment));
    std::printf("A run without the update: %lld ms; with an index that never answers: %lld ms\n",
                static_cast<long long>(without), static_cast<long long>(stalled));
    EXPECT_LE(stalled, without + 1500);
    EXPECT_EQ(KLTestEnvironment::startedProcessesRunning({QString()}), 0);
}

TEST_F(DownloaderUpdate, AnUpdateKilledAtAnyMomentLeavesAWorkingCopyAndTheNextOneTidiesUp) {
    const QString system = versionOf(QStringLiteral("/usr/bin/yt-dlp"));
    const struct {
        const char *what;
        bool firstInstallation; // else an update from the first release to the newer one
        bool whenAsked;         // killed while the index holds back the page; else once a generation is new
    } moments[] = {{"asking the index for news", false, true},
                   {"making the new generation", false, false},
                   {"making the first generation", true, false}};
    for (const auto &moment : moments) {
        SCOPED_TRACE(moment.what);
        removePrivateCopy();
        ASSERT_TRUE(moment.firstInstallation || installFirstRelease());
        ASSERT_TRUE(publish({first, newer}));
        if (moment.whenAsked) {
            m_index.stallAfter(QStringLiteral("/simple/yt-dlp/"), 0);
        }
        const qsizetype before = generations().size();
        bool killed = false;
        untilIdle(
            [this, &moment] {
                if (moment.firstInstallation) {
                    m_maintenance->installExtraTools();
                } else {
                    m_maintenance->update();
                }
            },
            [&] {
                if (!killed &&
                    (moment.whenAsked ? m_index.stalledConnections() > 0 : generations().size() > before)) {
                    for (const auto &process :
                         KLTestEnvironment::startedProcesses({QStringLiteral("update_downloaders")})) {
                        killed = ::kill(-process.group, SIGKILL) == 0 || killed;
                    }
                }
            });
        m_index.clearBehaviour(QStringLiteral("/simple/yt-dlp/"));
        m_index.releaseStalls();
        EXPECT_TRUE(killed);
        EXPECT_EQ(versionOf(KLKinolarkUtils::getYTDLPath()),
                  moment.firstInstallation ? system : first.reports);

        // What a launcher refresh or a switch killed half-way leaves, named after its process, now gone.
        const QString gone =
            KLTestEnvironment::readFile(QStringLiteral("/proc/sys/kernel/pid_max")).trimmed();
        KLTestEnvironment::writeFile(dataPath(QStringLiteral(".ytdl-update.") + gone), "#!/bin/bash\n");
        ASSERT_TRUE(
            QFile::link(QStringLiteral("gone"), dataPath(QStringLiteral(".yt-dlp-venv-update.") + gone)));
        const QString report = update();
        EXPECT_TRUE(report.contains(moment.firstInstallation
                                        ? QStringLiteral("No private copy")
                                        : QStringLiteral("Private copy updated to version 2099.01.01")))
            << report.toStdString();
        EXPECT_EQ(generations(), currentGenerationOnly());
        EXPECT_EQ(
            QDir(KLKinolarkUtils::getApplicationDataDirectory())
                .entryList({QStringLiteral(".*update*")}, QDir::AllEntries | QDir::Hidden | QDir::System),
            QStringList());
    }
}
